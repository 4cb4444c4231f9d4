// Ordered dithering of one pixel on the CPU, and the arithmetic the fast whole-image path
// shares with it so that both give the same index for every pixel.
#pragma once

#include "DitherMatrix.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace tw::dither {

// The largest squared distance between two byte colours, 3 x 255 x 255.
inline constexpr std::int32_t kLargestDistanceSq = 195075;

// A palette entry: blue, green, red, ignored.
inline const std::uint8_t* PaletteEntry(const void* palette, int index) {
    return static_cast<const std::uint8_t*>(palette) + 4 * index;
}

inline std::int32_t DistanceSq(std::int32_t red, std::int32_t green, std::int32_t blue,
                               const std::uint8_t* entry) {
    const std::int32_t dr = red - entry[2];
    const std::int32_t dg = green - entry[1];
    const std::int32_t db = blue - entry[0];
    return dr * dr + dg * dg + db * db;
}

// Index of the nearest of the first `count` entries by integer squared distance. Ties keep
// the lower index; an entry at the largest possible distance never replaces entry 0.
inline std::uint8_t FindNearestColor(std::int32_t red, std::int32_t green, std::int32_t blue,
                                     const void* palette, std::int32_t count) {
    std::int32_t best = kLargestDistanceSq;
    std::int32_t result = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t d = DistanceSq(red, green, blue, PaletteEntry(palette, i));
        if (d < best) {
            best = d;
            result = i;
        }
    }
    return static_cast<std::uint8_t>(result);
}

struct ByteColor {
    std::int32_t red;
    std::int32_t green;
    std::int32_t blue;
};

inline float ClampUnit(float v) {
    return v > 1.0f ? 1.0f : (v < 0.0f ? 0.0f : v);
}

// b / 255 for every byte b, and m / 255 x 2 - 1 for the matrix value m at every matrix
// position: the same single-precision quotients the arithmetic below would compute
// (IEEE division is correctly rounded at compile time and at run time alike), looked up
// instead of divided.
inline constexpr std::array<float, 256> kByteToUnit = [] {
    std::array<float, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = static_cast<float>(b) / 255.0f;
    return table;
}();
inline constexpr std::array<float, 256> kMatrixFactor = [] {
    std::array<float, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<float>(kDitherMatrix[i]) / 255.0f * 2.0f - 1.0f;
    return table;
}();

// The colour searched for the second time (red, green, blue are bytes): the pixel moved along the
// grey axis by the matrix value scaled with its distance to the nearest entry (divided by the
// square root of 3), clamped to the colour cube and truncated back to bytes. Single precision
// except for the square root, which is taken in double and rounded back.
inline ByteColor ShiftedColor(std::int32_t x, std::int32_t y, std::int32_t red, std::int32_t green,
                              std::int32_t blue, const std::uint8_t* nearest) {
    float r = kByteToUnit[red];
    float g = kByteToUnit[green];
    float b = kByteToUnit[blue];
    const float pr = kByteToUnit[nearest[2]];
    const float pg = kByteToUnit[nearest[1]];
    const float pb = kByteToUnit[nearest[0]];
    const float sum = (pr - r) * (pr - r) + (pg - g) * (pg - g) + (pb - b) * (pb - b);
    const float dist = static_cast<float>(std::sqrt(static_cast<double>(sum)));
    const float v = dist * kMatrixFactor[((y & 15) << 4) | (x & 15)] / 1.7320508f;
    r = ClampUnit(r + v);
    g = ClampUnit(g + v);
    b = ClampUnit(b + v);
    return {static_cast<std::int32_t>(r * 255.0f), static_cast<std::int32_t>(g * 255.0f),
            static_cast<std::int32_t>(b * 255.0f)};
}

// Components outside 0..255 are outside the contract; clamping them keeps the integer
// arithmetic defined.
inline std::int32_t ClampByte(std::int32_t v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

inline std::uint8_t DitherPixel(std::int32_t x, std::int32_t y, std::int32_t red,
                                std::int32_t green, std::int32_t blue, const void* palette,
                                std::int32_t count) {
    if (palette == nullptr || count < 1) return 0;
    red = ClampByte(red);
    green = ClampByte(green);
    blue = ClampByte(blue);
    const std::uint8_t n = FindNearestColor(red, green, blue, palette, count);
    const ByteColor s = ShiftedColor(x, y, red, green, blue, PaletteEntry(palette, n));
    return FindNearestColor(s.red, s.green, s.blue, palette, count);
}

} // namespace tw::dither
