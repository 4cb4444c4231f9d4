#include "NearestColorGrid.h"

#include <algorithm>
#include <array>
#include <limits>

namespace tw::dither {

namespace {

inline int AxisNear(int p, int lo, int hi) {
    return p < lo ? lo - p : (p > hi ? p - hi : 0);
}
inline int AxisFar(int p, int lo, int hi) {
    return std::max(p - lo, hi - p);
}

} // namespace

NearestColorGrid::NearestColorGrid(const void* palette, int count, int fineShift, bool sorted)
    : fineShift_(fineShift), sorted_(sorted), fineBits_(8 - fineShift),
      coarseBits_(std::max(0, 6 - fineShift)) {
    const auto* bytes = static_cast<const std::uint8_t*>(palette);
    pool_.reserve(std::size_t{1} << 14);
    // A repeated colour never wins over its first occurrence (ties keep the lower index),
    // so only first occurrences are searched. Sorting colour-then-index keys puts each
    // colour's first occurrence first.
    count = std::clamp(count, 0, 256);
    std::array<std::uint32_t, 256> keys{};
    for (int i = 0; i < count; ++i, bytes += 4)
        keys[static_cast<std::size_t>(i)] = (static_cast<std::uint32_t>(bytes[2]) << 24) |
                                            (static_cast<std::uint32_t>(bytes[1]) << 16) |
                                            (static_cast<std::uint32_t>(bytes[0]) << 8) |
                                            static_cast<std::uint32_t>(i);
    std::sort(keys.begin(), keys.begin() + count);
    for (int i = 0; i < count; ++i) {
        const std::uint32_t key = keys[static_cast<std::size_t>(i)];
        if (i > 0 && (key >> 8) == (keys[static_cast<std::size_t>(i) - 1] >> 8)) continue;
        pool_.push_back({static_cast<std::uint8_t>(key >> 24), static_cast<std::uint8_t>(key >> 16),
                         static_cast<std::uint8_t>(key >> 8), static_cast<std::uint8_t>(key), 0});
    }
    palette_ = {0, static_cast<std::uint32_t>(pool_.size())};
    fineCells_.assign(std::size_t{1} << (3 * fineBits_), Slot{0, kUnbuilt});
    coarseCells_.assign(std::size_t{1} << (3 * coarseBits_), Slot{0, kUnbuilt});
}

NearestColorGrid::Slot NearestColorGrid::AppendCandidates(const Box& box, Slot from,
                                                          bool sortByDistance) {
    // Every colour in the box is at most `bound` from its nearest entry.
    int bound = std::numeric_limits<int>::max();
    for (std::uint32_t i = 0; i < from.length; ++i) {
        const Candidate& c = pool_[from.start + i];
        const int fr = AxisFar(c.red, box.lo[0], box.hi[0]);
        const int fg = AxisFar(c.green, box.lo[1], box.hi[1]);
        const int fb = AxisFar(c.blue, box.lo[2], box.hi[2]);
        bound = std::min(bound, fr * fr + fg * fg + fb * fb);
    }
    const auto start = static_cast<std::uint32_t>(pool_.size());
    for (std::uint32_t i = 0; i < from.length; ++i) {
        Candidate c = pool_[from.start + i]; // a copy: push_back may move the pool
        const int nr = AxisNear(c.red, box.lo[0], box.hi[0]);
        const int ng = AxisNear(c.green, box.lo[1], box.hi[1]);
        const int nb = AxisNear(c.blue, box.lo[2], box.hi[2]);
        c.cellDistanceSq = nr * nr + ng * ng + nb * nb;
        if (c.cellDistanceSq <= bound) pool_.push_back(c);
    }
    if (sortByDistance)
        std::sort(pool_.begin() + start, pool_.end(), [](const Candidate& a, const Candidate& b) {
            return a.cellDistanceSq < b.cellDistanceSq ||
                   (a.cellDistanceSq == b.cellDistanceSq && a.index < b.index);
        });
    return {start, static_cast<std::uint32_t>(pool_.size()) - start};
}

namespace {

// The box of cell `cell` in a grid of (1 << bits) cells per axis, each `side` wide.
template <typename Box> Box CellBox(std::uint32_t cell, int bits, int side) {
    const std::uint32_t mask = (1u << bits) - 1;
    const std::uint32_t index[3] = {(cell >> (2 * bits)) & mask, (cell >> bits) & mask,
                                    cell & mask};
    Box box{};
    for (int a = 0; a < 3; ++a) {
        box.lo[a] = static_cast<int>(index[a]) * side;
        box.hi[a] = box.lo[a] + side - 1;
    }
    return box;
}

} // namespace

NearestColorGrid::Slot NearestColorGrid::BuildCoarseCell(std::uint32_t cell) {
    const Slot slot =
        AppendCandidates(CellBox<Box>(cell, coarseBits_, 1 << (8 - coarseBits_)), palette_, false);
    coarseCells_[cell] = slot;
    return slot;
}

NearestColorGrid::Slot NearestColorGrid::BuildFineCell(std::uint32_t cell) {
    const Box box = CellBox<Box>(cell, fineBits_, 1 << fineShift_);
    const int down = 8 - coarseBits_;
    const std::uint32_t coarse =
        (static_cast<std::uint32_t>(box.lo[0] >> down) << (2 * coarseBits_)) |
        (static_cast<std::uint32_t>(box.lo[1] >> down) << coarseBits_) |
        static_cast<std::uint32_t>(box.lo[2] >> down);
    Slot coarseSlot = coarseCells_[coarse];
    if (coarseSlot.length == kUnbuilt) coarseSlot = BuildCoarseCell(coarse);
    const Slot slot = AppendCandidates(box, coarseSlot, sorted_);
    fineCells_[cell] = slot;
    return slot;
}

} // namespace tw::dither
