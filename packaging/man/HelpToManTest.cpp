#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

#include "cli/ScanOptions.h"
#include "packaging/man/HelpToMan.h"

namespace {

const ManPageHeading kHeading{"find things", "2026-12-08"};
const char* const kVersion = "tool (Pack) 1.2.3.4\nCopyright (c) 2026 someone.\nNo warranty.\n";

std::string Page(const std::string& body) { return HelpToMan("Usage: tool [OPTION]... FILE\n" + body, kVersion, kHeading); }

TEST(HelpToManTest, LayoutOfTheHelpBecomesTheLayoutOfThePage)
{
    const struct {
        const char* help;
        const char* expected;  // a piece of the page
    } cases[] = {
        {"", ".TH TOOL 1 \"2026-12-08\" \"Pack 1.2.3.4\" \"User Commands\"\n.SH NAME\ntool \\- find things\n"},
        {"", ".SH SYNOPSIS\n.B tool\n[\\fIOPTION\\fR]... \\fIFILE\\fR\n.SH DESCRIPTION\n"},
        {"Does things.\n", ".SH DESCRIPTION\nDoes things.\n"},
        {"\nOptions:\n  -f, --filter=NAMES  names\n                        to look for\n",
         ".SH OPTIONS\n.TP\n\\fB\\-f\\fR, \\fB\\-\\-filter\\fR=\\fINAMES\\fR\nnames\nto look for\n"},
        {"\nOptions:\n      --version       show it\n", ".TP\n\\fB\\-\\-version\\fR\nshow it\n"},
        {"\nExit status:\n  0    fine\n", ".SH \"EXIT STATUS\"\n.TP\n\\&\\fB0\\fR\nfine\n"},
        {"\nExamples:\n  tool -q a\\b\n        quietly\n", ".SH EXAMPLES\n.TP\n\\&\\fBtool \\-q a\\eb\\fR\nquietly\n"},
        {"Text\n.dot and\n'quote\n", "Text\n\\&.dot and\n\\&'quote\n"},
        {"Columns: a, b:\nmore\n", "Columns: a, b:\nmore\n"},
        {"One.\n\nTwo.\n", "One.\n.PP\nTwo.\n"},
        {"\nOptions:\n  -q  quiet\nAfter the list.\n", "quiet\n.PP\nAfter the list.\n"},
        {"Said.\n\nReport bugs to us.\n", "Said.\n.SH \"REPORTING BUGS\"\nReport bugs to us.\n"},
        {"", ".SH COPYRIGHT\nCopyright (c) 2026 someone.\n.br\nNo warranty.\n"},
    };
    for (const auto& c : cases) {
        const std::string page = Page(c.help);
        EXPECT_NE(page.find(c.expected), std::string::npos) << "help:\n" << c.help << "\npage:\n" << page;
    }
    // A line ending in ':' inside a paragraph is text, not a heading.
    EXPECT_EQ(Page("Said:\nmore\n").find(".SH SAID"), std::string::npos);
}

TEST(HelpToManTest, EveryOptionOfTheScannerIsAnItemOfItsPage)
{
    const std::string help = UsageText();
    const std::string page = HelpToMan(help, kVersion, kHeading);
    for (const char* section : {".SH OPTIONS\n", ".SH OUTPUT\n", ".SH \"EXIT STATUS\"\n", ".SH EXAMPLES\n",
                                ".SH \"REPORTING BUGS\"\n"}) {
        EXPECT_NE(page.find(section), std::string::npos) << section;
    }
    // Each option line of the help ("  -x, --long" or "      --long") is one
    // tagged paragraph, with its long name in bold.
    std::istringstream lines(help);
    std::string line;
    int options = 0;
    const std::regex optionLine("^ {2,6}(-[a-z], )?--([a-z-]+).*");
    std::smatch match;
    while (std::getline(lines, line)) {
        if (!std::regex_match(line, match, optionLine)) continue;
        ++options;
        std::string longName;
        for (const char c : match[2].str()) longName += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(page.find("\\fB\\-\\-" + longName + "\\fR"), std::string::npos) << line;
    }
    EXPECT_EQ(options, 11);
    // Nothing but the requests the page uses opens a line.
    std::istringstream pageLines(page);
    const std::regex request("^[.'](\\\\\"|TH|SH|TP|PP|B|br)( .*)?$");
    while (std::getline(pageLines, line)) {
        if (!line.empty() && (line[0] == '.' || line[0] == '\'')) {
            EXPECT_TRUE(std::regex_match(line, request)) << line;
        }
    }
}

}  // namespace
