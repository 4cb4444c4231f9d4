// Pixel conversions: the nearest-colour scan's rules and the fast search giving the
// scan's answer for every colour.
#include "TestSupport.h"
#include "TileConversion.h"
#include "WorkerTeam.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

namespace {

using tw::NearestColorSearch;
using tw::NearestPaletteIndex;

void setEntry(tw::Palette& p, int j, int r, int g, int b) {
    p[static_cast<std::size_t>(4 * j)] = static_cast<std::uint8_t>(b);
    p[static_cast<std::size_t>(4 * j + 1)] = static_cast<std::uint8_t>(g);
    p[static_cast<std::size_t>(4 * j + 2)] = static_cast<std::uint8_t>(r);
}

std::uint32_t rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>(r << 16 | g << 8 | b);
}

TEST(ConversionTest, ColorDistSqIsTheSquaredDistance) {
    EXPECT_EQ(tw::ColorDistSq(0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(tw::ColorDistSq(1, 2, 3, 4, 6, 15), 9 + 16 + 144);
    EXPECT_EQ(tw::ColorDistSq(255, 255, 255, 0, 0, 0), 195075);
    EXPECT_EQ(tw::ColorDistSq(0, 255, 0, 255, 0, 255), 195075);
}

TEST(ConversionTest, GreyIndexDropsTheRemainder) {
    const std::uint32_t pixels[] = {rgb(100, 100, 100) | 0xFF000000u, rgb(10, 20, 31),
                                    rgb(255, 255, 254), rgb(0, 0, 2), rgb(255, 255, 255)};
    std::uint8_t out[5];
    tw::convertGrey(pixels, 5, out);
    EXPECT_EQ(out[0], 100);
    EXPECT_EQ(out[1], 20); // 61 / 3
    EXPECT_EQ(out[2], 254);
    EXPECT_EQ(out[3], 0);
    EXPECT_EQ(out[4], 255);
}

// Grey ramp, but entries 7 and 20 hold the same red and entry 0 is black.
tw::Palette tiePalette() {
    tw::Palette p = tw::makeGreyPalette();
    setEntry(p, 7, 200, 10, 10);
    setEntry(p, 20, 200, 10, 10);
    return p;
}

TEST(ConversionTest, NearestScanRules) {
    const tw::Palette p = tiePalette();
    struct Case {
        int r, g, b, expected;
    };
    const Case cases[] = {
        {200, 10, 10, 7},     // exact at 7 and 20: the lower entry
        {203, 12, 9, 7},      // near both: the lower entry
        {0, 0, 0, 0},         // exact at entry 0 stops there
        {100, 100, 102, 101}, // missing colour: the nearest grey
        {100, 100, 101, 100},
        {255, 0, 255, 170}, // far from every entry: the nearest grey, 2(255-g)^2 + g^2 least
    };
    const NearestColorSearch fast(p);
    for (const auto& c : cases) {
        const auto r = static_cast<std::uint8_t>(c.r), g = static_cast<std::uint8_t>(c.g),
                   b = static_cast<std::uint8_t>(c.b);
        EXPECT_EQ(NearestPaletteIndex(r, g, b, p), c.expected) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(fast(rgb(c.r, c.g, c.b)), c.expected) << c.r << "," << c.g << "," << c.b;
    }
    // An all-black palette: every colour ties everywhere and maps to entry 0.
    const tw::Palette black{};
    const NearestColorSearch allBlack(black);
    EXPECT_EQ(NearestPaletteIndex(255, 255, 255, black), 0);
    EXPECT_EQ(allBlack(rgb(255, 255, 255)), 0);
    EXPECT_EQ(allBlack.fullSearch(rgb(255, 255, 255), false), 0);
}

std::vector<tw::Palette> searchPalettes() {
    std::vector<tw::Palette> palettes{tw::makeGreyPalette(), tiePalette(),
                                      twtest::paletteResource(1), twtest::paletteResource(2),
                                      twtest::paletteResource(3)};
    std::mt19937 random(7);
    tw::Palette noisy{};
    for (auto& b : noisy)
        b = static_cast<std::uint8_t>(random());
    palettes.push_back(noisy);
    // Few distinct colours repeated in runs: ties everywhere.
    tw::Palette repeated{};
    for (int j = 0; j < 256; ++j)
        setEntry(repeated, j, (j / 64) * 80, (j / 64) * 40, 255 - (j / 64) * 80);
    palettes.push_back(repeated);
    return palettes;
}

TEST(ConversionTest, FastSearchGivesTheScanAnswerForEveryColourTried) {
    std::mt19937 random(11);
    std::vector<std::uint32_t> colours;
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15)
                colours.push_back(rgb(r, g, b));
    for (int i = 0; i < 20000; ++i)
        colours.push_back(random() & 0xFFFFFF);

    for (const auto& palette : searchPalettes()) {
        const NearestColorSearch fast(palette);
        std::size_t wrong = 0;
        for (const std::uint32_t c : colours) {
            const std::uint8_t expected = NearestPaletteIndex(
                static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                static_cast<std::uint8_t>(c), palette);
            // The vector form and the portable form of the full search, and the pruned one.
            wrong += fast.fullSearch(c, true) != expected;
            wrong += fast.fullSearch(c, false) != expected;
            wrong += fast(c) != expected;
            wrong += fast(c | 0xAB000000u) != expected; // the fourth byte is ignored
        }
        EXPECT_EQ(wrong, 0u);
    }
}

// Every one of the 2^24 colours: the pruned search against the search over all entries
// (itself checked against the scan above), for the palette with the longest cell lists
// (the grey ramp) and a terrain palette.
TEST(ConversionTest, PrunedSearchIsExactForAllColours) {
    for (const tw::Palette& palette : {tw::makeGreyPalette(), twtest::paletteResource(1)}) {
        const NearestColorSearch fast(palette);
        std::size_t wrong = 0;
        for (std::uint32_t c = 0; c < (1u << 24); ++c)
            wrong += fast(c) != fast.fullSearch(c);
        EXPECT_EQ(wrong, 0u);
        EXPECT_LT(fast.candidateCount(), 32768u * 256u / 4) << "cells hardly prune";
    }
}

TEST(ConversionTest, FastSearchShared) {
    const tw::Palette palette = twtest::paletteResource(2);
    const NearestColorSearch fast(palette);
    std::vector<std::uint32_t> colours(1 << 16);
    for (std::size_t i = 0; i < colours.size(); ++i)
        colours[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
    std::vector<std::uint8_t> a(colours.size()), b(colours.size());
    std::thread other([&] { fast.convert(colours.data(), colours.size(), b.data()); });
    fast.convert(colours.data(), colours.size(), a.data());
    other.join();
    EXPECT_EQ(a, b);
    for (std::size_t i = 0; i < colours.size(); i += 97) {
        const std::uint32_t c = colours[i];
        ASSERT_EQ(a[i], NearestPaletteIndex(static_cast<std::uint8_t>(c >> 16),
                                            static_cast<std::uint8_t>(c >> 8),
                                            static_cast<std::uint8_t>(c), palette));
    }
}

TEST(WorkerTeamTest, RunsEveryPartAndPassesFailuresOn) {
    for (unsigned size : {1u, 2u, 3u}) {
        tw::WorkerTeam team(size);
        std::vector<int> hits(size, 0);
        for (int round = 0; round < 50; ++round)
            team.run([&](unsigned part) { ++hits[part]; });
        EXPECT_EQ(hits, std::vector<int>(size, 50));
        EXPECT_THROW(team.run([&](unsigned part) {
            if (part == size - 1) throw tw::Error("part failed");
        }),
                     tw::Error);
        int after = 0;
        team.run([&](unsigned part) {
            if (part == 0) after = 1;
        });
        EXPECT_EQ(after, 1); // still usable after a failure
    }
    const tw::Range first = tw::splitRange(31, 2, 0), second = tw::splitRange(31, 2, 1);
    EXPECT_EQ(first.begin, 0u);
    EXPECT_EQ(first.end, second.begin);
    EXPECT_EQ(second.end, 31u);
}

} // namespace
