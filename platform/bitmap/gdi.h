/* Device-independent bitmaps and memory drawing contexts: the small part of the
 * GDI drawing interface that Tilewright, Dither and Octree use, over plain buffers.
 * Plain C so that the two shared libraries can take the handles through their C ABI. */
#ifndef TILEWRIGHT_PLATFORM_GDI_H
#define TILEWRIGHT_PLATFORM_GDI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TwDeviceContext* HDC;
typedef struct TwBitmap* HBITMAP;

/* The 40-byte BITMAPINFOHEADER. Height > 0: bottom-up rows; height < 0: top-down. */
typedef struct BITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
} BITMAPINFOHEADER;

#define BI_RGB 0u
#define DIB_RGB_COLORS 0u
#define SRCCOPY 0x00CC0020u

/* A memory drawing context; `compatible` may be null. Null on failure. */
HDC CreateCompatibleDC(HDC compatible);

/* A 24- or 32-bit uncompressed section of |biWidth| x |biHeight| pixels, rows padded
 * to 4 bytes, zero-filled. *bits receives the address of its first row in memory.
 * `hdc`, `section` and `offset` are accepted for familiarity and ignored.
 * Null (and *bits null) on a bad header or when memory runs out. */
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFOHEADER* header, uint32_t usage, void** bits,
                         void* section, uint32_t offset);

/* A section laid over caller memory (same layout rules); the caller keeps the memory
 * alive until DeleteObject and frees it itself. Lets a decoded picture be a source
 * without a copy. */
HBITMAP CreateDIBSectionOver(const BITMAPINFOHEADER* header, void* bits);

/* Selects `bitmap` into `hdc`; returns the bitmap selected before (may be null), or
 * null when hdc is null. */
HBITMAP SelectObject(HDC hdc, HBITMAP bitmap);

/* Scales the source rectangle onto the destination rectangle with the default stretch
 * mode: enlarging repeats pixels, shrinking combines the dropped pixels into the kept
 * ones by a bitwise AND of their 32-bit colour values. Both rectangles start at (0, 0)
 * of their bitmaps here; widths and heights must be positive and inside the bitmaps.
 * Returns 1 on success, 0 on failure. `rop` must be SRCCOPY. */
int StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
               int srcWidth, int srcHeight, uint32_t rop);

/* Unscaled copy; the same rules as StretchBlt. */
int BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, uint32_t rop);

/* Copies lines [start, start + lines) of `bitmap`, counted from the bottom of the
 * picture as GDI does for bottom-up requests, converted to the format of `header`
 * (24 or 32 bits, bottom-up or top-down) into `bits`. When `bits` is null only fills
 * in the header's width, height, bit count and image size. Returns the number of
 * lines copied, 0 on failure. */
int GetDIBits(HDC hdc, HBITMAP bitmap, uint32_t start, uint32_t lines, void* bits,
              BITMAPINFOHEADER* header, uint32_t usage);

int DeleteObject(HBITMAP bitmap);
int DeleteDC(HDC hdc);

#ifdef __cplusplus
}
#endif

#endif
