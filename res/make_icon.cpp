// Writes the program's icon: a module block, like a chip with pins, with a
// magnifier over its lower right corner that shows the block enlarged.
// Three images: 32x32 and 16x16 in 16 colours, 48x48 in 256 colours.
// Usage: make_icon OUTPUT.ico
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};

struct Sample {
    Rgb color;
    bool opaque;
};

// The picture on a 16 x 16 grid, so that each size shows the same lines.
constexpr double kLensX = 10.25, kLensY = 10.25, kLensOuter = 4.75, kLensInner = 3.5;
constexpr double kMagnification = 1.7;

constexpr Rgb kBlack{0, 0, 0}, kNavy{0, 0, 128}, kBlue{0, 0, 255}, kSilver{192, 192, 192}, kGray{128, 128, 128},
    kWhite{255, 255, 255}, kMaroon{128, 0, 0}, kGlass{224, 255, 255};

Rgb Mix(Rgb a, Rgb b, double t)
{
    return {static_cast<int>(a.r + (b.r - a.r) * t), static_cast<int>(a.g + (b.g - a.g) * t),
            static_cast<int>(a.b + (b.b - a.b) * t)};
}

// The module block alone. `rich` adds the shading of the 256-colour image.
Sample Block(double x, double y, bool rich)
{
    for (int pin = 0; pin < 3; ++pin) {
        const double centre = 4.5 + pin * 3.0;
        const bool left = x >= 0.25 && x<1.5, right = x> 10.5 && x <= 11.75;
        if (std::fabs(y - centre) < 0.75 && (left || right))
            return {rich ? Mix(kSilver, kGray, (y - centre + 0.75) / 1.5) : kSilver, true};
    }
    if (x < 1.5 || x > 10.5 || y < 1.0 || y > 12.0) return {kBlack, false};
    const double edge = std::min({x - 1.5, 10.5 - x, y - 1.0, 12.0 - y});
    if (edge < 0.5) return {kBlack, true};
    if (y < 3.5) return {rich ? Mix(kBlue, kNavy, (y - 1.0) / 3.0) : kBlue, true};
    for (int line = 0; line < 3; ++line) {
        const double top = 5.0 + line * 2.5;
        if (y >= top && y < top + 1.0 && x >= 3.0 && x < 9.0) return {kSilver, true};
    }
    return {rich ? Mix(kNavy, Rgb{0, 0, 80}, (y - 3.5) / 8.5) : kNavy, true};
}

// `pixel` is the size of one pixel on the grid: a ring too thin for a grey
// middle is drawn all black.
Sample Picture(double x, double y, bool rich, double pixel)
{
    const double dx = x - kLensX, dy = y - kLensY;
    const double r = std::sqrt(dx * dx + dy * dy);
    if (r <= kLensOuter && r >= kLensInner) {
        const double band = std::max(0.45, pixel * 0.9);
        const bool border = r - kLensInner < band || kLensOuter - r < band;
        return {border ? kBlack : kGray, true};
    }
    if (r < kLensInner) {
        // A highlight on the glass, upper left.
        const double angle = std::atan2(dy, dx);
        if (rich && r > 2.3 && r < 2.9 && angle > -2.8 && angle < -1.9) return {kWhite, true};
        const Sample seen = Block(kLensX + dx / kMagnification, kLensY + dy / kMagnification, rich);
        if (!seen.opaque) return {rich ? kGlass : kWhite, true};
        return {rich ? Mix(seen.color, kGlass, 0.15) : seen.color, true};
    }
    // The handle, from the ring down to the lower right corner.
    const double along = (dx + dy) / std::sqrt(2.0), across = std::fabs(dx - dy) / std::sqrt(2.0);
    if (along > kLensOuter - 0.2 && along < 7.6 && across < 1.15) return {across > 0.6 ? kBlack : kMaroon, true};
    return Block(x, y, rich);
}

std::vector<Rgb> Palette(int colours)
{
    // The 16 colours of the standard VGA palette; for 256, a 6x6x6 cube and
    // 24 greys follow.
    std::vector<Rgb> palette = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    if (colours == 256) {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b) palette.push_back({r * 51, g * 51, b * 51});
        for (int grey = 0; grey < 24; ++grey) palette.push_back({8 + grey * 10, 8 + grey * 10, 8 + grey * 10});
    }
    return palette;
}

int Nearest(const std::vector<Rgb>& palette, Rgb c)
{
    int best = 0;
    long bestDistance = -1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const long dr = palette[i].r - c.r, dg = palette[i].g - c.g, db = palette[i].b - c.b;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    return best;
}

