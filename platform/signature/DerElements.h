// A walk over DER by hand, element by element: where the Windows build must
// read a signature's structure as Windows does and its message decoder
// (Wine's in particular) gives no such view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::signature::der {

// One element's header at `at`: its tag and where its value lies; `at`
// moves past it. DER has definite lengths only, of at most 4 bytes here.
inline bool Element(const std::uint8_t*& at, const std::uint8_t* end, std::uint8_t& tag, const std::uint8_t*& value,
                    std::size_t& size)
{
    if (end - at < 2) return false;
    tag = at[0];
    std::size_t length = at[1];
    const std::uint8_t* next = at + 2;
    if (length & 0x80) {
        const std::size_t count = length & 0x7F;
        if (count == 0 || count > 4 || static_cast<std::size_t>(end - next) < count) return false;
        length = 0;
        for (std::size_t i = 0; i < count; ++i) length = (length << 8) | *next++;
    }
    if (static_cast<std::size_t>(end - next) < length) return false;
    value = next;
    size = length;
    at = next + length;
    return true;
}

// Steps into the element at `at` when its tag is `tag`: [at, end) becomes its value.
inline bool Enter(const std::uint8_t*& at, const std::uint8_t*& end, std::uint8_t tag)
{
    std::uint8_t found = 0;
    const std::uint8_t* value = nullptr;
    std::size_t size = 0;
    if (!Element(at, end, found, value, size) || found != tag) return false;
    at = value;
    end = value + size;
    return true;
}

inline bool Skip(const std::uint8_t*& at, const std::uint8_t* end)
{
    std::uint8_t tag = 0;
    const std::uint8_t* value = nullptr;
    std::size_t size = 0;
    return Element(at, end, tag, value, size);
}

// An OID's DER value as dotted text ("2.16.840.1.101.3.4.2.1"); empty when
// it is none.
inline std::string OidText(const std::uint8_t* value, std::size_t size)
{
    if (size == 0 || (value[size - 1] & 0x80)) return {};
    std::string text = std::to_string(value[0] / 40) + "." + std::to_string(value[0] % 40);
    unsigned long arc = 0;
    for (std::size_t i = 1; i < size; ++i) {
        if (arc > 0xFFFFFF) return {};
        arc = (arc << 7) | (value[i] & 0x7F);
        if (!(value[i] & 0x80)) {
            text += "." + std::to_string(arc);
            arc = 0;
        }
    }
    return text;
}

// The OID element at `at`, as dotted text; empty when the element is no OID.
inline std::string ReadOid(const std::uint8_t*& at, const std::uint8_t* end)
{
    std::uint8_t tag = 0;
    const std::uint8_t* value = nullptr;
    std::size_t size = 0;
    if (!Element(at, end, tag, value, size) || tag != 0x06) return {};
    return OidText(value, size);
}

}  // namespace platform::signature::der
