// The export pipeline end to end, with real files: layout, stretch, progress, and the
// fast paths against the plain per-pixel, per-tile export.
#include "KmExport.h"
#include "NaiveExport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using namespace twtest;
using tw::TileConversion;

std::uint32_t grey(int level) {
    return 0xFF000000u | static_cast<std::uint32_t>(level * 0x010101);
}

TEST(ExportTest, GreyPaletteIgnoresTheDitherOption) {
    EXPECT_EQ(tw::chooseConversion(true, true), TileConversion::Grey);
    EXPECT_EQ(tw::chooseConversion(true, false), TileConversion::Grey);
    EXPECT_EQ(tw::chooseConversion(false, true), TileConversion::Dithered);
    EXPECT_EQ(tw::chooseConversion(false, false), TileConversion::Nearest);

    // With the dither option on and no Dither library anywhere, a grey export still
    // succeeds: the library is never needed.
    TempDir dir;
    const Picture picture(40, 30, grey(100));
    tw::ExportJob job = makeJob(picture, 31, 24, tw::chooseConversion(true, true), dir / "grey.km");
    job.map.palette = tw::makeGreyPalette();
    job.libraryFolder = (dir / "no-such-folder").string();
    Templates t;
    RecordingProgress progress;
    tw::exportKm(job, t.refs(), progress);

    const Bytes file = readFile(dir / "grey.km");
    const std::size_t tile1 = checkKmLayout(file, job.map, t);
    ASSERT_NE(tile1, 0u);
    for (std::size_t i = 1; i <= 744; ++i)
        ASSERT_EQ(tileOf(file, tile1, i), Bytes(1024, 100)) << "tile " << i;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"grey.km"});
}

TEST(ExportTest, PictureIsStretchedToTheGridIgnoringProportions) {
    // 100 x 50 pixels onto 31 x 24 grids: 992 x 768 pixels, each axis on its own.
    Picture picture(100, 50);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            picture.at(x, y) = static_cast<std::uint32_t>((2 * x) << 16 | (5 * y) << 8);
    TempDir dir;
    tw::ExportJob job = makeJob(picture, 31, 24, TileConversion::Grey, dir / "s.km");
    Templates t;
    RecordingProgress progress;
    tw::exportKm(job, t.refs(), progress);

    const Bytes file = readFile(dir / "s.km");
    const std::size_t tile1 = checkKmLayout(file, job.map, t);
    ASSERT_NE(tile1, 0u);
    std::size_t wrong = 0;
    for (int Y = 0; Y < 768; ++Y) {
        for (int X = 0; X < 992; ++X) {
            const int sx = X * 100 / 992, sy = Y * 50 / 768; // enlarging repeats pixels
            const std::size_t tile = static_cast<std::size_t>((Y / 32) * 31 + X / 32 + 1);
            const std::size_t at =
                tile1 + (tile - 1) * 1024 + static_cast<std::size_t>((Y % 32) * 32 + X % 32);
            wrong += file[at] != (2 * sx + 5 * sy) / 3;
        }
    }
    EXPECT_EQ(wrong, 0u);
}

TEST(ExportTest, ProgressAfterEachGridRow) {
    TempDir dir;
    const Picture picture = photoLike(64, 64, 3);
    tw::ExportJob job = makeJob(picture, 31, 24, TileConversion::Nearest, dir / "p.km");
    Templates t;
    RecordingProgress progress;
    tw::exportKm(job, t.refs(), progress);
    ASSERT_EQ(progress.titles.size(), 24u);
    EXPECT_EQ(progress.titles.front(), "31:745");
    EXPECT_EQ(progress.titles.back(), "744:745");
    for (std::size_t r = 0; r < 24; ++r)
        EXPECT_EQ(progress.titles[r], std::to_string(31 * (r + 1)) + ":745");
}

TEST(ExportTest, ReplacesAnExistingFileWhole) {
    TempDir dir;
    writeFile(dir / "map.km", Bytes(5000000, 0x77)); // longer than the new file
    const Picture picture = photoLike(50, 50, 4);
    tw::ExportJob job = makeJob(picture, 3, 2, TileConversion::Nearest, dir / "map.km");
    Templates t;
    RecordingProgress progress;
    tw::exportKm(job, t.refs(), progress);
    const Bytes file = readFile(dir / "map.km");
    EXPECT_NE(checkKmLayout(file, job.map, t), 0u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"map.km"});
}

struct Case {
    const char* name;
    TileConversion conversion;
    tw::DitherDevice device;
    int w, h;    // grids
    int pw, ph;  // picture pixels
    int palette; // resource id
    bool multiplayer;
};

class MatchesNaiveExport : public ::testing::TestWithParam<Case> {};

