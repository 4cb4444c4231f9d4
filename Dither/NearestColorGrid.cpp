#include "NearestColorGrid.h"

#include <algorithm>
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

NearestColorGrid::NearestColorGrid(const void* palette, int count, int fineShift)
    : fineShift_(fineShift), fineBits_(8 - fineShift), coarseBits_(std::max(0, 6 - fineShift)) {
    const auto* bytes = static_cast<const std::uint8_t*>(palette);
    pool_.reserve(std::size_t{1} << 14);
    // A repeated colour never wins over its first occurrence (ties keep the lower index),
    // so only first occurrences are searched.
    for (int i = 0; i < count; ++i, bytes += 4) {
        const Candidate c{bytes[2], bytes[1], bytes[0], static_cast<std::uint8_t>(i)};
        const bool repeated = std::any_of(pool_.begin(), pool_.end(), [&](const Candidate& e) {
            return e.red == c.red && e.green == c.green && e.blue == c.blue;
        });
        if (!repeated) pool_.push_back(c);
    }
    palette_ = {0, static_cast<std::uint32_t>(pool_.size())};
    fineCells_.assign(std::size_t{1} << (3 * fineBits_), Slot{0, kUnbuilt});
    coarseCells_.assign(std::size_t{1} << (3 * coarseBits_), Slot{0, kUnbuilt});
}

NearestColorGrid::Slot NearestColorGrid::AppendCandidates(const Box& box, Slot from) {
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
        const Candidate c = pool_[from.start + i]; // a copy: push_back may move the pool
        const int nr = AxisNear(c.red, box.lo[0], box.hi[0]);
        const int ng = AxisNear(c.green, box.lo[1], box.hi[1]);
        const int nb = AxisNear(c.blue, box.lo[2], box.hi[2]);
        if (nr * nr + ng * ng + nb * nb <= bound) pool_.push_back(c);
    }
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
        AppendCandidates(CellBox<Box>(cell, coarseBits_, 1 << (8 - coarseBits_)), palette_);
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
    const Slot slot = AppendCandidates(box, coarseSlot);
    fineCells_[cell] = slot;
    return slot;
}

} // namespace tw::dither
