#include "compare/ReadProgress.h"

#include "compare/CompareSummary.h"

namespace compare {

namespace {

// Short of the narrowest usual terminal, so the line never wraps.
constexpr std::size_t kMaxWidth = 79;

}  // namespace

ReadProgress::ReadProgress(std::FILE* stream, bool wanted) : m_line(stream, wanted && platform::IsTerminal(stream)) {}

void ReadProgress::Begin(const std::string& label, std::uint64_t totalBytes)
{
    m_label = label;
    m_totalBytes = totalBytes;
    m_calls = 0;
    m_start = m_lastDraw = std::chrono::steady_clock::now();
}

void ReadProgress::Update(std::uint64_t bytesRead, std::uint64_t rows)
{
    if (!m_line.Enabled() || (++m_calls & 1023) != 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_start < std::chrono::milliseconds(300) || now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    std::string counts = " (" + GroupedCount(rows) + " rows)";
    if (m_totalBytes > 0) {
        const std::uint64_t percent = bytesRead >= m_totalBytes ? 100 : bytesRead * 100 / m_totalBytes;
        counts = ": " + std::to_string(percent) + "%" + counts;
    } else {
        counts = ":" + counts;
    }
    std::string label = m_label;
    const std::size_t room = kMaxWidth - std::string("reading ...").size() - counts.size();
    if (label.size() > room) {
        std::size_t cut = label.size() - room;
        while (cut < label.size() && (static_cast<unsigned char>(label[cut]) & 0xC0) == 0x80) ++cut;
        label = "..." + label.substr(cut);
    }
    m_line.Draw("reading " + label + counts);
}

}  // namespace compare
