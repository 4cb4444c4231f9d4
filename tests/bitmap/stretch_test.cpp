#include "Stretch.h"

#include <gtest/gtest.h>

#include <vector>

using tw::bitmap::PixelView32;
using tw::bitmap::Stretcher;

namespace {

struct Picture {
    int w, h;
    std::vector<std::uint32_t> px;
    PixelView32 view() const {
        return {reinterpret_cast<const std::uint8_t*>(px.data()), w, h,
                static_cast<std::ptrdiff_t>(w) * 4};
    }
};

std::vector<std::uint32_t> stretch(const Picture& p, int dw, int dh) {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(dw) * dh);
    Stretcher(p.view(), dw, dh)
        .rows(0, dh, reinterpret_cast<std::uint8_t*>(out.data()), std::ptrdiff_t{dw} * 4);
    return out;
}

} // namespace

struct StretchCase {
    const char* name;
    Picture src;
    int dw, dh;
    std::vector<std::uint32_t> expected;
};

TEST(Stretch, ExactSmallCases) {
    const std::vector<StretchCase> cases = {
        {"identity", {2, 2, {1, 2, 3, 4}}, 2, 2, {1, 2, 3, 4}},
        {"2x enlargement repeats",
         {2, 1, {0xA, 0xB}},
         4,
         2,
         {0xA, 0xA, 0xB, 0xB, 0xA, 0xA, 0xB, 0xB}},
        {"2x shrink ANDs 2x2 blocks",
         {4, 2, {0xF0F0F0F0, 0xFF00FF00, 0x0F, 0xFF, 0x30F0F0F0, 0xFFFFFFFF, 0x1F, 0x3F}},
         2,
         1,
         {0xF0F0F0F0 & 0xFF00FF00 & 0x30F0F0F0 & 0xFFFFFFFF, 0x0F & 0xFF & 0x1F & 0x3F}},
        // 3 -> 2: pixel 0 takes source 0 (0*3/2=0 .. 1*3/2-1=0), pixel 1 takes 1..2.
        {"3 to 2 columns", {3, 1, {0x7, 0x6, 0x3}}, 2, 1, {0x7, 0x6 & 0x3}},
        // Enlarging 2 -> 3: pixel d takes floor(d*2/3): 0, 0, 1.
        {"2 to 3 columns", {2, 1, {0x1, 0x2}}, 3, 1, {0x1, 0x1, 0x2}},
        // Shrink one axis while enlarging the other.
        {"shrink x, enlarge y", {2, 1, {0x3, 0x5}}, 1, 2, {0x1, 0x1}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(stretch(c.src, c.dw, c.dh), c.expected) << c.name;
    }
}

TEST(Stretch, BandsMatchWholeStretch) {
    Picture p{37, 29, {}};
    for (int i = 0; i < p.w * p.h; ++i)
        p.px.push_back(0x9E3779B9u * static_cast<unsigned>(i + 1));
    for (auto [dw, dh] :
         {std::pair{64, 64}, std::pair{20, 13}, std::pair{37, 29}, std::pair{5, 70}}) {
        const auto whole = stretch(p, dw, dh);
        const Stretcher s(p.view(), dw, dh);
        std::vector<std::uint32_t> band(static_cast<std::size_t>(dw) * 7);
        for (int y0 = 0; y0 < dh; y0 += 7) {
            const int y1 = std::min(dh, y0 + 7);
            s.rows(y0, y1, reinterpret_cast<std::uint8_t*>(band.data()), std::ptrdiff_t{dw} * 4);
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < dw; ++x)
                    ASSERT_EQ(band[static_cast<std::size_t>((y - y0) * dw + x)],
                              whole[static_cast<std::size_t>(y * dw + x)])
                        << dw << "x" << dh << " at " << x << "," << y;
        }
    }
}
