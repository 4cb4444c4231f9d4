#include "TileConversion.h"

#include <algorithm>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TW_HAVE_AVX2_PATH 1
#endif

namespace tw {

std::int32_t ColorDistSq(std::int32_t r1, std::int32_t g1, std::int32_t b1, std::int32_t r2,
                         std::int32_t g2, std::int32_t b2) {
    return (r1 - r2) * (r1 - r2) + (g1 - g2) * (g1 - g2) + (b1 - b2) * (b1 - b2);
}

std::uint8_t NearestPaletteIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                 const Palette& palette) {
    std::int32_t best = 196609; // above the largest distance, 3 * 255^2
    std::uint8_t bestIndex = 0;
    for (int j = 0; j < 256; ++j) {
        const std::uint8_t* e = palette.data() + 4 * j;
        const std::int32_t d = ColorDistSq(red, green, blue, e[2], e[1], e[0]);
        if (d < best) {
            best = d;
            bestIndex = static_cast<std::uint8_t>(j);
            if (d == 0) break;
        }
    }
    return bestIndex;
}

void convertGrey(const std::uint32_t* pixels, std::size_t count, std::uint8_t* indexes) {
    for (std::size_t i = 0; i < count; ++i)
        indexes[i] = greyIndex(pixels[i]);
}

// The searches below find the lowest distance, then the lowest index, both at once as the
// least key (distance << 8) | index: no early exit, so they vectorise. The largest key,
// 195075 << 8 | 255, fits easily in 32 bits.

namespace {

constexpr int kCellBits = 3; // cells of 8 x 8 x 8 colours
constexpr int kCellsPerAxis = 256 >> kCellBits;

std::uint32_t cellOf(std::uint32_t pixel) {
    const std::uint32_t r = (pixel >> (16 + kCellBits)) & (kCellsPerAxis - 1);
    const std::uint32_t g = (pixel >> (8 + kCellBits)) & (kCellsPerAxis - 1);
    const std::uint32_t b = (pixel >> kCellBits) & (kCellsPerAxis - 1);
    return (r * kCellsPerAxis + g) * kCellsPerAxis + b;
}

std::uint32_t key(std::int32_t d, std::uint32_t index) {
    return (static_cast<std::uint32_t>(d) << 8) | index;
}

// Candidates are 4-byte entries: blue, green, red, palette index.
std::uint8_t searchPortable(const std::uint8_t* entries, std::size_t count, std::int32_t r,
                            std::int32_t g, std::int32_t b) {
    std::uint32_t best = 0xFFFFFFFFu;
    for (const std::uint8_t* e = entries; e != entries + 4 * count; e += 4)
        best = std::min(best, key(ColorDistSq(r, g, b, e[2], e[1], e[0]), e[3]));
    return static_cast<std::uint8_t>(best & 0xFF);
}

#ifdef TW_HAVE_AVX2_PATH
// Eight entries at a time, `groups` groups of 8: the entries widened to 16-bit lanes with
// the index lane cleared, so that one multiply-add gives blue^2 + green^2 and another
// red^2 of the differences; the index comes from each entry's top byte.
__attribute__((target("avx2"))) inline std::uint8_t searchAvx2(const std::uint8_t* entries,
                                                               std::size_t groups, std::int32_t r,
                                                               std::int32_t g, std::int32_t b) {
    const __m256i pixel = _mm256_set1_epi64x(
        static_cast<long long>(static_cast<std::uint64_t>(b) | static_cast<std::uint64_t>(g) << 16 |
                               static_cast<std::uint64_t>(r) << 32));
    const __m256i colourLanes = _mm256_set1_epi64x(0x0000FFFFFFFFFFFFLL);
    __m256i best = _mm256_set1_epi32(-1);
    for (std::size_t group = 0; group < groups; ++group) {
        const __m256i raw =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(entries + 32 * group));
        const __m256i lo =
            _mm256_and_si256(_mm256_cvtepu8_epi16(_mm256_castsi256_si128(raw)), colourLanes);
        const __m256i hi =
            _mm256_and_si256(_mm256_cvtepu8_epi16(_mm256_extracti128_si256(raw, 1)), colourLanes);
        const __m256i dlo = _mm256_sub_epi16(pixel, lo);
        const __m256i dhi = _mm256_sub_epi16(pixel, hi);
        // hadd of the pairs gives one distance per entry in the lane order
        // 0 1 4 5 | 2 3 6 7; the permute puts entries 0..7 back in order.
        const __m256i sums = _mm256_permute4x64_epi64(
            _mm256_hadd_epi32(_mm256_madd_epi16(dlo, dlo), _mm256_madd_epi16(dhi, dhi)),
            _MM_SHUFFLE(3, 1, 2, 0));
        const __m256i keys =
            _mm256_or_si256(_mm256_slli_epi32(sums, 8), _mm256_srli_epi32(raw, 24));
        best = _mm256_min_epu32(best, keys);
    }
    __m128i m = _mm_min_epu32(_mm256_castsi256_si128(best), _mm256_extracti128_si256(best, 1));
    m = _mm_min_epu32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
    m = _mm_min_epu32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::uint8_t>(_mm_cvtsi128_si32(m) & 0xFF);
}

