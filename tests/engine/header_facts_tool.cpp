// Prints the header facts of each file named, one line each:
// path TAB machine TAB subsystem TAB managed TAB linkTime, for the check
// against pefile and exiftool (header_facts_vs_pefile.py).
#include <cstdio>

#include "engine/ModuleHeader.h"
#include "engine/ModuleHeaderTexts.h"

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const platform::ModuleFile file(argv[i], platform::FileSharing::Readers);
        const ModuleHeader header = file.IsOpen() ? ReadModuleHeader(ModuleHead(file)) : ModuleHeader();
        std::printf("%s\t%s\t%s\t%s\t%s\n", argv[i], MachineText(header).c_str(), SubsystemText(header).c_str(),
                    ManagedText(header), LinkTimeText(header).c_str());
    }
    return 0;
}
