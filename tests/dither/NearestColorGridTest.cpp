// The grid search behind the fast CPU path gives FindNearestColor's answer for every
// colour, including ties, repeated entries and palettes crowded into one corner.
#include "NearestColorGrid.h"
#include "NearestColorTable.h"
#include "PixelDither.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

namespace {

using dither_test::MakePalette;
using dither_test::Rgb;
using tw::dither::FindNearestColor;
using tw::dither::NearestColorGrid;
using tw::dither::NearestColorTable;

std::vector<std::uint8_t> RandomPalette(int count, std::uint32_t seed, int lo, int hi) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> component(lo, hi);
    std::vector<Rgb> colours;
    for (int i = 0; i < count; ++i)
        colours.push_back({component(random), component(random), component(random)});
    return MakePalette(colours);
}

struct GridCase {
    const char* what;
    std::vector<std::uint8_t> palette;
};

std::vector<GridCase> Cases() {
    std::vector<GridCase> cases;
    cases.push_back({"256 random colours", RandomPalette(256, 1, 0, 255)});
    cases.push_back({"17 random colours", RandomPalette(17, 2, 0, 255)});
    cases.push_back({"one colour", MakePalette({{200, 10, 99}})});
    cases.push_back({"256 colours crowded into a dark corner", RandomPalette(256, 3, 0, 40)});
    // Coarse values give many exact ties between entries.
    std::vector<Rgb> lattice;
    for (int i = 0; i < 256; ++i)
        lattice.push_back({(i % 4) * 85, (i / 4 % 4) * 85, (i / 16) * 17});
    cases.push_back({"a lattice with many ties and repeats", MakePalette(lattice)});
    std::vector<Rgb> twins;
    for (int i = 0; i < 256; ++i)
        twins.push_back({i / 2 * 2, 255 - i / 2 * 2, 128});
    cases.push_back({"every colour twice", MakePalette(twins)});
    cases.push_back({"black and white only", MakePalette({{255, 255, 255}, {0, 0, 0}})});
    return cases;
}

TEST(NearestColorGrid, GivesFindNearestColorsAnswerForEveryColour) {
    for (const GridCase& c : Cases()) {
        const int count = static_cast<int>(c.palette.size() / 4);
        for (int fineShift : {3, 4}) {
            NearestColorGrid grid(c.palette.data(), count, fineShift);
            std::mt19937 random(9);
            // A lattice through the whole cube (both ends included), then random colours.
            for (int r = 0; r <= 255; r += 15)
                for (int g = 0; g <= 255; g += 15)
                    for (int b = 0; b <= 255; b += 3)
                        ASSERT_EQ(grid.Find(r, g, b),
                                  FindNearestColor(r, g, b, c.palette.data(), count))
                            << c.what << " at " << r << "," << g << "," << b;
            for (int i = 0; i < 20000; ++i) {
                const int r = static_cast<int>(random() % 256);
                const int g = static_cast<int>(random() % 256);
                const int b = static_cast<int>(random() % 256);
                ASSERT_EQ(grid.Find(r, g, b), FindNearestColor(r, g, b, c.palette.data(), count))
                    << c.what << " at " << r << "," << g << "," << b;
            }
        }
    }
}

TEST(NearestColorTable, GivesFindNearestColorsAnswerForEveryColour) {
    for (const GridCase& c : Cases()) {
        const int count = static_cast<int>(c.palette.size() / 4);
        NearestColorTable shared(c.palette.data(), count);
        NearestColorTable::Reader table(shared);
        // Whole blocks along the grey axis and a lattice elsewhere; each colour is asked
        // twice, once filling its block and once reading it back.
        for (int pass = 0; pass < 2; ++pass) {
            for (int r = 0; r <= 255; r += 17)
                for (int g = 0; g <= 255; g += 5)
                    for (int b = 0; b <= 255; b += 3)
                        ASSERT_EQ(table.Find(r, g, b),
                                  FindNearestColor(r, g, b, c.palette.data(), count))
                            << c.what << " at " << r << "," << g << "," << b;
            for (int v = 0; v < 256; ++v)
                for (int dg = 0; dg < 4; ++dg)
                    for (int db = 0; db < 4; ++db) {
                        const int g = (v & ~3) | dg;
                        const int b = (v & ~3) | db;
                        ASSERT_EQ(table.Find(v, g, b),
                                  FindNearestColor(v, g, b, c.palette.data(), count))
                            << c.what << " at " << v << "," << g << "," << b;
                    }
        }
    }
}

// Two readers racing over the same blocks: whoever fills a block, both read right answers.
TEST(NearestColorTable, ReadersOnTwoThreadsAgreeWithFindNearestColor) {
    const std::vector<std::uint8_t> palette = RandomPalette(256, 4, 0, 255);
    NearestColorTable shared(palette.data(), 256);
    int wrong[2] = {0, 0};
    auto read = [&](int who) {
        NearestColorTable::Reader reader(shared);
        std::mt19937 random(77); // the same colours in the same order on both threads
        for (int i = 0; i < 200000; ++i) {
            const int r = static_cast<int>(random() % 256);
            const int g = static_cast<int>(random() % 256);
            const int b = static_cast<int>(random() % 256);
            wrong[who] += reader.Find(r, g, b) != FindNearestColor(r, g, b, palette.data(), 256);
        }
    };
    std::thread other(read, 1);
    read(0);
    other.join();
    EXPECT_EQ(wrong[0], 0);
    EXPECT_EQ(wrong[1], 0);
}

TEST(PixelArithmetic, LookedUpQuotientsEqualTheDivisions) {
    for (int i = 0; i < 256; ++i) {
        volatile float byte = static_cast<float>(i); // divided at run time
        EXPECT_EQ(tw::dither::kByteToUnit[i], byte / 255.0f) << i;
        volatile float m = static_cast<float>(tw::dither::kDitherMatrix[i]);
        EXPECT_EQ(tw::dither::kMatrixFactor[i], m / 255.0f * 2.0f - 1.0f) << i;
    }
}

} // namespace
