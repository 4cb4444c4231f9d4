// The octree palette builder behind the exported functions of libOctree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace tw::octree {

enum class PixelLayout {
    Bgr888,   // 3 bytes: blue, green, red
    Bgrx8888, // 4 bytes: blue, green, red, ignored
    Rgb565,   // little-endian 16-bit value, blue in the low bits
};

// Rows of pixels in memory; row r starts at first + r * pitch.
struct PixelRows {
    const void* first = nullptr;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::int32_t pitch = 0;
    PixelLayout layout = PixelLayout::Bgr888;
};

inline constexpr std::size_t kUnlimitedNodes = std::numeric_limits<std::size_t>::max();

// Builds the palette of at most maxColors entries from the pixels taken row by row in
// memory order and writes bytes 0 to 2 of entries 0, 1, ... of `palette`. Returns false,
// with the palette untouched, for colorBits above 8, an empty picture, maxColors 0, a
// null pointer, a pitch shorter than a row, or when a tree node cannot be allocated.
// nodeLimit caps the number of tree nodes alive at once; the default leaves only the
// heap as the limit.
bool buildPalette(const PixelRows& rows, std::uint32_t maxColors, std::uint32_t colorBits,
                  void* palette, std::size_t nodeLimit = kUnlimitedNodes) noexcept;

// Bytes per pixel of a layout.
std::uint32_t bytesPerPixel(PixelLayout layout) noexcept;

} // namespace tw::octree
