// The builder when tree nodes run out, and the node count it needs.
#include "OctreeBuilder.h"
#include "PaletteTestSupport.h"

#include <gtest/gtest.h>

using namespace octree_test;

namespace {

PaletteOutcome buildWithNodeLimit(const Picture& p, std::uint32_t maxColors,
                                  std::uint32_t colorBits, std::size_t nodeLimit) {
    const tw::octree::PixelRows rows{p.first(), p.width, p.height, p.pitch,
                                     tw::octree::PixelLayout::Bgr888};
    return runOnPalette([&](void* palette) -> std::int32_t {
        return tw::octree::buildPalette(rows, maxColors, colorBits, palette, nodeLimit) ? 1 : 0;
    });
}

TEST(OctreeBuilder, StopsWithoutTouchingThePaletteWhenANodeCannotBeAllocated) {
    // Black then white: the second colour leaves the root at once, so the two paths need
    // 9 + 8 nodes.
    std::vector<Color> pixels = {bgr(0, 0, 0), bgr(255, 255, 255)};
    std::mt19937 rng(17);
    for (int i = 0; i < 298; ++i)
        pixels.push_back(bgr(rng() & 0xFF, rng() & 0xFF, rng() & 0xFF));
    const Picture blackOnly = makePicture(Layout::Rgb888, {pixels[0]}, 1, 1);
    const Picture mixed = makePicture(Layout::Rgb888, pixels, 20, 15);

    const struct {
        const char* name;
        const Picture& picture;
        std::uint32_t maxColors, colorBits;
        std::size_t nodeLimit;
        std::int32_t result;
    } cases[] = {
        {"one path needs colorBits + 1 nodes", blackOnly, 254, 8, 8, 0},
        {"exactly enough for one path", blackOnly, 254, 8, 9, 1},
        {"the second path runs out", mixed, 4, 8, 12, 0},
        {"the last leaves run out", mixed, 254, 8, 600, 0},
        // At most maxColors + 1 leaves live at once, each below at most colorBits nodes.
        {"(maxColors + 1) x (colorBits + 1) nodes always suffice", mixed, 4, 8, 5 * 9, 1},
        {"the same with fewer colour bits", mixed, 30, 3, 31 * 4, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PaletteOutcome out =
            buildWithNodeLimit(c.picture, c.maxColors, c.colorBits, c.nodeLimit);
        EXPECT_EQ(out.result, c.result);
        EXPECT_EQ(out.damage, "");
        if (c.result == 0) {
            EXPECT_TRUE(out.entries.empty());
        } else {
            const PaletteOutcome unlimited = buildWithNodeLimit(c.picture, c.maxColors, c.colorBits,
                                                                tw::octree::kUnlimitedNodes);
            EXPECT_EQ(out.entries, unlimited.entries);
            EXPECT_FALSE(out.entries.empty());
        }
    }
}

} // namespace
