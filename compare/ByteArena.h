// Bytes kept until the end of a comparison, in large blocks that never move,
// so that views into them stay valid and a million small texts cost no
// million allocations.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace compare {

class ByteArena {
public:
    // Room for `size` bytes; valid until the arena goes.
    char* Allocate(std::size_t size)
    {
        if (m_left < size) {
            const std::size_t blockSize = size > kBlockSize ? size : kBlockSize;
            m_blocks.emplace_back(new char[blockSize]);
            m_next = m_blocks.back().get();
            m_left = blockSize;
            m_reserved += blockSize;
        }
        char* const at = m_next;
        m_next += size;
        m_left -= size;
        return at;
    }
    std::string_view Copy(std::string_view text)
    {
        char* const at = Allocate(text.size());
        if (!text.empty()) std::memcpy(at, text.data(), text.size());
        return std::string_view(at, text.size());
    }
    std::size_t Reserved() const { return m_reserved; }

private:
    static constexpr std::size_t kBlockSize = 4u << 20;

    std::vector<std::unique_ptr<char[]>> m_blocks;
    char* m_next = nullptr;
    std::size_t m_left = 0;
    std::size_t m_reserved = 0;
};

}  // namespace compare
