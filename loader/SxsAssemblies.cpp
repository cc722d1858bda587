// A manifest is read as far as the loader needs it, not as a general XML
// document: the attributes of each assemblyIdentity inside a
// dependentAssembly element, with or without a namespace prefix.
#include "loader/SxsAssemblies.h"

#include <array>

#include "support/AsciiCase.h"
#include "support/PeLayout.h"
#include "support/Utf.h"

namespace loader {

namespace {

std::string Lower(std::string text)
{
    for (char& c : text) c = support::ToLowerAscii(c);
    return text;
}

std::string AsUtf8(const std::string& manifest)
{
    if (manifest.size() >= 2 && static_cast<unsigned char>(manifest[0]) == 0xFF &&
        static_cast<unsigned char>(manifest[1]) == 0xFE) {
        std::u16string units;
        for (std::size_t at = 2; at + 1 < manifest.size(); at += 2) {
            const auto unit = static_cast<char16_t>(static_cast<unsigned char>(manifest[at]) |
                                                    (static_cast<unsigned char>(manifest[at + 1]) << 8));
            if (unit == 0) break;
            units.push_back(unit);
        }
        return support::Utf8FromUtf16(units.c_str());
    }
    if (manifest.rfind("\xEF\xBB\xBF", 0) == 0) return manifest.substr(3);
    return manifest;
}

// The value of attribute `name` in the tag text `tag`; empty when absent.
std::string Attribute(const std::string& tag, const std::string& name)
{
    const std::string lowerTag = Lower(tag);
    std::size_t at = 0;
    while ((at = lowerTag.find(name, at)) != std::string::npos) {
        const bool startsWord = at > 0 && (lowerTag[at - 1] == ' ' || lowerTag[at - 1] == '\t' ||
                                           lowerTag[at - 1] == '\n' || lowerTag[at - 1] == '\r');
        std::size_t next = at + name.size();
        while (next < tag.size() && (tag[next] == ' ' || tag[next] == '\t')) ++next;
        if (startsWord && next < tag.size() && tag[next] == '=') {
            ++next;
            while (next < tag.size() && (tag[next] == ' ' || tag[next] == '\t')) ++next;
            if (next < tag.size() && (tag[next] == '"' || tag[next] == '\'')) {
                const std::size_t end = tag.find(tag[next], next + 1);
                if (end != std::string::npos) return tag.substr(next + 1, end - next - 1);
            }
            return std::string();
        }
        at = next;
    }
    return std::string();
}

// The version's four numbers; missing parts are 0.
std::array<unsigned long, 4> VersionParts(const std::string& version)
{
    std::array<unsigned long, 4> parts{};
    std::size_t start = 0;
    for (unsigned long& part : parts) {
        if (start > version.size()) break;
        std::size_t end = version.find('.', start);
        if (end == std::string::npos) end = version.size();
        const std::string digits = version.substr(start, end - start);
        part = !digits.empty() && digits.size() <= 9 && digits.find_first_not_of("0123456789") == std::string::npos
                   ? std::stoul(digits)
                   : 0;
        start = end + 1;
    }
    return parts;
}

// Folder names shorten long assembly names to "start..end".
bool NameMatches(const std::string& folderName, const std::string& name)
{
    const std::size_t dots = folderName.find("..");
    if (dots == std::string::npos) return folderName == name;
    const std::string head = folderName.substr(0, dots), tail = folderName.substr(dots + 2);
    return name.size() >= head.size() + tail.size() && name.compare(0, head.size(), head) == 0 &&
           name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::vector<AssemblyIdentity> DependentAssemblies(const std::string& manifest)
{
    const std::string text = AsUtf8(manifest);
    const std::string lower = Lower(text);
    std::vector<AssemblyIdentity> assemblies;
    std::size_t at = 0;
    while ((at = lower.find("dependentassembly", at)) != std::string::npos) {
        // The opening tag: "<dependentAssembly" or "<prefix:dependentAssembly".
        const bool opening = at > 0 && (lower[at - 1] == '<' || lower[at - 1] == ':');
        at += 17;
        if (!opening) continue;
        const std::size_t end = lower.find("dependentassembly", at);
        const std::size_t identity = lower.find("assemblyidentity", at);
        if (identity == std::string::npos || (end != std::string::npos && identity > end)) continue;
        const std::size_t close = text.find('>', identity);
        if (close == std::string::npos) break;
        const std::string tag = text.substr(identity + 16, close - identity - 16);
        AssemblyIdentity assembly;
        assembly.name = Attribute(tag, "name");
        assembly.version = Attribute(tag, "version");
        assembly.processorArchitecture = Attribute(tag, "processorarchitecture");
        assembly.publicKeyToken = Attribute(tag, "publickeytoken");
        assembly.language = Attribute(tag, "language");
        if (!assembly.name.empty()) assemblies.push_back(std::move(assembly));
        at = close;
    }
    return assemblies;
}

std::string SxsArchitecture(std::uint16_t machine)
{
    switch (machine) {
    case support::pe::kMachineI386: return "x86";
    case support::pe::kMachineAmd64: return "amd64";
    case support::pe::kMachineArm64: return "arm64";
    case support::pe::kMachineArmNt: return "arm";
    default: return std::string();
    }
}

std::optional<std::string> FindAssemblyFolder(DirectoryTable& directories, const std::string& winSxS,
                                              const AssemblyIdentity& identity, std::uint16_t machine)
{
    std::string architecture = Lower(identity.processorArchitecture);
    if (architecture.empty() || architecture == "*") architecture = SxsArchitecture(machine);
    const std::string name = Lower(identity.name);
    const std::string token = identity.publicKeyToken.empty() ? "none" : Lower(identity.publicKeyToken);
    const std::string language =
        identity.language.empty() || identity.language == "*" ? "none" : Lower(identity.language);
    const std::array<unsigned long, 4> wanted = VersionParts(identity.version);

    std::optional<std::string> best;
    std::array<unsigned long, 4> bestVersion{};
    for (const DirectoryEntry& entry : directories.Entries(winSxS)) {
        if (!entry.isDirectory) continue;
        // arch_name_token_version_language_hash; the name may hold '_' itself.
        std::vector<std::string> parts;
        std::size_t start = 0;
        const std::string folder = Lower(entry.name);
        for (std::size_t end; (end = folder.find('_', start)) != std::string::npos; start = end + 1) {
            parts.push_back(folder.substr(start, end - start));
        }
        parts.push_back(folder.substr(start));
        if (parts.size() < 6) continue;
        const std::size_t n = parts.size();
        std::string folderName = parts[1];
        for (std::size_t part = 2; part + 4 < n; ++part) folderName += "_" + parts[part];
        if (parts[0] != architecture || parts[n - 4] != token || !NameMatches(folderName, name)) continue;
        if (parts[n - 2] != language && parts[n - 2] != "none") continue;
        const std::array<unsigned long, 4> version = VersionParts(parts[n - 3]);
        if (version[0] != wanted[0] || version[1] != wanted[1]) continue;
        if (!best || version > bestVersion) {
            best = JoinPath(winSxS, entry.name);
            bestVersion = version;
        }
    }
    return best;
}

std::string AssemblyText(const AssemblyIdentity& identity)
{
    std::string text = identity.name + " " + identity.version;
    if (!identity.processorArchitecture.empty()) text += " " + identity.processorArchitecture;
    if (!identity.publicKeyToken.empty()) text += " " + identity.publicKeyToken;
    return text;
}

}  // namespace loader
