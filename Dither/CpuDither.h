// The CPU path of Dither: DitherPixel's result for every pixel, computed with cached
// nearest-entry searches and, for large images, on two threads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw::dither {

// The layout of one call's buffers. Arguments are already checked: bitsPerPixel 24 or 32,
// width and height at least 1, count 1..256, pointers not null.
struct DitherJob {
    int bitsPerPixel;
    std::int32_t width;
    std::int32_t height;
    const std::uint8_t* image;
    const std::uint8_t* palette;
    int count;
    std::uint8_t* indices;

    std::ptrdiff_t ImagePitch() const {
        return ((std::ptrdiff_t{width} * bitsPerPixel + 31) / 32) * 4;
    }
    std::ptrdiff_t IndexPitch() const { return ((std::ptrdiff_t{width} + 3) / 4) * 4; }
};

class NearestColorTable;

// Answers a dither context keeps between its calls: the nearest-entry table of the last
// palette, once the calls with that palette have covered enough pixels for the table to
// pay off. A map dithered one grid row per call then shares one table across its rows.
class CpuAnswers {
  public:
    CpuAnswers();
    ~CpuAnswers();
    CpuAnswers(const CpuAnswers&) = delete;
    CpuAnswers& operator=(const CpuAnswers&) = delete;
    // The table for this job's palette, or null while it would not pay off (or without
    // memory for it).
    NearestColorTable* TableFor(const DitherJob& job);

  private:
    std::uint8_t palette_[1024];
    int count_ = 0;
    std::int64_t pixels_ = 0; // dithered with this palette so far
    NearestColorTable* table_ = nullptr;
};

// Fills job.indices exactly as DitherPixel would, pixel by pixel. `answers`, when given,
// carries the answer table from call to call.
void DitherOnCpu(const DitherJob& job, CpuAnswers* answers = nullptr);

} // namespace tw::dither
