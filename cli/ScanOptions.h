// The console scanner's command line, mirroring the window's controls: one
// row per option (cli/ScanOptions.cpp), from which both the parser and the
// Options section of --help (and so the man page) come.
#pragma once

#include <string>
#include <vector>

#include "cli/Fields.h"

enum class OutputFormat {
    Tsv,
    Csv,
    Jsonl
};

struct ScanOptions {
    // The names to look for, each once (ASCII case ignored), in the order
    // first given: every -f value split at ';', empty pieces dropped. None:
    // every module.
    std::vector<std::string> filters;
    // Where to look, in order: the pieces of every -d value (split at ';',
    // empty pieces dropped) and every plain argument, ';' and all.
    std::vector<std::string> directories;
    bool directoriesGiven = false;
    bool allDrives = false;
    bool subdirectories = true;
    bool include16 = false;
    bool include32 = true;
    bool include64 = true;
    bool includeUnknown = false;
    bool systemInformation = false;
    bool ignoreRedirection = false;
    OutputFormat format = OutputFormat::Tsv;
    // Empty: the window's six columns.
    std::vector<Field> fields;
    bool tsvHeading = false;
    // PEM roots a signer's chain is checked against; empty: none named.
    std::string trustRoots;
    // Empty: dll, exe, ocx, arx and bpl.
    std::vector<std::string> extensions;
    // Threads that read the modules; 0: as many as the machine has cores.
    int threads = 0;
    // --loads=PROGRAM, in order: instead of a walk, the modules the Windows
    // loader would map for each.
    std::vector<std::string> loads;
    std::string windowsDirectory;  // --windows=DIR; empty: the default target
    bool pathGiven = false;        // --path=DIRS
    std::string path;
    bool currentDirectoryGiven = false;  // --current-dir=DIR
    std::string currentDirectory;
    bool tree = false;  // --tree: an indented tree for people
    // --compare OLD NEW: two inventories compared, no walk made; OLD and NEW
    // are the two plain arguments.
    bool compare = false;
    std::vector<std::string> keyFields;
    std::vector<std::string> compareFields;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

struct ParseResult {
    ScanOptions options;
    std::string error;  // empty when the command line is sound
};

ParseResult ParseScanOptions(int argc, char** argv);

// The text of --help.
std::string UsageText();
