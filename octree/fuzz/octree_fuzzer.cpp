// Feeds random sizes, pitches, limits and pixels to the palette functions and checks what
// must hold for every input: the result, at most maxColors entries written from the
// front, nothing else touched, every component within the range of that component over
// the pixels, and the palette the plain reference builder gives.
//
// Input: layout, width - 1, height - 1, pitch flags, maxColors (2 bytes), colorBits, then
// pixel bytes, repeated to fill the rows.
#include "Octree.h"
#include "ReferenceOctree.h"
#include "gdi.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr std::size_t kEntries = 300;

enum Layout : std::uint8_t { Rgb888, Rgb8888, Rgb565, Bitmap24, kLayouts };

void fail(const char* what) {
    std::fprintf(stderr, "octree fuzzer: %s\n", what);
    std::abort();
}

std::uint32_t bytesPerPixel(Layout layout) {
    return layout == Rgb8888 ? 4 : layout == Rgb565 ? 2 : 3;
}

std::vector<reference::Color> decode(Layout layout, const std::uint8_t* first, std::uint32_t width,
                                     std::uint32_t height, std::int32_t pitch) {
    std::vector<reference::Color> out;
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* p = first + static_cast<std::ptrdiff_t>(y) * pitch;
        for (std::uint32_t x = 0; x < width; ++x, p += bytesPerPixel(layout)) {
            if (layout == Rgb565) {
                const unsigned v = p[0] | (p[1] << 8);
                out.push_back({static_cast<std::uint8_t>((v & 0x1F) << 3),
                               static_cast<std::uint8_t>(((v >> 5) & 0x3F) << 2),
                               static_cast<std::uint8_t>((v >> 11) << 3)});
            } else {
                out.push_back({p[0], p[1], p[2]});
            }
        }
    }
    return out;
}

std::uint8_t fillByte(std::size_t i) {
    return static_cast<std::uint8_t>(i * 7 + 3);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 7) return 0;
    const auto layout = static_cast<Layout>(data[0] % kLayouts);
    const std::uint32_t width = 1 + data[1] % 64;
    const std::uint32_t height = 1 + data[2] % 64;
    const std::uint32_t padding = data[3] & 7;
    const bool upward = (data[3] & 8) != 0 && layout != Bitmap24;
    const bool shortPitch = (data[3] & 16) != 0 && layout != Bitmap24;
    const std::uint32_t maxColors = (data[4] | (data[5] << 8)) % kEntries;
    const std::uint32_t colorBits = data[6] % 10;
    data += 7;
    size -= 7;

    const std::uint32_t rowBytes = width * bytesPerPixel(layout);
    const std::uint32_t stride =
        layout == Bitmap24
            ? static_cast<std::uint32_t>(GetBitmapPitch(24, static_cast<std::int32_t>(width)))
            : rowBytes + padding;
    // Exactly the bytes the rows need, so that reading past them is caught.
    std::vector<std::uint8_t> rows(std::size_t{stride} * (height - 1) + rowBytes);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = size ? data[i % size] : 0;

    const std::int32_t pitch = static_cast<std::int32_t>(shortPitch ? rowBytes - 1 : stride);
    const std::uint8_t* first = rows.data();
    std::int32_t signedPitch = pitch;
    if (upward) {
        first += std::size_t{stride} * (height - 1);
        signedPitch = -pitch;
    }

    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = static_cast<std::int32_t>(width);
    header.biHeight = static_cast<std::int32_t>(height);
    header.biPlanes = 1;
    header.biBitCount = 24;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    if (layout == Bitmap24) {
        if (rows.size() < std::size_t{stride} * height) rows.resize(std::size_t{stride} * height);
        first = rows.data();
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSectionOver(&header, rows.data());
        if (dc == nullptr || bitmap == nullptr) fail("cannot make the bitmap");
    }

    const auto call = [&](std::uint8_t* palette) {
        switch (layout) {
        case Rgb888:
            return CreateOctreePaletteRGB888(first, width, height, signedPitch, maxColors,
                                             colorBits, palette);
        case Rgb8888:
            return CreateOctreePaletteRGB8888(first, width, height, signedPitch, maxColors,
                                              colorBits, palette);
        case Rgb565:
            return CreateOctreePaletteRGB565(first, width, height, signedPitch, maxColors,
                                             colorBits, palette);
        default:
            return CreateOctreePaletteFromHBITMAP(dc, bitmap, width, height, maxColors, colorBits,
                                                  palette);
        }
    };
    std::vector<std::uint8_t> a(kEntries * 4), b(kEntries * 4);
    for (std::size_t i = 0; i < a.size(); ++i) {
        a[i] = fillByte(i);
        b[i] = static_cast<std::uint8_t>(~fillByte(i));
    }
    const std::int32_t result = call(a.data());
    if (call(b.data()) != result) fail("two runs gave different results");
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (dc != nullptr) DeleteDC(dc);

    const bool refused = colorBits > 8 || maxColors == 0 || shortPitch;
    if (result != (refused ? 0 : 1)) fail("unexpected result");

    // A written byte is the same in both palettes; a byte left alone kept its fill.
    std::size_t written = 0;
    bool ended = refused;
    for (std::size_t k = 0; k < kEntries; ++k) {
        const std::size_t at = k * 4;
        const bool same = a[at] == b[at] && a[at + 1] == b[at + 1] && a[at + 2] == b[at + 2];
        if (a[at + 3] != fillByte(at + 3)) fail("byte 3 written");
        if (!ended && same) {
            ++written;
            continue;
        }
        ended = true;
        for (std::size_t i = at; i < at + 3; ++i)
            if (a[i] != fillByte(i) || b[i] != static_cast<std::uint8_t>(~fillByte(i)))
                fail("entry written after the last one");
    }
    if (refused) return 0;
    if (written == 0 || written > maxColors) fail("entry count out of range");

    const auto pixels =
        decode(layout == Bitmap24 ? Rgb888 : layout, first, width, height,
               layout == Bitmap24 ? static_cast<std::int32_t>(stride) : signedPitch);
    reference::Color low{255, 255, 255}, high{0, 0, 0};
    for (const auto& c : pixels) {
        low = {std::min(low.c0, c.c0), std::min(low.c1, c.c1), std::min(low.c2, c.c2)};
        high = {std::max(high.c0, c.c0), std::max(high.c1, c.c1), std::max(high.c2, c.c2)};
    }
    for (std::size_t k = 0; k < written; ++k) {
        const std::uint8_t* e = &a[k * 4];
        if (e[0] < low.c0 || e[0] > high.c0 || e[1] < low.c1 || e[1] > high.c1 || e[2] < low.c2 ||
            e[2] > high.c2)
            fail("a component outside the range of the pixels");
    }

    const auto expected = reference::buildPalette(pixels, maxColors, colorBits);
    if (!expected || expected->size() != written) fail("entry count differs from the reference");
    for (std::size_t k = 0; k < written; ++k) {
        const reference::Color got{a[k * 4], a[k * 4 + 1], a[k * 4 + 2]};
        if (!(got == (*expected)[k])) fail("palette differs from the reference");
    }
    return 0;
}