TEST_P(MatchesNaiveExport, ByteForByte) {
    const Case& c = GetParam();
    TempDir dir;
    const Picture picture = photoLike(c.pw, c.ph, static_cast<std::uint32_t>(c.w * 7 + c.h));
    tw::ExportJob job = makeJob(picture, c.w, c.h, c.conversion, dir / "fast.km");
    job.ditherDevice = c.device;
    job.map.palette = paletteResource(c.palette);
    job.map.attribute = 17;
    if (c.multiplayer) {
        job.map.mission = tw::MissionKind::Multiplayer;
        for (std::size_t i = 0; i < 16; ++i)
            job.map.positions[i] = {static_cast<std::int32_t>(i % 5),
                                    static_cast<std::int32_t>(i / 5)};
    }
    if (c.conversion == TileConversion::Dithered) {
        if (job.libraryFolder.empty())
            GTEST_SKIP() << "libDither.so is not built in " << TW_BIN_DIR;
        try {
            const tw::DitherLibrary library(job.libraryFolder);
            library.createContext(c.device);
        } catch (const tw::Error& e) {
            GTEST_SKIP() << "no dither context for this device: " << e.what();
        }
    }

    Templates fastTemplates, naiveTemplates;
    RecordingProgress progress;
    tw::exportKm(job, fastTemplates.refs(), progress);
    const Bytes fast = readFile(dir / "fast.km");
    ASSERT_NE(checkKmLayout(fast, job.map, fastTemplates), 0u);

    const Bytes naive = naiveExport(job, naiveTemplates.refs());
    ASSERT_EQ(fast.size(), naive.size());
    std::size_t firstDifference = fast.size();
    for (std::size_t i = 0; i < fast.size() && firstDifference == fast.size(); ++i)
        if (fast[i] != naive[i]) firstDifference = i;
    EXPECT_EQ(firstDifference, fast.size()) << "files differ first at byte " << firstDifference;
    EXPECT_EQ(progress.titles.size(), static_cast<std::size_t>(c.h));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, MatchesNaiveExport,
    ::testing::Values(Case{"GreyShrinkAcrossEnlargeDown", TileConversion::Grey,
                           tw::DitherDevice::Auto, 7, 5, 300, 100, 1, false},
                      Case{"NearestHighlandMultiplayer", TileConversion::Nearest,
                           tw::DitherDevice::Auto, 7, 5, 300, 100, 1, true},
                      Case{"NearestDesertEnlargeAcrossShrinkDown", TileConversion::Nearest,
                           tw::DitherDevice::Auto, 9, 4, 150, 400, 3, false},
                      Case{"DitheredCpu", TileConversion::Dithered, tw::DitherDevice::Cpu, 23, 3,
                           500, 90, 2, false},
                      Case{"DitheredGpu", TileConversion::Dithered, tw::DitherDevice::Gpu, 23, 3,
                           500, 90, 2, false},
                      Case{"NearestPictureOfTheMapsSize", TileConversion::Nearest,
                           tw::DitherDevice::Auto, 7, 5, 224, 160, 2, false},
                      Case{"DitheredCpuPictureOfTheMapsSize", TileConversion::Dithered,
                           tw::DitherDevice::Cpu, 9, 2, 288, 64, 3, false},
                      Case{"DitheredAuto", TileConversion::Dithered, tw::DitherDevice::Auto, 5, 4,
                           130, 170, 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A run of whole tiles dithered in one call equals each tile dithered on its own, also
// for the widest grid row a file can hold (251 tiles, 8032 pixels).
class DitherRunEqualsTiles : public ::testing::TestWithParam<tw::DitherDevice> {};

TEST_P(DitherRunEqualsTiles, ForRunsUpToAWholeRow) {
    const std::string folder = realDitherFolder();
    if (folder.empty()) GTEST_SKIP() << "libDither.so is not built in " << TW_BIN_DIR;
    const tw::DitherLibrary library(folder);
    std::optional<tw::DitherContext> context;
    try {
        context.emplace(library.createContext(GetParam()));
    } catch (const tw::Error& e) {
        GTEST_SKIP() << e.what();
    }
    const tw::Palette palette = paletteResource(1);
    for (const int tiles : {1, 3, 251}) {
        const Picture row = photoLike(tiles * 32, 32, static_cast<std::uint32_t>(tiles));
        const int width = tiles * 32;
        Bytes whole(static_cast<std::size_t>(width) * 32);
        context->dither(width, 32, row.pixels.data(), palette.data(), 256, whole.data());
        std::size_t differing = 0;
        for (int t = 0; t < tiles; ++t) {
            std::vector<std::uint32_t> tile(1024);
            for (int k = 0; k < 32; ++k)
                for (int x = 0; x < 32; ++x)
                    tile[static_cast<std::size_t>(k * 32 + x)] =
                        row.pixels[static_cast<std::size_t>(k * width + t * 32 + x)];
            Bytes alone(1024);
            context->dither(32, 32, tile.data(), palette.data(), 256, alone.data());
            for (int k = 0; k < 32; ++k)
                for (int x = 0; x < 32; ++x)
                    differing += alone[static_cast<std::size_t>(k * 32 + x)] !=
                                 whole[static_cast<std::size_t>(k * width + t * 32 + x)];
        }
        EXPECT_EQ(differing, 0u) << tiles << " tiles";
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, DitherRunEqualsTiles,
                         ::testing::Values(tw::DitherDevice::Cpu, tw::DitherDevice::Gpu),
                         [](const auto& info) {
                             return info.param == tw::DitherDevice::Cpu ? std::string("Cpu")
                                                                        : std::string("Gpu");
                         });

} // namespace
