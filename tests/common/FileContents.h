// A whole file read into memory; empty when it cannot be read.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    const std::string text = ReadFileText(path);
    return {text.begin(), text.end()};
}
