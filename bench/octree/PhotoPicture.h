// Deterministic photo-like pictures for the octree benchmarks: a sky over rolling ground,
// smooth gradients with fine grain, hundreds of thousands of distinct colours.
#pragma once

#include <cstdint>
#include <vector>

namespace octree_bench {

struct Picture24 {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::int32_t pitch = 0;         // rows padded to 4 bytes
    std::vector<std::uint8_t> rows; // bottom-up: the first row in memory is the bottom row
};

Picture24 makePhotoLikePicture(std::uint32_t width, std::uint32_t height);

// Number of distinct 24-bit colours in the picture.
std::uint32_t countColours(const Picture24& picture);

} // namespace octree_bench
