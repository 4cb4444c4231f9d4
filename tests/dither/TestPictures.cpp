#include "TestPictures.h"

#include "Dither.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <random>
#include <string>

namespace dither_test {

std::vector<std::uint8_t> MakePalette(const std::vector<Rgb>& colours) {
    std::vector<std::uint8_t> bytes;
    for (const Rgb& c : colours) {
        bytes.push_back(static_cast<std::uint8_t>(c.blue));
        bytes.push_back(static_cast<std::uint8_t>(c.green));
        bytes.push_back(static_cast<std::uint8_t>(c.red));
        bytes.push_back(0);
    }
    return bytes;
}

Picture::Picture(int bpp, int w, int h, std::uint8_t padding)
    : bitsPerPixel(bpp), width(w), height(h),
      bytes(static_cast<std::size_t>(pitch() * h), padding) {}

void Picture::set(int x, int y, Rgb c) {
    std::uint8_t* p = pixel(x, y);
    p[0] = static_cast<std::uint8_t>(c.blue);
    p[1] = static_cast<std::uint8_t>(c.green);
    p[2] = static_cast<std::uint8_t>(c.red);
    if (bitsPerPixel == 32) p[3] = 0x5A; // ignored byte, deliberately not 0
}

Rgb Picture::at(int x, int y) const {
    const std::uint8_t* p = pixel(x, y);
    return {p[2], p[1], p[0]};
}

Picture Picture::converted(int bpp) const {
    Picture out(bpp, width, height, 0xEE);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.set(x, y, at(x, y));
    return out;
}

Picture PhotoLike(int bpp, int width, int height, std::uint32_t seed) {
    Picture picture(bpp, width, height, 0xEE);
    std::mt19937 random(seed);
    std::normal_distribution<float> noise(0.0f, 4.0f);
    auto byte = [](float v) { return static_cast<int>(std::clamp(v, 0.0f, 255.0f)); };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float u = static_cast<float>(x) / 97.0f;
            const float v = static_cast<float>(y) / 83.0f;
            const float light = 110.0f + 70.0f * std::sin(u * 0.9f + v * 0.4f);
            const float red = light + 50.0f * std::sin(u * 0.3f - v * 1.1f + 1.0f);
            const float green = light + 40.0f * std::cos(u * 0.7f + v * 0.5f);
            const float blue = light - 60.0f * std::sin(u * 0.2f + v * 0.8f + 2.0f);
            picture.set(x, y,
                        {byte(red + noise(random)), byte(green + noise(random)),
                         byte(blue + noise(random))});
        }
    }
    return picture;
}

std::vector<std::uint8_t> PaletteFrom(const Picture& picture, int count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<Rgb> colours;
    for (int i = 0; i < count; ++i) {
        const int x = static_cast<int>(random() % static_cast<std::uint32_t>(picture.width));
        const int y = static_cast<int>(random() % static_cast<std::uint32_t>(picture.height));
        colours.push_back(picture.at(x, y));
    }
    return MakePalette(colours);
}

void PaintPaletteColours(Picture& picture, const std::vector<std::uint8_t>& palette, int step) {
    const int entries = static_cast<int>(palette.size() / 4);
    long n = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x, ++n) {
            if (n % step != 0) continue;
            const std::uint8_t* e = palette.data() + 4 * ((n / step) % entries);
            picture.set(x, y, {e[2], e[1], e[0]});
        }
    }
}

Indices::Indices(int w, int h, std::uint8_t fill)
    : width(w), height(h), bytes(static_cast<std::size_t>(pitch() * h), fill) {}

Indices DitherPixelByPixel(const Picture& picture, const std::vector<std::uint8_t>& palette,
                           int count) {
    Indices out(picture.width, picture.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const Rgb c = picture.at(x, y);
            out.bytes[static_cast<std::size_t>(out.pitch() * y + x)] =
                DitherPixel(x, y, c.red, c.green, c.blue, palette.data(), count);
        }
    }
    return out;
}

ProcessFigures ReadProcessFigures() {
    ProcessFigures figures;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Threads:", 0) == 0) figures.threads = std::atol(line.c_str() + 8);
        if (line.rfind("VmRSS:", 0) == 0) figures.residentKiB = std::atol(line.c_str() + 6);
    }
    if (DIR* fds = opendir("/proc/self/fd")) {
        while (readdir(fds) != nullptr)
            ++figures.openFiles;
        closedir(fds);
    }
    return figures;
}

} // namespace dither_test
