#include "cli/ScanOptions.h"

#include <cstring>
#include <sstream>

namespace {

bool ParseBits(const std::string& list, ScanOptions& options, std::string& error)
{
    options.include16 = options.include32 = options.include64 = options.includeUnknown = false;
    std::stringstream pieces(list);
    std::string piece;
    bool any = false;
    while (std::getline(pieces, piece, ',')) {
        if (piece == "16") options.include16 = true;
        else if (piece == "32") options.include32 = true;
        else if (piece == "64") options.include64 = true;
        else if (piece == "unknown") options.includeUnknown = true;
        else {
            error = "invalid bitness '" + piece + "' in --bits (use 16, 32, 64 and unknown, separated by commas)";
            return false;
        }
        any = true;
    }
    if (!any) {
        error = "--bits needs at least one of 16, 32, 64, unknown";
        return false;
    }
    return true;
}

bool ParseFormat(const std::string& name, ScanOptions& options, std::string& error)
{
    if (name == "tsv") options.format = OutputFormat::Tsv;
    else if (name == "csv") options.format = OutputFormat::Csv;
    else if (name == "jsonl") options.format = OutputFormat::Jsonl;
    else {
        error = "invalid format '" + name + "' (use tsv, csv or jsonl)";
        return false;
    }
    return true;
}

bool ParseExtensions(const std::string& list, ScanOptions& options, std::string& error)
{
    options.extensions.clear();
    std::stringstream pieces(list);
    std::string piece;
    while (std::getline(pieces, piece, ',')) {
        if (piece.size() > 1 && piece[0] == '.') piece.erase(0, 1);
        if (piece.empty() || piece.find_first_of("./\\") != std::string::npos) {
            error = "invalid extension '" + piece + "' in --extensions (use names such as dll,exe,sys)";
            return false;
        }
        options.extensions.push_back(piece);
    }
    if (options.extensions.empty()) {
        error = "--extensions needs at least one extension";
        return false;
    }
    return true;
}

bool ParseFields(const std::string& list, ScanOptions& options, std::string& error)
{
    const auto fields = ParseFieldList(list, error);
    if (!fields) return false;
    options.fields = *fields;
    return true;
}

struct OptionDefinition {
    char shortName;
    const char* longName;
    bool takesValue;
};

const OptionDefinition kOptions[] = {
    {'f', "filter", true},     {'d', "dirs", true},          {'a', "all-drives", false},
    {'n', "no-subdirs", false}, {'b', "bits", true},         {'s', "sysinfo", false},
    {'r', "ignore-redirection", false}, {0, "format", true}, {'q', "quiet", false},
    {'h', "help", false},      {0, "version", false},        {0, "fields", true},
    {0, "header", false},      {0, "extensions", true},      {0, "trust-roots", true},
};

const OptionDefinition* FindLong(const std::string& name)
{
    for (const OptionDefinition& option : kOptions) {
        if (name == option.longName) return &option;
    }
    return nullptr;
}

const OptionDefinition* FindShort(char name)
{
    for (const OptionDefinition& option : kOptions) {
        if (option.shortName && option.shortName == name) return &option;
    }
    return nullptr;
}

bool Apply(const OptionDefinition& option, const std::string& value, ScanOptions& options, std::string& error)
{
    const std::string name = option.longName;
    if (name == "filter") options.filters.push_back(value);
    else if (name == "dirs") options.directories.push_back({value, true}), options.directoriesGiven = true;
    else if (name == "all-drives") options.allDrives = true;
    else if (name == "no-subdirs") options.subdirectories = false;
    else if (name == "bits") return ParseBits(value, options, error);
    else if (name == "sysinfo") options.systemInformation = true;
    else if (name == "ignore-redirection") options.ignoreRedirection = true;
    else if (name == "format") return ParseFormat(value, options, error);
    else if (name == "quiet") options.quiet = true;
    else if (name == "help") options.help = true;
    else if (name == "version") options.version = true;
    else if (name == "fields") return ParseFields(value, options, error);
    else if (name == "header") options.tsvHeading = true;
    else if (name == "extensions") return ParseExtensions(value, options, error);
    else if (name == "trust-roots") {
        if (value.empty()) {
            error = "--trust-roots needs a PEM file or a folder of PEM files";
            return false;
        }
        options.trustRoots = value;
    }
    return true;
}

}  // namespace

