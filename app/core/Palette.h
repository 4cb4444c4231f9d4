// 256 palette entries of four bytes each: blue, green, red, reserved.
#pragma once

#include <array>
#include <cstdint>

namespace tw {

using Palette = std::array<std::uint8_t, 1024>;
using PaletteEntry = std::array<std::uint8_t, 4>; // blue, green, red, reserved

// Entry i is grey level i: blue, green and red all i, reserved 0.
Palette makeGreyPalette();

} // namespace tw
