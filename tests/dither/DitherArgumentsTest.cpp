// Dither's status codes: bad arguments are refused before anything is written, a null
// index buffer is accepted and left alone.
#include "Dither.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

using dither_test::Indices;
using dither_test::PaletteFrom;
using dither_test::PhotoLike;
using dither_test::Picture;

struct ContextDeleter {
    void operator()(DitherGLState* state) const { DestroyDitherGLContext(&state); }
};
using Context = std::unique_ptr<DitherGLState, ContextDeleter>;

struct Call {
    const char* what;
    int bitsPerPixel, width, height;
    bool image, palette;
    int count;
    int status;
};

const Call kBadCalls[] = {
    {"8 bits per pixel", 8, 8, 8, true, true, 256, 1},
    {"16 bits per pixel", 16, 8, 8, true, true, 256, 1},
    {"0 bits per pixel", 0, 8, 8, true, true, 256, 1},
    {"width 0", 32, 0, 8, true, true, 256, 1},
    {"negative width", 32, -8, 8, true, true, 256, 1},
    {"height 0", 32, 8, 0, true, true, 256, 1},
    {"negative height", 24, 8, -1, true, true, 256, 1},
    {"no image", 32, 8, 8, false, true, 256, 1},
    {"no palette", 32, 8, 8, true, false, 256, 1},
    {"count 0", 32, 8, 8, true, true, 0, 1},
    {"negative count", 32, 8, 8, true, true, -5, 1},
    {"count above 256", 32, 8, 8, true, true, 257, 1},
    {"count far above 256", 24, 8, 8, true, true, 1 << 20, 1},
};

class DitherArguments : public ::testing::TestWithParam<int> {
  protected:
    // Mode 1: CPU only; mode 0: whatever the machine offers (GPU here).
    Context MakeContext() const { return Context(CreateDitherContextEx(GetParam())); }
};

TEST_P(DitherArguments, BadArgumentsGiveStatus1AndLeaveTheIndicesUntouched) {
    const Context context = MakeContext();
    ASSERT_NE(context, nullptr);
    const Picture picture = PhotoLike(32, 8, 8);
    // A palette big enough for every count tried, so only the checks keep it from being read.
    std::vector<std::uint8_t> palette = PaletteFrom(picture, 256);
    palette.resize(4u << 20, 0);
    for (const Call& c : kBadCalls) {
        Indices out(8, 8, 0xCD);
        EXPECT_EQ(Dither(context.get(), c.bitsPerPixel, c.width, c.height,
                         c.image ? picture.bytes.data() : nullptr,
                         c.palette ? palette.data() : nullptr, c.count, out.data()),
                  c.status)
            << c.what;
        EXPECT_EQ(out.bytes, Indices(8, 8, 0xCD).bytes) << c.what;
    }
}

TEST_P(DitherArguments, NoIndexBufferGivesStatus0) {
    const Context context = MakeContext();
    const Picture picture = PhotoLike(24, 8, 8);
    const std::vector<std::uint8_t> palette = PaletteFrom(picture, 256);
    EXPECT_EQ(Dither(context.get(), 24, 8, 8, picture.bytes.data(), palette.data(), 256, nullptr),
              0);
    // The call leaves the context usable.
    Indices out(8, 8, 0xCD);
    EXPECT_EQ(
        Dither(context.get(), 24, 8, 8, picture.bytes.data(), palette.data(), 256, out.data()), 0);
    EXPECT_NE(out.bytes, Indices(8, 8, 0xCD).bytes);
}

INSTANTIATE_TEST_SUITE_P(CpuAndDefault, DitherArguments, ::testing::Values(1, 0),
                         [](const auto& info) { return info.param == 1 ? "Cpu" : "Default"; });

TEST(DitherArgumentsWithoutContext, ANullContextGivesStatus1) {
    const Picture picture = PhotoLike(32, 4, 4);
    const std::vector<std::uint8_t> palette = PaletteFrom(picture, 256);
    Indices out(4, 4, 0xCD);
    EXPECT_EQ(Dither(nullptr, 32, 4, 4, picture.bytes.data(), palette.data(), 256, out.data()), 1);
    EXPECT_EQ(out.bytes, Indices(4, 4, 0xCD).bytes);
}

TEST(DitherArgumentsOnGpu, SidesAbove2To30GiveStatus2BeforeAnythingIsRead) {
    const Context context(CreateDitherContextEx(2));
    if (!context) GTEST_SKIP() << "no OpenGL 2.0 through EGL on this machine";
    const std::uint8_t pixel[4] = {1, 2, 3, 0};
    const std::vector<std::uint8_t> palette(1024, 0);
    std::uint8_t out[4] = {0xCD, 0xCD, 0xCD, 0xCD};
    const int above = (1 << 30) + 1;
    EXPECT_EQ(Dither(context.get(), 32, above, 1, pixel, palette.data(), 256, out), 2);
    EXPECT_EQ(Dither(context.get(), 24, 1, above, pixel, palette.data(), 256, out), 2);
    EXPECT_EQ(Dither(context.get(), 24, 1, above, pixel, palette.data(), 256, nullptr), 2);
    for (std::uint8_t b : out)
        EXPECT_EQ(b, 0xCD);
}

} // namespace