ParseResult ParseScanOptions(int argc, char** argv)
{
    ParseResult result;
    std::string& error = result.error;
    bool optionsEnded = false;
    for (int i = 1; i < argc && error.empty(); ++i) {
        const std::string argument = argv[i];
        if (argument == "--" && !optionsEnded) {
            optionsEnded = true;
            continue;
        }
        const OptionDefinition* option = nullptr;
        std::string value;
        bool hasValue = false;
        std::string shown;
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            // A plain argument is one directory, whatever it holds.
            result.options.directories.push_back({argument, false});
            result.options.directoriesGiven = true;
            continue;
        }
        if (argument.rfind("--", 0) == 0) {
            const std::size_t equals = argument.find('=');
            const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            shown = "--" + name;
            option = FindLong(name);
            if (equals != std::string::npos) value = argument.substr(equals + 1), hasValue = true;
        } else {
            shown = argument.substr(0, 2);
            option = FindShort(argument[1]);
            if (option && argument.size() > 2) {
                if (!option->takesValue) {
                    // Bundled flags such as -qn.
                    for (std::size_t k = 1; k < argument.size() && error.empty(); ++k) {
                        const OptionDefinition* flag = FindShort(argument[k]);
                        if (!flag || flag->takesValue) {
                            error = std::string("unknown option '-") + argument[k] + "' in '" + argument + "'";
                            break;
                        }
                        Apply(*flag, "", result.options, error);
                    }
                    continue;
                }
                value = argument.substr(2), hasValue = true;
            }
        }
        if (!option) {
            error = "unknown option '" + (shown.empty() ? argument : shown) + "'";
            break;
        }
        if (option->takesValue && !hasValue) {
            if (i + 1 >= argc) {
                error = "option '" + shown + "' needs a value";
                break;
            }
            value = argv[++i];
        } else if (!option->takesValue && hasValue) {
            error = "option '" + shown + "' takes no value";
            break;
        }
        Apply(*option, value, result.options, error);
    }
    return result;
}

