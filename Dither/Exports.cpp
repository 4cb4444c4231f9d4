// The library's exported C functions; everything else stays hidden.
#include "Dither.h"

#include "BitmapHelpers.h"
#include "DitherGLState.h"
#include "DitherOperation.h"
#include "PixelDither.h"

extern "C" {

DITHER_API DitherGLState* CreateDitherGLContext(void) {
    return tw::dither::CreateContext(0, tw::dither::DitherShaderSources());
}

DITHER_API DitherGLState* CreateDitherContextEx(int32_t flags) {
    return tw::dither::CreateContext(flags, tw::dither::DitherShaderSources());
}

DITHER_API void DestroyDitherGLContext(DitherGLState** context) {
    if (context == nullptr || *context == nullptr) return;
    tw::dither::DestroyContext(*context);
}

DITHER_API int32_t Dither(DitherGLState* context, int32_t bitsPerPixel, int32_t width,
                          int32_t height, const void* image, const void* palette, int32_t count,
                          void* indices) {
    return tw::dither::DitherImage(context, bitsPerPixel, width, height, image, palette, count,
                                   indices);
}

DITHER_API uint8_t DitherPixel(int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue,
                               const void* palette, int32_t count) {
    return tw::dither::DitherPixel(x, y, red, green, blue, palette, count);
}

DITHER_API int32_t CalcPitch(int32_t width, int32_t bitsPerPixel) {
    return tw::dither::RowPitch(width, bitsPerPixel);
}

DITHER_API int32_t CalcSize(int32_t width, int32_t bitsPerPixel, int32_t height) {
    return tw::dither::ImageSize(width, bitsPerPixel, height);
}

DITHER_API int32_t Get24BitBits(HDC deviceContext, int32_t width, int32_t height,
                                void* destination) {
    return tw::dither::Copy24BitBits(deviceContext, width, height, destination) ? 1 : 0;
}

} // extern "C"
