// The 16 x 16 ordered-dither matrix: a permutation of 0..255, row-major.
#pragma once

#include <cstdint>

namespace tw::dither {

inline constexpr int kMatrixSide = 16;

extern const std::uint8_t kDitherMatrix[kMatrixSide * kMatrixSide];

// The matrix element for pixel column x and row y (buffer order). Masking rather than `%`
// keeps negative coordinates inside the table; for x, y >= 0 it is x mod 16, y mod 16.
inline std::uint8_t MatrixValue(std::int32_t x, std::int32_t y) {
    return kDitherMatrix[((y & 15) << 4) | (x & 15)];
}

} // namespace tw::dither