// NearestColorSearch::convert with the cell search inlined.
__attribute__((target("avx2"))) void convertAvx2(const std::uint8_t* entries,
                                                 const NearestColorSearch::Cell* cells,
                                                 const std::uint32_t* pixels, std::size_t count,
                                                 std::uint8_t* indexes) {
    std::uint32_t lastColour = 0xFFFFFFFFu;
    std::uint8_t lastIndex = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t colour = pixels[i] & 0xFFFFFF;
        if (colour != lastColour) {
            lastColour = colour;
            const NearestColorSearch::Cell cell = cells[cellOf(colour)];
            lastIndex = searchAvx2(entries + 4 * std::size_t{cell.first}, cell.groups,
                                   static_cast<std::int32_t>(colour >> 16),
                                   static_cast<std::int32_t>((colour >> 8) & 0xFF),
                                   static_cast<std::int32_t>(colour & 0xFF));
        }
        indexes[i] = lastIndex;
    }
}
#endif

} // namespace

namespace {

// Least and greatest squared distance of each component value to each cell's span on an
// axis, for cells of 2^bits values: table[cell * 256 + value].
struct AxisDistances {
    std::vector<std::int32_t> least, greatest;
    explicit AxisDistances(int bits)
        : least(std::size_t{256} << (8 - bits)), greatest(least.size()) {
        const int side = 1 << bits;
        for (int c = 0; c < (256 >> bits); ++c)
            for (int v = 0; v < 256; ++v) {
                const int lo = c * side, hi = lo + side - 1;
                const int near = v < lo ? lo - v : v > hi ? v - hi : 0;
                const int far = std::max(v - lo, hi - v);
                least[static_cast<std::size_t>(c * 256 + v)] = near * near;
                greatest[static_cast<std::size_t>(c * 256 + v)] = far * far;
            }
    }
};

// The entries of `from` (4-byte entries: blue, green, red, index, in index order) that
// can be nearest to a colour of the box of cells (cr, cg, cb), appended to `to`.
void candidatesOf(const AxisDistances& axis, int cr, int cg, int cb, const std::uint8_t* from,
                  std::size_t count, std::vector<std::uint8_t>& to) {
    const std::int32_t* lr = &axis.least[static_cast<std::size_t>(cr * 256)];
    const std::int32_t* lg = &axis.least[static_cast<std::size_t>(cg * 256)];
    const std::int32_t* lb = &axis.least[static_cast<std::size_t>(cb * 256)];
    const std::int32_t* gr = &axis.greatest[static_cast<std::size_t>(cr * 256)];
    const std::int32_t* gg = &axis.greatest[static_cast<std::size_t>(cg * 256)];
    const std::int32_t* gb = &axis.greatest[static_cast<std::size_t>(cb * 256)];
    std::int32_t bound = 0x7FFFFFFF;
    for (const std::uint8_t* e = from; e != from + 4 * count; e += 4)
        bound = std::min(bound, gr[e[2]] + gg[e[1]] + gb[e[0]]);
    for (const std::uint8_t* e = from; e != from + 4 * count; e += 4)
        if (lr[e[2]] + lg[e[1]] + lb[e[0]] <= bound) to.insert(to.end(), e, e + 4);
}

} // namespace

