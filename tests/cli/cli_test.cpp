// tilewright-cli run as a program on real files: defaults, options, exit statuses.
#include "AdaptivePalette.h"
#include "KmExport.h"
#include "Markers.h"
#include "PictureLoader.h"
#include "TestSupport.h"

#include <QImage>
#include <gtest/gtest.h>

#include <sys/wait.h>

namespace {

using namespace twtest;

struct CliRun {
    int status = -1;
    std::string out, err;
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string text(const fs::path& path) {
    const Bytes b = readFile(path);
    return std::string(b.begin(), b.end());
}

// Runs the program with `args`, standard output and error caught in files of `dir`.
// `environment` is put before the command (NAME=value ...).
CliRun runCli(const TempDir& dir, const std::vector<std::string>& args,
              const std::string& environment = "") {
    std::string command = environment + " " + quoted(std::string(TW_BIN_DIR) + "/tilewright-cli");
    for (const auto& a : args)
        command += " " + quoted(a);
    command += " </dev/null >" + quoted((dir / "stdout").string()) + " 2>" +
               quoted((dir / "stderr").string());
    const int raw = std::system(command.c_str());
    CliRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = text(dir / "stdout");
    run.err = text(dir / "stderr");
    fs::remove(dir / "stdout");
    fs::remove(dir / "stderr");
    return run;
}

// A PNG of the photo-like test picture.
fs::path savePicture(const TempDir& dir, int w, int h, const char* name = "picture.png") {
    const Picture p = photoLike(w, h, 9);
    QImage image(reinterpret_cast<const uchar*>(p.pixels.data()), w, h, w * 4,
                 QImage::Format_RGB32);
    const fs::path path = dir / name;
    EXPECT_TRUE(image.save(QString::fromStdString(path.string())));
    return path;
}

std::size_t cst0At(int w, int h) {
    return 15 + 5 * static_cast<std::size_t>((w + 4) * (h + 4));
}

std::int32_t i32(const Bytes& b, std::size_t at) {
    return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                     static_cast<std::uint32_t>(b[at + 3]) << 24);
}

bool haveLibraries() {
    return fs::exists(fs::path(TW_BIN_DIR) / "libDither.so") &&
           fs::exists(fs::path(TW_BIN_DIR) / "libOctree.so");
}

TEST(CliTest, DefaultsGiveTheWindowsExport) {
    if (!haveLibraries()) GTEST_SKIP() << "libDither.so or libOctree.so is not built";
    TempDir dir;
    const fs::path picture = savePicture(dir, 300, 200);
    const CliRun run = runCli(dir, {picture.string(), "-o", (dir / "cli.km").string()});
    ASSERT_EQ(run.status, 0) << run.err;

    // What the window exports for this picture with every choice at its default: the
    // picture's initial size, the adaptive palette, dithering, a custom mission.
    const QImage image = tw::toolkit::loadPicture(picture.string());
    tw::ExportJob job;
    job.map.width = tw::initialGrids(image.width());
    job.map.height = tw::initialGrids(image.height());
    tw::MarkerSet markers;
    markers.reset(job.map.width, job.map.height);
    job.map.positions = markers.filePositions();
    tw::PaletteEntry red{}, black{};
    red[2] = 0x58;
    tw::OctreeLibrary octree(TW_BIN_DIR);
    job.picture = {image.constBits(), image.width(), image.height(), image.bytesPerLine()};
    job.map.palette = tw::calculateBestPalette(job.picture, red, black, octree);
    job.conversion = tw::chooseConversion(false, true);
    job.libraryFolder = TW_BIN_DIR;
    job.target = (dir / "window.km").string();
    Templates t;
    RecordingProgress progress;
    tw::exportKm(job, t.refs(), progress);

    EXPECT_EQ(job.map.width, 10);
    EXPECT_EQ(job.map.height, 7);
    const Bytes cli = readFile(dir / "cli.km");
    EXPECT_NE(checkKmLayout(cli, job.map, t), 0u);
    EXPECT_TRUE(cli == readFile(dir / "window.km")) << "the two files differ";
    EXPECT_NE(run.err.find("smaller than 48 x 48"), std::string::npos) << run.err;
}

TEST(CliTest, OptionsReachTheFile) {
    TempDir dir;
    const fs::path picture = savePicture(dir, 200, 150);
    const std::string out = (dir / "o.km").string();
    Templates t;

    // Size, grey palette, attribute; dithering asked for but the grey palette wins, so
    // no library is needed.
    CliRun run = runCli(dir, {picture.string(), "-o", out, "--size", "12x9", "--palette", "grey",
                              "--dither", "--attribute", "35", "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    // --quiet leaves out the summary, not the warning about the small size.
    EXPECT_EQ(run.err.find("o.km"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("warning: the map of 12 x 9 grids"), std::string::npos) << run.err;
    tw::KmMapInfo map;
    map.width = 12;
    map.height = 9;
    map.attribute = 35;
    map.palette = tw::makeGreyPalette();
    EXPECT_NE(checkKmLayout(readFile(out), map, t), 0u);

    // A terrain palette, nearest colour, a multiplayer map with two markers placed.
    run = runCli(dir, {picture.string(), "-o", out, "--size", "20x10", "--palette", "desert",
                       "--no-dither", "--multiplayer", "--start", "2=7,9", "--bunker", "8=0,4"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(out + ": 20 x 10 grids"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("nearest colour"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\r'), std::string::npos) << "progress drawn on a non-terminal";
    const Bytes file = readFile(out);
    map = {};
    map.mission = tw::MissionKind::Multiplayer;
    map.width = 20;
    map.height = 10;
    map.palette = paletteResource(3);
    tw::MarkerSet markers;
    markers.reset(20, 10);
    markers.start[1] = {1, 3};
    markers.bunker[7] = {-6, -2};
    map.positions = markers.filePositions();
    tw::patchPositions(t.multiplayer, map.positions); // the template as the program holds it
    EXPECT_NE(checkKmLayout(file, map, t), 0u);
    EXPECT_EQ(i32(file, cst0At(20, 10) + 150 + 42), 7);
    EXPECT_EQ(i32(file, cst0At(20, 10) + 154 + 42), 9);
    EXPECT_EQ(i32(file, cst0At(20, 10) + 486 + 280), 0);
    EXPECT_EQ(i32(file, cst0At(20, 10) + 490 + 280), 4);
}

TEST(CliTest, UsageErrorsExitWithStatus2) {
    TempDir dir;
    const fs::path picture = savePicture(dir, 64, 64);
    const std::string p = picture.string(), out = (dir / "u.km").string();
    struct Case {
        std::vector<std::string> args;
        const char* needle;
    };
    const Case cases[] = {
        {{p, "-o", out, "--frobnicate"}, "Unknown option --frobnicate"},
        {{p, "-o", out, "--size", "0x10"}, "out of range"},
        {{p, "-o", out, "--size", "252x10"}, "out of range"},
        {{p, "-o", out, "--size", "ten"}, "WIDTHxHEIGHT"},
        {{p, "-o", out, "--attribute", "36"}, "0 to 35"},
        {{p, "-o", out, "--palette", "plaid"}, "--palette"},
        {{p, "-o", out, "--multiplayer", "--start", "1=70,1"}, "outside the map"},
        {{p, "-o", out, "--multiplayer", "--bunker", "9=1,1"}, "1 to 8"},
        {{p, "-o", out, "--start", "1=1,1"}, "add --multiplayer"},
        {{p}, "No output file"},
        {{p, "-o", out, "--dither", "--no-dither"}, "exclude each other"},
    };
    for (const auto& c : cases) {
        const CliRun run = runCli(dir, c.args);
        EXPECT_EQ(run.status, 2) << c.needle;
        EXPECT_NE(run.err.find(c.needle), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Usage: tilewright-cli"), std::string::npos);
        EXPECT_FALSE(fs::exists(out)) << c.needle;
    }
    const CliRun help = runCli(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: tilewright-cli", 0), 0u);
    const CliRun version = runCli(dir, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tilewright-cli ", 0), 0u);
}

TEST(CliTest, FailuresExitWithStatus1AndKeepTheOldFile) {
    TempDir dir;
    const Bytes old(1000, 0x33);
    writeFile(dir / "old.km", old);
    writeFile(dir / "not-a-picture.png", Bytes{'h', 'e', 'l', 'l', 'o'});
    const fs::path picture = savePicture(dir, 64, 64);
    struct Case {
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {{(dir / "not-a-picture.png").string(), "-o", (dir / "old.km").string()}},
        {{(dir / "missing.png").string(), "-o", (dir / "old.km").string()}},
        {{picture.string(), "-o", (dir / "no-folder" / "x.km").string(), "--palette", "grey"}},
        {{picture.string(), "-o", dir.path().string(), "--palette", "grey"}},
    };
    const auto before = dir.entries();
    for (const auto& c : cases) {
        const CliRun run = runCli(dir, c.args);
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_EQ(run.err.rfind("tilewright-cli: ", 0), 0u) << run.err;
        EXPECT_EQ(readFile(dir / "old.km"), old);
        EXPECT_EQ(dir.entries(), before);
    }
}

TEST(CliTest, CpuAndGpuDitherAgreeOnPaletteColours) {
    if (!haveLibraries()) GTEST_SKIP() << "libDither.so is not built";
    TempDir dir;
    // Only colours of the highland palette: every pixel's nearest entry is itself, at
    // distance 0, so both dithering paths give that entry.
    const tw::Palette palette = paletteResource(1);
    QImage image(96, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x) {
            const std::size_t j = 4 * static_cast<std::size_t>((x / 3 + y * 7) % 256);
            image.setPixel(x, y, qRgb(palette[j + 2], palette[j + 1], palette[j]));
        }
    const std::string picture = (dir / "palette.png").string();
    ASSERT_TRUE(image.save(QString::fromStdString(picture)));
    const CliRun cpu = runCli(dir, {picture, "-o", (dir / "cpu.km").string(), "--palette",
                                    "highland", "--dither-device", "cpu"});
    ASSERT_EQ(cpu.status, 0) << cpu.err;
    // Under the leak checker: the OpenGL drivers unload themselves when the program
    // ends its context, so what they keep cannot be named and suppressed; that run
    // alone goes without the leak check (every other run keeps it).
    const CliRun gpu = runCli(dir,
                              {picture, "-o", (dir / "gpu.km").string(), "--palette", "highland",
                               "--dither-device", "gpu"},
                              "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\"");
    if (gpu.status == 1 && gpu.err.find("graphics card") != std::string::npos)
        GTEST_SKIP() << "no OpenGL 2.0 here: " << gpu.err;
    ASSERT_EQ(gpu.status, 0) << gpu.err;
    const Bytes a = readFile(dir / "cpu.km");
    tw::KmMapInfo map;
    map.width = 4;
    map.height = 3;
    map.palette = palette;
    tw::MarkerSet markers;
    markers.reset(4, 3);
    map.positions = markers.filePositions();
    Templates t;
    EXPECT_NE(checkKmLayout(a, map, t), 0u);
    EXPECT_TRUE(a == readFile(dir / "gpu.km"));
}

} // namespace
