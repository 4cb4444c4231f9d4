// The CPU path: DitherPixel on hand-computed pixels, and Dither on a CPU-mode context
// giving DitherPixel's result for every pixel of every layout.
#include "Dither.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using dither_test::DitherPixelByPixel;
using dither_test::Indices;
using dither_test::MakePalette;
using dither_test::PaletteFrom;
using dither_test::PhotoLike;
using dither_test::Picture;
using dither_test::Rgb;

struct ContextDeleter {
    void operator()(DitherGLState* state) const { DestroyDitherGLContext(&state); }
};
using Context = std::unique_ptr<DitherGLState, ContextDeleter>;

Context CpuContext() {
    return Context(CreateDitherContextEx(1));
}

const std::vector<Rgb> kGreyRamp = {{0, 0, 0}, {85, 85, 85}, {170, 170, 170}, {255, 255, 255}};

struct HandCase {
    const char* what;
    std::vector<Rgb> palette;
    Rgb colour;
    int x, y;
    int expected;
};

// Worked out with single-precision arithmetic: r = c / 255, dist to the nearest entry,
// v = dist * (m / 255 * 2 - 1) / 1.7320508, clamp, truncate to bytes, search again.
const HandCase kHandCases[] = {
    {"equal to an entry: distance 0, offset 0", kGreyRamp, {170, 170, 170}, 5, 9, 2},
    {"equal to a repeated entry: the first one",
     {{0, 0, 0}, {10, 10, 10}, {10, 10, 10}},
     {10, 10, 10},
     3,
     3,
     1},
    // Both entries at distance 1; m = 255 shifts to (1, 0, 0), a tie again.
    {"ties keep the lower index", {{0, 0, 0}, {2, 0, 0}}, {1, 0, 0}, 7, 6, 0},
    // Nearest 85, dist = 35 * sqrt(3) / 255, m = 251: v = 0.13295, 0.60354 * 255 -> 153.
    {"a bright matrix value moves to the next entry", kGreyRamp, {120, 120, 120}, 3, 2, 2},
    // m = 0: v = -35 / 255, back onto 85.
    {"a dark matrix value keeps the nearest entry", kGreyRamp, {120, 120, 120}, 0, 0, 1},
    // m = 217: 0.50019 * 255 = 127.55 truncates to 127, nearer 85 than 170 (rounding: 170).
    {"shifted components truncate toward zero", kGreyRamp, {110, 110, 110}, 11, 0, 1},
    // Nearest (20, 200, 120) at 234.1 / 255; m = 0 shifts by -135 per channel: clamped to
    // black it stays on entry 1 (unclamped, entry 0 would win).
    {"shifted components clamp at 0", {{30, 230, 230}, {200, 0, 200}}, {0, 0, 0}, 0, 0, 1},
    {"shifted components clamp at 1", {{160, 30, 0}, {10, 80, 80}}, {255, 255, 255}, 7, 6, 1},
    {"one channel clamps while another does not",
     {{0, 255, 255}, {40, 230, 200}},
     {200, 0, 0},
     0,
     0,
     1},
    {"the matrix repeats every 16 columns and rows", kGreyRamp, {120, 120, 120}, 19, 18, 2},
    {"the matrix repeats every 16 columns and rows, twice", kGreyRamp, {120, 120, 120}, 35, 34, 2},
};

TEST(CpuDither, HandComputedPixels) {
    const Context context = CpuContext();
    ASSERT_NE(context, nullptr);
    for (const HandCase& c : kHandCases) {
        const std::vector<std::uint8_t> palette = MakePalette(c.palette);
        const int count = static_cast<int>(c.palette.size());
        EXPECT_EQ(DitherPixel(c.x, c.y, c.colour.red, c.colour.green, c.colour.blue, palette.data(),
                              count),
                  c.expected)
            << c.what;
        // The same pixel inside a picture of that colour, through Dither.
        for (int bpp : {24, 32}) {
            Picture picture(bpp, c.x + 1, c.y + 1);
            for (int y = 0; y <= c.y; ++y)
                for (int x = 0; x <= c.x; ++x)
                    picture.set(x, y, c.colour);
            Indices out(picture.width, picture.height);
            ASSERT_EQ(Dither(context.get(), bpp, picture.width, picture.height,
                             picture.bytes.data(), palette.data(), count, out.data()),
                      0);
            EXPECT_EQ(out.at(c.x, c.y), c.expected) << c.what << ", " << bpp << " bits";
        }
    }
}

