#include "NearestColorTable.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace tw::dither {

namespace {

constexpr std::size_t kAnswerBytes = std::size_t{1} << 24;
constexpr std::size_t kHugePage = std::size_t{1} << 21;

} // namespace

void NearestColorTable::FreeAnswers::operator()(std::uint8_t* answers) const {
    std::free(answers);
}

NearestColorTable::NearestColorTable(const void* palette, int count)
    : palette_(palette), count_(count),
      answers_(static_cast<std::uint8_t*>(std::aligned_alloc(kHugePage, kAnswerBytes))),
      states_(new std::atomic<std::uint8_t>[std::size_t{1} << 18]()) {
    if (!answers_) throw std::bad_alloc();
    // Huge pages, where the system offers them, spare the translation misses of lookups
    // spread over the table.
    madvise(answers_.get(), kAnswerBytes, MADV_HUGEPAGE);
}

NearestColorTable::Reader::Reader(NearestColorTable& table)
    : table_(table), grid_(table.palette_, table.count_, 2, false) {}

void NearestColorTable::Reader::FillBlock(std::uint32_t block) {
    // The block's corner: its index holds the upper six bits of each component interleaved.
    int corner[3] = {0, 0, 0};
    for (int bit = 0; bit < 6; ++bit)
        for (int c = 0; c < 3; ++c)
            corner[c] |= static_cast<int>((block >> (3 * bit + 2 - c)) & 1u) << (bit + 2);
    std::uint8_t* out = table_.answers_.get() + (std::size_t{block} << 6);
    const NearestColorGrid::List list = grid_.CellList(corner[0], corner[1], corner[2]);
    if (list.end - list.begin == 1) {
        std::memset(out, list.begin->index, 64);
        return;
    }
    for (std::uint32_t local = 0; local < 64; ++local) {
        const int red = corner[0] | static_cast<int>(((local >> 2) & 1u) | ((local >> 4) & 2u));
        const int green = corner[1] | static_cast<int>(((local >> 1) & 1u) | ((local >> 3) & 2u));
        const int blue = corner[2] | static_cast<int>((local & 1u) | ((local >> 2) & 2u));
        out[local] = NearestColorGrid::SearchAll(list, red, green, blue);
    }
}

} // namespace tw::dither
