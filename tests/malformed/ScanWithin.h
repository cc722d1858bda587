// Runs the engine over a directory on a thread of its own and gives up
// waiting after a generous time, so that a file that makes the engine loop
// fails its own case instead of stalling the whole suite.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "ModuleRow.h"

namespace malformed {

struct ScannedRow {
    std::string path;
    std::string date;
    ModuleRow row;
};

// The rows of every module in `directory` (its subdirectories left out),
// all bitness classes kept. Nothing when the scan had not ended after
// `limit`; its thread is then left running on state of its own.
std::optional<std::vector<ScannedRow>> ScanWithin(const std::string& directory, std::chrono::seconds limit);

}  // namespace malformed
