#include "packaging/man/HelpToMan.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace {

// Items start 1 to 6 columns in ("      --version" too); deeper lines go on
// with the item's text.
constexpr std::size_t kDeepestItem = 6;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::size_t Indent(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? line.size() : first;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Text inside a line: backslashes and hyphens are roff's own characters.
std::string Escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\\') out += "\\e";
        else if (c == '-') out += "\\-";
        else out += c;
    }
    return out;
}

// A whole output line: one opening with '.' or '\'' would be a request.
std::string TextLine(const std::string& text)
{
    const std::string escaped = Escaped(text);
    if (!escaped.empty() && (escaped[0] == '.' || escaped[0] == '\'')) return "\\&" + escaped;
    return escaped;
}

std::string Bold(const std::string& text) { return "\\fB" + Escaped(text) + "\\fR"; }
std::string Italic(const std::string& text) { return "\\fI" + Escaped(text) + "\\fR"; }

// "-f, --filter=NAMES": option names bold, their argument italic; any other
// tag (an exit status, an example command) bold as a whole.
std::string ItemTag(const std::string& tag)
{
    if (tag.empty() || tag[0] != '-') return "\\&" + Bold(tag);
    std::string out;
    std::size_t start = 0;
    while (start <= tag.size()) {
        std::size_t end = tag.find(", ", start);
        const std::string part = tag.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::size_t equals = part.find('=');
        out += equals == std::string::npos ? Bold(part)
                                           : Bold(part.substr(0, equals)) + "=" + Italic(part.substr(equals + 1));
        if (end == std::string::npos) break;
        out += ", ";
        start = end + 2;
    }
    return out;
}

// Upper-case words of the usage (OPTION, FILE) are the parts to fill in.
std::string SynopsisArguments(const std::string& arguments)
{
    std::string out;
    std::string word;
    const auto flush = [&] {
        bool placeholder = !word.empty();
        for (const char c : word) placeholder = placeholder && (std::isupper(static_cast<unsigned char>(c)) || c == '_');
        out += placeholder ? Italic(word) : Escaped(word);
        word.clear();
    };
    for (const char c : arguments) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-') {
            word += c;
        } else {
            flush();
            out += Escaped(std::string(1, c));
        }
    }
    flush();
    return out;
}

std::string SectionHeading(std::string name)
{
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name.find(' ') == std::string::npos ? ".SH " + name : ".SH \"" + name + "\"";
}

bool IsHeading(const std::string& line)
{
    return !line.empty() && line[0] != ' ' && line.back() == ':' && line.find(": ") == std::string::npos &&
           line.size() <= 40;
}

}  // namespace

std::string HelpToMan(const std::string& help, const std::string& version, const ManPageHeading& heading)
{
    const std::vector<std::string> helpLines = Lines(help);
    const std::vector<std::string> versionLines = Lines(version);

    std::string program = "program";
    std::string arguments;
    if (!helpLines.empty() && helpLines[0].rfind("Usage: ", 0) == 0) {
        const std::string usage = helpLines[0].substr(7);
        const std::size_t space = usage.find(' ');
        program = usage.substr(0, space);
        if (space != std::string::npos) arguments = usage.substr(space + 1);
    }
    // "modaris-scan (Modaris) 1.0.0.1" gives the source "Modaris 1.0.0.1".
    std::string source;
    if (!versionLines.empty()) {
        const std::string& first = versionLines[0];
        const std::size_t open = first.find('(');
        const std::size_t close = first.find(')', open == std::string::npos ? 0 : open);
        if (open != std::string::npos && close != std::string::npos) {
            source = first.substr(open + 1, close - open - 1) + " " + Trimmed(first.substr(close + 1));
        } else {
            source = first;
        }
    }
    std::string upperProgram = program;
    for (char& c : upperProgram) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    std::ostringstream page;
    page << ".\\\" Made from " << program << " --help and --version by the build; do not edit.\n";
    page << ".TH " << upperProgram << " 1 \"" << heading.date << "\" \"" << source << "\" \"User Commands\"\n";
    page << ".SH NAME\n" << Escaped(program) << " \\- " << Escaped(heading.summary) << "\n";
    page << ".SH SYNOPSIS\n.B " << Escaped(program) << "\n" << SynopsisArguments(arguments) << "\n";
    page << ".SH DESCRIPTION\n";

    bool afterBlank = false;
    bool inItem = false;      // the lines go into a tagged paragraph
    bool textStarted = false; // the section has had running text or items
    for (std::size_t i = 1; i < helpLines.size(); ++i) {
        const std::string& line = helpLines[i];
        if (Trimmed(line).empty()) {
            afterBlank = true;
            continue;
        }
        const std::size_t indent = Indent(line);
        if (afterBlank && IsHeading(line)) {
            page << SectionHeading(line.substr(0, line.size() - 1)) << "\n";
            afterBlank = inItem = textStarted = false;
            continue;
        }
        if (afterBlank && indent == 0 && line.rfind("Report bugs", 0) == 0) {
            page << SectionHeading("Reporting bugs") << "\n";
            inItem = textStarted = false;
        } else if (afterBlank && textStarted && (inItem || indent == 0)) {
            page << ".PP\n";
            inItem = false;
        }
        afterBlank = false;
        if (indent >= 1 && indent <= kDeepestItem) {
            // An item: its tag, then its text from the gap of two spaces on.
            const std::string rest = line.substr(indent);
            const std::size_t gap = rest.find("  ");
            page << ".TP\n" << ItemTag(rest.substr(0, gap)) << "\n";
            if (gap != std::string::npos) page << TextLine(Trimmed(rest.substr(gap))) << "\n";
            inItem = true;
        } else if (indent > kDeepestItem && inItem) {
            page << TextLine(Trimmed(line)) << "\n";
        } else {
            if (inItem) page << ".PP\n";
            inItem = false;
            page << TextLine(Trimmed(line)) << "\n";
        }
        textStarted = true;
    }

    if (versionLines.size() > 1) {
        page << ".SH COPYRIGHT\n";
        bool first = true;
        for (std::size_t i = 1; i < versionLines.size(); ++i) {
            if (Trimmed(versionLines[i]).empty()) continue;
            if (!first) page << ".br\n";
            page << TextLine(Trimmed(versionLines[i])) << "\n";
            first = false;
        }
    }
    return page.str();
}
