// The signer, time and digest algorithm of the signature that Windows
// checked, read with CryptQueryObject from the signed file itself (the
// module, or the catalog that lists it). The time is a time stamp's only
// when the time stamp verifies. A trust given to a signer whose certificate
// does not cover the time Windows judges it at is taken back.
#pragma once

#include "platform/signature/ModuleSignature.h"

namespace platform::signature {

void ReadSignerFacts(const wchar_t* signedFile, ModuleSignature& signature);

}  // namespace platform::signature
