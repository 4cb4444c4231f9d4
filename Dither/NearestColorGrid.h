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
// built on first use, a fine cell's from its coarse cell's list, and sorted by their
// distance to the cell so that a search can stop early.
// Not thread-safe: one grid per thread.
class NearestColorGrid {
  public:
    struct Candidate {
        std::uint8_t red, green, blue, index;
        std::int32_t cellDistanceSq; // smallest squared distance to the list's cell
    };
    struct List {
        const Candidate* begin;
        const Candidate* end;
    };

    // `palette`: `count` entries (1..256) of blue, green, red, ignored.
    // `fineShift`: log2 of a fine cell's side (1..7); coarse cells are 4 times as wide.
    // Throws std::bad_alloc when memory runs out.
    // `sorted`: fine lists sorted for Search; unsorted lists (cheaper to build) suit only
    // SearchAll.
    NearestColorGrid(const void* palette, int count, int fineShift, bool sorted = true);

    // The candidates for the fine cell holding a colour (components 0..255).
    List CellList(int red, int green, int blue) {
        const std::uint32_t cell = FineCellOf(red, green, blue);
        Slot slot = fineCells_[cell];
        if (slot.length == kUnbuilt) slot = BuildFineCell(cell);
        const Candidate* first = pool_.data() + slot.start;
        return {first, first + slot.length};
    }

    // The nearest of a cell's candidates to a colour inside the cell.
    static std::uint8_t Search(List list, int red, int green, int blue) {
        int best = kLargest;
        int result = 0;
        // Lists are sorted by distance to the cell: once that exceeds the best distance
        // found, no later entry can be nearer or tie. Ties found out of index order are
        // settled toward the lower index, as a scan in index order would.
        for (const Candidate* c = list.begin; c != list.end && c->cellDistanceSq <= best; ++c) {
            const int dr = red - c->red;
            const int dg = green - c->green;
            const int db = blue - c->blue;
            const int d = dr * dr + dg * dg + db * db;
            if (d < best || (d == best && c->index < result)) {
                best = d;
                result = c->index;
            }
        }
        return static_cast<std::uint8_t>(result);
    }

    // The same answer from any list of the cell, sorted or not: every candidate is looked
    // at, without branches that depend on the colours.
    static std::uint8_t SearchAll(List list, int red, int green, int blue) {
        int best = kLargest;
        int result = 0;
        for (const Candidate* c = list.begin; c != list.end; ++c) {
            const int dr = red - c->red;
            const int dg = green - c->green;
            const int db = blue - c->blue;
            const int d = dr * dr + dg * dg + db * db;
            const bool better = d < best || (d == best && c->index < result);
            best = better ? d : best;
            result = better ? c->index : result;
        }
        return static_cast<std::uint8_t>(result);
    }

    // Components 0..255; the grid's lists must be sorted.
    std::uint8_t Find(int red, int green, int blue) {
        return Search(CellList(red, green, blue), red, green, blue);
    }

  private:
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
    // Appends to pool_ the members of list `from` that can be nearest inside `box`, sorted
    // by their distance to the box for searching, or else in the order of `from`.
    Slot AppendCandidates(const Box& box, Slot from, bool sortByDistance);

    int fineShift_;
    bool sorted_;
    int fineBits_;                // fine cells per axis = 1 << fineBits_
    int coarseBits_;              // coarse cells per axis = 1 << coarseBits_
    std::vector<Candidate> pool_; // starts with the whole palette's list
    Slot palette_;
    std::vector<Slot> fineCells_;
    std::vector<Slot> coarseCells_;
};

} // namespace tw::dither