TEST(CpuDither, DitherPixelRepeatsEvery16PixelsAndTheMatrixMixesNeighbouringEntries) {
    const std::vector<std::uint8_t> palette = MakePalette(kGreyRamp);
    for (int grey : {20, 64, 100, 120, 200, 240}) {
        bool seen[4] = {false, false, false, false};
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const std::uint8_t here = DitherPixel(x, y, grey, grey, grey, palette.data(), 4);
                EXPECT_EQ(DitherPixel(x + 16, y + 16, grey, grey, grey, palette.data(), 4), here);
                EXPECT_EQ(DitherPixel(x + 48, y, grey, grey, grey, palette.data(), 4), here);
                EXPECT_EQ(DitherPixel(x, y + 32, grey, grey, grey, palette.data(), 4), here);
                seen[here] = true;
            }
        }
        // Grey g lies between entries g / 85 and g / 85 + 1; far enough from the nearer one
        // (more than a quarter of the step), the matrix reaches the other one too.
        const int lower = grey / 85;
        const int offset = grey % 85;
        const bool mixes = offset > 85 / 4 && offset < 85 - 85 / 4;
        EXPECT_TRUE(seen[lower] || offset > 42) << "grey " << grey;
        EXPECT_EQ(seen[lower] && seen[lower + 1], mixes) << "grey " << grey;
    }
}

TEST(CpuDither, DitherGivesDitherPixelForEveryPixelIn24And32BitsWithPaddedRows) {
    const Context context = CpuContext();
    struct Layout {
        int width, height;
    };
    for (const Layout& layout : {Layout{33, 5}, Layout{32, 32}, Layout{1, 1}, Layout{17, 40}}) {
        const Picture photo32 = PhotoLike(32, layout.width, layout.height, 7);
        const std::vector<std::uint8_t> palette = PaletteFrom(photo32, 256);
        const Indices expected = DitherPixelByPixel(photo32, palette, 256);
        for (int bpp : {24, 32}) {
            // converted() fills the row padding with 0xEE: padding must be ignored.
            const Picture picture = photo32.converted(bpp);
            Indices out(layout.width, layout.height, 0xCD);
            ASSERT_EQ(Dither(context.get(), bpp, picture.width, picture.height,
                             picture.bytes.data(), palette.data(), 256, out.data()),
                      0);
            for (int y = 0; y < layout.height; ++y) {
                for (int x = 0; x < out.pitch(); ++x) {
                    if (x < layout.width)
                        ASSERT_EQ(out.at(x, y), expected.at(x, y)) << x << "," << y;
                    else
                        ASSERT_EQ(out.at(x, y), 0xCD) << "padding written at " << x << "," << y;
                }
            }
        }
    }
}

TEST(CpuDither, The33By5CaseHas36ByteIndexRows) {
    const Context context = CpuContext();
    Picture picture(24, 33, 5, 0x77);
    EXPECT_EQ(picture.pitch(), 100);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 33; ++x)
            picture.set(x, y, {255, 255, 255});
    const std::vector<std::uint8_t> palette = MakePalette(kGreyRamp);
    std::vector<std::uint8_t> out(36 * 5 + 8, 0xCD);
    ASSERT_EQ(Dither(context.get(), 24, 33, 5, picture.bytes.data(), palette.data(), 4, out.data()),
              0);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 36; ++x)
            EXPECT_EQ(out[36 * y + x], x < 33 ? 3 : 0xCD) << x << "," << y;
    }
    for (std::size_t i = 36 * 5; i < out.size(); ++i)
        EXPECT_EQ(out[i], 0xCD);
}

