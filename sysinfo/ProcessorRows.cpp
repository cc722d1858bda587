#include <cstdio>

#include "platform/UniqueHandles.h"
#include "sysinfo/RegistryValues.h"
#include "sysinfo/SystemInfoRow.h"

namespace {

// HKEY_LOCAL_MACHINE down to the key that holds one sub-key per processor.
const char* const kPathToProcessors[] = {"HARDWARE", "DESCRIPTION", "System", "CentralProcessor"};
constexpr int kPathLength = 4;

// Speed, identifier and vendor; nothing when the processor has no key.
void AddRowsOfProcessor(std::vector<SystemInfoRow>& rows, HKEY processors, int index)
{
    char keyName[16];
    std::snprintf(keyName, sizeof keyName, "%d", index);
    platform::UniqueRegistryKey key;
    if (RegOpenKeyExA(processors, keyName, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return;

    char label[32];
    std::snprintf(label, sizeof label, "Processor %d", index);
    char speed[32];
    std::snprintf(speed, sizeof speed, "Speed: %d MHz", static_cast<int>(ReadRegistryNumber(key.Get(), "~MHz")));
    rows.push_back({label, speed, std::nullopt});

    char identifier[kRegistryTextBytes + 1];
    ReadRegistryText(key.Get(), "Identifier", identifier);
    rows.push_back({label, "Identifier", std::string(identifier)});
    char vendor[kRegistryTextBytes + 1];
    ReadRegistryText(key.Get(), "VendorIdentifier", vendor);
    rows.push_back({label, "Vendor", std::string(vendor)});
}

}  // namespace

std::vector<SystemInfoRow> ProcessorRows()
{
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    const int count = static_cast<int>(system.dwNumberOfProcessors);
    char text[16];
    std::snprintf(text, sizeof text, "%d", count);
    std::vector<SystemInfoRow> rows{{"Num Processors", text, std::nullopt}};

    // Declared outermost first, so they close innermost first, whether the
    // whole path opened or only part of it.
    platform::UniqueRegistryKey path[kPathLength];
    for (int level = 0; level < kPathLength; ++level) {
        const HKEY parent = level == 0 ? HKEY_LOCAL_MACHINE : path[level - 1].Get();
        if (RegOpenKeyExA(parent, kPathToProcessors[level], 0, KEY_READ, path[level].Receive()) != ERROR_SUCCESS) {
            return rows;
        }
    }
    for (int i = 0; i < count; ++i) AddRowsOfProcessor(rows, path[kPathLength - 1].Get(), i);
    return rows;
}
