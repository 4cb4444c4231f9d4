// Stand-ins for the Dither library, built in several variants to drive the export's
// failure paths: a context that cannot be made, a Dither call that fails, a missing
// function. Each variant counts live contexts so tests see every context freed once.
#include <cstdint>
#include <cstring>

struct DitherGLState {
    int magic;
};

namespace {
int liveContexts = 0;
int destroyCalls = 0;
int ditherCalls = 0;
} // namespace

#define FAKE_API extern "C" __attribute__((visibility("default")))

FAKE_API int FakeDitherLiveContexts() {
    return liveContexts;
}
FAKE_API int FakeDitherDestroyCalls() {
    return destroyCalls;
}
FAKE_API int FakeDitherCalls() {
    return ditherCalls;
}

FAKE_API DitherGLState* CreateDitherGLContext() {
#ifdef FAKE_NO_CONTEXT
    return nullptr;
#else
    ++liveContexts;
    return new DitherGLState{0x5EED};
#endif
}

FAKE_API DitherGLState* CreateDitherContextEx(std::int32_t) {
    return CreateDitherGLContext();
}

FAKE_API void DestroyDitherGLContext(DitherGLState** context) {
    ++destroyCalls;
    if (context == nullptr || *context == nullptr) return;
    --liveContexts;
    delete *context;
}

#ifndef FAKE_NO_DITHER_FUNCTION
// Index = the pixel's green byte, so tests can tell converted tiles from any others.
FAKE_API std::int32_t Dither(DitherGLState* context, std::int32_t bitsPerPixel, std::int32_t width,
                             std::int32_t height, const void* image, const void*, std::int32_t,
                             void* indices) {
    ++ditherCalls;
    if (context == nullptr || context->magic != 0x5EED || bitsPerPixel != 32) return 1;
#ifdef FAKE_STATUS
    if (ditherCalls >= 2) return FAKE_STATUS;
#endif
    const auto* px = static_cast<const std::uint8_t*>(image);
    auto* out = static_cast<std::uint8_t*>(indices);
    const std::int32_t pitch = (width + 3) / 4 * 4;
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            out[y * pitch + x] = px[(y * width + x) * 4 + 1];
    return 0;
}
#endif
