#include "CpuDither.h"

#include "NearestColorGrid.h"
#include "PixelDither.h"

#include <new>
#include <system_error>
#include <thread>

namespace tw::dither {

namespace {

// Below this many pixels a second thread costs more than it saves.
constexpr std::int64_t kPixelsPerExtraThread = 1 << 16;

// Small images visit few colours: coarser cells cost less to set up.
int FineShiftFor(std::int64_t pixels) {
    return pixels < (1 << 14) ? 4 : 3;
}

void DitherRowsPlain(const DitherJob& job, std::int32_t rowBegin, std::int32_t rowEnd) {
    const int stride = job.bitsPerPixel / 8;
    for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
        const std::uint8_t* pixel = job.image + job.ImagePitch() * y;
        std::uint8_t* out = job.indices + job.IndexPitch() * y;
        for (std::int32_t x = 0; x < job.width; ++x, pixel += stride)
            out[x] = DitherPixel(x, y, pixel[2], pixel[1], pixel[0], job.palette, job.count);
    }
}

void DitherRowsWithGrid(const DitherJob& job, std::int32_t rowBegin, std::int32_t rowEnd,
                        NearestColorGrid& grid) {
    const int stride = job.bitsPerPixel / 8;
    for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
        const std::uint8_t* pixel = job.image + job.ImagePitch() * y;
        std::uint8_t* out = job.indices + job.IndexPitch() * y;
        for (std::int32_t x = 0; x < job.width; ++x, pixel += stride) {
            const int red = pixel[2];
            const int green = pixel[1];
            const int blue = pixel[0];
            const std::uint8_t n = grid.Find(red, green, blue);
            const ByteColor s = ShiftedColor(x, y, red, green, blue, PaletteEntry(job.palette, n));
            out[x] = grid.Find(s.red, s.green, s.blue);
        }
    }
}

// Runs rows [rowBegin, rowEnd) with a grid of their own; without memory for the grid it
// falls back to the plain loop, which needs none.
void DitherRows(const DitherJob& job, std::int32_t rowBegin, std::int32_t rowEnd) {
    const std::int64_t pixels = std::int64_t{job.width} * (rowEnd - rowBegin);
    try {
        NearestColorGrid grid(job.palette, job.count, FineShiftFor(pixels));
        DitherRowsWithGrid(job, rowBegin, rowEnd, grid);
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
    } catch (const std::system_error&) {
        DitherRows(job, 0, job.height);
        return;
    }
    DitherRows(job, 0, middle);
    lower.join();
}

void DitherOnCpuPlain(const DitherJob& job) {
    DitherRowsPlain(job, 0, job.height);
}

} // namespace tw::dither
