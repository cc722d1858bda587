#include "cli/HelpText.h"

#include <sstream>
#include <vector>

namespace {

constexpr std::size_t kWidth = 79;
constexpr std::size_t kOptionColumn = 28;
constexpr std::size_t kOptionContinuation = 30;
constexpr std::size_t kFieldColumn = 15;

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream stream(text);
    std::string word;
    while (stream >> word) words.push_back(word);
    return words;
}

// Lines of words from `next` on, the first at most `firstWidth` columns and
// the others `width`.
std::vector<std::string> Lines(const std::vector<std::string>& words, std::size_t firstWidth, std::size_t width)
{
    std::vector<std::string> lines;
    std::string line;
    for (const std::string& word : words) {
        const std::size_t limit = lines.empty() ? firstWidth : width;
        if (!line.empty() && line.size() + 1 + word.size() > limit) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace

void HelpText::Paragraph(const std::string& text)
{
    if (!m_afterHeading) m_text += '\n';
    m_text += text;
    m_afterHeading = false;
}

void HelpText::Heading(const std::string& heading)
{
    m_text += '\n' + heading + '\n';
    m_afterHeading = true;
}

void HelpText::Option(const std::string& names, const std::string& text)
{
    Item(names, text, kOptionColumn, kOptionContinuation);
}

void HelpText::Field(const std::string& names, const std::string& text)
{
    Item(names, text, kFieldColumn, kFieldColumn);
}

void HelpText::Item(const std::string& names, const std::string& text, std::size_t column, std::size_t continuation)
{
    // Names too many for one line go on over lines of their own.
    const std::vector<std::string> nameLines = Lines(Words(names), kWidth - 2, kWidth - 2);
    for (std::size_t i = 0; i + 1 < nameLines.size(); ++i) m_text += "  " + nameLines[i] + '\n';
    const std::string left = "  " + nameLines.back();
    const bool sameLine = left.size() + 2 <= column;
    const std::vector<std::string> lines =
        Lines(Words(text), kWidth - (sameLine ? column : continuation), kWidth - continuation);
    if (sameLine) {
        m_text += left + std::string(column - left.size(), ' ') + lines.front() + '\n';
    } else {
        m_text += left + '\n' + std::string(continuation, ' ') + lines.front() + '\n';
    }
    for (std::size_t i = 1; i < lines.size(); ++i) m_text += std::string(continuation, ' ') + lines[i] + '\n';
    m_afterHeading = false;
}
