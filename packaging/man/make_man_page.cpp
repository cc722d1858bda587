// make_man_page PROGRAM OUTPUT SUMMARY DATE: runs the built PROGRAM with
// --help and --version and writes its man page to OUTPUT.
#include <cstdio>
#include <string>

#include "packaging/man/HelpToMan.h"

namespace {

// The program's standard output for one option; false unless it exits 0.
bool Capture(const std::string& program, const char* option, std::string& output)
{
    std::string command = "'";
    for (const char c : program) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += std::string("' ") + option;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    return pclose(pipe) == 0 && !output.empty();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "Usage: make_man_page PROGRAM OUTPUT SUMMARY DATE\n");
        return 2;
    }
    std::string help, version;
    if (!Capture(argv[1], "--help", help) || !Capture(argv[1], "--version", version)) {
        std::fprintf(stderr, "make_man_page: '%s --help' or '--version' failed\n", argv[1]);
        return 1;
    }
    const std::string page = HelpToMan(help, version, ManPageHeading{argv[3], argv[4]});
    std::FILE* out = std::fopen(argv[2], "wb");
    bool written = out && std::fwrite(page.data(), 1, page.size(), out) == page.size();
    if (out && std::fclose(out) != 0) written = false;
    if (!written) {
        std::fprintf(stderr, "make_man_page: cannot write '%s'\n", argv[2]);
        return 1;
    }
    return 0;
}
