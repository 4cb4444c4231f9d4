#include "PaletteTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>

using namespace octree_test;

namespace {

constexpr Color kBlack = bgr(0, 0, 0);
constexpr Color kWhite = bgr(255, 255, 255);
constexpr Layout kLayouts[] = {Layout::Rgb888, Layout::Rgb8888, Layout::Rgb565};

struct PaletteCase {
    const char* name;
    Layout layout;
    std::vector<Color> pixels;
    std::uint32_t width, height;
    std::uint32_t maxColors, colorBits;
    std::vector<Color> expected;
};

TEST(OctreePalette, WritesTheEntriesOfTheFinalTree) {
    const Color a = bgr(10, 20, 30);
    const std::vector<PaletteCase> cases = {
        {"one colour", Layout::Rgb888, std::vector<Color>(6, a), 3, 2, 254, 8, {a}},
        {"one colour, 32-bit", Layout::Rgb8888, std::vector<Color>(6, a), 2, 3, 254, 8, {a}},
        {"colorBits 0: the truncated average of all pixels",
         Layout::Rgb888,
         {kBlack, bgr(1, 1, 1), bgr(255, 2, 5), bgr(3, 200, 7)},
         2,
         2,
         254,
         0,
         {bgr(64, 50, 3)}},
        {"black and blue with one colour end in the root",
         Layout::Rgb888,
         {kBlack, bgr(255, 0, 0)},
         2,
         1,
         1,
         8,
         {bgr(127, 0, 0)}},
        {"5-6-5 white", Layout::Rgb565, {kWhite}, 1, 1, 254, 8, {bgr(248, 252, 248)}},
        {"entries in tree order, not insertion order",
         Layout::Rgb888,
         {kWhite, bgr(0, 0, 255), kBlack, bgr(0, 255, 0)},
         4,
         1,
         254,
         8,
         {kBlack, bgr(0, 0, 255), bgr(0, 255, 0), kWhite}},
        {"colours agreeing in the top colorBits bits share an entry",
         Layout::Rgb8888,
         {kBlack, bgr(64, 0, 0), bgr(63, 63, 63)},
         3,
         1,
         254,
         2,
         {bgr(31, 31, 31), bgr(64, 0, 0)}},
        // Eight colours below one level-7 node: the ninth leaf makes that node merge all
        // eight at once, leaving two entries where eight were allowed.
        {"one merge can remove seven leaves",
         Layout::Rgb888,
         {kWhite, bgr(2, 2, 2), bgr(2, 2, 3), bgr(2, 3, 2), bgr(2, 3, 3), bgr(3, 2, 2),
          bgr(3, 2, 3), bgr(3, 3, 2), bgr(3, 3, 3)},
         3,
         3,
         8,
         8,
         {bgr(2, 2, 2), kWhite}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PaletteOutcome out = runOnPalette(makePicture(c.layout, c.pixels, c.width, c.height),
                                                c.maxColors, c.colorBits);
        EXPECT_EQ(out.result, 1);
        EXPECT_EQ(out.entries, c.expected);
        EXPECT_EQ(out.damage, "");
    }
}

TEST(OctreePalette, Rgb565ExpandsEachField) {
    const struct {
        std::uint16_t value;
        Color expected;
    } cases[] = {
        {0xFFFF, bgr(248, 252, 248)}, {0x001F, bgr(248, 0, 0)}, {0x07E0, bgr(0, 252, 0)},
        {0xF800, bgr(0, 0, 248)},     {0x0821, bgr(8, 4, 8)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        // Little-endian value, then two junk bytes of padding.
        const std::uint8_t pixel[4] = {static_cast<std::uint8_t>(c.value),
                                       static_cast<std::uint8_t>(c.value >> 8), 0xFF, 0xFF};
        const PaletteOutcome out = runOnPalette([&](void* palette) {
            return CreateOctreePaletteRGB565(pixel, 1, 1, 4, 254, 8, palette);
        });
        EXPECT_EQ(out.result, 1);
        EXPECT_EQ(out.entries, std::vector<Color>{c.expected});
        EXPECT_EQ(out.damage, "");
    }
}

TEST(OctreePalette, RefusedCallsReturnZeroAndLeaveThePaletteAlone) {
    const std::vector<Color> pixels(6, bgr(1, 2, 3));
    for (const Layout layout : kLayouts) {
        const Picture p = makePicture(layout, pixels, 3, 2);
        const std::int32_t row = static_cast<std::int32_t>(3 * bytesPerPixel(layout));
        using Call = std::function<std::int32_t(void*)>;
        const struct {
            const char* name;
            Call call;
        } cases[] = {
            {"colorBits 9",
             [&](void* pal) { return callLibrary(layout, p.first(), 3, 2, p.pitch, 254, 9, pal); }},
            {"width 0",
             [&](void* pal) { return callLibrary(layout, p.first(), 0, 2, p.pitch, 254, 8, pal); }},
            {"height 0",
             [&](void* pal) { return callLibrary(layout, p.first(), 3, 0, p.pitch, 254, 8, pal); }},
            {"maxColors 0",
             [&](void* pal) { return callLibrary(layout, p.first(), 3, 2, p.pitch, 0, 8, pal); }},
            {"null pixels",
             [&](void* pal) { return callLibrary(layout, nullptr, 3, 2, p.pitch, 254, 8, pal); }},
            {"pitch one byte short of a row",
             [&](void* pal) { return callLibrary(layout, p.first(), 3, 2, row - 1, 254, 8, pal); }},
            {"negative pitch one byte short",
             [&](void* pal) {
                 return callLibrary(layout, p.first(), 3, 2, -(row - 1), 254, 8, pal);
             }},
            {"null palette",
             [&](void*) { return callLibrary(layout, p.first(), 3, 2, p.pitch, 254, 8, nullptr); }},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(name(layout)) + ": " + c.name);
            const PaletteOutcome out = runOnPalette(c.call);
            EXPECT_EQ(out.result, 0);
            EXPECT_TRUE(out.entries.empty());
            EXPECT_EQ(out.damage, "");
        }
        // The same picture with the row length as pitch is accepted.
        EXPECT_EQ(runOnPalette([&](void* pal) {
                      return callLibrary(layout, p.first(), 3, 1, row, 254, 8, pal);
                  }).result,
                  1);
    }
}

// A, B share the level-1 node under slot 0 of the root, C, D the one under slot 4. With
// three colours allowed the fourth leaf merges the level-1 node created last, so the pair
// that arrives second is averaged.
TEST(OctreePalette, PixelOrderDecidesWhichNodeMerges) {
    const Color a = bgr(0x00, 0, 0), b = bgr(0x40, 0, 0), c = bgr(0x80, 0, 0), d = bgr(0xC0, 0, 0);
    const std::vector<Color> abFirst = {bgr(0, 0, 0), bgr(64, 0, 0), bgr(160, 0, 0)};
    const std::vector<Color> cdFirst = {bgr(32, 0, 0), bgr(128, 0, 0), bgr(192, 0, 0)};
    const struct {
        const char* name;
        std::vector<Color> pixels;
        std::uint32_t width, height;
        std::uint32_t colorBits;
        std::vector<Color> expected;
    } cases[] = {
        {"A B C D", {a, b, c, d}, 4, 1, 8, abFirst},
        {"C D A B", {c, d, a, b}, 4, 1, 8, cdFirst},
        {"rows A B / C D", {a, b, c, d}, 2, 2, 8, abFirst},
        {"rows C D / A B", {c, d, a, b}, 2, 2, 8, cdFirst},
        {"C D A B, two colour bits", {c, d, a, b}, 4, 1, 2, cdFirst},
        {"A C B D: C D's node is newer", {a, c, b, d}, 4, 1, 8, abFirst},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        const PaletteOutcome out = runOnPalette(
            makePicture(Layout::Rgb888, tc.pixels, tc.width, tc.height), 3, tc.colorBits);
        EXPECT_EQ(out.result, 1);
        EXPECT_EQ(out.entries, tc.expected);
        EXPECT_EQ(out.damage, "");
    }

    // A negative pitch takes the rows downward in memory: rows A B / C D read from the
    // last row give C D A B.
    const Picture p = makePicture(Layout::Rgb888, {a, b, c, d}, 2, 2);
    const PaletteOutcome out = runOnPalette([&](void* pal) {
        return CreateOctreePaletteRGB888(p.bytes.data() + p.pitch, 2, 2, -p.pitch, 3, 8, pal);
    });
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.entries, cdFirst);
}

// The path of a colour through the tree, three bits per level from the top.
std::uint32_t pathOf(Color c) {
    std::uint32_t path = 0;
    for (int bit = 7; bit >= 0; --bit)
        path =
            path << 3 | ((c.c0 >> bit) & 1) << 2 | ((c.c1 >> bit) & 1) << 1 | ((c.c2 >> bit) & 1);
    return path;
}

// True when `entries`, in order, are the truncated averages of consecutive octree cells of
// at most colorBits levels that together hold all of `pixels` (sorted by path), which is
// what a palette of leaves in tree order must be. A search over where each cell ends,
// remembering the (pixel, entry) positions that led nowhere.
class CellAverages {
  public:
    CellAverages(const std::vector<Color>& sortedPixels, unsigned colorBits)
        : pixels_(sortedPixels), colorBits_(colorBits) {}