TEST(CpuDither, LargePicturesSmallPalettesAndRepeatedColoursMatchDitherPixel) {
    const Context context = CpuContext();
    // 600 x 300 runs on two threads, split into a left and a right half; the small
    // palettes have few entries per region.
    const Picture picture = PhotoLike(24, 600, 300, 11);
    struct PaletteCase {
        const char* what;
        std::vector<std::uint8_t> palette;
    };
    std::vector<std::uint8_t> repeated = PaletteFrom(picture, 16, 5);
    for (int i = 0; i < 240; ++i) // entries 16..255 repeat the first sixteen
        repeated.insert(repeated.end(), repeated.begin() + 4 * (i % 16),
                        repeated.begin() + 4 * (i % 16) + 4);
    const PaletteCase cases[] = {{"256 colours of the picture", PaletteFrom(picture, 256, 3)},
                                 {"7 colours", PaletteFrom(picture, 7, 4)},
                                 {"1 colour", MakePalette({{90, 120, 30}})},
                                 {"16 colours repeated", repeated},
                                 {"the grey ramp", MakePalette(kGreyRamp)}};
    for (const PaletteCase& c : cases) {
        const int count = static_cast<int>(c.palette.size() / 4);
        const Indices expected = DitherPixelByPixel(picture, c.palette, count);
        Indices out(picture.width, picture.height);
        ASSERT_EQ(Dither(context.get(), 24, picture.width, picture.height, picture.bytes.data(),
                         c.palette.data(), count, out.data()),
                  0);
        EXPECT_EQ(out.bytes, expected.bytes) << c.what;
    }
}

TEST(CpuDither, ATallPictureSplitIntoUpperAndLowerHalvesMatchesDitherPixel) {
    const Context context = CpuContext();
    const Picture picture = PhotoLike(32, 230, 640, 12);
    const std::vector<std::uint8_t> palette = PaletteFrom(picture, 256, 13);
    Indices out(picture.width, picture.height);
    ASSERT_EQ(Dither(context.get(), 32, picture.width, picture.height, picture.bytes.data(),
                     palette.data(), 256, out.data()),
              0);
    EXPECT_EQ(out.bytes, DitherPixelByPixel(picture, palette, 256).bytes);
}

// From 2^21 pixels on, both threads share one table of answers for the whole colour cube.
TEST(CpuDither, AVeryLargePictureMatchesDitherPixel) {
    const Context context = CpuContext();
    const Picture picture = PhotoLike(24, 2048, 1024, 14);
    const std::vector<std::uint8_t> palette = PaletteFrom(picture, 256, 15);
    Indices out(picture.width, picture.height);
    ASSERT_EQ(Dither(context.get(), 24, picture.width, picture.height, picture.bytes.data(),
                     palette.data(), 256, out.data()),
              0);
    EXPECT_EQ(out.bytes, DitherPixelByPixel(picture, palette, 256).bytes);
}

// A context keeps its answer table between calls with the same palette: grid-row-sized
// calls soon share one. The answers stay DitherPixel's, also when the palette changes
// between calls and the kept answers no longer hold.
TEST(CpuDither, AnswersKeptBetweenCallsFollowThePalette) {
    const Context context = CpuContext();
    const Picture picture = PhotoLike(32, 2048, 96, 16);
    const std::vector<std::uint8_t> first = PaletteFrom(picture, 256, 17);
    const std::vector<std::uint8_t> second = PaletteFrom(picture, 256, 18);
    ASSERT_NE(first, second);
    for (const auto* palette : {&first, &first, &first, &first, &first, &first, &first, &first,
                                &first, &first, &first, &first, &second, &second, &first}) {
        Indices out(picture.width, picture.height);
        ASSERT_EQ(Dither(context.get(), 32, picture.width, picture.height, picture.bytes.data(),
                         palette->data(), 256, out.data()),
                  0);
        ASSERT_EQ(out.bytes, DitherPixelByPixel(picture, *palette, 256).bytes)
            << (palette == &first ? "first palette" : "second palette");
    }
}

} // namespace
