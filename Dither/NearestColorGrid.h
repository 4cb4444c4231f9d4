// Exact nearest-palette-entry search that scans only the entries that can be nearest to
// some colour of a small cube of the colour space, instead of the whole palette.
#pragma once

#include <cstdint>
#include <vector>

namespace tw::dither {

// Gives exactly FindNearestColor's answer (same ties, same preference for entry 0 when
// every entry lies at the largest possible distance). The colour cube is cut into coarse
// cells, each cut into fine cells; a cell's candidate list holds every entry whose
// distance to the cell could be as small as the smallest "farthest distance" of any
// entry, so the nearest entry of each colour inside the cell is on the list. Lists are
// built on first use, a fine cell's from its coarse cell's list, in index order.
// Not thread-safe: one grid per thread.
class NearestColorGrid {
  public:
    // `fineShift`: log2 of a fine cell's side (1..7); coarse cells are 4 times as wide.
    // Throws std::bad_alloc when memory runs out.
    NearestColorGrid(const void* palette, int count, int fineShift);

    // Components 0..255.
    std::uint8_t Find(int red, int green, int blue) {
        const std::uint32_t cell = FineCellOf(red, green, blue);
        Slot slot = fineCells_[cell];
        if (slot.length == kUnbuilt) slot = BuildFineCell(cell);
        const Candidate* c = pool_.data() + slot.start;
        const Candidate* end = c + slot.length;
        int best = kLargest;
        int result = 0;
        for (; c != end; ++c) {
            const int dr = red - c->red;
            const int dg = green - c->green;
            const int db = blue - c->blue;
            const int d = dr * dr + dg * dg + db * db;
            if (d < best) {
                best = d;
                result = c->index;
            }
        }
        return static_cast<std::uint8_t>(result);
    }

  private:
    struct Candidate {
        std::uint8_t red, green, blue, index;
    };
    // Where a cell's list lies in pool_.
    struct Slot {
        std::uint32_t start;
        std::uint32_t length;
    };
    struct Box {
        int lo[3];
        int hi[3];
    };
    static constexpr int kLargest = 195075;
    static constexpr std::uint32_t kUnbuilt = 0xFFFFFFFFu;

    std::uint32_t FineCellOf(int red, int green, int blue) const {
        return (static_cast<std::uint32_t>(red >> fineShift_) << (2 * fineBits_)) |
               (static_cast<std::uint32_t>(green >> fineShift_) << fineBits_) |
               static_cast<std::uint32_t>(blue >> fineShift_);
    }
    Slot BuildFineCell(std::uint32_t cell);
    Slot BuildCoarseCell(std::uint32_t cell);
    // Appends to pool_ the members of list `from` that can be nearest inside `box`.
    Slot AppendCandidates(const Box& box, Slot from);

    int fineShift_;
    int fineBits_;                // fine cells per axis = 1 << fineBits_
    int coarseBits_;              // coarse cells per axis = 1 << coarseBits_
    std::vector<Candidate> pool_; // starts with the whole palette's list
    Slot palette_;
    std::vector<Slot> fineCells_;
    std::vector<Slot> coarseCells_;
};

} // namespace tw::dither
