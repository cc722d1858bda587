// The intact sample module the cases break: a version resource with product
// version 5.6.7.8, file version 1.2.3.4 and CompanyName "Acme Corp" in one
// US-English string table named by the only translation, in a PE32, PE32+
// or NE image made by the crafted image builders.
#pragma once

#include <cstddef>
#include <string>

#include "crafted_images.h"

namespace malformed {

crafted::VersionInfo SampleInfo(const std::string& company = "Acme Corp");
// VS_VERSION_INFO { fixed info; StringFileInfo { 040904B0 { strings } };
// VarFileInfo { Translation } }
crafted::VersionNode SampleTree(const std::string& company = "Acme Corp");

crafted::PeImage SamplePe(bool pe32Plus = false);
crafted::PeImage PeWithTree(const crafted::VersionNode& tree);
// An NE image with an icon group (type 0x8003) before the version group.
crafted::NeImage SampleNe();

// The nodes of a sample tree, to break one of them on purpose.
crafted::VersionNode& StringFileInfoOf(crafted::VersionNode& root);
crafted::VersionNode& StringTableOf(crafted::VersionNode& root);
crafted::VersionNode& StringOf(crafted::VersionNode& root, const std::string& key);
crafted::VersionNode& TranslationOf(crafted::VersionNode& root);

// The first `size` bytes.
crafted::Bytes Cut(crafted::Bytes bytes, std::size_t size);

}  // namespace malformed
