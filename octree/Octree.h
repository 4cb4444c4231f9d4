/* Octree palette builder: a palette of at most maxColors colours that fits a true-colour
 * picture, built with an octree of colour bits that is shrunk whenever it holds more
 * leaves than colours are allowed.
 *
 * Palette entries are 4 bytes in RGBQUAD order (blue, green, red, reserved). Entries are
 * written from entry 0 upward, one per leaf of the final tree, in tree order; byte 3 of an
 * entry and every entry behind the last written one are left as they were. The number of
 * entries written (at most maxColors) is not returned.
 *
 * The palette functions return 1 when the palette was written and 0 otherwise; on 0 the
 * palette is untouched. They return 0 for colorBits above 8, a width, height or maxColors
 * of 0, a null pixel or palette pointer, a pitch whose magnitude is shorter than a row,
 * and when memory runs out. A negative pitch walks the rows downward in memory.
 *
 * The library keeps no state between calls; calls on different threads do not interfere. */
#ifndef TILEWRIGHT_OCTREE_H
#define TILEWRIGHT_OCTREE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The bitmap handles of the platform's bitmap layer (gdi.h declares the same types). */
typedef struct TwDeviceContext* HDC;
typedef struct TwBitmap* HBITMAP;

#if defined(__GNUC__)
#define OCTREE_API __attribute__((visibility("default")))
#else
#define OCTREE_API
#endif

/* 24-bit pixels: bytes blue, green, red. Rows start `pitch` bytes apart and are taken in
 * memory order from `pixels` on; colours that agree in the top colorBits (0 to 8) bits of
 * all three components always share a palette entry. */
OCTREE_API int32_t CreateOctreePaletteRGB888(const void* pixels, uint32_t width, uint32_t height,
                                             int32_t pitch, uint32_t maxColors, uint32_t colorBits,
                                             void* palette);

/* 32-bit pixels: bytes blue, green, red, ignored. Otherwise as the 24-bit function. */
OCTREE_API int32_t CreateOctreePaletteRGB8888(const void* pixels, uint32_t width, uint32_t height,
                                              int32_t pitch, uint32_t maxColors, uint32_t colorBits,
                                              void* palette);

/* 16-bit little-endian 5-6-5 pixels, expanded to blue (bits 0-4) x 8, green (bits 5-10)
 * x 4, red (bits 11-15) x 8. Otherwise as the 24-bit function. */
OCTREE_API int32_t CreateOctreePaletteRGB565(const void* pixels, uint32_t width, uint32_t height,
                                             int32_t pitch, uint32_t maxColors, uint32_t colorBits,
                                             void* palette);

/* Reads `bitmap` through `hdc` as a bottom-up 24-bit bitmap of width x height pixels,
 * then works as the 24-bit function on those rows. Also returns 0 when the row buffer
 * cannot be allocated or the read does not deliver exactly `height` lines. */
OCTREE_API int32_t CreateOctreePaletteFromHBITMAP(HDC hdc, HBITMAP bitmap, uint32_t width,
                                                  uint32_t height, uint32_t maxColors,
                                                  uint32_t colorBits, void* palette);

/* Bytes per row of a device-independent bitmap: ((width x bits + 31) div 32) x 4, using
 * the low 16 bits of bitsPerPixel. 0 for a negative width or a row longer than INT32_MAX. */
OCTREE_API int32_t GetBitmapPitch(int32_t bitsPerPixel, int32_t width);

#ifdef __cplusplus
}
#endif

#endif
