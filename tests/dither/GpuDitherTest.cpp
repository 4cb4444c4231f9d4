// The GPU path on Mesa's llvmpipe (or whatever OpenGL 2.0 the machine offers through EGL):
// the matrix texture, agreement with the CPU path, and the faults it must not have.
#include "Dither.h"
#include "DitherGLState.h"
#include "DitherMatrix.h"
#include "DitherOperation.h"
#include "PixelDither.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

using dither_test::DitherPixelByPixel;
using dither_test::Indices;
using dither_test::MakePalette;
using dither_test::PaintPaletteColours;
using dither_test::PaletteFrom;
using dither_test::PhotoLike;
using dither_test::Picture;
using dither_test::Rgb;

struct ContextDeleter {
    void operator()(DitherGLState* state) const { DestroyDitherGLContext(&state); }
};
using Context = std::unique_ptr<DitherGLState, ContextDeleter>;

class GpuDither : public ::testing::Test {
  protected:
    void SetUp() override {
        gpu_.reset(CreateDitherContextEx(2));
        if (!gpu_) GTEST_SKIP() << "no OpenGL 2.0 context through EGL on this machine";
        cpu_.reset(CreateDitherContextEx(1));
        ASSERT_NE(cpu_, nullptr);
    }

    Indices Run(DitherGLState* context, const Picture& picture,
                const std::vector<std::uint8_t>& palette, int count = 256) {
        Indices out(picture.width, picture.height, 0xCD);
        EXPECT_EQ(Dither(context, picture.bitsPerPixel, picture.width, picture.height,
                         picture.bytes.data(), palette.data(), count, out.data()),
                  0);
        return out;
    }
    Indices OnGpu(const Picture& p, const std::vector<std::uint8_t>& palette, int count = 256) {
        return Run(gpu_.get(), p, palette, count);
    }
    Indices OnCpu(const Picture& p, const std::vector<std::uint8_t>& palette, int count = 256) {
        return Run(cpu_.get(), p, palette, count);
    }
    const tw::dither::GpuContext& gl() const { return *gpu_->gpu; }

    Context gpu_;
    Context cpu_;
};

// Makes the library's context current on this thread for direct GL calls.
class DirectGl {
  public:
    explicit DirectGl(const tw::dither::GpuContext& gpu) : display_(gpu.display()) {
        ok_ = eglMakeCurrent(display_, gpu.surface(), gpu.surface(), gpu.context()) == EGL_TRUE;
    }
    ~DirectGl() { eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT); }
    bool ok() const { return ok_; }

  private:
    EGLDisplay display_;
    bool ok_ = false;
};

int DifferingPixels(const Indices& a, const Indices& b) {
    int differing = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            differing += a.at(x, y) != b.at(x, y) ? 1 : 0;
    return differing;
}

TEST_F(GpuDither, TheMatrixTextureHoldsTheTableInBlue) {
    const DirectGl direct(gl());
    ASSERT_TRUE(direct.ok());
    std::uint8_t texels[16 * 16 * 3] = {};
    glBindTexture(GL_TEXTURE_2D, gl().matrixTexture());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D, 0);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(texels[3 * i], 0) << "red of texel " << i;
        EXPECT_EQ(texels[3 * i + 1], 0) << "green of texel " << i;
        EXPECT_EQ(texels[3 * i + 2], tw::dither::kDitherMatrix[i]) << "blue of texel " << i;
    }
}

// What the GPU searches for: the pixel shifted along the grey axis, in unit components,
// neither clamped nor truncated.
struct ExactShift {
    double colour[3]; // red, green, blue
    bool leavesTheCube;
};

