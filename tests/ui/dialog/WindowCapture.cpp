#include "WindowCapture.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <unordered_set>
#include <vector>

#include "ScanFiles.h"

namespace {

int CountColours(const BYTE* bits, int width, int height, int stride)
{
    std::unordered_set<std::uint32_t> colours;
    for (int y = 0; y < height; ++y) {
        const BYTE* pixel = bits + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        for (int x = 0; x < width; ++x, pixel += 3) {
            colours.insert(static_cast<std::uint32_t>(pixel[0] | pixel[1] << 8 | pixel[2] << 16));
        }
    }
    return static_cast<int>(colours.size());
}

bool WriteBitmapFile(const std::string& path, const BITMAPINFOHEADER& header, const BYTE* bits, DWORD size)
{
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + size;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(bits), size);
    return static_cast<bool>(out);
}

// The client area's pixels as the screen shows them, without painting.
std::vector<BYTE> ClientPixels(HWND window)
{
    RECT bounds;
    if (!GetClientRect(window, &bounds)) return {};
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    std::vector<BYTE> pixels;
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, width, height);
    if (memoryDc && bitmap) {
        HGDIOBJ old = SelectObject(memoryDc, bitmap);
        BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
        SelectObject(memoryDc, old);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        pixels.resize(static_cast<std::size_t>((width * 3 + 3) & ~3) * static_cast<std::size_t>(height));
        if (GetDIBits(memoryDc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) != height)
            pixels.clear();
    }
    if (bitmap) DeleteObject(bitmap);
    if (memoryDc) DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return pixels;
}

}  // namespace

bool ShowsWhatARepaintWouldShow(HWND window)
{
    UpdateWindow(window);  // what is already marked is not stale yet
    const std::vector<BYTE> shown = ClientPixels(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return !shown.empty() && shown == ClientPixels(window);
}

bool SaveWindowPicture(HWND window, const std::string& path, WindowPicture& picture)
{
    // The client area: without a window manager nobody draws the frame.
    RECT bounds;
    if (!GetClientRect(window, &bounds)) return false;
    // Painted now, children included, so the copy shows what the user sees.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    picture.width = bounds.right - bounds.left;
    picture.height = bounds.bottom - bounds.top;

    BITMAPINFO info{};
    BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = sizeof header;
    header.biWidth = picture.width;
    header.biHeight = picture.height;  // bottom-up, as .bmp files store it
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const int stride = (picture.width * 3 + 3) & ~3;
    header.biSizeImage = static_cast<DWORD>(stride * picture.height);

    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (memoryDc && bitmap && bits) {
        HGDIOBJ old = SelectObject(memoryDc, bitmap);
        BitBlt(memoryDc, 0, 0, picture.width, picture.height, windowDc, 0, 0, SRCCOPY);
        GdiFlush();
        picture.distinctColours = CountColours(static_cast<const BYTE*>(bits), picture.width, picture.height, stride);
        if (picture.distinctColours <= 1) {
            // Nothing on the screen to copy: let the window draw itself.
            PrintWindow(window, memoryDc, PW_CLIENTONLY);
            GdiFlush();
            picture.distinctColours =
                CountColours(static_cast<const BYTE*>(bits), picture.width, picture.height, stride);
        }
        saved = WriteBitmapFile(path, header, static_cast<const BYTE*>(bits), header.biSizeImage);
        SelectObject(memoryDc, old);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memoryDc) DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return saved;
}

std::string ScreenshotPath()
{
    char buffer[MAX_PATH] = "";
    const DWORD length = GetEnvironmentVariableA("MODARIS_SCREENSHOT", buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return WindowsPath(buffer);
    return WindowsPath(MODARIS_DEFAULT_SCREENSHOT);
}
