// Creating and destroying dither contexts: modes, repeated cycles without growth of
// memory, open files or threads, the calling thread's EGL binding, and two threads at once.
#include "Dither.h"
#include "DitherGLState.h"
#include "DitherShaders.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <thread>

namespace {

using dither_test::Indices;
using dither_test::PaletteFrom;
using dither_test::PhotoLike;
using dither_test::Picture;
using dither_test::ProcessFigures;
using dither_test::ReadProcessFigures;

bool MachineHasGpuPath() {
    DitherGLState* probe = CreateDitherContextEx(2);
    const bool available = probe != nullptr;
    DestroyDitherGLContext(&probe);
    return available;
}

Indices DitherTile(DitherGLState* context, const Picture& picture,
                   const std::vector<std::uint8_t>& palette) {
    Indices out(picture.width, picture.height);
    EXPECT_EQ(Dither(context, picture.bitsPerPixel, picture.width, picture.height,
                     picture.bytes.data(), palette.data(), 256, out.data()),
              0);
    return out;
}

// Whether the default choice is GPU mode here: a graphics card's OpenGL 2.0.
bool DefaultChoosesGpu() {
    const auto gpu = tw::dither::GpuContext::Create(tw::dither::DitherShaderSources());
    return gpu && !gpu->softwareRenderer();
}

TEST(ContextLifetime, CreateDestroyAndCreateAgain) {
    const bool gpu = DefaultChoosesGpu();
    const Picture tile = PhotoLike(32, 32, 32, 3);
    const std::vector<std::uint8_t> palette = PaletteFrom(tile, 256);

    DitherGLState* first = CreateDitherGLContext();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->gpu != nullptr, gpu);
    const Indices before = DitherTile(first, tile, palette);
    DitherGLState* const address = first;
    DestroyDitherGLContext(&first);
    EXPECT_EQ(first, address) << "the caller's variable is left alone";

    DitherGLState* second = CreateDitherGLContext();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->gpu != nullptr, gpu);
    EXPECT_EQ(DitherTile(second, tile, palette).bytes, before.bytes);
    DestroyDitherGLContext(&second);
}

TEST(ContextLifetime, DestroyIgnoresANullAddressAndANullHandle) {
    DestroyDitherGLContext(nullptr);
    DitherGLState* none = nullptr;
    DestroyDitherGLContext(&none);
    EXPECT_EQ(none, nullptr);
}

TEST(ContextLifetime, ModesAndUnknownFlags) {
    DitherGLState* cpu = CreateDitherContextEx(1);
    ASSERT_NE(cpu, nullptr);
    EXPECT_EQ(cpu->gpu, nullptr);
    DestroyDitherGLContext(&cpu);
    for (int flags : {-1, 3, 1000})
        EXPECT_EQ(CreateDitherContextEx(flags), nullptr) << flags;
    DitherGLState* gpu = CreateDitherContextEx(2);
    if (gpu != nullptr) {
        EXPECT_NE(gpu->gpu, nullptr);
    }
    DestroyDitherGLContext(&gpu);
}

TEST(ContextLifetime, CpuModeStartsNoThreadAndOpensNothing) {
    const Picture picture = PhotoLike(24, 64, 64, 5);
    const std::vector<std::uint8_t> palette = PaletteFrom(picture, 256);
    const ProcessFigures before = ReadProcessFigures();
    DitherGLState* cpu = CreateDitherContextEx(1);
    DitherTile(cpu, picture, palette);
    const ProcessFigures during = ReadProcessFigures();
    DestroyDitherGLContext(&cpu);
    EXPECT_EQ(during.threads, before.threads);
    EXPECT_EQ(during.openFiles, before.openFiles);
}

void ExpectNoGrowth(const ProcessFigures& before, const ProcessFigures& after, long slackKiB) {
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.openFiles, before.openFiles);
    std::printf("[ figures  ] threads %ld -> %ld, open files %ld -> %ld, resident %ld -> %ld KiB\n",
                before.threads, after.threads, before.openFiles, after.openFiles,
                before.residentKiB, after.residentKiB);
    if (!dither_test::kUnderAddressSanitizer) {
        EXPECT_LT(after.residentKiB - before.residentKiB, slackKiB);
    }
}

// With one context kept alive the display stays open, so each cycle makes and frees
// exactly what one context owns: EGL context, surface, program, textures.
TEST(ContextLifetime, AThousandCyclesGrowNothing) {
    DitherGLState* keeper = CreateDitherContextEx(2);
    if (keeper == nullptr) GTEST_SKIP() << "no OpenGL 2.0 context through EGL on this machine";
    const Picture tile = PhotoLike(32, 32, 32, 7);
    const std::vector<std::uint8_t> palette = PaletteFrom(tile, 256);
    auto cycle = [&](int i) {
        DitherGLState* context = CreateDitherContextEx(2);
        ASSERT_NE(context, nullptr);
        ASSERT_NE(context->gpu, nullptr);
        // Drawing compiles the shader for the context; every 50th cycle is enough to show
        // that what a draw leaves behind goes with the context too.
        if (i % 50 == 0) DitherTile(context, tile, palette);
        DestroyDitherGLContext(&context);
    };
    for (int i = 0; i < 50; ++i)
        cycle(i);
    const ProcessFigures before = ReadProcessFigures();
    for (int i = 0; i < 1000; ++i)
        cycle(i);
    ExpectNoGrowth(before, ReadProcessFigures(), 4096);
    DestroyDitherGLContext(&keeper);
}