ExactShift ShiftOf(int x, int y, Rgb c, const std::vector<std::uint8_t>& palette) {
    const std::uint8_t* n = palette.data() + 4 * tw::dither::FindNearestColor(
                                                     c.red, c.green, c.blue, palette.data(), 256);
    const double dist =
        std::sqrt(std::pow((n[2] - c.red) / 255.0, 2) + std::pow((n[1] - c.green) / 255.0, 2) +
                  std::pow((n[0] - c.blue) / 255.0, 2));
    const double v = dist * (tw::dither::MatrixValue(x, y) / 255.0 * 2 - 1) / std::sqrt(3.0);
    ExactShift s{{c.red / 255.0 + v, c.green / 255.0 + v, c.blue / 255.0 + v}, false};
    for (double component : s.colour)
        s.leavesTheCube |= component < 0.0 || component > 1.0;
    return s;
}

double DistanceSq(const double* colour, const std::uint8_t* entry) {
    return std::pow(entry[2] / 255.0 - colour[0], 2) + std::pow(entry[1] / 255.0 - colour[1], 2) +
           std::pow(entry[0] / 255.0 - colour[2], 2);
}

int NearestEntry(const double* colour, const std::vector<std::uint8_t>& palette) {
    int nearest = 0;
    for (int i = 1; i < 256; ++i)
        if (DistanceSq(colour, &palette[4 * i]) < DistanceSq(colour, &palette[4 * nearest]))
            nearest = i;
    return nearest;
}

// A 6 x 7 x 6 colour cube and four greys: entries far apart, like a fixed palette.
std::vector<std::uint8_t> ColourCube() {
    std::vector<Rgb> colours;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                colours.push_back({r * 51, g * 255 / 6, b * 51});
    for (int grey : {40, 100, 160, 220})
        colours.push_back({grey, grey, grey});
    return MakePalette(colours);
}

// The GPU searches with the shifted colour as it is, the CPU with it clamped to the
// colour cube and truncated to bytes. So the two part exactly where the exact shifted
// colour's nearest entry (computed here in double precision) is not the CPU's answer;
// only float rounding at near-ties may add or remove a few. The GPU's entry must also be
// a nearest one for the colour it searched.
TEST_F(GpuDither, AgreesWithTheCpuPathOnAPhotoLikePicture) {
    struct Case {
        const char* what;
        int bpp;
        bool adaptive;
    };
    for (const Case& c :
         {Case{"adaptive palette, 32 bits", 32, true}, Case{"adaptive palette, 24 bits", 24, true},
          Case{"colour cube palette, 32 bits", 32, false}}) {
        Picture picture = PhotoLike(c.bpp, 256, 160, 21);
        const std::vector<std::uint8_t> palette =
            c.adaptive ? PaletteFrom(picture, 256, 22) : ColourCube();
        PaintPaletteColours(picture, palette, 5);
        const Indices gpu = OnGpu(picture, palette);
        const Indices cpu = OnCpu(picture, palette);

        long painted = 0, others = 0, differing = 0, predicted = 0, unpredicted = 0;
        long n = 0;
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x, ++n) {
                if (n % 5 == 0) {
                    ++painted;
                    ASSERT_EQ(gpu.at(x, y), cpu.at(x, y)) << "palette colour at " << x << "," << y;
                    continue;
                }
                ++others;
                const ExactShift shift = ShiftOf(x, y, picture.at(x, y), palette);
                // The CPU's answer is by definition the nearest entry of the clamped,
                // truncated colour, which differs from the exact one where the two lie in
                // different palette cells.
                const bool expectDifference = NearestEntry(shift.colour, palette) != cpu.at(x, y);
                const bool differs = gpu.at(x, y) != cpu.at(x, y);
                predicted += expectDifference ? 1 : 0;
                differing += differs ? 1 : 0;
                unpredicted += differs != expectDifference ? 1 : 0;
                double nearest = 1e9;
                for (int i = 0; i < 256; ++i)
                    nearest = std::min(nearest, DistanceSq(shift.colour, &palette[4 * i]));
                EXPECT_LE(DistanceSq(shift.colour, &palette[4 * gpu.at(x, y)]), nearest + 1e-6)
                    << "the GPU's entry is not a nearest one at " << x << "," << y;
            }
        }
        const double fraction = static_cast<double>(differing) / static_cast<double>(others);
        std::printf("[ figures  ] %s: %ld palette-colour pixels identical; %ld of %ld other "
                    "pixels (%.2f%%) differ, %ld predicted, %ld not as predicted\n",
                    c.what, painted, differing, others, 100.0 * fraction, predicted, unpredicted);
        // Near-ties decided differently by float and double rounding: at most 1 in 500.
        EXPECT_LE(unpredicted, others / 500) << c.what;
    }
}

