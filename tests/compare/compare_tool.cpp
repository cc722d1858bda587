// The comparison end to end before the scanner has its --compare option:
//   compare_tool OLD NEW [--key=FIELDS] [--compare-fields=LIST] [--format=tsv|csv|jsonl] [--header] [-q]
#include <cstdio>
#include <string>

#include "compare/Compare.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv)
{
    compare::CompareOptions options;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        std::string error;
        const auto value = [&](const char* prefix) { return argument.substr(std::string(prefix).size()); };
        if (argument.rfind("--key=", 0) == 0 || argument.rfind("--compare-fields=", 0) == 0) {
            const bool key = argument[2] == 'k';
            const auto names = compare::ParseCompareFieldList(value(key ? "--key=" : "--compare-fields="),
                                                              key ? "--key" : "--compare-fields", error);
            if (!names) {
                std::fprintf(stderr, "compare_tool: %s\n", error.c_str());
                return 2;
            }
            (key ? options.keyFields : options.compareFields) = *names;
        } else if (argument == "--format=tsv") {
            options.format = compare::CompareFormat::Tsv;
        } else if (argument == "--format=csv") {
            options.format = compare::CompareFormat::Csv;
        } else if (argument == "--format=jsonl") {
            options.format = compare::CompareFormat::Jsonl;
        } else if (argument == "--header") {
            options.header = true;
        } else if (argument == "-q") {
            options.quiet = true;
        } else if (argument == "-" || argument.rfind("-", 0) != 0) {
            paths.push_back(argument);
        } else {
            std::fprintf(stderr, "compare_tool: unknown option '%s'\n", argument.c_str());
            return 2;
        }
    }
    if (paths.size() != 2) {
        std::fprintf(stderr,
                     "usage: compare_tool OLD NEW [--key=FIELDS] [--compare-fields=LIST] "
                     "[--format=tsv|csv|jsonl] [--header] [-q]\n");
        return 2;
    }
    options.oldPath = paths[0];
    options.newPath = paths[1];
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return compare::RunCompare(options, stdin, stdout, stderr);
}
