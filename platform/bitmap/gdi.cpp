#include "gdi.h"

#include "Stretch.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

struct TwBitmap {
    int width = 0;
    int height = 0; // always positive
    int bitsPerPixel = 0;
    bool topDown = false;
    std::ptrdiff_t pitch = 0;
    std::uint8_t* bits = nullptr;
    bool owned = false;
    int selections = 0;

    std::uint8_t* rowFromTop(int y) const {
        const int memoryRow = topDown ? y : height - 1 - y;
        return bits + pitch * memoryRow;
    }
    std::ptrdiff_t strideDown() const { return topDown ? pitch : -pitch; }
};

struct TwDeviceContext {
    TwBitmap* selected = nullptr;
};

namespace {

std::ptrdiff_t rowBytes(int width, int bitsPerPixel) {
    return ((std::int64_t{width} * bitsPerPixel + 31) / 32) * 4;
}

bool validHeader(const BITMAPINFOHEADER* h) {
    if (h == nullptr || h->biSize < 40 || h->biPlanes != 1 || h->biCompression != BI_RGB)
        return false;
    if (h->biBitCount != 24 && h->biBitCount != 32) return false;
    if (h->biWidth <= 0 || h->biHeight == 0 || h->biHeight == INT32_MIN) return false;
    const std::int64_t height = h->biHeight < 0 ? -std::int64_t{h->biHeight} : h->biHeight;
    return rowBytes(h->biWidth, h->biBitCount) * height <= (std::int64_t{1} << 40);
}

TwBitmap* makeBitmap(const BITMAPINFOHEADER* h) {
    auto* b = new (std::nothrow) TwBitmap;
    if (b == nullptr) return nullptr;
    b->width = h->biWidth;
    b->height = h->biHeight < 0 ? -h->biHeight : h->biHeight;
    b->bitsPerPixel = h->biBitCount;
    b->topDown = h->biHeight < 0;
    b->pitch = rowBytes(b->width, b->bitsPerPixel);
    return b;
}

bool inside(const TwBitmap* b, int x, int y, int w, int h) {
    return b != nullptr && w > 0 && h > 0 && x >= 0 && y >= 0 && x <= b->width - w &&
           y <= b->height - h;
}

// Rows of a bitmap's rectangle as 32-bit pixels: a direct view for 32-bit bitmaps,
// a converted copy for 24-bit ones.
struct Source32 {
    tw::bitmap::PixelView32 view;
    std::vector<std::uint32_t> copy;
};

bool viewOf(const TwBitmap* b, int x, int y, int w, int h, Source32& out) {
    if (b->bitsPerPixel == 32) {
        out.view = {b->rowFromTop(y) + std::ptrdiff_t{x} * 4, w, h, b->strideDown()};
        return true;
    }
    try {
        out.copy.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int r = 0; r < h; ++r) {
        const std::uint8_t* s = b->rowFromTop(y + r) + std::ptrdiff_t{x} * 3;
        std::uint32_t* d = out.copy.data() + static_cast<std::size_t>(r) * w;
        for (int c = 0; c < w; ++c, s += 3)
            d[c] = s[0] | (s[1] << 8) | (s[2] << 16);
    }
    out.view = {reinterpret_cast<const std::uint8_t*>(out.copy.data()), w, h,
                static_cast<std::ptrdiff_t>(w) * 4};
    return true;
}

void storeRow(const std::uint32_t* from, std::uint8_t* to, int width, int bitsPerPixel) {
    if (bitsPerPixel == 32) {
        std::memcpy(to, from, static_cast<std::size_t>(width) * 4);
        return;
    }
    for (int c = 0; c < width; ++c, to += 3) {
        to[0] = static_cast<std::uint8_t>(from[c]);
        to[1] = static_cast<std::uint8_t>(from[c] >> 8);
        to[2] = static_cast<std::uint8_t>(from[c] >> 16);
    }
}

} // namespace

