#include "SampleModules.h"

#include <stdexcept>

namespace malformed {

crafted::VersionInfo SampleInfo(const std::string& company)
{
    crafted::VersionInfo info;
    info.fixed.fileVersion = {1, 2, 3, 4};
    info.fixed.productVersion = {5, 6, 7, 8};
    info.stringTables.push_back(
        {"040904B0", {{"FileDescription", "Crafted module"}, {"CompanyName", company}, {"ProductVersion", "5.6.7.8"}}});
    info.translations = {0x04B00409};
    return info;
}

crafted::VersionNode SampleTree(const std::string& company)
{
    return crafted::VersionTree(SampleInfo(company));
}

crafted::PeImage SamplePe(bool pe32Plus)
{
    return crafted::BuildPeWithVersion(crafted::EncodeBlock32(SampleTree()), 0x0409, pe32Plus);
}

crafted::PeImage PeWithTree(const crafted::VersionNode& tree)
{
    return crafted::BuildPeWithVersion(crafted::EncodeBlock32(tree));
}

crafted::NeImage SampleNe()
{
    crafted::NeOptions options;
    options.resources = {{0x8003, 0x8001, crafted::Bytes(40, 0x11)},
                         {0x8010, 0x8001, crafted::EncodeBlock16(SampleTree())}};
    return crafted::BuildNe(options);
}

crafted::VersionNode& StringFileInfoOf(crafted::VersionNode& root)
{
    return root.children.at(0);
}
crafted::VersionNode& StringTableOf(crafted::VersionNode& root)
{
    return StringFileInfoOf(root).children.at(0);
}

crafted::VersionNode& StringOf(crafted::VersionNode& root, const std::string& key)
{
    for (crafted::VersionNode& node : StringTableOf(root).children) {
        if (node.key == key) return node;
    }
    throw std::out_of_range("no string " + key);
}

crafted::VersionNode& TranslationOf(crafted::VersionNode& root)
{
    return root.children.at(1).children.at(0);
}

crafted::Bytes Cut(crafted::Bytes bytes, std::size_t size)
{
    bytes.resize(size);
    return bytes;
}

}  // namespace malformed
