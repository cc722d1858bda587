// NE (16-bit Windows) images: headers, a resource table and the resources.
#include "crafted_images.h"

#include <string>

namespace crafted {

namespace {

constexpr std::size_t kLfanew = 0x80;
constexpr std::size_t kNeHeaderSize = 0x40;

void AppendCountedName(Bytes& out, const std::string& name)
{
    out.push_back(static_cast<std::uint8_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    PutU16(out, out.size(), 0);  // ordinal
}

}  // namespace

NeImage BuildNe(const NeOptions& options)
{
    NeImage image;
    Bytes& out = image.bytes;
    out.assign(kLfanew, 0);
    out[0] = 'M';
    out[1] = 'Z';
    PutU32(out, 60, static_cast<std::uint32_t>(kLfanew));

    const std::size_t ne = kLfanew;
    image.neHeaderOffset = ne;
    out.resize(ne + kNeHeaderSize, 0);
    out[ne] = 'N';
    out[ne + 1] = 'E';
    out[ne + 2] = 5;                                                    // linker version
    PutU16(out, ne + 0x0C, 0x8302);                                     // library, protected mode, multiple data
    PutU16(out, ne + 0x22, static_cast<std::uint16_t>(kNeHeaderSize));  // segment table: empty
    PutU16(out, ne + 0x24, static_cast<std::uint16_t>(kNeHeaderSize));  // resource table
    out[ne + 0x36] = 2;                                                 // Windows
    PutU16(out, ne + 0x3E, 0x030A);                                     // expected Windows 3.10

    // Group resources by type, in order of first appearance.
    std::vector<std::uint16_t> types;
    for (const NeResource& resource : options.resources) {
        bool known = false;
        for (std::uint16_t type : types) known = known || type == resource.type;
        if (!known) types.push_back(resource.type);
    }
    image.entryOffsets.resize(options.resources.size());
    image.dataOffsets.resize(options.resources.size());
    if (!options.resources.empty()) {
        image.resourceTableOffset = out.size();
        PutU16(out, out.size(), options.alignmentShift);
        for (std::uint16_t type : types) {
            std::size_t count = 0;
            for (const NeResource& resource : options.resources) count += resource.type == type;
            PutU16(out, out.size(), type);
            PutU16(out, out.size(), static_cast<std::uint16_t>(count));
            PutU32(out, out.size(), 0);
            for (std::size_t i = 0; i < options.resources.size(); ++i) {
                if (options.resources[i].type != type) continue;
                image.entryOffsets[i] = out.size();
                out.resize(out.size() + 12, 0);  // filled once the data is placed
            }
        }
        PutU16(out, out.size(), 0);  // end of types
        out.push_back(0);            // no resource names
    }
    PutU16(out, ne + 0x26, static_cast<std::uint16_t>(out.size() - ne));  // resident names
    AppendCountedName(out, "CRAFTED");
    out.push_back(0);
    const std::uint16_t afterNames = static_cast<std::uint16_t>(out.size() - ne);
    PutU16(out, ne + 0x28, afterNames);  // module references: none
    PutU16(out, ne + 0x2A, afterNames);  // imported names: none
    PutU16(out, ne + 0x04, afterNames);  // entry table: empty
    out.push_back(0);
    PutU32(out, ne + 0x2C, static_cast<std::uint32_t>(out.size()));  // non-resident names
    AppendCountedName(out, "Crafted NE image");
    out.push_back(0);
    PutU16(out, ne + 0x20, static_cast<std::uint16_t>(out.size() - GetU32(out, ne + 0x2C)));

    const std::size_t unit = std::size_t{1} << options.alignmentShift;
    for (std::size_t i = 0; i < options.resources.size(); ++i) {
        const Bytes& data = options.resources[i].data;
        out.resize((out.size() + unit - 1) / unit * unit, 0);
        image.dataOffsets[i] = out.size();
        const std::size_t units = (data.size() + unit - 1) / unit;
        const std::size_t entry = image.entryOffsets[i];
        PutU16(out, entry, static_cast<std::uint16_t>(out.size() / unit));
        PutU16(out, entry + 2, static_cast<std::uint16_t>(units));
        PutU16(out, entry + 4, 0x0030);  // moveable, pure
        PutU16(out, entry + 6, options.resources[i].id);
        out.insert(out.end(), data.begin(), data.end());
        out.resize(image.dataOffsets[i] + units * unit, 0);
    }
    return image;
}

NeImage BuildNeWithVersion(const Bytes& block)
{
    NeOptions options;
    options.resources.push_back({0x8010, 0x8001, block});
    return BuildNe(options);
}

}  // namespace crafted