    bool match(const std::vector<Color>& entries) {
        entries_ = &entries;
        deadEnds_.assign((pixels_.size() + 1) * (entries.size() + 1), false);
        return match(0, 0);
    }

  private:
    bool match(std::size_t i, std::size_t k) {
        const std::vector<Color>& entries = *entries_;
        if (k == entries.size() || i == pixels_.size())
            return k == entries.size() && i == pixels_.size();
        const std::size_t state = i * (entries.size() + 1) + k;
        if (deadEnds_[state]) return false;
        for (unsigned depth = 0; depth <= colorBits_; ++depth) {
            const auto cell = [&](std::size_t at) {
                return pathOf(pixels_[at]) >> (24 - 3 * depth);
            };
            if (i > 0 && cell(i - 1) == cell(i)) continue; // would not start a cell
            std::size_t j = i;
            std::uint64_t s0 = 0, s1 = 0, s2 = 0;
            for (; j < pixels_.size() && cell(j) == cell(i); ++j) {
                s0 += pixels_[j].c0;
                s1 += pixels_[j].c1;
                s2 += pixels_[j].c2;
            }
            const std::uint64_t n = j - i;
            const Color average{static_cast<std::uint8_t>(s0 / n),
                                static_cast<std::uint8_t>(s1 / n),
                                static_cast<std::uint8_t>(s2 / n)};
            if (average == entries[k] && match(j, k + 1)) return true;
        }
        deadEnds_[state] = true;
        return false;
    }

