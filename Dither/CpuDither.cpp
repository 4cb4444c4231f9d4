#include "CpuDither.h"

#include "NearestColorGrid.h"
#include "NearestColorTable.h"
#include "PixelDither.h"

#include <algorithm>
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

void DitherRowsPlain(const DitherJob& job, std::int32_t rowBegin, std::int32_t rowEnd) {
    const int stride = job.bitsPerPixel / 8;
    for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
        const std::uint8_t* pixel = job.image + job.ImagePitch() * y;
        std::uint8_t* out = job.indices + job.IndexPitch() * y;
        for (std::int32_t x = 0; x < job.width; ++x, pixel += stride)
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
void DitherRowsWith(const DitherJob& job, std::int32_t rowBegin, std::int32_t rowEnd,
                    Search& search) {
    for (std::int32_t top = rowBegin; top < rowEnd; top += kPatchRows) {
        const std::int32_t bottom = std::min(rowEnd, top + kPatchRows);
        for (std::int32_t left = 0; left < job.width; left += kPatchColumns) {
            const std::int32_t right = std::min(job.width, left + kPatchColumns);
            for (std::int32_t y = top; y < bottom; ++y)
                DitherSpan(job, y, left, right, search);
        }
    }
}

// Rows [rowBegin, rowEnd) through the shared table when there is one, else with a grid of
// their own. Without memory for either (even midway) the rows are done again by the plain
// loop, which needs none. Throws nothing.
void DitherRows(const DitherJob& job, std::int32_t rowBegin, std::int32_t rowEnd,
                NearestColorTable* table) noexcept {
    const std::int64_t pixels = std::int64_t{job.width} * (rowEnd - rowBegin);
    try {
        if (table != nullptr) {
            NearestColorTable::Reader reader(*table);
            DitherRowsWith(job, rowBegin, rowEnd, reader);
        } else {
            NearestColorGrid grid(job.palette, job.count, pixels >= kPixelsForFineCells ? 3 : 4);
            DitherRowsWith(job, rowBegin, rowEnd, grid);
        }
    } catch (...) {
        DitherRowsPlain(job, rowBegin, rowEnd);
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

void DitherOnCpu(const DitherJob& job) {
    const std::int64_t pixels = std::int64_t{job.width} * job.height;
    const std::unique_ptr<NearestColorTable> table = TableFor(job, pixels);
    if (pixels < 2 * kPixelsPerExtraThread || job.height < 2 ||
        std::thread::hardware_concurrency() < 2) {
        DitherRows(job, 0, job.height, table.get());
        return;
    }
    const std::int32_t middle = job.height / 2;
    std::thread lower;
    try {
        lower = std::thread(
            [&job, &table, middle] { DitherRows(job, middle, job.height, table.get()); });
    } catch (const std::exception&) { // no thread to be had
        DitherRows(job, 0, job.height, table.get());
        return;
    }
    DitherRows(job, 0, middle, table.get());
    lower.join();
}

} // namespace tw::dither
