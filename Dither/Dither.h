/* Dither: maps a true-colour image to 8-bit palette indexes by ordered dithering with a
 * built-in 16 x 16 matrix, through OpenGL 2.0 shaders on an off-screen EGL context when
 * the machine has one, and on the CPU otherwise.
 *
 * Buffers are device-independent-bitmap rows: 24-bit pixels are blue, green, red; 32-bit
 * pixels are blue, green, red, ignored; every row is padded to a multiple of 4 bytes
 * (CalcPitch). Palettes are entries of 4 bytes: blue, green, red, ignored. All buffers
 * belong to the caller and are used only during the call. */
#ifndef TILEWRIGHT_DITHER_H
#define TILEWRIGHT_DITHER_H

#include <stdint.h>

#include "gdi.h"

#if defined(TILEWRIGHT_DITHER_BUILDING)
#define DITHER_API __attribute__((visibility("default")))
#else
#define DITHER_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque dither context. */
typedef struct DitherGLState DitherGLState;

/* A context in GPU mode when OpenGL 2.0 is available off-screen, else in CPU mode;
 * null only when memory runs out. */
DITHER_API DitherGLState* CreateDitherGLContext(void);

/* flags: 0 = as CreateDitherGLContext, 1 = CPU mode only, 2 = GPU mode required (null if
 * unavailable). Any other value gives null. */
DITHER_API DitherGLState* CreateDitherContextEx(int32_t flags);

/* Frees *context. Does nothing when context or *context is null; *context is left as it
 * is and must not be used again. Calls for one context must not overlap; they may come
 * from any thread, since each call gives the thread its EGL binding back. */
DITHER_API void DestroyDitherGLContext(DitherGLState** context);

/* Writes one palette index per pixel into `indices` (rows of CalcPitch(width, 8) bytes,
 * in the image's row order; padding bytes are not written). Status: 0 done (also when
 * indices is null), 1 bad argument (bitsPerPixel not 24 or 32, width or height below 1,
 * image or palette null, count not within 1..256), 2 width or height above 2^30 on a
 * GPU-mode context, 3 out of memory. On status 1 nothing is written. */
DITHER_API int32_t Dither(DitherGLState* context, int32_t bitsPerPixel, int32_t width,
                          int32_t height, const void* image, const void* palette, int32_t count,
                          void* indices);

/* The ordered-dither index of one pixel; x and y count from 0 in buffer order, red, green
 * and blue are bytes. 0 when palette is null or count below 1. */
DITHER_API uint8_t DitherPixel(int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue,
                               const void* palette, int32_t count);

/* Bytes per row: ((width * bitsPerPixel - 1) / 32) * 4 + 4, in 32-bit signed arithmetic. */
DITHER_API int32_t CalcPitch(int32_t width, int32_t bitsPerPixel);

/* Bytes of a whole image: CalcPitch(width, bitsPerPixel) * height. */
DITHER_API int32_t CalcSize(int32_t width, int32_t bitsPerPixel, int32_t height);

/* Copies width x height pixels from (0, 0) of the bitmap selected into deviceContext to
 * destination as a bottom-up 24-bit image (CalcSize(width, 24, height) bytes). 1 on
 * success; 0, with nothing written, when the copy cannot be made. */
DITHER_API int32_t Get24BitBits(HDC deviceContext, int32_t width, int32_t height,
                                void* destination);

#ifdef __cplusplus
}
#endif

#endif
