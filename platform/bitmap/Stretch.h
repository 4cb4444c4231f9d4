// The default-mode stretch of a 32-bit picture, row band by row band.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tw::bitmap {

// Read-only view of 32-bit pixels (blue, green, red, ignored). `rowStride` is the
// distance in bytes from a picture row to the row below it; negative for bottom-up memory.
struct PixelView32 {
    const std::uint8_t* top = nullptr; // first byte of the picture's top row
    int width = 0;
    int height = 0;
    std::ptrdiff_t rowStride = 0;
    const std::uint32_t* row(int y) const {
        return reinterpret_cast<const std::uint32_t*>(top + rowStride * y);
    }
};

// For one axis: destination pixel d takes source pixels [first[d], last[d]] inclusive.
// Enlarging (dst >= src) repeats: first = last = floor(d * src / dst). Shrinking takes the
// dropped pixels too: first = floor(d * src / dst), last = floor((d + 1) * src / dst) - 1.
struct AxisMap {
    std::vector<int> first;
    std::vector<int> last;
    AxisMap(int src, int dst);
};

// Stretches `src` onto a dstWidth x dstHeight picture and writes destination rows
// [y0, y1), counted from the top, to `out` (row y0 first, `outStride` bytes apart).
// Pixels combined by shrinking are ANDed as 32-bit values. Bands computed separately
// are identical to the same rows of one whole stretch.
class Stretcher {
  public:
    Stretcher(const PixelView32& src, int dstWidth, int dstHeight);
    void rows(int y0, int y1, std::uint8_t* out, std::ptrdiff_t outStride) const;

  private:
    PixelView32 src_;
    int dstWidth_;
    int dstHeight_;
    AxisMap xs_;
    AxisMap ys_;
};

} // namespace tw::bitmap
