// The CPU path of Dither: DitherPixel's result for every pixel, computed with cached
// nearest-entry searches and, for large images, on two threads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw::dither {

// The layout of one call's buffers. Arguments are already checked: bitsPerPixel 24 or 32,
// width and height at least 1, count 1..256, pointers not null.
struct DitherJob {
    int bitsPerPixel;
    std::int32_t width;
    std::int32_t height;
    const std::uint8_t* image;
    const std::uint8_t* palette;
    int count;
    std::uint8_t* indices;

    std::ptrdiff_t ImagePitch() const {
        return ((std::ptrdiff_t{width} * bitsPerPixel + 31) / 32) * 4;
    }
    std::ptrdiff_t IndexPitch() const { return ((std::ptrdiff_t{width} + 3) / 4) * 4; }
};

// Fills job.indices exactly as DitherPixel would, pixel by pixel.
void DitherOnCpu(const DitherJob& job);

} // namespace tw::dither