struct Image {
    int size;
    int bitsPerPixel;
    std::vector<std::uint8_t> bytes;  // BITMAPINFOHEADER, palette, XOR bits, AND mask
};

void Put16(std::vector<std::uint8_t>& out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, unsigned long value)
{
    Put16(out, static_cast<unsigned>(value & 0xFFFF));
    Put16(out, static_cast<unsigned>(value >> 16));
}

Image Render(int size, int bitsPerPixel)
{
    const bool rich = bitsPerPixel == 8;
    const std::vector<Rgb> palette = Palette(1 << bitsPerPixel);
    // 16 colours: one sample per pixel, for crisp edges; 256 colours: 4 x 4
    // samples, averaged, for smooth ones.
    const int samples = rich ? 4 : 1;
    std::vector<int> index(static_cast<std::size_t>(size * size), 0);
    std::vector<bool> transparent(index.size(), true);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            long r = 0, g = 0, b = 0;
            int covered = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const double x = (px + (sx + 0.5) / samples) * 16.0 / size;
                    const double y = (py + (sy + 0.5) / samples) * 16.0 / size;
                    const Sample s = Picture(x, y, rich, 16.0 / size);
                    if (!s.opaque) continue;
                    r += s.color.r, g += s.color.g, b += s.color.b;
                    ++covered;
                }
            }
            const std::size_t at = static_cast<std::size_t>(py * size + px);
            if (covered * 2 < samples * samples) continue;
            transparent[at] = false;
            index[at] = Nearest(
                palette, {static_cast<int>(r / covered), static_cast<int>(g / covered), static_cast<int>(b / covered)});
        }
    }

    Image image{size, bitsPerPixel, {}};
    std::vector<std::uint8_t>& out = image.bytes;
    const int xorStride = (size * bitsPerPixel + 31) / 32 * 4;
    const int andStride = (size + 31) / 32 * 4;
    Put32(out, 40);  // biSize
    Put32(out, static_cast<unsigned long>(size));
    Put32(out, static_cast<unsigned long>(size * 2));  // XOR and AND bitmaps together
    Put16(out, 1);                                     // biPlanes
    Put16(out, static_cast<unsigned>(bitsPerPixel));
    Put32(out, 0);  // BI_RGB
    Put32(out, static_cast<unsigned long>((xorStride + andStride) * size));
    Put32(out, 0), Put32(out, 0), Put32(out, 0), Put32(out, 0);
    for (const Rgb& c : palette) {
        out.push_back(static_cast<std::uint8_t>(c.b));
        out.push_back(static_cast<std::uint8_t>(c.g));
        out.push_back(static_cast<std::uint8_t>(c.r));
        out.push_back(0);
    }
    // Rows bottom up; transparent pixels are black in the XOR bitmap.
    for (int py = size - 1; py >= 0; --py) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(xorStride), 0);
        for (int px = 0; px < size; ++px) {
            const int value = index[static_cast<std::size_t>(py * size + px)];
            if (bitsPerPixel == 8) {
                row[static_cast<std::size_t>(px)] = static_cast<std::uint8_t>(value);
            } else {
                row[static_cast<std::size_t>(px / 2)] |= static_cast<std::uint8_t>(px % 2 ? value : value << 4);
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int py = size - 1; py >= 0; --py) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(andStride), 0);
        for (int px = 0; px < size; ++px) {
            if (transparent[static_cast<std::size_t>(py * size + px)])
                row[static_cast<std::size_t>(px / 8)] |= static_cast<std::uint8_t>(0x80 >> (px % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return image;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
        return 2;
    }
    const Image images[] = {Render(32, 4), Render(16, 4), Render(48, 8)};
    std::vector<std::uint8_t> file;
    Put16(file, 0);  // reserved
    Put16(file, 1);  // icon
    Put16(file, 3);
    unsigned long offset = 6 + 16 * 3;
    for (const Image& image : images) {
        file.push_back(static_cast<std::uint8_t>(image.size));
        file.push_back(static_cast<std::uint8_t>(image.size));
        file.push_back(static_cast<std::uint8_t>(image.bitsPerPixel == 4 ? 16 : 0));  // 0: 256 or more
        file.push_back(0);
        Put16(file, 1);
        Put16(file, static_cast<unsigned>(image.bitsPerPixel));
        Put32(file, static_cast<unsigned long>(image.bytes.size()));
        Put32(file, offset);
        offset += static_cast<unsigned long>(image.bytes.size());
    }
    for (const Image& image : images) file.insert(file.end(), image.bytes.begin(), image.bytes.end());

    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (std::fclose(out) != 0 || !written) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
