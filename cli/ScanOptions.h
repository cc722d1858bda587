// The console scanner's command line, mirroring the window's controls.
#pragma once

#include <string>

enum class OutputFormat { Tsv, Csv, Jsonl };

struct ScanOptions {
    std::string filter;       // as typed in the filter box: names separated by ';'
    std::string directories;  // as typed in the directory box
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
