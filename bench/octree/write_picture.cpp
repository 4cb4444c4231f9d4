// Writes the benchmark's photo-like picture as a binary PPM, so that other quantizers can
// be timed on exactly the same pixels: octree_picture WIDTH HEIGHT FILE.ppm
#include "PhotoPicture.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT FILE.ppm\n", argv[0]);
        return 2;
    }
    const auto width = static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10));
    const auto height = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
    if (width == 0 || height == 0) {
        std::fprintf(stderr, "width and height must be positive\n");
        return 2;
    }
    const octree_bench::Picture24 p = octree_bench::makePhotoLikePicture(width, height);
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(argv[3], "wb"),
                                                               &std::fclose);
    if (!file) {
        std::perror(argv[3]);
        return 1;
    }
    std::fprintf(file.get(), "P6\n%u %u\n255\n", width, height);
    std::vector<std::uint8_t> line(std::size_t{width} * 3);
    for (std::uint32_t y = 0; y < height; ++y) {
        // PPM rows go top down and hold red, green, blue.
        const std::uint8_t* in = p.rows.data() + static_cast<std::size_t>(height - 1 - y) * p.pitch;
        for (std::uint32_t x = 0; x < width; ++x) {
            line[x * 3] = in[x * 3 + 2];
            line[x * 3 + 1] = in[x * 3 + 1];
            line[x * 3 + 2] = in[x * 3];
        }
        if (std::fwrite(line.data(), 1, line.size(), file.get()) != line.size()) {
            std::perror(argv[3]);
            return 1;
        }
    }
    std::printf("%s: %u x %u, %u colours\n", argv[3], width, height, octree_bench::countColours(p));
    return 0;
}