// The lists are built in two steps: first for boxes of 4 x 4 x 4 cells from the whole
// palette, then for each cell from its box's list. An entry that can be nearest to a
// colour of a cell can be so for its box too, and the bound taken over the box's entries
// is never below the bound over all of them, so no cell loses an entry it needs.
NearestColorSearch::NearestColorSearch(const Palette& palette) {
#ifdef TW_HAVE_AVX2_PATH
    avx2_ = __builtin_cpu_supports("avx2");
#endif
    for (int j = 0; j < 256; ++j) {
        const std::uint8_t* e = palette.data() + 4 * j;
        entries_.insert(entries_.end(), {e[0], e[1], e[2], static_cast<std::uint8_t>(j)});
    }
    constexpr int boxBits = kCellBits + 2;
    constexpr int boxesPerAxis = 256 >> boxBits;
    const AxisDistances boxAxis(boxBits), cellAxis(kCellBits);
    cells_.resize(std::size_t{kCellsPerAxis} * kCellsPerAxis * kCellsPerAxis);
    entries_.reserve(4 * (256 + cells_.size() * 16));

    std::vector<std::uint8_t> box;
    for (int br = 0; br < boxesPerAxis; ++br)
        for (int bg = 0; bg < boxesPerAxis; ++bg)
            for (int bb = 0; bb < boxesPerAxis; ++bb) {
                box.clear();
                candidatesOf(boxAxis, br, bg, bb, entries_.data(), 256, box);
                for (int cr = 4 * br; cr < 4 * br + 4; ++cr)
                    for (int cg = 4 * bg; cg < 4 * bg + 4; ++cg)
                        for (int cb = 4 * bb; cb < 4 * bb + 4; ++cb) {
                            const std::size_t first = entries_.size();
                            candidatesOf(cellAxis, cr, cg, cb, box.data(), box.size() / 4,
                                         entries_);
                            const std::size_t count = (entries_.size() - first) / 4;
                            candidateCount_ += count;
                            while ((entries_.size() - first) % 32 != 0)
                                entries_.insert(entries_.end(), entries_.end() - 4, entries_.end());
                            cells_[(std::size_t{static_cast<unsigned>(cr)} * kCellsPerAxis +
                                    static_cast<unsigned>(cg)) *
                                       kCellsPerAxis +
                                   static_cast<unsigned>(cb)] = {
                                static_cast<std::uint32_t>(first / 4),
                                static_cast<std::uint32_t>((entries_.size() - first) / 32)};
                        }
            }
    entries_.shrink_to_fit();
}

std::uint8_t NearestColorSearch::fullSearch(std::uint32_t pixel, bool vectorised) const {
    const std::int32_t r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
#ifdef TW_HAVE_AVX2_PATH
    if (vectorised && avx2_) return searchAvx2(entries_.data(), 256 / 8, r, g, b);
#else
    (void)vectorised;
#endif
    return searchPortable(entries_.data(), 256, r, g, b);
}

std::uint8_t NearestColorSearch::operator()(std::uint32_t pixel) const {
    const std::int32_t r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    const Cell cell = cells_[cellOf(pixel)];
    const std::uint8_t* entries = entries_.data() + 4 * std::size_t{cell.first};
#ifdef TW_HAVE_AVX2_PATH
    if (avx2_) return searchAvx2(entries, cell.groups, r, g, b);
#endif
    return searchPortable(entries, 8 * std::size_t{cell.groups}, r, g, b);
}

void NearestColorSearch::convert(const std::uint32_t* pixels, std::size_t count,
                                 std::uint8_t* indexes) const {
#ifdef TW_HAVE_AVX2_PATH
    if (avx2_) return convertAvx2(entries_.data(), cells_.data(), pixels, count, indexes);
#endif
    // Neighbouring pixels often repeat (enlarged pictures, flat areas): search once then.
    std::uint32_t lastColour = 0xFFFFFFFFu;
    std::uint8_t lastIndex = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t colour = pixels[i] & 0xFFFFFF;
        if (colour != lastColour) {
            lastColour = colour;
            lastIndex = (*this)(colour);
        }
        indexes[i] = lastIndex;
    }
}

} // namespace tw
