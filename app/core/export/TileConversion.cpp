#include "TileConversion.h"

#include "Error.h"

#include <atomic>
#include <cstdlib>

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

// The lowest distance wins, then the lowest index: both at once as the minimum of
// (distance << 8) | index, which needs no early exit and so vectorises. The largest key,
// 195075 << 8 | 255, fits easily in 32 bits.
struct NearestColorSearch::Tables {
    std::int32_t red[256], green[256], blue[256];
#ifdef TW_HAVE_AVX2_PATH
    // Per group of 8 entries: (red, green) pairs and (blue, 0) pairs as 16-bit lanes.
    alignas(32) std::int16_t redGreen[32][16];
    alignas(32) std::int16_t blueZero[32][16];
    bool avx2 = false;
#endif
};

namespace {

std::uint8_t searchPortable(const std::int32_t* red, const std::int32_t* green,
                            const std::int32_t* blue, std::int32_t r, std::int32_t g,
                            std::int32_t b) {
    std::uint32_t best = 0xFFFFFFFFu;
    for (std::uint32_t j = 0; j < 256; ++j) {
        const std::int32_t d = (r - red[j]) * (r - red[j]) + (g - green[j]) * (g - green[j]) +
                               (b - blue[j]) * (b - blue[j]);
        const std::uint32_t key = (static_cast<std::uint32_t>(d) << 8) | j;
        best = key < best ? key : best;
    }
    return static_cast<std::uint8_t>(best & 0xFF);
}

#ifdef TW_HAVE_AVX2_PATH
__attribute__((target("avx2"))) std::uint8_t searchAvx2(const std::int16_t (*redGreen)[16],
                                                        const std::int16_t (*blueZero)[16],
                                                        std::int32_t r, std::int32_t g,
                                                        std::int32_t b) {
    const __m256i pixelRG = _mm256_set1_epi32((g << 16) | r);
    const __m256i pixelB = _mm256_set1_epi32(b);
    const __m256i step = _mm256_set1_epi32(8);
    __m256i index = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i best0 = _mm256_set1_epi32(-1), best1 = best0;
    for (int group = 0; group < 32; group += 2) {
        for (int k = 0; k < 2; ++k) {
            const auto* rg = reinterpret_cast<const __m256i*>(redGreen[group + k]);
            const auto* b0 = reinterpret_cast<const __m256i*>(blueZero[group + k]);
            const __m256i dRG = _mm256_sub_epi16(pixelRG, _mm256_load_si256(rg));
            const __m256i dB = _mm256_sub_epi16(pixelB, _mm256_load_si256(b0));
            const __m256i d =
                _mm256_add_epi32(_mm256_madd_epi16(dRG, dRG), _mm256_madd_epi16(dB, dB));
            const __m256i key = _mm256_or_si256(_mm256_slli_epi32(d, 8), index);
            if (k == 0)
                best0 = _mm256_min_epu32(best0, key);
            else
                best1 = _mm256_min_epu32(best1, key);
            index = _mm256_add_epi32(index, step);
        }
    }
    __m256i best = _mm256_min_epu32(best0, best1);
    __m128i m = _mm_min_epu32(_mm256_castsi256_si128(best), _mm256_extracti128_si256(best, 1));
    m = _mm_min_epu32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
    m = _mm_min_epu32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::uint8_t>(_mm_cvtsi128_si32(m) & 0xFF);
}
#endif

} // namespace

NearestColorSearch::NearestColorSearch(const Palette& palette) : tables_(new Tables{}) {
    Tables& t = *tables_;
    for (int j = 0; j < 256; ++j) {
        const std::uint8_t* e = palette.data() + 4 * j;
        t.blue[j] = e[0];
        t.green[j] = e[1];
        t.red[j] = e[2];
    }
#ifdef TW_HAVE_AVX2_PATH
    for (int j = 0; j < 256; ++j) {
        t.redGreen[j / 8][2 * (j % 8)] = static_cast<std::int16_t>(t.red[j]);
        t.redGreen[j / 8][2 * (j % 8) + 1] = static_cast<std::int16_t>(t.green[j]);
        t.blueZero[j / 8][2 * (j % 8)] = static_cast<std::int16_t>(t.blue[j]);
        t.blueZero[j / 8][2 * (j % 8) + 1] = 0;
    }
    t.avx2 = __builtin_cpu_supports("avx2");
#endif
    // calloc maps zeroed pages on demand, so only the slots of colours met take memory.
    memo_ = static_cast<std::uint16_t*>(std::calloc(std::size_t{1} << 24, sizeof(std::uint16_t)));
    if (memo_ == nullptr) throw Error("Not enough memory for the nearest-colour table.");
}

NearestColorSearch::~NearestColorSearch() {
    std::free(memo_);
}

std::uint8_t NearestColorSearch::search(std::uint32_t pixel, bool vectorised) const {
    const Tables& t = *tables_;
    const std::int32_t r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
#ifdef TW_HAVE_AVX2_PATH
    if (vectorised && t.avx2) return searchAvx2(t.redGreen, t.blueZero, r, g, b);
#else
    (void)vectorised;
#endif
    return searchPortable(t.red, t.green, t.blue, r, g, b);
}

std::uint8_t NearestColorSearch::search(std::uint32_t pixel) const {
    return search(pixel, true);
}

std::uint8_t NearestColorSearch::operator()(std::uint32_t pixel) const {
    std::atomic_ref<std::uint16_t> slot(memo_[pixel & 0xFFFFFF]);
    const std::uint16_t known = slot.load(std::memory_order_relaxed);
    if (known != 0) return static_cast<std::uint8_t>(known - 1);
    const std::uint8_t index = search(pixel);
    slot.store(static_cast<std::uint16_t>(index + 1), std::memory_order_relaxed);
    return index;
}

void NearestColorSearch::convert(const std::uint32_t* pixels, std::size_t count,
                                 std::uint8_t* indexes) const {
    // Neighbouring pixels often repeat (enlarged pictures, flat areas): skip the table then.
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