// Tiles of the size limit start at multiples of 16, so a picture too big for one draw
// gives exactly what its parts give on their own.
TEST_F(GpuDither, PicturesBeyondTheSizeLimitAreDrawnInTilesThatLineUp) {
    const int tile = gl().tileSide();
    ASSERT_GE(tile, 16);
    ASSERT_EQ(tile % 16, 0);
    struct Shape {
        int width, height;
    };
    for (const Shape shape : {Shape{tile + 40, 20}, Shape{20, tile + 40}}) {
        Picture picture = PhotoLike(24, shape.width, shape.height, 31);
        const std::vector<std::uint8_t> palette = PaletteFrom(picture, 256, 32);
        PaintPaletteColours(picture, palette, 7);
        const Indices whole = OnGpu(picture, palette);

        const bool wide = shape.width > tile;
        Picture first(24, wide ? tile : shape.width, wide ? shape.height : tile);
        Picture rest(24, wide ? shape.width - tile : shape.width,
                     wide ? shape.height : shape.height - tile);
        for (int y = 0; y < shape.height; ++y) {
            for (int x = 0; x < shape.width; ++x) {
                if (x < first.width && y < first.height)
                    first.set(x, y, picture.at(x, y));
                else
                    rest.set(wide ? x - tile : x, wide ? y : y - tile, picture.at(x, y));
            }
        }
        const Indices firstOut = OnGpu(first, palette);
        const Indices restOut = OnGpu(rest, palette);
        for (int y = 0; y < shape.height; ++y) {
            for (int x = 0; x < shape.width; ++x) {
                const std::uint8_t part =
                    (x < first.width && y < first.height)
                        ? firstOut.at(x, y)
                        : restOut.at(wide ? x - tile : x, wide ? y : y - tile);
                ASSERT_EQ(whole.at(x, y), part)
                    << shape.width << " x " << shape.height << " at " << x << "," << y;
            }
        }
        // Pixels of a palette colour give that entry on both paths, in every tile.
        const Indices cpu = OnCpu(picture, palette);
        long n = 0;
        for (int y = 0; y < shape.height; ++y)
            for (int x = 0; x < shape.width; ++x, ++n) {
                if (n % 7 == 0) {
                    ASSERT_EQ(whole.at(x, y), cpu.at(x, y)) << x << "," << y;
                }
            }
        std::printf("[ figures  ] %d x %d in tiles of %d: %d pixels differ from the CPU path\n",
                    shape.width, shape.height, tile, DifferingPixels(whole, cpu));
    }
}

// A GL error after the read-back means the indices cannot be trusted: here a pixel-pack
// buffer left bound makes the read-back itself fail.
TEST_F(GpuDither, AGlErrorInTheReadBackGivesTheCpuResult) {
    Picture picture = PhotoLike(32, 96, 64, 41);
    const std::vector<std::uint8_t> palette = PaletteFrom(picture, 256, 42);
    const Indices cpu = OnCpu(picture, palette);
    const Indices gpu = OnGpu(picture, palette);
    ASSERT_GT(DifferingPixels(gpu, cpu), 0) << "the picture must tell the two paths apart";

    const DirectGl direct(gl());
    ASSERT_TRUE(direct.ok());
    glewInit();
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
    glBufferData(GL_PIXEL_PACK_BUFFER, 16, nullptr, GL_STREAM_READ);
    const Indices broken = OnGpu(picture, palette);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glDeleteBuffers(1, &buffer);
    EXPECT_EQ(broken.bytes, cpu.bytes);

    // The next call is on the GPU again.
    EXPECT_EQ(OnGpu(picture, palette).bytes, gpu.bytes);
}

