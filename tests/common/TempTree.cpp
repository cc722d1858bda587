#include "TempTree.h"

#include <atomic>
#include <chrono>
#include <fstream>

namespace fs = std::filesystem;

TempTree::TempTree()
{
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    m_root = fs::temp_directory_path() / ("modaris-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(m_root);
    // The engine joins with the platform's separator; give it a canonical root.
    m_root = m_root.make_preferred();
}

TempTree::~TempTree()
{
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
}

std::string TempTree::PathOf(const std::string& relative) const
{
    return (m_root / fs::path(relative).make_preferred()).string();
}

void TempTree::AddDirectory(const std::string& relative) const
{
    fs::create_directories(PathOf(relative));
}

void TempTree::AddFile(const std::string& relative, const std::vector<unsigned char>& bytes) const
{
    const fs::path path = PathOf(relative);
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void TempTree::AddFile(const std::string& relative, const std::string& text) const
{
    AddFile(relative, std::vector<unsigned char>(text.begin(), text.end()));
}
