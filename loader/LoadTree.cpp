#include "loader/LoadTree.h"

#include "engine/ModuleHeader.h"
#include "engine/ModuleHeaderTexts.h"
#include "support/TerminalText.h"

namespace loader {

namespace {

constexpr std::size_t kIndent = 4;

std::string Machine(std::uint16_t machine)
{
    if (machine == 0) return std::string();
    ModuleHeader header;
    header.kind = ModuleKind::Pe;
    header.machine = machine;
    return MachineText(header);
}

// One line: `head` and `tail` kept, `path` between them shortened to fit.
std::string FitLine(const std::string& head, const std::string& path, const std::string& tail, std::size_t width)
{
    const std::size_t fixed = head.size() + tail.size();
    std::string line;
    if (fixed + path.size() <= width) {
        line = head + path + tail;
    } else if (fixed + 8 <= width) {
        line = head + support::ShortenMiddle(path, width - fixed) + tail;
    } else {
        line = support::ShortenMiddle(head + path + tail, width);
    }
    return line + "\n";
}

class TreeWriter {
public:
    TreeWriter(const std::vector<LoadRow>& rows, const std::vector<std::string>& versions,
               const std::vector<std::string>& notes, std::size_t width)
        : m_rows(rows), m_versions(versions), m_notes(notes), m_width(width), m_children(rows.size())
    {
        for (std::size_t index = 1; index < rows.size(); ++index) {
            const int parent = rows[index].importer;
            if (parent >= 0 && static_cast<std::size_t>(parent) < index) m_children[parent].push_back(index);
        }
    }

    std::string Write()
    {
        if (m_rows.empty()) return std::string();
        // Rows are in load order and each importer comes before what it
        // imports, so a walk from the first row meets every row once.
        std::vector<std::pair<std::size_t, std::size_t>> stack{{0, 0}};
        while (!stack.empty()) {
            const auto [index, level] = stack.back();
            stack.pop_back();
            WriteRow(index, level);
            const std::vector<std::size_t>& children = m_children[index];
            for (auto child = children.rbegin(); child != children.rend(); ++child)
                stack.push_back({*child, level + 1});
        }
        return m_text;
    }

private:
    void WriteRow(std::size_t index, std::size_t level)
    {
        const LoadRow& row = m_rows[index];
        const std::string indent(level * kIndent, ' ');
        const std::string note = index < m_notes.size() && !m_notes[index].empty() ? "  " + m_notes[index] : "";
        std::string head = indent + row.importName;
        if (row.loadKind == LoadKind::Delay) head += " (delay)";
        if (row.loadKind == LoadKind::Forwarder) head += " (forwarder)";
        if (row.fileName.empty()) {
            std::string what = row.foundBy == FoundBy::ApiSet && row.problem == Problem::None ? " => apiset, no host"
                                                                                              : " => NOT FOUND";
            if (row.problem != Problem::None && row.problem != Problem::Missing) {
                what += std::string(" (") + ProblemText(row.problem) + ")";
            }
            m_text += FitLine(head + what, std::string(), note, m_width);
        } else {
            head += std::string(" => ") + FoundByText(row.foundBy);
            if (row.foundBy == FoundBy::ApiSet) head += " " + row.apiSetHost;
            head += " ";
            std::string tail;
            const std::string version = index < m_versions.size() ? m_versions[index] : std::string();
            if (!version.empty()) tail += " " + version;
            if (row.machine != 0) tail += " " + Machine(row.machine);
            if (row.builtin) tail += " [builtin]";
            if (row.problem != Problem::None) tail += std::string(" !! ") + ProblemText(row.problem);
            m_text += FitLine(head, row.fileName, tail + note, m_width);
        }
        for (const ShadowedCopy& copy : row.shadowed) {
            const std::string mark = indent + std::string(kIndent, ' ') + "~ passed over (" + PassedOverText(copy.why) +
                                     ", " + FoundByText(copy.where) + "): ";
            m_text += FitLine(mark, copy.path, std::string(), m_width);
        }
        for (const std::string& assembly : row.unresolvedAssemblies) {
            m_text += FitLine(indent + std::string(kIndent, ' ') + "!! assembly not in WinSxS: ", assembly,
                              std::string(), m_width);
        }
    }

    const std::vector<LoadRow>& m_rows;
    const std::vector<std::string>& m_versions;
    const std::vector<std::string>& m_notes;
    std::size_t m_width;
    std::vector<std::vector<std::size_t>> m_children;
    std::string m_text;
};

}  // namespace

std::string RenderLoadTree(const std::vector<LoadRow>& rows, const std::vector<std::string>& fileVersions,
                           std::size_t width)
{
    return RenderLoadTree(rows, fileVersions, {}, width);
}

std::string RenderLoadTree(const std::vector<LoadRow>& rows, const std::vector<std::string>& fileVersions,
                           const std::vector<std::string>& notes, std::size_t width)
{
    return TreeWriter(rows, fileVersions, notes, width).Write();
}

}  // namespace loader
