// The exported C functions of libOctree: argument mapping, the bitmap read, nothing else.
#include "Octree.h"

#include "OctreeBuilder.h"
#include "gdi.h"

#include <climits>
#include <memory>
#include <new>

namespace {

using tw::octree::PixelLayout;

int32_t build(PixelLayout layout, const void* pixels, uint32_t width, uint32_t height,
              int32_t pitch, uint32_t maxColors, uint32_t colorBits, void* palette) noexcept {
    const tw::octree::PixelRows rows{pixels, width, height, pitch, layout};
    return tw::octree::buildPalette(rows, maxColors, colorBits, palette) ? 1 : 0;
}

} // namespace

extern "C" {

int32_t CreateOctreePaletteRGB888(const void* pixels, uint32_t width, uint32_t height,
                                  int32_t pitch, uint32_t maxColors, uint32_t colorBits,
                                  void* palette) {
    return build(PixelLayout::Bgr888, pixels, width, height, pitch, maxColors, colorBits, palette);
}

int32_t CreateOctreePaletteRGB8888(const void* pixels, uint32_t width, uint32_t height,
                                   int32_t pitch, uint32_t maxColors, uint32_t colorBits,
                                   void* palette) {
    return build(PixelLayout::Bgrx8888, pixels, width, height, pitch, maxColors, colorBits,
                 palette);
}

int32_t CreateOctreePaletteRGB565(const void* pixels, uint32_t width, uint32_t height,
                                  int32_t pitch, uint32_t maxColors, uint32_t colorBits,
                                  void* palette) {
    return build(PixelLayout::Rgb565, pixels, width, height, pitch, maxColors, colorBits, palette);
}

int32_t CreateOctreePaletteFromHBITMAP(HDC hdc, HBITMAP bitmap, uint32_t width, uint32_t height,
                                       uint32_t maxColors, uint32_t colorBits, void* palette) {
    // Everything the palette build would refuse is refused before reading the bitmap.
    if (colorBits > 8 || width == 0 || height == 0 || maxColors == 0 || palette == nullptr)
        return 0;
    if (width > INT32_MAX || height > INT32_MAX) return 0;
    const int32_t pitch = GetBitmapPitch(24, static_cast<int32_t>(width));
    if (pitch <= 0) return 0;
    const std::size_t bytes = static_cast<std::size_t>(pitch) * height;
    const std::unique_ptr<uint8_t[]> rows(new (std::nothrow) uint8_t[bytes]);
    if (!rows) return 0;

    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = static_cast<int32_t>(width);
    header.biHeight = static_cast<int32_t>(height);
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = bytes <= UINT32_MAX ? static_cast<uint32_t>(bytes) : 0;
    const int lines = GetDIBits(hdc, bitmap, 0, height, rows.get(), &header, DIB_RGB_COLORS);
    if (lines < 0 || static_cast<uint32_t>(lines) != height) return 0;
    return build(PixelLayout::Bgr888, rows.get(), width, height, pitch, maxColors, colorBits,
                 palette);
}

int32_t GetBitmapPitch(int32_t bitsPerPixel, int32_t width) {
    if (width < 0) return 0;
    const int64_t bits =
        static_cast<int64_t>(width) * (static_cast<uint32_t>(bitsPerPixel) & 0xFFFFu);
    const int64_t pitch = (bits + 31) / 32 * 4;
    return pitch <= INT32_MAX ? static_cast<int32_t>(pitch) : 0;
}

} // extern "C"
