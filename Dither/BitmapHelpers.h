// Row and image sizes of device-independent bitmaps, and a 24-bit copy of a bitmap.
#pragma once

#include "gdi.h"

#include <cstdint>

namespace tw::dither {

// ((width * bitsPerPixel - 1) / 32) * 4 + 4 with division toward zero; results beyond 32
// bits wrap as 32-bit arithmetic would.
std::int32_t RowPitch(std::int32_t width, std::int32_t bitsPerPixel);
std::int32_t ImageSize(std::int32_t width, std::int32_t bitsPerPixel, std::int32_t height);

// The bottom-up 24-bit copy of width x height pixels from (0, 0) of the bitmap selected
// into `source`. False, with nothing written, on bad arguments or when the memory
// context, the section or the copy cannot be made.
bool Copy24BitBits(HDC source, std::int32_t width, std::int32_t height, void* destination);

} // namespace tw::dither
