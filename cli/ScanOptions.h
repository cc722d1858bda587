// The console scanner's command line, mirroring the window's controls.
#pragma once

#include <string>
#include <vector>

#include "cli/Fields.h"

enum class OutputFormat { Tsv, Csv, Jsonl };

// Where to look, as given: a -d value is a list separated by ';', as typed
// in the directory box; a plain argument names one directory, ';' and all.
struct DirectoryArgument {
    std::string text;
    bool isList;
};

struct ScanOptions {
    // Every -f adds its names, each value split at ';' as the filter box is.
    // None given: the empty filter, which takes every module.
    std::vector<std::string> filters;
    // Every -d and every plain argument adds to these, in order.
    std::vector<DirectoryArgument> directories;
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
const char* UsageText();
