// Pictures in the three pixel layouts and a palette buffer that reveals every byte a call
// wrote, shared by the octree tests.
#pragma once

#include "Octree.h"
#include "ReferenceOctree.h"

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace octree_test {

using reference::Color;

constexpr Color bgr(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    return {blue, green, red};
}

enum class Layout { Rgb888, Rgb8888, Rgb565 };

inline const char* name(Layout layout) {
    switch (layout) {
    case Layout::Rgb888:
        return "RGB888";
    case Layout::Rgb8888:
        return "RGB8888";
    case Layout::Rgb565:
        return "RGB565";
    }
    return "?";
}

inline std::uint32_t bytesPerPixel(Layout layout) {
    return layout == Layout::Rgb888 ? 3 : layout == Layout::Rgb8888 ? 4 : 2;
}

inline std::uint16_t pack565(Color c) {
    return static_cast<std::uint16_t>((c.c0 >> 3) | ((c.c1 >> 2) << 5) | ((c.c2 >> 3) << 11));
}

// The colour the library sees for a pixel written from `c` in `layout`.
inline Color seenAs(Layout layout, Color c) {
    if (layout != Layout::Rgb565) return c;
    const std::uint16_t v = pack565(c);
    return {static_cast<std::uint8_t>((v & 0x1F) * 8),
            static_cast<std::uint8_t>(((v >> 5) & 0x3F) * 4),
            static_cast<std::uint8_t>((v >> 11) * 8)};
}

// Rows in memory with `padding` junk bytes after each row and junk in the ignored byte of
// 32-bit pixels, so that a reader that strays shows up in the palette.
struct Picture {
    Layout layout = Layout::Rgb888;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::int32_t pitch = 0;
    std::vector<std::uint8_t> bytes;

    const void* first() const { return bytes.data(); }
    std::uint8_t* row(std::uint32_t y) {
        return bytes.data() + static_cast<std::ptrdiff_t>(y) * pitch;
    }
};

// `pixels` in memory order, width x height of them.
inline Picture makePicture(Layout layout, const std::vector<Color>& pixels, std::uint32_t width,
                           std::uint32_t height, std::uint32_t padding = 3) {
    Picture p;
    p.layout = layout;
    p.width = width;
    p.height = height;
    p.pitch = static_cast<std::int32_t>(width * bytesPerPixel(layout) + padding);
    p.bytes.assign(static_cast<std::size_t>(p.pitch) * height, 0);
    std::uint8_t junk = 0x5B;
    for (auto& b : p.bytes)
        b = junk = static_cast<std::uint8_t>(junk * 13 + 7);
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* out = p.row(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            const Color c = pixels[std::size_t{y} * width + x];
            if (layout == Layout::Rgb565) {
                const std::uint16_t v = pack565(c);
                *out++ = static_cast<std::uint8_t>(v);
                *out++ = static_cast<std::uint8_t>(v >> 8);
            } else {
                *out++ = c.c0;
                *out++ = c.c1;
                *out++ = c.c2;
                if (layout == Layout::Rgb8888) ++out; // keeps its junk
            }
        }
    }
    return p;
}

inline std::int32_t callLibrary(Layout layout, const void* pixels, std::uint32_t width,
                                std::uint32_t height, std::int32_t pitch, std::uint32_t maxColors,
                                std::uint32_t colorBits, void* palette) {
    switch (layout) {
    case Layout::Rgb888:
        return CreateOctreePaletteRGB888(pixels, width, height, pitch, maxColors, colorBits,
                                         palette);
    case Layout::Rgb8888:
        return CreateOctreePaletteRGB8888(pixels, width, height, pitch, maxColors, colorBits,
                                          palette);
    case Layout::Rgb565:
        return CreateOctreePaletteRGB565(pixels, width, height, pitch, maxColors, colorBits,
                                         palette);
    }
    return -1;
}

// What one palette call did, found by running it on two palettes prefilled with
// complementary patterns: a byte the call wrote is equal in both, a byte it left alone
// differs.
struct PaletteOutcome {
    std::int32_t result = -1;
    std::vector<Color> entries; // the written entries, from entry 0
    std::string damage;         // empty when nothing else was written
};

inline constexpr std::size_t kPaletteEntries = 300;

inline std::uint8_t fillByte(std::size_t i) {
    return static_cast<std::uint8_t>(i * 7 + 3);
}

template <class Call> PaletteOutcome runOnPalette(Call call) {
    std::vector<std::uint8_t> a(kPaletteEntries * 4), b(kPaletteEntries * 4);
    for (std::size_t i = 0; i < a.size(); ++i) {
        a[i] = fillByte(i);
        b[i] = static_cast<std::uint8_t>(~fillByte(i));
    }
    PaletteOutcome out;
    out.result = call(static_cast<void*>(a.data()));
    if (call(static_cast<void*>(b.data())) != out.result) out.damage = "results differ";
    bool written = true;
    for (std::size_t k = 0; k < kPaletteEntries && out.damage.empty(); ++k) {
        const std::size_t at = k * 4;
        int same = 0, untouched = 0;
        for (std::size_t i = at; i < at + 3; ++i) {
            same += a[i] == b[i];
            untouched += a[i] == fillByte(i) && b[i] == static_cast<std::uint8_t>(~fillByte(i));
        }
        if (a[at + 3] != fillByte(at + 3) ||
            b[at + 3] != static_cast<std::uint8_t>(~fillByte(at + 3)))
            out.damage = "byte 3 of entry " + std::to_string(k) + " written";
        else if (same == 3 && written)
            out.entries.push_back({a[at], a[at + 1], a[at + 2]});
        else if (untouched == 3)
            written = false;
        else
            out.damage = "entry " + std::to_string(k) + " partly written or written after a gap";
    }
    return out;
}

inline PaletteOutcome runOnPalette(const Picture& p, std::uint32_t maxColors,
                                   std::uint32_t colorBits) {
    return runOnPalette([&](void* palette) {
        return callLibrary(p.layout, p.first(), p.width, p.height, p.pitch, maxColors, colorBits,
                           palette);
    });
}

// The pixels of a picture in memory order, decoded as the library must read them.
inline std::vector<Color> decode(const Picture& p, const std::uint8_t* first, std::int32_t pitch) {
    std::vector<Color> out;
    out.reserve(std::size_t{p.width} * p.height);
    for (std::uint32_t y = 0; y < p.height; ++y) {
        const std::uint8_t* in = first + static_cast<std::ptrdiff_t>(y) * pitch;
        for (std::uint32_t x = 0; x < p.width; ++x) {
            if (p.layout == Layout::Rgb565) {
                const unsigned v = in[0] | (in[1] << 8);
                out.push_back({static_cast<std::uint8_t>((v & 0x1F) << 3),
                               static_cast<std::uint8_t>(((v >> 5) & 0x3F) << 2),
                               static_cast<std::uint8_t>((v >> 11) << 3)});
            } else {
                out.push_back({in[0], in[1], in[2]});
            }
            in += bytesPerPixel(p.layout);
        }
    }
    return out;
}

} // namespace octree_test

namespace reference {
inline std::ostream& operator<<(std::ostream& os, const Color& c) {
    return os << "(" << int(c.c0) << ", " << int(c.c1) << ", " << int(c.c2) << ")";
}
} // namespace reference
