// modaris-scan: the scan of the window, on the command line.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/ConsoleScan.h"
#include "cli/LoadLists.h"
#include "cli/ScanOptions.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

volatile std::sig_atomic_t g_interrupts = 0;

// The first Ctrl+C stops the scan as "Stop" does, and the rows found so far
// are printed; a second one ends the program at once.
extern "C" void OnInterrupt(int)
{
    if (g_interrupts++ > 0) std::_Exit(130);
    RequestConsoleScanStop();
    std::signal(SIGINT, OnInterrupt);
}

}  // namespace

int main(int argc, char** argv)
{
    const ParseResult parsed = ParseScanOptions(argc, argv);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "modaris-scan: %s\nTry 'modaris-scan --help' for more information.\n",
                     parsed.error.c_str());
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::printf(
            "modaris-scan (Modaris) %s\n"
            "Copyright (c) 2026 the Modaris developers.\n"
            "License MIT: <https://opensource.org/licenses/MIT>.\n"
            "This is free software: you are free to change and redistribute it.\n"
            "There is NO WARRANTY, to the extent permitted by law.\n",
            MODARIS_VERSION);
        return 0;
    }
#ifdef _WIN32
    // Lines end in CR LF already; text mode would double the CR.
    _setmode(_fileno(stdout), _O_BINARY);
#else
    // A reader that leaves early (| head) is told by a failed write, which
    // ends the scan quietly with status 0, as on Windows; not by a signal.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    if (parsed.options.compare) return RunConsoleCompare(parsed.options, stdin, stdout, stderr);
    if (!parsed.options.loads.empty()) return RunLoadLists(parsed.options, stdout, stderr);
    std::signal(SIGINT, OnInterrupt);
    return RunConsoleScan(parsed.options, stdout, stderr);
}
