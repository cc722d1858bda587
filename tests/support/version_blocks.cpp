// VS_VERSIONINFO trees and their 32-bit and 16-bit encodings.
#include "crafted_images.h"

#include <utility>

namespace crafted {

namespace {

void PadTo4(Bytes& out, std::size_t nodeStart)
{
    while ((out.size() - nodeStart) % 4 != 0) out.push_back(0);
}

void AppendU16(Bytes& out, std::uint16_t value)
{
    PutU16(out, out.size(), value);
}

// Writes the forced or computed header fields once the node's size is known.
void FinishHeader(Bytes& out, std::size_t start, const VersionNode& node, std::size_t valueLength, bool withType)
{
    PutU16(out, start, node.forcedLength.value_or(static_cast<std::uint16_t>(out.size() - start)));
    PutU16(out, start + 2, node.forcedValueLength.value_or(static_cast<std::uint16_t>(valueLength)));
    if (withType) PutU16(out, start + 4, node.forcedType.value_or(node.isText ? 1 : 0));
}

void Encode32(const VersionNode& node, Bytes& out)
{
    const std::size_t start = out.size();
    out.resize(start + 6);
    for (char16_t unit : Utf16FromUtf8(node.key)) AppendU16(out, unit);
    if (!node.unterminatedKey) AppendU16(out, 0);
    PadTo4(out, start);

    std::size_t valueLength = 0;
    if (node.isText) {
        std::u16string text = Utf16FromUtf8(node.text);
        if (node.textLengthCountsNul) text.push_back(u'\0');
        for (char16_t unit : text) AppendU16(out, unit);
        valueLength = text.size();
    } else {
        out.insert(out.end(), node.value.begin(), node.value.end());
        valueLength = node.value.size();
    }
    for (const VersionNode& child : node.children) {
        PadTo4(out, start);
        Encode32(child, out);
    }
    FinishHeader(out, start, node, valueLength, true);
}

void Encode16(const VersionNode& node, Bytes& out)
{
    const std::size_t start = out.size();
    out.resize(start + 4);
    out.insert(out.end(), node.key.begin(), node.key.end());
    if (!node.unterminatedKey) out.push_back(0);
    PadTo4(out, start);

    const Bytes text(node.text.begin(), node.text.end());
    const Bytes& value = node.isText ? text : node.value;
    out.insert(out.end(), value.begin(), value.end());
    std::size_t valueLength = value.size();
    if (node.isText && node.textLengthCountsNul) {
        out.push_back(0);
        ++valueLength;
    }
    for (const VersionNode& child : node.children) {
        PadTo4(out, start);
        Encode16(child, out);
    }
    FinishHeader(out, start, node, valueLength, false);
}

std::uint32_t VersionPair(std::uint16_t high, std::uint16_t low)
{
    return (static_cast<std::uint32_t>(high) << 16) | low;
}

}  // namespace

VersionNode BinaryNode(std::string key, Bytes value, std::vector<VersionNode> children)
{
    VersionNode node;
    node.key = std::move(key);
    node.value = std::move(value);
    node.children = std::move(children);
    return node;
}

VersionNode TextNode(std::string key, std::string text)
{
    VersionNode node;
    node.key = std::move(key);
    node.isText = true;
    node.text = std::move(text);
    return node;
}

VersionNode GroupNode(std::string key, std::vector<VersionNode> children)
{
    VersionNode node;
    node.key = std::move(key);
    node.isText = true;
    node.textLengthCountsNul = false;  // no value at all: wValueLength 0
    node.children = std::move(children);
    return node;
}

Bytes EncodeBlock32(const VersionNode& root)
{
    Bytes out;
    Encode32(root, out);
    return out;
}

Bytes EncodeBlock16(const VersionNode& root)
{
    Bytes out;
    Encode16(root, out);
    return out;
}

Bytes FixedInfoBytes(const FixedInfo& info)
{
    const std::uint32_t fields[13] = {
        0xFEEF04BD,
        0x00010000,
        VersionPair(info.fileVersion[0], info.fileVersion[1]),
        VersionPair(info.fileVersion[2], info.fileVersion[3]),
        VersionPair(info.productVersion[0], info.productVersion[1]),
        VersionPair(info.productVersion[2], info.productVersion[3]),
        info.fileFlagsMask,
        info.fileFlags,
        info.fileOS,
        info.fileType,
        info.fileSubtype,
        info.fileDateMS,
        info.fileDateLS,
    };
    Bytes out;
    for (std::uint32_t field : fields) PutU32(out, out.size(), field);
    return out;
}

VersionNode VersionTree(const VersionInfo& info)
{
    VersionNode root = BinaryNode("VS_VERSION_INFO", FixedInfoBytes(info.fixed));
    if (!info.stringTables.empty()) {
        std::vector<VersionNode> tables;
        for (const StringTable& table : info.stringTables) {
            std::vector<VersionNode> strings;
            for (const auto& [name, value] : table.strings) strings.push_back(TextNode(name, value));
            tables.push_back(GroupNode(table.key, std::move(strings)));
        }
        root.children.push_back(GroupNode("StringFileInfo", std::move(tables)));
    }
    if (!info.translations.empty()) {
        Bytes pairs;
        for (std::uint32_t translation : info.translations) PutU32(pairs, pairs.size(), translation);
        VersionNode var = GroupNode("VarFileInfo", {BinaryNode("Translation", pairs)});
        root.children.push_back(std::move(var));
    }
    return root;
}

}  // namespace crafted
