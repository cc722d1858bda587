// Turns the --help and --version texts of a program written in the GNU style
// into a man page, so that the page can never say other than the program.
#pragma once

#include <string>

struct ManPageHeading {
    std::string summary;  // the NAME line after the dash: "find ... by name"
    std::string date;     // as it stands in the page's header, e.g. 2026-12-08
};

// The help text's layout, which the page follows:
//   line 1            "Usage: PROGRAM ARGUMENTS"
//   "Heading:"        alone at the left margin, after a blank line: a section
//   "  TAG  text"     an item (an option, an exit status, an example) starting
//                     1 to 6 columns in, its text after a gap of two spaces;
//                     the text goes on in lines 7 or more columns in
//   other lines       running text of the section (the first: DESCRIPTION)
// A paragraph opening with "Report bugs" is the section REPORTING BUGS. The
// version text's first line is "PROGRAM (PACKAGE) VERSION"; its other lines
// make the section COPYRIGHT.
std::string HelpToMan(const std::string& help, const std::string& version, const ManPageHeading& heading);
