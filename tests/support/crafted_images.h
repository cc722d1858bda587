// Byte images of version resources and of the modules that carry them, made in
// memory for tests: VS_VERSIONINFO blocks (32-bit with UTF-16 keys, 16-bit
// with narrow keys), PE32 / PE32+ images with a .rsrc section and NE images.
// Every builder also reports where it put things, so that a test can break a
// structure on purpose by patching bytes.
//
// All multi-byte fields are little-endian. Texts are UTF-8 here; a 32-bit
// block stores them as UTF-16.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace crafted {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------
// Version blocks

// One node of a VS_VERSIONINFO tree: the root, StringFileInfo, a string
// table, a string, VarFileInfo, Translation.
struct VersionNode {
    std::string key;
    bool isText = false;  // wType 1 and the value is `text`; else wType 0 and `value`
    Bytes value;          // binary value
    std::string text;     // text value, stored with a terminating NUL
    std::vector<VersionNode> children;

    // Malformed blocks: written instead of the computed field.
    std::optional<std::uint16_t> forcedLength;
    std::optional<std::uint16_t> forcedValueLength;
    std::optional<std::uint16_t> forcedType;  // 32-bit blocks only
    bool unterminatedKey = false;             // the key's NUL is left out
    bool textLengthCountsNul = true;          // wValueLength of a text includes its NUL
};

VersionNode BinaryNode(std::string key, Bytes value, std::vector<VersionNode> children = {});
VersionNode TextNode(std::string key, std::string text);
// A node without value that only groups children (wType 1, as resource
// compilers write StringFileInfo and the string tables).
VersionNode GroupNode(std::string key, std::vector<VersionNode> children);

// 32-bit block: WORD wLength, wValueLength, wType, UTF-16 key, value, children.
Bytes EncodeBlock32(const VersionNode& root);
// 16-bit block: WORD wLength, wValueLength, narrow key, value, children.
Bytes EncodeBlock16(const VersionNode& root);

// The fields of VS_FIXEDFILEINFO; versions as four parts, most significant first.
struct FixedInfo {
    std::array<std::uint16_t, 4> fileVersion{1, 0, 0, 0};
    std::array<std::uint16_t, 4> productVersion{1, 0, 0, 0};
    std::uint32_t fileFlagsMask = 0x3F;
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOS = 0x00040004;  // VOS_NT_WINDOWS32
    std::uint32_t fileType = 2;         // VFT_DLL
    std::uint32_t fileSubtype = 0;
    std::uint32_t fileDateMS = 0;
    std::uint32_t fileDateLS = 0;
};

// The 52 bytes of VS_FIXEDFILEINFO, signature 0xFEEF04BD first.
Bytes FixedInfoBytes(const FixedInfo& info);

struct StringTable {
    std::string key = "040904B0";                              // language and code page, in hex
    std::vector<std::pair<std::string, std::string>> strings;  // name, value
};

struct VersionInfo {
    FixedInfo fixed;
    std::vector<StringTable> stringTables;
    // Each entry: language in the low word, code page in the high word, as
    // VarFileInfo\Translation stores them. Empty: no VarFileInfo.
    std::vector<std::uint32_t> translations;
};

// The usual tree: VS_VERSION_INFO { fixed info; StringFileInfo { tables };
// VarFileInfo { Translation } }.
VersionNode VersionTree(const VersionInfo& info);

// ---------------------------------------------------------------------------
// Modules

constexpr std::uint16_t kRtVersion = 16;
constexpr std::uint16_t kVersionId = 1;

// One resource of a PE image, always under integer type and id.
struct PeResource {
    std::uint16_t type = kRtVersion;
    std::uint16_t id = kVersionId;
    std::uint16_t language = 0x0409;
    Bytes data;
};

struct PeOptions {
    bool pe32Plus = false;  // PE32+ (64-bit) instead of PE32
    // e_lfarlc: 0x40 as linkers write it, which sends the bitness probe on
    // to the PE header; 0 or 1 to 63 make it a 16-bit program to the probe.
    std::uint16_t relocationTableOffset = 0x40;
    // Empty: no .rsrc section and an empty resource data directory.
    std::vector<PeResource> resources;
};

// The directory entries and directories that lead to one resource, as file
// offsets: root entry -> type directory -> its entry -> name directory (the
// languages) -> its entry, whose OffsetToData names the data entry.
struct PeResourcePath {
    std::size_t typeEntry = 0;
    std::size_t typeDirectory = 0;
    std::size_t nameEntry = 0;
    std::size_t nameDirectory = 0;
    std::size_t languageEntry = 0;
};

// Where BuildPe put things; file offsets unless said otherwise.
struct PeImage {
    Bytes bytes;
    std::size_t peSignatureOffset = 0;  // "PE\0\0", also e_lfanew
    std::size_t optionalHeaderOffset = 0;
    std::size_t resourceDataDirectoryOffset = 0;  // the RVA, Size pair of entry 2
    std::size_t sectionTableOffset = 0;
    std::size_t resourceSectionOffset = 0;  // the root resource directory
    std::uint32_t resourceSectionRva = 0;   // 0 without resources
    // Per resource, in the order given: its IMAGE_RESOURCE_DATA_ENTRY and its bytes.
    std::vector<std::size_t> dataEntryOffsets;
    std::vector<std::size_t> dataOffsets;
    std::vector<PeResourcePath> resourcePaths;
};

// A PE image with a .text section and, with resources, a .rsrc section whose
// directory has the usual three levels (type, id, language), sorted by id.
PeImage BuildPe(const PeOptions& options);
// Shorthand: one version resource holding `block` under `language`.
PeImage BuildPeWithVersion(const Bytes& block, std::uint16_t language = 0x0409, bool pe32Plus = false);

// One resource of an NE image; type and id as stored (integer ones carry
// 0x8000, so the version resource is 0x8010 / 0x8001).
struct NeResource {
    std::uint16_t type = 0x8010;
    std::uint16_t id = 0x8001;
    Bytes data;
};

struct NeOptions {
    std::uint16_t alignmentShift = 4;
    // Empty: no resource table (ne_rsrctab equals ne_restab).
    std::vector<NeResource> resources;
};

struct NeImage {
    Bytes bytes;
    std::size_t neHeaderOffset = 0;       // "NE", also e_lfanew
    std::size_t resourceTableOffset = 0;  // the alignment shift WORD
    // Per resource, in the order given: its 12-byte entry and its bytes.
    std::vector<std::size_t> entryOffsets;
    std::vector<std::size_t> dataOffsets;
};

// An NE image; resources of one type share a group, groups in order of first use.
NeImage BuildNe(const NeOptions& options);
// Shorthand: one version resource holding `block`.
NeImage BuildNeWithVersion(const Bytes& block);

// ---------------------------------------------------------------------------
// Helpers

// Little-endian stores for patching images; the vector grows when needed.
void PutU16(Bytes& bytes, std::size_t offset, std::uint16_t value);
void PutU32(Bytes& bytes, std::size_t offset, std::uint32_t value);
std::uint16_t GetU16(const Bytes& bytes, std::size_t offset);
std::uint32_t GetU32(const Bytes& bytes, std::size_t offset);

// UTF-8 to UTF-16 (invalid sequences become U+FFFD).
std::u16string Utf16FromUtf8(const std::string& text);

// Writes `bytes` to `path`, replacing it; throws std::runtime_error on failure.
void WriteFile(const std::string& path, const Bytes& bytes);

}  // namespace crafted
