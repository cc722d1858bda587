#include <cstdio>

#include "engine/ScanEngine.h"
#include "sysinfo/RegistryValues.h"

namespace {

// HKEY_LOCAL_MACHINE down to the key that holds one sub-key per processor.
const char* const kPathToProcessors[] = {"HARDWARE", "DESCRIPTION", "System", "CentralProcessor"};
constexpr int kPathLength = 4;

// Speed, identifier and vendor; nothing when the processor has no key. The
// two texts go in as paths, so the bitness filter judges them as files.
void AddRowsOfProcessor(CScanEngine& engine, HKEY processors, int index)
{
    char keyName[16];
    std::snprintf(keyName, sizeof keyName, "%d", index);
    HKEY key = nullptr;
    if (RegOpenKeyExA(processors, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS) return;

    char label[32];
    std::snprintf(label, sizeof label, "Processor %d", index);
    char speed[32];
    std::snprintf(speed, sizeof speed, "Speed: %d MHz", static_cast<int>(ReadRegistryNumber(key, "~MHz")));
    engine.AddResult(nullptr, nullptr, label, speed, nullptr);

    char identifier[kRegistryTextBytes + 1];
    ReadRegistryText(key, "Identifier", identifier);
    engine.AddResult(identifier, nullptr, label, "Identifier", nullptr);
    char vendor[kRegistryTextBytes + 1];
    ReadRegistryText(key, "VendorIdentifier", vendor);
    engine.AddResult(vendor, nullptr, label, "Vendor", nullptr);

    RegCloseKey(key);
}

}  // namespace

void CScanEngine::AddProcessorRows()
{
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    const int count = static_cast<int>(system.dwNumberOfProcessors);
    char text[16];
    std::snprintf(text, sizeof text, "%d", count);
    AddResult(nullptr, nullptr, "Num Processors", text, nullptr);

    HKEY path[kPathLength] = {};
    int opened = 0;
    while (opened < kPathLength &&
           RegOpenKeyExA(opened == 0 ? HKEY_LOCAL_MACHINE : path[opened - 1], kPathToProcessors[opened], 0,
                         KEY_READ, &path[opened]) == ERROR_SUCCESS) {
        ++opened;
    }
    if (opened == kPathLength) {
        for (int i = 0; i < count; ++i) AddRowsOfProcessor(*this, path[kPathLength - 1], i);
    }
    // Innermost first, whether the whole path opened or only part of it.
    while (opened > 0) RegCloseKey(path[--opened]);
}
