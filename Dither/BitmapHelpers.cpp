#include "BitmapHelpers.h"

#include <cstring>
#include <limits>

namespace tw::dither {

namespace {

// The product is formed in 64 bits so that no input is undefined behaviour.
std::int64_t PaddedWords(std::int32_t width, std::int32_t bitsPerPixel) {
    return (std::int64_t{width} * bitsPerPixel - 1) / 32 + 1;
}

struct MemoryDc {
    HDC hdc;
    ~MemoryDc() {
        if (hdc != nullptr) DeleteDC(hdc);
    }
};

struct Section {
    HBITMAP bitmap;
    ~Section() {
        if (bitmap != nullptr) DeleteObject(bitmap);
    }
};

// Keeps `bitmap` selected into `hdc` for the scope, then selects back what was there.
struct Selection {
    HDC hdc;
    HBITMAP previous;
    Selection(HDC dc, HBITMAP bitmap) : hdc(dc), previous(SelectObject(dc, bitmap)) {}
    ~Selection() { SelectObject(hdc, previous); }
};

} // namespace

std::int32_t RowPitch(std::int32_t width, std::int32_t bitsPerPixel) {
    return static_cast<std::int32_t>(PaddedWords(width, bitsPerPixel) * 4);
}

std::int32_t ImageSize(std::int32_t width, std::int32_t bitsPerPixel, std::int32_t height) {
    return static_cast<std::int32_t>(PaddedWords(width, bitsPerPixel) * height * 4);
}

bool Copy24BitBits(HDC source, std::int32_t width, std::int32_t height, void* destination) {
    if (source == nullptr || destination == nullptr || width < 1 || height < 1) return false;
    const std::int64_t size = PaddedWords(width, 24) * 4 * height;
    if (size > std::numeric_limits<std::int32_t>::max()) return false;

    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height; // positive: bottom-up rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<std::uint32_t>(size);

    const MemoryDc memory{CreateCompatibleDC(source)};
    if (memory.hdc == nullptr) return false;
    void* bits = nullptr;
    const Section section{CreateDIBSection(memory.hdc, &header, DIB_RGB_COLORS, &bits, nullptr, 0)};
    if (section.bitmap == nullptr || bits == nullptr) return false;
    {
        const Selection selected(memory.hdc, section.bitmap);
        if (!BitBlt(memory.hdc, 0, 0, width, height, source, 0, 0, SRCCOPY)) return false;
    }
    std::memcpy(destination, bits, static_cast<std::size_t>(size));
    return true;
}

} // namespace tw::dither
