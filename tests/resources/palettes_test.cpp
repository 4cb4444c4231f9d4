// Checks the three built-in terrain palettes (Highland, Urban, Desert) for the
// properties the rest of the program and a modder rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct Colour {
    int blue, green, red, reserved;
};

std::vector<std::uint8_t> readPaletteFile(const std::string& file)
{
    const std::string path = std::string(TW_SOURCE_DIR) + "/app/resources/PAL/" + file;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot open " << path;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

std::vector<Colour> entries(const std::vector<std::uint8_t>& bytes)
{
    std::vector<Colour> out;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4)
        out.push_back({bytes[i], bytes[i + 1], bytes[i + 2], bytes[i + 3]});
    return out;
}

int luma(const Colour& c)
{
    return 299 * c.red + 587 * c.green + 114 * c.blue;
}

struct PaletteCase {
    const char* name;
    const char* file;
    std::array<std::uint8_t, 4> last; // entry 255 as blue, green, red, reserved
    std::size_t distinct;
};

const PaletteCase kPalettes[] = {
    {"Highland", "1.pal", {48, 136, 152, 0}, 215},
    {"Urban", "2.pal", {176, 248, 248, 0}, 256},
    {"Desert", "3.pal", {208, 232, 232, 0}, 256},
};

} // namespace

TEST(TerrainPalettes, EveryEntryIsFourBytesOfMultiplesOfEightAndAZero)
{
    for (const auto& p : kPalettes) {
        SCOPED_TRACE(p.name);
        const auto bytes = readPaletteFile(p.file);
        ASSERT_EQ(bytes.size(), 1024u);
        const auto pal = entries(bytes);
        for (std::size_t i = 0; i < pal.size(); ++i) {
            SCOPED_TRACE("entry " + std::to_string(i));
            EXPECT_EQ(pal[i].reserved, 0);
            for (int v : {pal[i].blue, pal[i].green, pal[i].red}) {
                EXPECT_EQ(v % 8, 0) << v;
                EXPECT_LE(v, 248);
            }
        }
    }
}

TEST(TerrainPalettes, FixedEntriesAtBothEnds)
{
    const std::vector<std::uint8_t> reservedRed = {0x00, 0x00, 0x58, 0x00};
    const std::vector<std::uint8_t> black = {0, 0, 0, 0};
    for (const auto& p : kPalettes) {
        SCOPED_TRACE(p.name);
        const auto bytes = readPaletteFile(p.file);
        ASSERT_EQ(bytes.size(), 1024u);
        EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 4), reservedRed);
        EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 4, bytes.begin() + 8), black);
        EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - 4, bytes.end()),
                  std::vector<std::uint8_t>(p.last.begin(), p.last.end()));
    }
}

TEST(TerrainPalettes, DistinctColourCount)
{
    for (const auto& p : kPalettes) {
        SCOPED_TRACE(p.name);
        const auto pal = entries(readPaletteFile(p.file));
        ASSERT_EQ(pal.size(), 256u);
        std::set<std::tuple<int, int, int>> colours;
        for (const auto& c : pal)
            colours.insert({c.blue, c.green, c.red});
        EXPECT_EQ(colours.size(), p.distinct);
    }
}

TEST(TerrainPalettes, DesertHasNoBlueHues)
{
    const auto pal = entries(readPaletteFile("3.pal"));
    ASSERT_EQ(pal.size(), 256u);
    for (std::size_t i = 2; i < pal.size(); ++i) {
        EXPECT_LE(pal[i].blue, pal[i].green) << "entry " << i;
        EXPECT_LE(pal[i].blue, pal[i].red) << "entry " << i;
    }
}

// Entries 2 to 254 are ramps of shades running dark to light, so brightness drops
// only where one ramp ends and the next begins: a handful of runs, not dozens.
TEST(TerrainPalettes, EntriesFormFewDarkToLightRamps)
{
    for (const auto& p : kPalettes) {
        SCOPED_TRACE(p.name);
        const auto pal = entries(readPaletteFile(p.file));
        ASSERT_EQ(pal.size(), 256u);
        int runs = 1;
        std::size_t runStart = 2, shortest = 256;
        for (std::size_t i = 3; i <= 254; ++i) {
            if (luma(pal[i]) < luma(pal[i - 1])) {
                ++runs;
                shortest = std::min(shortest, i - runStart);
                runStart = i;
            }
        }
        shortest = std::min<std::size_t>(shortest, 255 - runStart);
        EXPECT_LE(runs, 12);
        EXPECT_GE(shortest, 8u) << "every ramp holds at least 8 shades";
    }
}

// The colours suit the terrain set: Highland has greens and water, Urban is mostly
// grey (concrete, asphalt), Desert is warm (red the largest component in most entries).
TEST(TerrainPalettes, ColoursSuitTheirTerrain)
{
    struct Mix {
        int greenLed, blueLed, grey, redLed;
    };
    auto mix = [](const std::vector<Colour>& pal) {
        Mix m{0, 0, 0, 0};
        for (std::size_t i = 2; i < pal.size(); ++i) {
            const auto& c = pal[i];
            const int hi = std::max({c.red, c.green, c.blue});
            const int lo = std::min({c.red, c.green, c.blue});
            if (hi - lo <= 24)
                ++m.grey;
            else if (c.green == hi && c.green > c.red)
                ++m.greenLed;
            else if (c.blue == hi && c.blue > c.green)
                ++m.blueLed;
            else if (c.red == hi)
                ++m.redLed;
        }
        return m;
    };
    const Mix highland = mix(entries(readPaletteFile("1.pal")));
    EXPECT_GE(highland.greenLed, 48);
    EXPECT_GE(highland.blueLed, 16);
    const Mix urban = mix(entries(readPaletteFile("2.pal")));
    EXPECT_GE(urban.grey, 64);
    const Mix desert = mix(entries(readPaletteFile("3.pal")));
    EXPECT_EQ(desert.blueLed, 0);
    EXPECT_GE(desert.redLed, 160);
}
