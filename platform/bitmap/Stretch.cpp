#include "Stretch.h"

#include <cstring>

namespace tw::bitmap {

AxisMap::AxisMap(int src, int dst) : first(static_cast<std::size_t>(dst)), last(first.size()) {
    for (int d = 0; d < dst; ++d) {
        const int lo = static_cast<int>(std::int64_t{d} * src / dst);
        int hi = lo;
        if (dst < src) hi = static_cast<int>(std::int64_t{d + 1} * src / dst) - 1;
        first[static_cast<std::size_t>(d)] = lo;
        last[static_cast<std::size_t>(d)] = hi;
    }
}

Stretcher::Stretcher(const PixelView32& src, int dstWidth, int dstHeight)
    : src_(src), dstWidth_(dstWidth), dstHeight_(dstHeight), xs_(src.width, dstWidth),
      ys_(src.height, dstHeight) {}

void Stretcher::rows(int y0, int y1, std::uint8_t* out, std::ptrdiff_t outStride) const {
    const bool sameWidth = src_.width == dstWidth_;
    for (int y = y0; y < y1; ++y) {
        auto* dst = reinterpret_cast<std::uint32_t*>(out + outStride * (y - y0));
        const int r0 = ys_.first[static_cast<std::size_t>(y)];
        const int r1 = ys_.last[static_cast<std::size_t>(y)];
        if (sameWidth) {
            std::memcpy(dst, src_.row(r0), static_cast<std::size_t>(dstWidth_) * 4);
            for (int r = r0 + 1; r <= r1; ++r) {
                const std::uint32_t* s = src_.row(r);
                for (int x = 0; x < dstWidth_; ++x)
                    dst[x] &= s[x];
            }
            continue;
        }
        for (int x = 0; x < dstWidth_; ++x)
            dst[x] = 0xFFFFFFFFu;
        for (int r = r0; r <= r1; ++r) {
            const std::uint32_t* s = src_.row(r);
            for (int x = 0; x < dstWidth_; ++x) {
                const int c0 = xs_.first[static_cast<std::size_t>(x)];
                const int c1 = xs_.last[static_cast<std::size_t>(x)];
                std::uint32_t v = s[c0];
                for (int c = c0 + 1; c <= c1; ++c)
                    v &= s[c];
                dst[x] &= v;
            }
        }
    }
}

} // namespace tw::bitmap
