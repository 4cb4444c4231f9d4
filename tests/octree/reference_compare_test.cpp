// The library against the plain reference builder on many pictures: the palette must be
// the same byte for byte, whatever shortcuts the library takes.
#include "PaletteTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

using namespace octree_test;

namespace {

enum class Kind { FewColours, RunsAndNearColours, GradientWithNoise, AnyColour };

Color randomColor(std::mt19937& rng) {
    const std::uint32_t v = rng();
    return bgr(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

std::vector<Color> makePixels(Kind kind, std::uint32_t width, std::uint32_t height,
                              std::mt19937& rng) {
    std::vector<Color> pixels(std::size_t{width} * height);
    switch (kind) {
    case Kind::FewColours: {
        std::vector<Color> set(1 + rng() % 40);
        for (auto& c : set)
            c = randomColor(rng);
        for (auto& p : pixels)
            p = set[rng() % set.size()];
        break;
    }
    case Kind::RunsAndNearColours: {
        // Runs of one colour, colours that differ from the last one only in low bits (the
        // same leaf as long as no merge intervenes), and new colours that force merges.
        Color c = randomColor(rng);
        for (std::size_t i = 0; i < pixels.size();) {
            const std::size_t run = 1 + rng() % 24;
            for (std::size_t k = 0; k < run && i < pixels.size(); ++k)
                pixels[i++] = c;
            const std::uint32_t roll = rng() % 4;
            if (roll == 0) {
                c = randomColor(rng);
            } else if (roll != 3) {
                const std::uint32_t mask = (1u << (1 + rng() % 7)) - 1;
                c.c0 ^= rng() & mask;
                c.c1 ^= rng() & mask;
                c.c2 ^= rng() & mask;
            }
        }
        break;
    }
    case Kind::GradientWithNoise:
        for (std::uint32_t y = 0; y < height; ++y)
            for (std::uint32_t x = 0; x < width; ++x) {
                const double fx = x / double(width), fy = y / double(height);
                const auto channel = [&](double v) {
                    return static_cast<std::uint8_t>(
                        std::clamp(v + int(rng() % 9) - 4, 0.0, 255.0));
                };
                pixels[std::size_t{y} * width + x] = {
                    channel(255 * fx), channel(128 + 120 * std::sin(6 * fy + 2 * fx)),
                    channel(255 * fy * (1 - fx))};
            }
        break;
    case Kind::AnyColour:
        for (auto& p : pixels)
            p = randomColor(rng);
        break;
    }
    return pixels;
}

struct Trial {
    Layout layout;
    Kind kind;
    std::uint32_t width, height, padding, maxColors, colorBits;
    bool upward; // negative pitch, from the last row in memory
};

void expectSameAsReference(const Trial& t, std::mt19937& rng) {
    const Picture p = makePicture(t.layout, makePixels(t.kind, t.width, t.height, rng), t.width,
                                  t.height, t.padding);
    const std::uint8_t* first =
        p.bytes.data() + (t.upward ? static_cast<std::ptrdiff_t>(p.height - 1) * p.pitch : 0);
    const std::int32_t pitch = t.upward ? -p.pitch : p.pitch;
    const auto expected =
        reference::buildPalette(decode(p, first, pitch), t.maxColors, t.colorBits);
    ASSERT_TRUE(expected.has_value());
    ASSERT_LE(expected->size(), t.maxColors);
    const PaletteOutcome out = runOnPalette([&](void* palette) {
        return callLibrary(t.layout, first, t.width, t.height, pitch, t.maxColors, t.colorBits,
                           palette);
    });
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.damage, "");
    EXPECT_EQ(out.entries, *expected);
}

std::string describe(const Trial& t) {
    std::ostringstream s;
    s << name(t.layout) << " kind " << int(t.kind) << " " << t.width << "x" << t.height
      << " padding " << t.padding << " maxColors " << t.maxColors << " colorBits " << t.colorBits
      << (t.upward ? " upward" : "");
    return s.str();
}

TEST(OctreePaletteAgainstReference, SmallRandomPictures) {
    std::mt19937 rng(20240611);
    const std::uint32_t maxChoices[] = {1, 2, 3, 7, 8, 9, 16, 254, 300};
    for (int i = 0; i < 600; ++i) {
        Trial t;
        t.layout = static_cast<Layout>(rng() % 3);
        t.kind = static_cast<Kind>(rng() % 4);
        t.width = 1 + rng() % 64;
        t.height = 1 + rng() % 40;
        t.padding = rng() % 6;
        t.maxColors = rng() % 2 ? maxChoices[rng() % std::size(maxChoices)] : 1 + rng() % 300;
        t.colorBits = rng() % 3 ? 8 : rng() % 9;
        t.upward = rng() % 4 == 0;
        SCOPED_TRACE(describe(t));
        expectSameAsReference(t, rng);
        if (HasFailure()) break;
    }
}

TEST(OctreePaletteAgainstReference, LargerPictures) {
    std::mt19937 rng(5640);
    const Trial trials[] = {
        {Layout::Rgb888, Kind::GradientWithNoise, 320, 240, 0, 254, 8, false},
        {Layout::Rgb888, Kind::RunsAndNearColours, 320, 240, 1, 254, 8, false},
        {Layout::Rgb8888, Kind::AnyColour, 200, 150, 0, 254, 8, true},
        {Layout::Rgb565, Kind::GradientWithNoise, 321, 200, 2, 64, 8, false},
        {Layout::Rgb888, Kind::RunsAndNearColours, 257, 211, 3, 17, 5, false},
        {Layout::Rgb888, Kind::FewColours, 300, 100, 1, 254, 8, true},
    };
    for (const Trial& t : trials) {
        SCOPED_TRACE(describe(t));
        expectSameAsReference(t, rng);
    }
}

} // namespace