// GNU style: the man page is made from this text by the build (packaging/man),
// so headings stand alone at the left margin ending in ':', items start at
// most six columns in and their text goes on more than six columns in.
const char* UsageText()
{
    return "Usage: modaris-scan [OPTION]... [DIRECTORY]...\n"
           "Find module files (.dll, .exe, .ocx, .arx, .bpl) by name and list, for every copy,\n"
           "its product version, file version, last-write date, bitness and company name, and\n"
           "on request much more (--fields). Each DIRECTORY is searched with its subdirectories;\n"
           "with none (and no --dirs), every 32-bit and 64-bit module in the system directory\n"
           "and below it is listed, as tab-separated text on standard output.\n"
           "\n"
           "Options:\n"
           "Mandatory arguments to long options are mandatory for short options too.\n"
           "  -f, --filter=NAMES        file names to look for, separated by ';' (ASCII case\n"
           "                              ignored; no wildcards); empty (the default) takes\n"
           "                              every module; repeated, the names add up\n"
           "  -d, --dirs=DIRS           directories to search, separated by ';' (default:\n"
           "                              the system directory); repeated, they add up, and\n"
           "                              so do the DIRECTORY arguments\n"
           "  -a, --all-drives          search the drive roots c: to z: instead of --dirs\n"
           "  -n, --no-subdirs          do not descend into subdirectories\n"
           "  -b, --bits=LIST           bitness classes to list, from 16,32,64,unknown\n"
           "                              (default: 32,64)\n"
           "      --extensions=LIST     the extensions a module may have, separated by\n"
           "                              commas, instead of dll,exe,ocx,arx,bpl\n"
           "  -s, --sysinfo             begin with rows of system information\n"
           "  -r, --ignore-redirection  switch 64-bit Windows' file-system redirection off\n"
           "      --fields=LIST         the facts to show, by the names below, separated by\n"
           "                              commas, in that order; 'all' for every one\n"
           "                              (default: the window's six columns)\n"
           "      --format=FORMAT       tsv (default), csv or jsonl\n"
           "      --header              begin tsv with a line of headings (csv always has one)\n"
           "      --trust-roots=PATH    a PEM file, or a folder of PEM files, of root\n"
           "                              certificates that a signer's chain is checked\n"
           "                              against for the field trust (Linux; Windows\n"
           "                              uses its own trust store)\n"
           "  -q, --quiet               no progress line and no count on standard error\n"
           "  -h, --help                display this help and exit\n"
           "      --version             output version information and exit\n"
           "\n"
           "Fields:\n"
           "The names are the jsonl keys and the headings of csv (and of tsv with --header).\n"
           "A fact that cannot be read (no such string, not a module) is an empty cell, or\n"
           "null in jsonl.\n"
           "  productVersion, fileVersion, date, bits, company, fileName\n"
           "              the window's columns; a version as the window shows it (1.2.3.4\n"
           "              reads 1.000200.3.000400); bits is a number, null when unknown\n"
           "  fileVersionNumber, productVersionNumber\n"
           "              the fixed info's versions as four numbers: 6.1.7601.17514\n"
           "  fileVersionText, productVersionText, fileDescription, productName,\n"
           "  originalFilename, internalName, legalCopyright\n"
           "              the version resource's strings FileVersion, ProductVersion and so on,\n"
           "              from the last translation that has each\n"
           "  translation  language and code page of the string table used: 040904b0\n"
           "  fileFlags    the fixed info's set flags: debug, prerelease, patched,\n"
           "               privatebuild, infoinferred, specialbuild, separated by commas\n"
           "  machine      i386, amd64, arm64, arm, ia64 or the hex value; ne for a 16-bit\n"
           "               module\n"
           "  subsystem    windows-gui, windows-cui, native, efi-application,\n"
           "               efi-boot-service-driver, efi-runtime-driver, posix-cui,\n"
           "               windows-ce-gui, boot-application, or the number\n"
           "  managed      true for a .NET assembly (it has a CLR runtime header)\n"
           "  linkTime     the header's link time, UTC: 2023-02-18T22:16:05Z\n"
           "  size         the file's size in bytes\n"
           "  modified     the last write, UTC, to the second\n"
           "  sha256       the SHA-256 of the whole file, lower-case hex\n"
           "  signed       none, embedded (an Authenticode signature in the file) or\n"
           "               catalog (Windows: signed through a system catalog)\n"
           "  signer       the signing certificate's common name, else its organisation\n"
           "  signedOn     the signing time, UTC, from a timestamp that verifies, else the\n"
           "               signer's own signing-time attribute\n"
           "  digestAlgorithm\n"
           "               the signature's digest: sha1, sha256, sha384 or sha512\n"
           "  signatureCheck\n"
           "               intact (the file is what was signed and the signature\n"
           "               verifies), tampered (changed after signing), broken (the\n"
           "               signature cannot be read or does not verify) or none\n"
           "  trust        trusted or untrusted: whether the signer's chain leads to a\n"
           "               trusted root for code signing; unchecked on Linux without\n"
           "               --trust-roots. Revocation is not checked\n"
           "  host         this computer's name\n"
           "\n"
           "Output:\n"
           "tsv gives each cell followed by a tab and ends lines with CR LF, as the window's\n"
           "export does; csv has a heading row and RFC 4180 quoting; jsonl gives one JSON\n"
           "object per row, bytes that are not valid UTF-8 written as \\udcXX escapes. Rows\n"
           "come in the order of the walk. On standard error, a progress line while it is a\n"
           "terminal, a line for each directory that cannot be listed, and at the end\n"
           "'DLLs: N': the number of files whose name matched, before the bitness classes.\n"
#ifndef _WIN32
           "\n"
           "On Linux, the system directory is drive_c/windows/system32 of the Wine prefix\n"
           "($WINEPREFIX, default ~/.wine) when it exists, else /usr/lib; the drive roots c: to\n"
           "z: are the prefix's dosdevices links (with no prefix, c: is / and the other letters\n"
           "are empty). Paths keep the case of the directory listing.\n"
#endif
           "\n"
           "Exit status:\n"
           "  0         the scan ran to its end (also when it found nothing)\n"
           "  1         a directory could not be listed (the scan went on), or writing the\n"
           "            rows failed (the scan stopped)\n"
           "  2         bad usage: an unknown option, a missing or bad value\n"
           "  130       the scan was stopped with Ctrl+C; the rows found so far are printed\n"
           "\n"
           "Examples:\n"
           "  modaris-scan -f dbghelp.dll\n"
           "              every copy of dbghelp.dll in the system directory and below it\n"
           "  modaris-scan -a -f \"dbghelp.dll;dbgcore.dll\" --format csv > copies.csv\n"
           "              both libraries on every drive, as a spreadsheet\n"
           "  modaris-scan -q -f dbghelp.dll --fields=fileVersionNumber,machine,sha256,fileName\n"
           "      --format csv DIR > dbghelp.csv\n"
           "              exact versions, machines and hashes, for a spreadsheet\n"
           "  modaris-scan -q -f dbghelp.dll --fields=all --format jsonl DIR |\n"
           "      jq -r 'select(.machine == \"amd64\") | [.fileVersionNumber, .fileName] | @tsv'\n"
           "              the x64 copies with their exact versions, through jq\n"
           "  modaris-scan -q --fields=signatureCheck,signer,fileName --trust-roots=roots.pem DIR\n"
           "              who signed each module and whether it was changed since\n"
           "\n"
           "Report bugs to the Modaris developers, with the command line, the rows you got and\n"
           "the rows you expected.\n";
}
