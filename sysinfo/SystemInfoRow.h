// One row of system information as texts, for whoever lists them: a label
// (the "Prod Ver" cell), a value ("File Ver") and, for the processor
// identifier and vendor, a text that goes in as a path, so that the same
// bitness classes as for a found file decide whether the row is shown.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct SystemInfoRow {
    std::string label;
    std::string value;
    std::optional<std::string> path;
};

// "OS Version", "Build Number", "Platform Id" and "Service Pack", from the
// once-per-process OS version probe.
std::vector<SystemInfoRow> OsVersionRows();

// "Num Processors", then speed, identifier and vendor of each processor
// that has a key under HARDWARE\DESCRIPTION\System\CentralProcessor.
std::vector<SystemInfoRow> ProcessorRows();