extern "C" {

HDC CreateCompatibleDC(HDC) {
    return new (std::nothrow) TwDeviceContext;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFOHEADER* header, uint32_t, void** bits, void*,
                         uint32_t) {
    if (bits != nullptr) *bits = nullptr;
    if (!validHeader(header)) return nullptr;
    TwBitmap* b = makeBitmap(header);
    if (b == nullptr) return nullptr;
    b->bits = static_cast<std::uint8_t*>(
        std::calloc(static_cast<std::size_t>(b->pitch), static_cast<std::size_t>(b->height)));
    if (b->bits == nullptr) {
        delete b;
        return nullptr;
    }
    b->owned = true;
    if (bits != nullptr) *bits = b->bits;
    return b;
}

HBITMAP CreateDIBSectionOver(const BITMAPINFOHEADER* header, void* bits) {
    if (!validHeader(header) || bits == nullptr) return nullptr;
    TwBitmap* b = makeBitmap(header);
    if (b != nullptr) b->bits = static_cast<std::uint8_t*>(bits);
    return b;
}

HBITMAP SelectObject(HDC hdc, HBITMAP bitmap) {
    if (hdc == nullptr) return nullptr;
    TwBitmap* before = hdc->selected;
    if (before != nullptr) --before->selections;
    hdc->selected = bitmap;
    if (bitmap != nullptr) ++bitmap->selections;
    return before;
}

int StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
               int srcWidth, int srcHeight, uint32_t rop) {
    if (dst == nullptr || src == nullptr || rop != SRCCOPY) return 0;
    TwBitmap* to = dst->selected;
    const TwBitmap* from = src->selected;
    if (!inside(to, x, y, width, height) || !inside(from, srcX, srcY, srcWidth, srcHeight))
        return 0;
    Source32 source;
    if (!viewOf(from, srcX, srcY, srcWidth, srcHeight, source)) return 0;
    const tw::bitmap::Stretcher stretcher(source.view, width, height);
    std::vector<std::uint32_t> row;
    try {
        row.resize(static_cast<std::size_t>(width));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (int r = 0; r < height; ++r) {
        stretcher.rows(r, r + 1, reinterpret_cast<std::uint8_t*>(row.data()), 0);
        storeRow(row.data(), to->rowFromTop(y + r) + std::ptrdiff_t{x} * to->bitsPerPixel / 8,
                 width, to->bitsPerPixel);
    }
    return 1;
}

int BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
           uint32_t rop) {
    return StretchBlt(dst, x, y, width, height, src, srcX, srcY, width, height, rop);
}

int GetDIBits(HDC hdc, HBITMAP bitmap, uint32_t start, uint32_t lines, void* bits,
              BITMAPINFOHEADER* header, uint32_t usage) {
    if (hdc == nullptr || bitmap == nullptr || header == nullptr || usage != DIB_RGB_COLORS)
        return 0;
    if (bits == nullptr) {
        header->biWidth = bitmap->width;
        header->biHeight = bitmap->topDown ? -bitmap->height : bitmap->height;
        header->biPlanes = 1;
        header->biBitCount = static_cast<uint16_t>(bitmap->bitsPerPixel);
        header->biCompression = BI_RGB;
        header->biSizeImage =
            static_cast<uint32_t>(rowBytes(bitmap->width, bitmap->bitsPerPixel) * bitmap->height);
        return 1;
    }
    if (!validHeader(header) || header->biWidth != bitmap->width) return 0;
    const bool topDown = header->biHeight < 0;
    const int height = topDown ? -header->biHeight : header->biHeight;
    if (height != bitmap->height || start >= static_cast<uint32_t>(height)) return 0;
    if (lines > static_cast<uint32_t>(height) - start)
        lines = static_cast<uint32_t>(height) - start;
    const std::ptrdiff_t pitch = rowBytes(header->biWidth, header->biBitCount);
    Source32 source;
    std::vector<std::uint32_t> row;
    try {
        row.resize(static_cast<std::size_t>(bitmap->width));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    auto* out = static_cast<std::uint8_t*>(bits);
    for (uint32_t i = 0; i < lines; ++i) {
        const int memoryRow = static_cast<int>(start + i);
        const int fromTop = topDown ? memoryRow : height - 1 - memoryRow;
        if (!viewOf(bitmap, 0, fromTop, bitmap->width, 1, source)) return 0;
        std::memcpy(row.data(), source.view.row(0), static_cast<std::size_t>(bitmap->width) * 4);
        std::uint8_t* to = out + pitch * i;
        storeRow(row.data(), to, bitmap->width, header->biBitCount);
        const std::ptrdiff_t used = std::ptrdiff_t{bitmap->width} * header->biBitCount / 8;
        std::memset(to + used, 0, static_cast<std::size_t>(pitch - used));
    }
    return static_cast<int>(lines);
}

int DeleteObject(HBITMAP bitmap) {
    if (bitmap == nullptr || bitmap->selections > 0) return 0;
    if (bitmap->owned) std::free(bitmap->bits);
    delete bitmap;
    return 1;
}

int DeleteDC(HDC hdc) {
    if (hdc == nullptr) return 0;
    if (hdc->selected != nullptr) --hdc->selected->selections;
    delete hdc;
    return 1;
}

} // extern "C"
