#include "engine/ModuleFacts.h"

#include "engine/FileDate.h"
#include "engine/ModuleBitness.h"
#include "engine/ModuleHead.h"
#include "platform/hash/Sha256.h"
#include "platform/version_block/OpenedModule.h"

namespace {

// The signature, and the file hash from the same pass when it is asked too.
void ReadSignature(const platform::ModuleFile& file, const char* path, const InspectionRequest& request,
                   ModuleFacts& facts)
{
    platform::Sha256 hasher;
    bool wholeFileRead = false;
    platform::ModuleSignature signature =
        request.signatures->Check(file, path, request.sha256 ? &hasher : nullptr, &wholeFileRead, request.keepReading);
    // A file that could not be read has no verdict to give.
    if (signature.read) facts.signature = std::move(signature);
    if (request.sha256 && wholeFileRead) {
        if (const auto digest = hasher.Finish()) facts.sha256 = platform::HexText(*digest);
    }
}

}  // namespace

ModuleFacts InspectModule(const char* path, const InspectionRequest& request)
{
    ModuleFacts facts;
    platform::OpenedModule module = platform::OpenModule(path);
    facts.metSharingViolation = module.sharingViolation;
    facts.version = VersionInfoOf(module.version);
    if (module.file.NotADiskFile()) return facts;

    // The date and the bitness come from an open that shares with nobody;
    // the other facts only need the file read, also while another program
    // holds it open for reading.
    const bool unshared = module.file.IsOpen();
    if (unshared) facts.date = LastWriteDateText(module.file.LastWrite());
    if (request.versionBlock) facts.versionBlock = std::move(module.version);
    const bool beyondTheHead = request.fileStatus || request.sha256 || request.imports || request.signatures;
    if (!unshared && !request.header && !beyondTheHead) return facts;

    platform::ModuleFile shared;
    if (!unshared && module.file.OpenError() == ERROR_SHARING_VIOLATION)
        shared = platform::ModuleFile(path, platform::FileSharing::Readers);
    const platform::ModuleFile& file = unshared ? module.file : shared;
    if (!file.IsOpen()) {
        if (request.imports) {
            facts.imports.emplace();
            const DWORD error = unshared ? module.file.OpenError() : shared.OpenError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                facts.imports->result = ImportReadResult::NotFound;
        }
        return facts;
    }

    if (unshared || request.header) {
        const ModuleHead head(file);
        if (unshared) facts.bits = ProbeModuleBitness(head);
        if (request.header) facts.header = ReadModuleHeader(head);
    }
    if (request.fileStatus) {
        facts.size = file.Size();
        facts.lastWrite = file.LastWrite();
    }
    if (request.imports) facts.imports = ReadModuleImports(file);
    if (request.sha256 && !request.signatures) facts.sha256 = platform::Sha256OfFile(file, request.keepReading);
    if (request.signatures && platform::kSignatureCheckOpensTheFile) {
        module.file = platform::ModuleFile();
        shared = platform::ModuleFile();
        ReadSignature(platform::ModuleFile(path, platform::FileSharing::Readers), path, request, facts);
    } else if (request.signatures) {
        ReadSignature(file, path, request, facts);
    }
    return facts;
}
