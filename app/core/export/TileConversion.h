// Pixel to palette index conversions of the grey and nearest-colour modes.
// Pixels are 32-bit values as loaded from memory: blue in bits 0-7, green 8-15, red 16-23.
#pragma once

#include "Palette.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tw {

// (r1 - r2)^2 + (g1 - g2)^2 + (b1 - b2)^2.
std::int32_t ColorDistSq(std::int32_t r1, std::int32_t g1, std::int32_t b1, std::int32_t r2,
                         std::int32_t g2, std::int32_t b2);

// The entry nearest to the colour by a scan from entry 0: the lowest index among equal
// distances, stopping at the first exact match.
std::uint8_t NearestPaletteIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                 const Palette& palette);

// The grey palette's index of a pixel: (red + green + blue) / 3, remainder dropped.
inline std::uint8_t greyIndex(std::uint32_t pixel) {
    return static_cast<std::uint8_t>(
        ((pixel & 0xFF) + ((pixel >> 8) & 0xFF) + ((pixel >> 16) & 0xFF)) / 3);
}

void convertGrey(const std::uint32_t* pixels, std::size_t count, std::uint8_t* indexes);

// Gives exactly NearestPaletteIndex's answer, fast: each colour is searched once per
// search object over all 256 entries at a time (vector instructions where the processor
// has them) and the answer is remembered in a table of 2^24 16-bit slots (32 MiB of
// address space, memory taken only as colours occur). Several threads may convert at
// once: slots are read and written atomically and hold the same answer whoever stores it.
class NearestColorSearch {
  public:
    explicit NearestColorSearch(const Palette& palette);
    ~NearestColorSearch();
    NearestColorSearch(const NearestColorSearch&) = delete;
    NearestColorSearch& operator=(const NearestColorSearch&) = delete;

    std::uint8_t operator()(std::uint32_t pixel) const;
    void convert(const std::uint32_t* pixels, std::size_t count, std::uint8_t* indexes) const;

    // The search without the table, for every colour; `vectorised` false forces the
    // portable form (both give the same answers).
    std::uint8_t search(std::uint32_t pixel) const;
    std::uint8_t search(std::uint32_t pixel, bool vectorised) const;

  private:
    struct Tables;
    std::unique_ptr<Tables> tables_;
    std::uint16_t* memo_ = nullptr; // slot = index + 1; 0 = not searched yet
};

} // namespace tw
