// libFuzzer target: the input is a module file, checked for its signature
// through the certificate table, the Authenticode digest and the PKCS#7
// reader; an input that is no MS-DOS image is read as a PKCS#7 blob
// directly, so that mutations reach deep into the signature too.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "scratch_module_file.h"
#include "signature_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> faults;
    if (size >= 2 && data[0] == 'M' && data[1] == 'Z') {
        static const fuzz::ScratchModuleFile file;
        file.Write(data, size);
        faults = fuzz::CheckSignature(file.Path(), std::vector<std::uint8_t>(data, data + size));
    } else {
        faults = fuzz::ReadSignatureBlob(data, size);
    }
    if (faults.empty()) return 0;
    for (const std::string& fault : faults) std::fprintf(stderr, "signature fault: %s\n", fault.c_str());
    std::abort();
}
