// A temporary directory tree for tests, removed with everything in it when
// the object goes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The root as the engine's directory text.
    std::string Root() const { return m_root.string(); }
    // `relative` uses '/'; the result uses the platform's separator.
    std::string PathOf(const std::string& relative) const;

    void AddDirectory(const std::string& relative) const;
    void AddFile(const std::string& relative, const std::vector<unsigned char>& bytes = {}) const;
    void AddFile(const std::string& relative, const std::string& text) const;

private:
    std::filesystem::path m_root;
};
