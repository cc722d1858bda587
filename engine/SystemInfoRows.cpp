// CScanEngine's rows of system information: AddOsVersionRows, AddProcessorRows.
#include "engine/ScanEngine.h"
#include "sysinfo/SystemInfoRow.h"

namespace {

// A row with a path goes through the bitness classes like a found file.
void AddRows(CScanEngine& engine, const std::vector<SystemInfoRow>& rows)
{
    for (const SystemInfoRow& row : rows) {
        engine.AddResult(row.path ? row.path->c_str() : nullptr, nullptr, row.label.c_str(), row.value.c_str(),
                         nullptr);
    }
}

}  // namespace

void CScanEngine::AddOsVersionRows()
{
    AddRows(*this, OsVersionRows());
}

void CScanEngine::AddProcessorRows()
{
    AddRows(*this, ProcessorRows());
}
