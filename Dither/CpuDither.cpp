#include "CpuDither.h"

#include "NearestColorGrid.h"
#include "PixelDither.h"

#include <exception>
#include <new>
#include <thread>
#include <vector>

namespace tw::dither {

namespace {

// Below this many pixels a second thread costs more than it saves.
constexpr std::int64_t kPixelsPerExtraThread = 1 << 16;
// From this many pixels on, the whole-cube answer table pays for the blocks it fills; below
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

// DitherPixel's steps, a row at a time and one step across the row after the other, so
// that the independent work of neighbouring pixels overlaps in the processor.
template <typename Search>
void DitherRowsWith(const DitherJob& job, std::int32_t rowBegin, std::int32_t rowEnd,
                    Search& search) {
    const int stride = job.bitsPerPixel / 8;
    std::vector<std::uint8_t> nearest(static_cast<std::size_t>(job.width));
    std::vector<ByteColor> shifted(static_cast<std::size_t>(job.width));
    for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
        const std::uint8_t* row = job.image + job.ImagePitch() * y;
        std::uint8_t* out = job.indices + job.IndexPitch() * y;
        const std::uint8_t* pixel = row;
        for (std::int32_t x = 0; x < job.width; ++x, pixel += stride)
            nearest[x] = search.Find(pixel[2], pixel[1], pixel[0]);
        pixel = row;
        for (std::int32_t x = 0; x < job.width; ++x, pixel += stride)
            shifted[x] = ShiftedColor(x, y, pixel[2], pixel[1], pixel[0],
                                      PaletteEntry(job.palette, nearest[x]));
        for (std::int32_t x = 0; x < job.width; ++x)
            out[x] = search.Find(shifted[x].red, shifted[x].green, shifted[x].blue);
    }
}

// Runs rows [rowBegin, rowEnd) with searches of their own; without memory for them it
// falls back to the plain loop, which needs none.
void DitherRows(const DitherJob& job, std::int32_t rowBegin, std::int32_t rowEnd) {
    const std::int64_t pixels = std::int64_t{job.width} * (rowEnd - rowBegin);
    try {
        if (pixels >= kPixelsForTable) {
            NearestColorTable table(job.palette, job.count);
            DitherRowsWith(job, rowBegin, rowEnd, table);
        } else {
            NearestColorGrid grid(job.palette, job.count, pixels >= kPixelsForFineCells ? 3 : 4);
            DitherRowsWith(job, rowBegin, rowEnd, grid);
        }
    } catch (const std::bad_alloc&) {
        DitherRowsPlain(job, rowBegin, rowEnd);
    }
}

} // namespace

void DitherOnCpu(const DitherJob& job) {
    const std::int64_t pixels = std::int64_t{job.width} * job.height;
    if (pixels < 2 * kPixelsPerExtraThread || job.height < 2 ||
        std::thread::hardware_concurrency() < 2) {
        DitherRows(job, 0, job.height);
        return;
    }
    const std::int32_t middle = job.height / 2;
    std::thread lower;
    try {
        lower = std::thread([&job, middle] { DitherRows(job, middle, job.height); });
    } catch (const std::exception&) { // no thread to be had
        DitherRows(job, 0, job.height);
        return;
    }
    DitherRows(job, 0, middle);
    lower.join();
}

} // namespace tw::dither
