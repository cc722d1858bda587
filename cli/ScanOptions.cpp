#include "cli/ScanOptions.h"

#include <algorithm>
#include <sstream>

#include "cli/HelpText.h"
#include "compare/Compare.h"
#include "support/AsciiCase.h"

namespace {

constexpr int kMostThreads = 256;

using Setter = bool (*)(const std::string& value, ScanOptions& options, std::string& error);

struct OptionRow {
    char shortName;  // 0: long name only
    const char* longName;
    const char* argument;  // its name in --help; null: the option takes no value
    const char* help;
    Setter set;
};

// The pieces of a list, empty ones dropped: a trailing ';' or ',' is a slip
// of the keyboard, not a request for everything.
std::vector<std::string> Pieces(const std::string& list, char separator)
{
    std::vector<std::string> pieces;
    std::stringstream stream(list);
    std::string piece;
    while (std::getline(stream, piece, separator)) {
        if (!piece.empty()) pieces.push_back(piece);
    }
    return pieces;
}

bool SetFilter(const std::string& value, ScanOptions& options, std::string& error)
{
    const std::vector<std::string> names = Pieces(value, ';');
    if (names.empty()) {
        error = "--filter '" + value + "' names no file (leave -f out to take every module)";
        return false;
    }
    for (const std::string& name : names) {
        const bool known = std::any_of(options.filters.begin(), options.filters.end(), [&](const std::string& had) {
            return support::EqualsIgnoringAsciiCase(had, name);
        });
        if (!known) options.filters.push_back(name);
    }
    return true;
}

bool SetDirs(const std::string& value, ScanOptions& options, std::string& error)
{
    const std::vector<std::string> directories = Pieces(value, ';');
    if (directories.empty()) {
        error = "--dirs '" + value + "' names no directory";
        return false;
    }
    options.directories.insert(options.directories.end(), directories.begin(), directories.end());
    options.directoriesGiven = true;
    return true;
}

bool SetBits(const std::string& list, ScanOptions& options, std::string& error)
{
    options.include16 = options.include32 = options.include64 = options.includeUnknown = false;
    bool any = false;
    for (const std::string& piece : Pieces(list, ',')) {
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

bool SetFormat(const std::string& name, ScanOptions& options, std::string& error)
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

bool SetExtensions(const std::string& list, ScanOptions& options, std::string& error)
{
    options.extensions.clear();
    for (std::string piece : Pieces(list, ',')) {
        if (piece.size() > 1 && piece[0] == '.') piece.erase(0, 1);
        if (piece.find_first_of("./\\") != std::string::npos) {
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

bool SetFields(const std::string& list, ScanOptions& options, std::string& error)
{
    const auto fields = ParseFieldList(list, error);
    if (!fields) return false;
    options.fields = *fields;
    return true;
}

bool SetTrustRoots(const std::string& value, ScanOptions& options, std::string& error)
{
    if (value.empty()) {
        error = "--trust-roots needs a PEM file or a folder of PEM files";
        return false;
    }
    options.trustRoots = value;
    return true;
}

bool SetThreads(const std::string& value, ScanOptions& options, std::string& error)
{
    const bool digits =
        !value.empty() && value.size() <= 3 && value.find_first_not_of("0123456789") == std::string::npos;
    const int threads = digits ? std::stoi(value) : 0;
    if (threads < 1 || threads > kMostThreads) {
        error = "invalid number of threads '" + value + "' (use 1 to " + std::to_string(kMostThreads) + ")";
        return false;
    }
    options.threads = threads;
    return true;
}

bool SetKey(const std::string& value, ScanOptions& options, std::string& error)
{
    auto fields = compare::ParseCompareFieldList(value, "--key", error);
    if (!fields) return false;
    options.keyFields = std::move(*fields);
    return true;
}

bool SetCompareFields(const std::string& value, ScanOptions& options, std::string& error)
{
    auto fields = compare::ParseCompareFieldList(value, "--compare-fields", error);
    if (!fields) return false;
    options.compareFields = std::move(*fields);
    return true;
}

bool SetLoads(const std::string& value, ScanOptions& options, std::string& error)
{
    if (value.empty()) {
        error = "--loads needs a program (an .exe or a .dll)";
        return false;
    }
    options.loads.push_back(value);
    return true;
}

template <std::string ScanOptions::*text, bool ScanOptions::*given>
bool SetText(const std::string& value, ScanOptions& options, std::string&)
{
    options.*text = value;
    options.*given = true;
    return true;
}

bool SetWindows(const std::string& value, ScanOptions& options, std::string& error)
{
    if (value.empty()) {
        error = "--windows needs the target's Windows directory";
        return false;
    }
    options.windowsDirectory = value;
    return true;
}

template <bool ScanOptions::*flag, bool value>
bool SetFlag(const std::string&, ScanOptions& options, std::string&)
{
    options.*flag = value;
    return true;
}

const OptionRow kOptions[] = {
    {'f', "filter", "NAMES",
     "file names to look for, separated by ';' (ASCII case ignored; no wildcards); left out, every module is "
     "taken; repeated, the names add up",
     SetFilter},
    {'d', "dirs", "DIRS",
     "directories to search, separated by ';' (default: the system directory); repeated, they add up, and so do "
     "the DIRECTORY arguments",
     SetDirs},
    {'a', "all-drives", nullptr, "search the drive roots c: to z: instead of --dirs",
     SetFlag<&ScanOptions::allDrives, true>},
    {'n', "no-subdirs", nullptr, "do not descend into subdirectories", SetFlag<&ScanOptions::subdirectories, false>},
    {'b', "bits", "LIST", "bitness classes to list, from 16,32,64,unknown (default: 32,64)", SetBits},
    {0, "extensions", "LIST", "the extensions a module may have, separated by commas, instead of dll,exe,ocx,arx,bpl",
     SetExtensions},
    {'s', "sysinfo", nullptr, "begin with rows of system information", SetFlag<&ScanOptions::systemInformation, true>},
    {'r', "ignore-redirection", nullptr, "switch 64-bit Windows' file-system redirection off",
     SetFlag<&ScanOptions::ignoreRedirection, true>},
    {0, "fields", "LIST",
     "the facts to show, by the names below, separated by commas, in that order, each once; 'all' for every one "
     "(default: the window's six columns)",
     SetFields},
    {0, "format", "FORMAT", "tsv (default), csv or jsonl", SetFormat},
    {0, "header", nullptr, "begin tsv with a line of headings (csv always has one)",
     SetFlag<&ScanOptions::tsvHeading, true>},
    {0, "trust-roots", "PATH",
#ifdef _WIN32
     "a PEM file, or a folder of PEM files, of root certificates that a signer's chain is checked against for the "
     "field trust (read on Linux only; Windows uses its own trust store)",
#else
     "a PEM file, or a folder of PEM files, of root certificates that a signer's chain is checked against for the "
     "field trust",
#endif
     SetTrustRoots},
    {'j', "threads", "N",
     "read the modules on N threads (default: one per core when the modules are read whole, for sha256 or "
     "the signature fields, else 1); the rows come in the walk's order whatever N, and -j 1 reads them on the "
     "walk's own thread",
     SetThreads},
    {0, "loads", "PROGRAM",
     "instead of a walk, list every module the Windows loader would map for PROGRAM (an .exe or a .dll), PROGRAM "
     "first, then its imports, breadth first, each once, with the copies it passes over; repeated, one list per "
     "program",
     SetLoads},
    {0, "windows", "DIR",
#ifdef _WIN32
     "with --loads: the target's Windows directory (default: the running system's)",
#else
     "with --loads: the target's Windows directory, /mnt/win/Windows or ~/.wine/drive_c/windows (default: the "
     "Wine prefix's)",
#endif
     SetWindows},
    {0, "path", "DIRS",
     "with --loads: the PATH the program would see, separated by ';' (default: the process's on Windows, else the "
     "target's own from its registry)",
     SetText<&ScanOptions::path, &ScanOptions::pathGiven>},
    {0, "current-dir", "DIR", "with --loads: the program's current directory (default: its own directory)",
     SetText<&ScanOptions::currentDirectory, &ScanOptions::currentDirectoryGiven>},
    {0, "tree", nullptr,
     "with --loads: an indented tree for people, each line the import name, the rule that found it, the path, "
     "the file version and machine; missing modules and passed-over copies stand out. With --compare of two load "
     "lists: the tree of NEW, each line that differs marked with the old copy beside it",
     SetFlag<&ScanOptions::tree, true>},
    {0, "compare", nullptr,
     "compare two inventories written with --format jsonl, OLD and NEW, given as the two plain arguments ('-' "
     "for standard input), and write what was added, removed or changed; no scan is made",
     SetFlag<&ScanOptions::compare, true>},
    {0, "key", "FIELDS",
     "with --compare: the fields that match rows (default: a copy's path under foundUnder, else fileName; a load "
     "list's program and importName); ASCII case and separators are ignored",
     SetKey},
    {0, "compare-fields", "LIST",
     "with --compare: the fields whose changes count (default: every field both files have but host, date, "
     "modified, foundUnder and the key's own)",
     SetCompareFields},
    {'q', "quiet", nullptr, "no progress line and no count on standard error", SetFlag<&ScanOptions::quiet, true>},
    {'h', "help", nullptr, "display this help and exit", SetFlag<&ScanOptions::help, true>},
    {0, "version", nullptr, "output version information and exit", SetFlag<&ScanOptions::version, true>},
};

const OptionRow* FindLong(const std::string& name)
{
    for (const OptionRow& option : kOptions) {
        if (name == option.longName) return &option;
    }
    return nullptr;
}

const OptionRow* FindShort(char name)
{
    for (const OptionRow& option : kOptions) {
        if (option.shortName && option.shortName == name) return &option;
    }
    return nullptr;
}

std::string Shown(const OptionRow& option, bool asShort)
{
    return asShort ? std::string("-") + option.shortName : std::string("--") + option.longName;
}

class Parser {
public:
    Parser(int argc, char** argv) : m_argc(argc), m_argv(argv) {}

    ParseResult Run()
    {
        bool optionsEnded = false;
        for (m_next = 1; m_next < m_argc && m_result.error.empty();) {
            const std::string argument = m_argv[m_next++];
            if (argument == "--" && !optionsEnded) {
                optionsEnded = true;
            } else if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
                Directory(argument);
            } else if (argument.rfind("--", 0) == 0) {
                Long(argument);
            } else {
                Shorts(argument);
            }
        }
        return m_result;
    }

private:
    // A plain argument is one directory, whatever it holds.
    void Directory(const std::string& argument)
    {
        if (argument.empty()) {
            m_result.error = "an empty DIRECTORY argument names no directory";
            return;
        }
        m_result.options.directories.push_back(argument);
        m_result.options.directoriesGiven = true;
    }

    void Long(const std::string& argument)
    {
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const OptionRow* option = FindLong(name);
        if (!option) {
            m_result.error = "unknown option '--" + name + "'";
            return;
        }
        if (equals != std::string::npos) {
            if (!option->argument) {
                m_result.error = "option '--" + name + "' takes no value";
                return;
            }
            Set(*option, argument.substr(equals + 1));
            return;
        }
        TakeValue(*option, false);
    }

    // Bundled as GNU's getopt has them: flags first, and an option that
    // takes a value takes the rest of the word, or else the next word
    // (-qf tab.dll, -qnd DIR, -fkernel32.dll).
    void Shorts(const std::string& argument)
    {
        for (std::size_t k = 1; k < argument.size(); ++k) {
            const OptionRow* option = FindShort(argument[k]);
            if (!option) {
                m_result.error = argument.size() == 2
                                     ? "unknown option '" + argument + "'"
                                     : std::string("unknown option '-") + argument[k] + "' in '" + argument + "'";
                return;
            }
            if (!option->argument) {
                if (!Set(*option, "")) return;
                continue;
            }
            if (k + 1 < argument.size()) {
                Set(*option, argument.substr(k + 1));
            } else {
                TakeValue(*option, true);
            }
            return;
        }
    }

    void TakeValue(const OptionRow& option, bool asShort)
    {
        if (!option.argument) {
            Set(option, "");
            return;
        }
        if (m_next >= m_argc) {
            m_result.error = "option '" + Shown(option, asShort) + "' needs a value";
            return;
        }
        Set(option, m_argv[m_next++]);
    }

    bool Set(const OptionRow& option, const std::string& value)
    {
        return option.set(value, m_result.options, m_result.error);
    }

    int m_argc;
    char** m_argv;
    int m_next = 1;
    ParseResult m_result;
};

}  // namespace

ParseResult ParseScanOptions(int argc, char** argv)
{
    ParseResult result = Parser(argc, argv).Run();
    ScanOptions& options = result.options;
    if (result.error.empty() && options.compare && options.directories.size() != 2)
        result.error = "--compare needs two files, OLD and NEW ('-' for standard input)";
    if (result.error.empty() && !options.compare && (!options.keyFields.empty() || !options.compareFields.empty()))
        result.error = "--key and --compare-fields go with --compare";
    const bool loads = !options.loads.empty();
    if (result.error.empty() && loads && (options.directoriesGiven || options.allDrives))
        result.error = "--loads lists what a program loads: it takes no DIRECTORY, --dirs or --all-drives";
    if (result.error.empty() && loads && options.compare) result.error = "--loads and --compare go apart";
    if (result.error.empty() && !loads &&
        (!options.windowsDirectory.empty() || options.pathGiven || options.currentDirectoryGiven))
        result.error = "--windows, --path and --current-dir go with --loads";
    if (result.error.empty() && options.tree && !loads && !options.compare)
        result.error = "--tree goes with --loads, or with --compare of two load lists";
    const std::vector<Field>& fields = result.options.fields;
    const bool showsInfo = std::find(fields.begin(), fields.end(), Field::InfoLabel) != fields.end() ||
                           std::find(fields.begin(), fields.end(), Field::InfoValue) != fields.end();
    // Rows of system information carry none of the modules' fields.
    if (result.error.empty() && result.options.systemInformation && !fields.empty() && !showsInfo)
        result.error = "--sysinfo with --fields needs the field infoLabel or infoValue (or 'all')";
    return result;
}

std::string UsageText()
{
    HelpText help;
    help.Paragraph(
        "Usage: modaris-scan [OPTION]... [DIRECTORY]...\n"
        "Find module files (.dll, .exe, .ocx, .arx, .bpl) by name and list, for every copy,\n"
        "its product version, file version, last-write date, bitness and company name, and\n"
        "on request much more (--fields). Each DIRECTORY is searched with its subdirectories;\n"
        "with none (and no --dirs), every 32-bit and 64-bit module in the system directory\n"
        "and below it is listed, as tab-separated text on standard output.\n");
    help.Heading("Options:");
    help.Paragraph("Mandatory arguments to long options are mandatory for short options too.\n");
    for (const OptionRow& option : kOptions) {
        std::string names = option.shortName ? std::string("-") + option.shortName + ", " : std::string("    ");
        names += std::string("--") + option.longName;
        if (option.argument) names += std::string("=") + option.argument;
        help.Option(names, option.help);
    }
    help.Heading("Fields:");
    help.Paragraph(
        "The names are the jsonl keys and the headings of csv (and of tsv with --header).\n"
        "A fact that cannot be read (no such string, not a module) is an empty cell, or\n"
        "null in jsonl; in jsonl every text the module lacks is null, never \"\".\n");
    std::string names;
    for (const FieldInfo& field : FieldTable()) {
        names += (names.empty() ? "" : ", ") + std::string(field.name);
        if (!field.help) continue;
        help.Field(names, field.help);
        names.clear();
    }
    help.Heading("Output:");
    help.Paragraph(
        "tsv gives each cell followed by a tab and ends lines with CR LF, as the window's\n"
        "export does; a tab, CR or LF inside a cell is written as a space, so every row is\n"
        "one line. csv has a heading row and RFC 4180 quoting, in UTF-8; a cell that begins\n"
        "with =, +, -, @, a tab or a CR is written with a leading ' so that a spreadsheet\n"
        "takes it for text. jsonl gives one JSON object per row, bytes that are not valid\n"
        "UTF-8 written as \\udcXX escapes. Rows come in the order of the walk. Written to a\n"
        "terminal, control characters in the texts show as '?'. On standard error, a\n"
        "progress line while it is a terminal, a line for each directory that cannot be\n"
        "listed (control characters escaped as \\xHH), and at the end 'DLLs: N': the number\n"
        "of files whose name matched, before the bitness classes.\n");
#ifndef _WIN32
    help.Paragraph(
        "On Linux, the system directory is drive_c/windows/system32 of the Wine prefix\n"
        "($WINEPREFIX, default ~/.wine) when it exists, else /usr/lib; the drive roots c: to\n"
        "z: are the prefix's dosdevices links (with no prefix, c: is / and the other letters\n"
        "are empty). Paths keep the case of the directory listing.\n");
#endif
    help.Heading("Exit status:");
    help.Paragraph(
        "  0         the scan ran to its end (also when it found nothing), or the reader of\n"
        "            the rows left early (| head)\n"
        "  1         a directory could not be listed (the scan went on), or writing the\n"
        "            rows failed (the scan stopped)\n"
        "  1         with --loads: a module is missing, found only in copies of another\n"
        "            machine type, or cannot be read (the rows are all printed first)\n"
        "  2         bad usage: an unknown option, a missing or bad value\n"
        "  130       the scan was stopped with Ctrl+C; the rows found so far are printed\n"
        "            (a second Ctrl+C ends the program at once)\n"
        "With --compare, as diff's: 0 nothing differs, 1 something does, 2 trouble (a\n"
        "file that is not modaris jsonl, a key two rows share, a last line cut short).\n");
    help.Heading("Examples:");
    help.Paragraph(
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
        "  modaris-scan --loads=app.exe --tree\n"
        "              which copy of each module app.exe loads, and which copies it passes over\n"
        "  modaris-scan -q --fields=all --format jsonl DIR | modaris-scan --compare baseline.jsonl -\n"
        "              what differs from a baseline\n");
    help.Paragraph(
        "Report bugs to the Modaris developers, with the command line, the rows you got and\n"
        "the rows you expected.\n");
    return help.Text();
}
