#include "CpuDither.h"

#include "NearestColorGrid.h"
#include "NearestColorTable.h"
#include "PixelDither.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <thread>
#include <vector>

namespace tw::dither {

namespace {

// Below this many pixels a second thread costs more than it saves.
constexpr std::int64_t kPixelsPerExtraThread = 1 << 16;
// From this many pixels on, the shared answer table pays for the blocks it fills; below
// it, finer grid cells pay for themselves from this many pixels on.
constexpr std::int64_t kPixelsForTable = 1 << 21;
constexpr std::int64_t kPixelsForFineCells = 1 << 16;

// The part of the picture one thread does: rows [top, bottom), columns [left, right).
struct Region {
    std::int32_t top, bottom, left, right;
};

void DitherPlain(const DitherJob& job, const Region& region) {
    const int stride = job.bitsPerPixel / 8;
    for (std::int32_t y = region.top; y < region.bottom; ++y) {
        const std::uint8_t* pixel =
            job.image + job.ImagePitch() * y + std::ptrdiff_t{region.left} * stride;
        std::uint8_t* out = job.indices + job.IndexPitch() * y;
        for (std::int32_t x = region.left; x < region.right; ++x, pixel += stride)
            out[x] = DitherPixel(x, y, pixel[2], pixel[1], pixel[0], job.palette, job.count);
    }
}

// Pixels are taken in patches of this many rows and columns: the colours of a patch of a
// picture lie close together, so the searches' cells and table blocks they visit stay in
// the processor's caches while the patch is done.
constexpr std::int32_t kPatchRows = 16;
constexpr std::int32_t kPatchColumns = 128;

// DitherPixel's steps for the pixels of one patch row, one step across the row after the
// other, so that the independent work of neighbouring pixels overlaps in the processor.
template <typename Search>
void DitherSpan(const DitherJob& job, std::int32_t y, std::int32_t left, std::int32_t right,
                Search& search) {
    const int stride = job.bitsPerPixel / 8;
    std::uint8_t nearest[kPatchColumns];
    ByteColor shifted[kPatchColumns];
    const std::uint8_t* first = job.image + job.ImagePitch() * y + std::ptrdiff_t{left} * stride;
    const std::int32_t count = right - left;
    const std::uint8_t* pixel = first;
    for (std::int32_t i = 0; i < count; ++i, pixel += stride)
        nearest[i] = search.Find(pixel[2], pixel[1], pixel[0]);
    pixel = first;
    for (std::int32_t i = 0; i < count; ++i, pixel += stride)
        shifted[i] = ShiftedColor(left + i, y, pixel[2], pixel[1], pixel[0],
                                  PaletteEntry(job.palette, nearest[i]));
    std::uint8_t* out = job.indices + job.IndexPitch() * y + left;
    for (std::int32_t i = 0; i < count; ++i)
        out[i] = search.Find(shifted[i].red, shifted[i].green, shifted[i].blue);
}

template <typename Search>
void DitherRegionWith(const DitherJob& job, const Region& region, Search& search) {
    // 64-bit steps: a patch may reach past the largest 32-bit row or column.
    for (std::int64_t top = region.top; top < region.bottom; top += kPatchRows) {
        const auto bottom =
            static_cast<std::int32_t>(std::min<std::int64_t>(region.bottom, top + kPatchRows));
        for (std::int64_t left = region.left; left < region.right; left += kPatchColumns) {
            const auto right = static_cast<std::int32_t>(
                std::min<std::int64_t>(region.right, left + kPatchColumns));
            for (auto y = static_cast<std::int32_t>(top); y < bottom; ++y)
                DitherSpan(job, y, static_cast<std::int32_t>(left), right, search);
        }
    }
}

// A region through the shared table when there is one, else with a grid of its own.
// Without memory for either (even midway) the region is done again by the plain loop,
// which needs none. Throws nothing.
void DitherRegion(const DitherJob& job, const Region& region, NearestColorTable* table) noexcept {
    const std::int64_t pixels =
        std::int64_t{region.right - region.left} * (region.bottom - region.top);
    try {
        if (table != nullptr) {
            NearestColorTable::Reader reader(*table);
            DitherRegionWith(job, region, reader);
        } else {
            NearestColorGrid grid(job.palette, job.count, pixels >= kPixelsForFineCells ? 3 : 4);
            DitherRegionWith(job, region, grid);
        }
    } catch (...) {
        DitherPlain(job, region);
    }
}

std::unique_ptr<NearestColorTable> TableFor(const DitherJob& job, std::int64_t pixels) {
    if (pixels < kPixelsForTable) return nullptr;
    try {
        return std::make_unique<NearestColorTable>(job.palette, job.count);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

CpuAnswers::CpuAnswers() = default;
CpuAnswers::~CpuAnswers() {
    delete table_;
}

NearestColorTable* CpuAnswers::TableFor(const DitherJob& job) {
    const std::size_t bytes = static_cast<std::size_t>(job.count) * 4;
    if (job.count != count_ || std::memcmp(palette_, job.palette, bytes) != 0) {
        delete table_;
        table_ = nullptr;
        pixels_ = 0;
        count_ = job.count;
        std::memcpy(palette_, job.palette, bytes);
    }
    pixels_ += std::int64_t{job.width} * job.height;
    if (table_ == nullptr && pixels_ >= kPixelsForTable)
        table_ = ::tw::dither::TableFor(job, pixels_).release();
    return table_;
}

void DitherOnCpu(const DitherJob& job, CpuAnswers* answers) {
    const std::int64_t pixels = std::int64_t{job.width} * job.height;
    std::unique_ptr<NearestColorTable> own;
    NearestColorTable* table = nullptr;
    if (answers != nullptr) {
        table = answers->TableFor(job);
    } else {
        own = TableFor(job, pixels);
        table = own.get();
    }
    const Region whole{0, job.height, 0, job.width};
    if (pixels < 2 * kPixelsPerExtraThread || std::thread::hardware_concurrency() < 2) {
        DitherRegion(job, whole, table);
        return;
    }
    // Halves across the longer side: each half then spans fewer of the picture's colours,
    // which its own grid has to cover.
    Region first = whole, second = whole;
    if (job.width >= job.height) {
        first.right = second.left = job.width / 2;
    } else {
        first.bottom = second.top = job.height / 2;
    }
    std::thread other;
    try {
        other = std::thread([&job, table, second] { DitherRegion(job, second, table); });
    } catch (const std::exception&) { // no thread to be had
        DitherRegion(job, whole, table);
        return;
    }
    DitherRegion(job, first, table);
    other.join();
}

} // namespace tw::dither
