// Pictures, palettes and process figures shared by the Dither tests.
#pragma once

#include <cstdint>
#include <vector>

namespace dither_test {

struct Rgb {
    int red, green, blue;
};

// Palette entries in memory order: blue, green, red, 0.
std::vector<std::uint8_t> MakePalette(const std::vector<Rgb>& colours);

// A bottom-up DIB-style pixel buffer with 4-byte row padding.
struct Picture {
    int bitsPerPixel = 32;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes;

    Picture(int bpp, int w, int h, std::uint8_t padding = 0);
    std::ptrdiff_t pitch() const { return ((std::ptrdiff_t{width} * bitsPerPixel + 31) / 32) * 4; }
    std::uint8_t* pixel(int x, int y) {
        return bytes.data() + pitch() * y + std::ptrdiff_t{x} * (bitsPerPixel / 8);
    }
    const std::uint8_t* pixel(int x, int y) const {
        return bytes.data() + pitch() * y + std::ptrdiff_t{x} * (bitsPerPixel / 8);
    }
    void set(int x, int y, Rgb c);
    Rgb at(int x, int y) const;
    Picture converted(int bpp) const;
};

// A smooth, photo-like picture: low-frequency colour fields plus a little noise.
Picture PhotoLike(int bpp, int width, int height, std::uint32_t seed = 1);

// An adaptive-looking palette of `count` colours taken from the picture itself.
std::vector<std::uint8_t> PaletteFrom(const Picture& picture, int count, std::uint32_t seed = 2);

// Sets every `step`-th pixel (in buffer order) to a palette colour, cycling the entries.
void PaintPaletteColours(Picture& picture, const std::vector<std::uint8_t>& palette, int step);

// Index rows of CalcPitch(width, 8) bytes, prefilled with `fill`.
struct Indices {
    int width, height;
    std::vector<std::uint8_t> bytes;
    Indices(int w, int h, std::uint8_t fill = 0xCD);
    std::ptrdiff_t pitch() const { return ((std::ptrdiff_t{width} + 3) / 4) * 4; }
    std::uint8_t at(int x, int y) const { return bytes[static_cast<std::size_t>(pitch() * y + x)]; }
    std::uint8_t* data() { return bytes.data(); }
};

// DitherPixel (the exported one) for every pixel.
Indices DitherPixelByPixel(const Picture& picture, const std::vector<std::uint8_t>& palette,
                           int count);

struct ProcessFigures {
    long threads = 0;
    long residentKiB = 0;
    long openFiles = 0;
};
ProcessFigures ReadProcessFigures();

// True in a build with AddressSanitizer, whose quarantine makes resident size meaningless.
constexpr bool kUnderAddressSanitizer =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

} // namespace dither_test