    const std::vector<Color>& pixels_;
    unsigned colorBits_;
    const std::vector<Color>* entries_ = nullptr;
    std::vector<bool> deadEnds_;
};

TEST(OctreePalette, ThreeHundredColoursBecomeAveragesOfOctreeCells) {
    std::mt19937 rng(300);
    std::vector<Color> pixels;
    for (int i = 0; i < 300; ++i) {
        const Color c = bgr(rng() & 0xFF, rng() & 0xFF, rng() & 0xFF);
        pixels.insert(pixels.end(), 1 + rng() % 3, c); // unequal weights
    }
    std::shuffle(pixels.begin(), pixels.end(), rng);
    const auto width = static_cast<std::uint32_t>(pixels.size());
    const PaletteOutcome out = runOnPalette(makePicture(Layout::Rgb888, pixels, width, 1), 254, 8);
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.damage, "");
    // Merges start at the 255th leaf, and one merge turns at most eight leaves into one.
    EXPECT_GE(out.entries.size(), 248u);
    EXPECT_LE(out.entries.size(), 254u);
    std::sort(pixels.begin(), pixels.end(), [](Color x, Color y) { return pathOf(x) < pathOf(y); });
    CellAverages cells(pixels, 8);
    EXPECT_TRUE(cells.match(out.entries));
    // The oracle is not a formality: the same entries in another order do not pass.
    std::vector<Color> swapped = out.entries;
    std::swap(swapped.front(), swapped.back());
    EXPECT_FALSE(cells.match(swapped));
}

// 17,640,000 white pixels sum to 4,498,200,000 per component, past 32 bits.
TEST(OctreePalette, SumsOfALargeWhiteLeafDoNotWrap) {
    const std::uint32_t side = 4200;
    std::vector<std::uint8_t> white(std::size_t{side} * side * 3, 0xFF);
    const PaletteOutcome out = runOnPalette([&](void* palette) {
        return CreateOctreePaletteRGB888(white.data(), side, side, side * 3, 254, 8, palette);
    });
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.entries, std::vector<Color>{kWhite});
    EXPECT_EQ(out.damage, "");
}

TEST(GetBitmapPitch, RowsArePaddedToFourBytes) {
    const struct {
        std::int32_t bits, width, pitch;
    } cases[] = {
        {24, 1, 4},
        {24, 2, 8},
        {24, 11, 36},
        {32, 5, 20},
        {8, 5, 8},
        {1, 33, 8},
        {16, 3, 8},
        {24, 0, 0},
        {0x10018, 11, 36},   // only the low 16 bits of the bit count count
        {24, -1, 0},         // a negative width has no row
        {32, 0x7FFFFFFF, 0}, // nor has a row longer than the result can hold
        {32, 0x1FFFFFFF, 0x7FFFFFFC},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, width " << c.width);
        EXPECT_EQ(GetBitmapPitch(c.bits, c.width), c.pitch);
    }
}

} // namespace
