#include "DitherOperation.h"

#include "CpuDither.h"
#include "DitherGLState.h"

namespace tw::dither {

namespace {

// The largest side the GPU path accepts (its power-of-two texture sizes are 32-bit).
constexpr std::int32_t kLargestGpuSide = std::int32_t{1} << 30;
// The shader always searches this many palette texels.
constexpr std::int32_t kGpuPaletteSize = 256;

} // namespace

DitherGLState* CreateContext(std::int32_t mode, const ShaderSources& sources) {
    if (mode < 0 || mode > 2) return nullptr;
    try {
        auto* state = new DitherGLState;
        if (static_cast<ContextMode>(mode) != ContextMode::CpuOnly)
            state->gpu = GpuContext::Create(sources);
        // The shaders pay off on a graphics card; a software rasteriser draws them 20 to 40
        // times slower than the CPU path computes the same dithering, so the default
        // choice takes the CPU there. GPU mode can still be asked for explicitly.
        if (static_cast<ContextMode>(mode) == ContextMode::Default && state->gpu &&
            state->gpu->softwareRenderer())
            state->gpu.reset();
        if (static_cast<ContextMode>(mode) == ContextMode::GpuRequired && !state->gpu) {
            delete state;
            return nullptr;
        }
        return state;
    } catch (...) {
        return nullptr;
    }
}

void DestroyContext(DitherGLState* state) {
    delete state;
}

std::int32_t DitherImage(DitherGLState* state, std::int32_t bitsPerPixel, std::int32_t width,
                         std::int32_t height, const void* image, const void* palette,
                         std::int32_t count, void* indices) {
    if (bitsPerPixel != 24 && bitsPerPixel != 32) return kBadArgument;
    if (width < 1 || height < 1) return kBadArgument;
    if (image == nullptr || palette == nullptr) return kBadArgument;
    if (count < 1 || count > 256) return kBadArgument;
    if (state == nullptr) return kBadArgument;
    if (state->gpu && (width > kLargestGpuSide || height > kLargestGpuSide)) return kTooLarge;
    if (indices == nullptr) return kDone;

    const DitherJob job{bitsPerPixel,
                        width,
                        height,
                        static_cast<const std::uint8_t*>(image),
                        static_cast<const std::uint8_t*>(palette),
                        count,
                        static_cast<std::uint8_t*>(indices)};
    try {
        // A smaller palette would let the shader return indices past its end.
        if (state->gpu && count == kGpuPaletteSize && state->gpu->Dither(job)) return kDone;
        DitherOnCpu(job, &state->cpu);
        return kDone;
    } catch (...) { // only allocation throws here
        return kNoMemory;
    }
}

} // namespace tw::dither
