// Runs the built modaris-scan as a user would, optionally as the unprivileged
// user "nobody", with a guard that only catches a hang.
#pragma once

#include <string>
#include <vector>

struct ScannerRun {
    int exitCode = -1;  // -1 when the hang guard ended it; 128 + N when signal N did
    bool hung = false;
    std::string out;
    std::string err;
};

// `arguments` follow the program name. The guard kills the run after
// `guardSeconds`.
ScannerRun RunScanner(const std::vector<std::string>& arguments, int guardSeconds = 120);

// The same, as "nobody" (setpriv) when this process is root; as the current
// user otherwise, whose permissions already apply.
ScannerRun RunScannerUnprivileged(const std::vector<std::string>& arguments, int guardSeconds = 120);

// `word` quoted for the shell, whatever bytes it holds.
std::string ShellWord(const std::string& word);

// Empty when RunScannerUnprivileged can work here; otherwise why not.
std::string WhyNoUnprivilegedRun();
