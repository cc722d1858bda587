// libFuzzer target: the input is a module file; the probe, which reads three
// fields from disk, must answer as the header rules do on the whole file.
#include <cstdio>
#include <cstdlib>

#include "engine/ModuleBitness.h"
#include "header_bitness.h"
#include "scratch_module_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz::ScratchModuleFile file;
    file.Write(data, size);
    const int probed = GetModuleBitness(file.Path());
    const int expected = fuzz::BitnessFromHeader(data, size);
    if (probed == expected) return 0;
    std::fprintf(stderr, "bitness probe fault: %d where the header says %d\n", probed, expected);
    std::abort();
}
