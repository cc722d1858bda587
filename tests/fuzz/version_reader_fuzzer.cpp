// libFuzzer target: the input is a module file, read by the version reader
// through the very calls the engine makes, and by the engine itself.
#include <cstdio>
#include <cstdlib>

#include "engine/ModuleFacts.h"
#include "engine_queries.h"
#include "scratch_module_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::PinReaderLanguage();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz::ScratchModuleFile file;
    file.Write(data, size);
    const fuzz::VersionAnswers answers = fuzz::AskLikeTheEngine(file.Path());
    std::vector<std::string> faults = answers.faults;
    for (std::string& fault : fuzz::CompareWithEngine(answers, InspectModule(file.Path()).version))
        faults.push_back(std::move(fault));
    if (faults.empty()) return 0;
    for (const std::string& fault : faults) std::fprintf(stderr, "version reader fault: %s\n", fault.c_str());
    std::abort();
}
