#include "TestSupport.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <unistd.h>

namespace twtest {

Picture photoLike(int width, int height, std::uint32_t seed) {
    Picture p(width, height);
    // Per-axis gradients for each channel, summed per pixel, plus hashed noise.
    std::vector<int> col[3], row[3];
    for (int ch = 0; ch < 3; ++ch) {
        col[ch].resize(static_cast<std::size_t>(width));
        row[ch].resize(static_cast<std::size_t>(height));
        for (int x = 0; x < width; ++x)
            col[ch][static_cast<std::size_t>(x)] =
                static_cast<int>(64 * std::sin(x * (0.7 + 0.3 * ch) * 12.0 / width + ch + seed));
        for (int y = 0; y < height; ++y)
            row[ch][static_cast<std::size_t>(y)] = static_cast<int>(
                60 * std::cos(y * (1.1 - 0.2 * ch) * 9.0 / height + 2 * ch + seed));
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t n = static_cast<std::uint32_t>(x) * 73856093u ^
                              static_cast<std::uint32_t>(y) * 19349663u ^ seed * 83492791u;
            n ^= n >> 13;
            n *= 0x5bd1e995u;
            n ^= n >> 15;
            std::uint32_t pixel = 0xFF000000u;
            for (int ch = 0; ch < 3; ++ch) {
                const int noise = static_cast<int>((n >> (8 * ch)) & 31) - 16;
                const int v = std::clamp(128 + col[ch][static_cast<std::size_t>(x)] +
                                             row[ch][static_cast<std::size_t>(y)] + noise,
                                         0, 255);
                pixel |= static_cast<std::uint32_t>(v) << (8 * ch);
            }
            p.at(x, y) = pixel;
        }
    }
    return p;
}

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tw-export-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::vector<std::string> TempDir::entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string realDitherFolder() {
    return fs::exists(fs::path(TW_BIN_DIR) / "libDither.so") ? std::string(TW_BIN_DIR)
                                                             : std::string();
}

tw::ExportJob makeJob(const Picture& picture, int w, int h, tw::TileConversion conversion,
                      const fs::path& target) {
    tw::ExportJob job;
    job.map.width = w;
    job.map.height = h;
    job.map.palette = paletteResource(1);
    job.conversion = conversion;
    job.libraryFolder = realDitherFolder();
    job.picture = picture.view();
    job.target = target.string();
    return job;
}

namespace {

std::uint32_t u16(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}
std::uint32_t u32(const Bytes& b, std::size_t at) {
    return u16(b, at) | (u16(b, at + 2) << 16);
}
bool same(const Bytes& b, std::size_t at, const Bytes& expected) {
    return std::equal(expected.begin(), expected.end(),
                      b.begin() + static_cast<std::ptrdiff_t>(at));
}
bool sameText(const Bytes& b, std::size_t at, const char* tag) {
    return std::equal(tag, tag + 4, b.begin() + static_cast<std::ptrdiff_t>(at));
}

} // namespace

std::size_t checkKmLayout(const Bytes& file, const tw::KmMapInfo& map, const Templates& t) {
    const std::size_t w = static_cast<std::size_t>(map.width);
    const std::size_t h = static_cast<std::size_t>(map.height);
    const bool multi = map.mission == tw::MissionKind::Multiplayer;
    const std::size_t cells = (w + 4) * (h + 4);
    const std::size_t size = 1246 + (multi ? 798 : 142) + 5 * cells + 1024 * (w * h + 1);
    EXPECT_EQ(file.size(), size);
    if (file.size() != size) return 0;

    EXPECT_TRUE(sameText(file, 0, "KLF5"));
    EXPECT_EQ(file[4], 0);
    EXPECT_EQ(u32(file, 5), multi ? 1u : 0u);
    EXPECT_TRUE(sameText(file, 9, "MAP0"));
    EXPECT_EQ(file[13], w + 4);
    EXPECT_EQ(file[14], h + 4);
    std::size_t badCells = 0;
    for (std::size_t row = 0; row < h + 4; ++row) {
        for (std::size_t col = 0; col < w + 4; ++col) {
            const std::size_t at = 15 + 5 * (row * (w + 4) + col);
            const bool border = row < 2 || row >= h + 2 || col < 2 || col >= w + 2;
            const Bytes expected =
                border ? Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x03}
                       : Bytes{static_cast<std::uint8_t>(((row - 2) * w + col - 2 + 1) & 0xFF),
                               static_cast<std::uint8_t>(((row - 2) * w + col - 2 + 1) >> 8), 0xFF,
                               0xFF, static_cast<std::uint8_t>(map.attribute & 0xFF)};
            if (!same(file, at, expected)) ++badCells;
        }
    }
    EXPECT_EQ(badCells, 0u) << "cell records differ from the layout";

    std::size_t at = 15 + 5 * cells;
    const Bytes& cst0 = multi ? t.multiplayer : t.custom;
    EXPECT_TRUE(same(file, at, cst0)) << "CST0 block differs";
    if (multi) {
        for (std::size_t i = 0; i < 16; ++i) {
            const std::size_t x = at + (i < 8 ? 150 + 42 * i : 486 + 40 * (i - 8));
            EXPECT_EQ(static_cast<std::int32_t>(u32(file, x)), map.positions[i].x) << i;
            EXPECT_EQ(static_cast<std::int32_t>(u32(file, x + 4)), map.positions[i].y) << i;
        }
    }
    at += cst0.size();
    EXPECT_TRUE(sameText(file, at, "BMIF"));
    EXPECT_TRUE(same(file, at + 4, Bytes{40, 0, 0, 0, 32, 0, 0, 0, 0xE0, 0xFF, 0xFF, 0xFF, 1, 0,
                                         8,  0, 0, 0, 0,  0, 0, 0, 0,    0,    0,    0,    0, 0,
                                         0,  0, 0, 0, 0,  1, 0, 0, 0,    0,    0,    0}));
    EXPECT_TRUE(same(file, at + 44, Bytes(map.palette.begin(), map.palette.end())));
    at += 44 + 1024;
    EXPECT_TRUE(sameText(file, at, "BITS"));
    EXPECT_EQ(u32(file, at + 4), w * h + 1);
    EXPECT_TRUE(same(file, at + 8, Bytes(1024, 0))) << "tile 0 is not all zeros";
    const std::size_t tile1 = at + 8 + 1024;
    EXPECT_TRUE(same(file, tile1 + 1024 * w * h, t.text)) << "TEXT block differs";
    return tile1;
}

} // namespace twtest
