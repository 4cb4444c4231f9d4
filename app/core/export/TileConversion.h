// Pixel to palette index conversions of the grey and nearest-colour modes.
// Pixels are 32-bit values as loaded from memory: blue in bits 0-7, green 8-15, red 16-23.
#pragma once

#include "Palette.h"

#include <cstddef>
#include <cstdint>
#include <vector>

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

// Gives exactly NearestPaletteIndex's answer, fast. The colour cube is cut into
// 32 x 32 x 32 cells of 8 x 8 x 8 colours; each cell lists, in index order, only the
// entries that can be nearest to some colour of the cell: those whose least distance to
// the cell is within the smallest greatest distance of any entry to it. Every entry that
// could win or tie is in the list, so the search of a pixel's cell finds the scan's
// answer, lowest index on ties included. Immutable once built: threads may share it.
class NearestColorSearch {
  public:
    explicit NearestColorSearch(const Palette& palette);

    std::uint8_t operator()(std::uint32_t pixel) const;
    void convert(const std::uint32_t* pixels, std::size_t count, std::uint8_t* indexes) const;

    // The search over all 256 entries, with vector instructions where the processor has
    // them unless `vectorised` is false; both forms give NearestPaletteIndex's answer.
    std::uint8_t fullSearch(std::uint32_t pixel, bool vectorised = true) const;

    // Candidates listed in all cells together, a measure of how well the cells prune.
    std::size_t candidateCount() const { return candidateCount_; }

    // A cell's candidates: entries_[4 * first ..], `groups` groups of 8 entries.
    struct Cell {
        std::uint32_t first = 0;
        std::uint32_t groups = 0;
    };

  private:
    bool avx2_ = false;
    // 4-byte entries (blue, green, red, palette index): the whole palette, then each
    // cell's candidates in index order, every list padded with copies of its last entry
    // to a multiple of 8 (a copy changes no minimum).
    std::vector<std::uint8_t> entries_;
    std::vector<Cell> cells_;
    std::size_t candidateCount_ = 0;
};

} // namespace tw
