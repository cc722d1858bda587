// The layout of --help, in GNU's style, since the man page is made from it
// (packaging/man, help2man): headings alone at the left margin ending in
// ':', items at most six columns in, their text more than six columns in,
// no line longer than 79 columns.
#pragma once

#include <string>

class HelpText {
public:
    // Text as given, its lines already broken; a blank line before it
    // unless it follows a heading.
    void Paragraph(const std::string& text);
    void Heading(const std::string& heading);
    // "  -f, --filter=NAMES        text..." and its wrapped lines.
    void Option(const std::string& names, const std::string& text);
    // "  name  text...", or the names on a line of their own when long.
    void Field(const std::string& names, const std::string& text);

    const std::string& Text() const { return m_text; }

private:
    void Item(const std::string& names, const std::string& text, std::size_t column, std::size_t continuation);

    std::string m_text;
    bool m_afterHeading = true;
};