// The shader searches 256 palette texels; smaller palettes are dithered on the CPU so no
// index points past the caller's palette.
TEST_F(GpuDither, PalettesSmallerThan256GiveTheCpuResult) {
    const Picture picture = PhotoLike(32, 64, 48, 51);
    for (int count : {1, 4, 255}) {
        const std::vector<std::uint8_t> palette = PaletteFrom(picture, count, 52);
        const Indices gpu = OnGpu(picture, palette, count);
        EXPECT_EQ(gpu.bytes, DitherPixelByPixel(picture, palette, count).bytes) << count;
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                ASSERT_LT(gpu.at(x, y), count);
    }
}

TEST_F(GpuDither, ThePaddedCaseAndTheTileCaseKeepTheLayout) {
    struct Shape {
        int width, height, bpp;
    };
    for (const Shape s : {Shape{33, 5, 24}, Shape{32, 32, 32}, Shape{1, 1, 24}}) {
        Picture picture(s.bpp, s.width, s.height, 0xEE);
        const std::vector<std::uint8_t> palette = PaletteFrom(PhotoLike(32, 64, 64, 61), 256, 62);
        for (int y = 0; y < s.height; ++y) // palette colours only: both paths agree exactly
            for (int x = 0; x < s.width; ++x) {
                const std::uint8_t* e = palette.data() + 4 * ((x * 7 + y * 13) % 256);
                picture.set(x, y, {e[2], e[1], e[0]});
            }
        const Indices gpu = OnGpu(picture, palette);
        EXPECT_EQ(gpu.bytes, OnCpu(picture, palette).bytes) << s.width << " x " << s.height;
        for (int y = 0; y < s.height; ++y)
            for (int x = s.width; x < gpu.pitch(); ++x)
                EXPECT_EQ(gpu.at(x, y), 0xCD);
    }
}

// A shader that does not compile or a program that does not link leaves the context in
// CPU mode; "GPU required" then gives no context at all.
TEST(GpuDitherProgram, AFailedCompileOrLinkGivesACpuModeContext) {
    const tw::dither::ShaderSources good = tw::dither::DitherShaderSources();
    {
        DitherGLState* probe = tw::dither::CreateContext(2, good);
        if (probe == nullptr) GTEST_SKIP() << "no OpenGL 2.0 context through EGL on this machine";
        EXPECT_NE(probe->gpu, nullptr);
        tw::dither::DestroyContext(probe);
    }
    struct Case {
        const char* what;
        tw::dither::ShaderSources sources;
    };
    const Case cases[] = {
        {"vertex stage does not compile",
         {"void main() { gl_Position = nothing; }", good.fragment}},
        {"fragment stage does not compile", {good.vertex, "void main() { gl_FragColor = 1.0 }"}},
        // Both stages compile; without a main function the program cannot link.
        {"program does not link", {"varying vec2 vTexCoord; void helper() {}", good.fragment}},
    };
    const Picture picture = PhotoLike(32, 40, 24, 71);
    const std::vector<std::uint8_t> palette = PaletteFrom(picture, 256, 72);
    const Indices expected = DitherPixelByPixel(picture, palette, 256);
    for (const Case& c : cases) {
        EXPECT_EQ(tw::dither::CreateContext(2, c.sources), nullptr) << c.what;
        DitherGLState* state = tw::dither::CreateContext(0, c.sources);
        ASSERT_NE(state, nullptr) << c.what;
        EXPECT_EQ(state->gpu, nullptr) << c.what;
        Indices out(picture.width, picture.height);
        EXPECT_EQ(tw::dither::DitherImage(state, 32, picture.width, picture.height,
                                          picture.bytes.data(), palette.data(), 256, out.data()),
                  0);
        EXPECT_EQ(out.bytes, expected.bytes) << c.what;
        tw::dither::DestroyContext(state);
    }
}

} // namespace
