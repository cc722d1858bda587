#include "platform/signature/ModuleSignature.h"

namespace platform {

const char* SignatureKindText(SignatureKind kind)
{
    switch (kind) {
    case SignatureKind::Embedded: return "embedded";
    case SignatureKind::Catalog: return "catalog";
    case SignatureKind::None: break;
    }
    return "none";
}

const char* SignatureCheckText(SignatureCheck check)
{
    switch (check) {
    case SignatureCheck::Intact: return "intact";
    case SignatureCheck::Tampered: return "tampered";
    case SignatureCheck::Broken: return "broken";
    case SignatureCheck::None: break;
    }
    return "none";
}

const char* SignatureTrustText(SignatureTrust trust)
{
    switch (trust) {
    case SignatureTrust::Trusted: return "trusted";
    case SignatureTrust::Untrusted: return "untrusted";
    case SignatureTrust::Unchecked: break;
    }
    return "unchecked";
}

}  // namespace platform
