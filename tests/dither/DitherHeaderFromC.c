/* Dither.h must compile as C: this file is built as C and calls through every export. */
#include "Dither.h"

#include <stddef.h>

int DitherHeaderCompilesAsC(void) {
    DitherGLState* context = CreateDitherContextEx(1);
    const uint8_t pixel[4] = {10, 20, 30, 0};
    const uint8_t palette[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    uint8_t index[4] = {0, 0, 0, 0};
    int32_t status = Dither(context, 32, 1, 1, pixel, palette, 2, index);
    DestroyDitherGLContext(&context);
    (void)CreateDitherGLContext;
    (void)Get24BitBits;
    return status + DitherPixel(0, 0, 30, 20, 10, palette, 2) + CalcPitch(1, 8) +
           CalcSize(1, 8, 1) - 8;
}