// Without a context left, the display is closed again and its driver threads end.
TEST(ContextLifetime, TheLastContextClosesTheDisplay) {
    if (!MachineHasGpuPath()) GTEST_SKIP() << "no OpenGL 2.0 context through EGL on this machine";
    const Picture tile = PhotoLike(32, 32, 32, 9);
    const std::vector<std::uint8_t> palette = PaletteFrom(tile, 256);
    auto cycle = [&] {
        DitherGLState* context = CreateDitherContextEx(2);
        ASSERT_NE(context, nullptr);
        DitherTile(context, tile, palette);
        DestroyDitherGLContext(&context);
    };
    for (int i = 0; i < 5; ++i)
        cycle();
    const ProcessFigures before = ReadProcessFigures();
    for (int i = 0; i < 40; ++i)
        cycle();
    ExpectNoGrowth(before, ReadProcessFigures(), 4096);
}

TEST(ContextLifetime, DitherGivesTheCallingThreadItsEglBindingBack) {
    DitherGLState* context = CreateDitherContextEx(2);
    if (context == nullptr) GTEST_SKIP() << "no OpenGL 2.0 context through EGL on this machine";
    const Picture tile = PhotoLike(32, 48, 40, 11);
    const std::vector<std::uint8_t> palette = PaletteFrom(tile, 256);
    eglBindAPI(EGL_OPENGL_ES_API);
    DitherTile(context, tile, palette);
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    EXPECT_EQ(eglQueryAPI(), static_cast<EGLenum>(EGL_OPENGL_ES_API));

    // A context of the caller's own stays current across the call.
    const EGLDisplay display = context->gpu->display();
    EGLint configs = 0;
    EGLConfig config = nullptr;
    const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                             EGL_NONE};
    ASSERT_TRUE(eglChooseConfig(display, wanted, &config, 1, &configs) && configs == 1);
    eglBindAPI(EGL_OPENGL_API);
    const EGLContext own = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    ASSERT_NE(own, EGL_NO_CONTEXT);
    ASSERT_TRUE(eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, own));
    DitherTile(context, tile, palette);
    EXPECT_EQ(eglGetCurrentContext(), own);
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display, own);
    DestroyDitherGLContext(&context);
}

TEST(ContextLifetime, TwoThreadsWithAContextEachGiveTheSameIndices) {
    const Picture picture = PhotoLike(32, 96, 80, 13);
    const std::vector<std::uint8_t> palette = PaletteFrom(picture, 256);
    if (!MachineHasGpuPath()) GTEST_SKIP() << "no OpenGL 2.0 context through EGL on this machine";
    DitherGLState* reference = CreateDitherContextEx(2);
    const Indices expected = DitherTile(reference, picture, palette);
    DestroyDitherGLContext(&reference);

    Indices results[2] = {Indices(picture.width, picture.height),
                          Indices(picture.width, picture.height)};
    auto work = [&](int i) {
        DitherGLState* context = CreateDitherContextEx(2);
        for (int round = 0; round < 3; ++round)
            results[i] = DitherTile(context, picture, palette);
        DestroyDitherGLContext(&context);
    };
    std::thread other(work, 1);
    work(0);
    other.join();
    EXPECT_EQ(results[0].bytes, expected.bytes);
    EXPECT_EQ(results[1].bytes, expected.bytes);
}

TEST(ContextLifetime, SoftwareRasterisersAreRecognisedByName) {
    const std::pair<const char*, bool> cases[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
        {"softpipe", true},
        {"Mesa DRI swrast", true},
        {"Software Rasterizer", true},
        {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
        {"AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49)", false},
        {"NVIDIA GeForce GTX 1660/PCIe/SSE2", false},
        {nullptr, false}};
    for (const auto& [name, software] : cases)
        EXPECT_EQ(tw::dither::IsSoftwareRenderer(name), software) << (name ? name : "(null)");
}

// The default choice draws on a graphics card and computes on the CPU when OpenGL is only
// a software rasteriser; GPU mode stays available on request.
TEST(ContextLifetime, DefaultChoiceTakesTheCpuOnASoftwareRasteriser) {
    const auto gpu = tw::dither::GpuContext::Create(tw::dither::DitherShaderSources());
    if (!gpu) GTEST_SKIP() << "no OpenGL 2.0 context through EGL on this machine";
    const bool software = gpu->softwareRenderer();
    DitherGLState* chosen = CreateDitherGLContext();
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->gpu != nullptr, !software);
    DestroyDitherGLContext(&chosen);
    DitherGLState* required = CreateDitherContextEx(2);
    ASSERT_NE(required, nullptr);
    EXPECT_NE(required->gpu, nullptr);
    DestroyDitherGLContext(&required);
}

} // namespace
