// Prints pixels per second (of the fastest round) of Dither on the GPU path (whatever OpenGL 2.0
// EGL offers, llvmpipe on a machine without a graphics card), on the CPU path, and of a plain loop
// of DitherPixel over the same pixels, for a 32 x 32 tile, a grid row of 251 tiles drawn as one
// 8032 x 32 image, and a 2048 x 2048 image. Checks that the CPU path and the loop agree on every
// pixel.
#include "Dither.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <time.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Image {
    int width, height;
    std::vector<std::uint8_t> pixels; // 32 bits per pixel
};

// Smooth colour fields with a little noise, like a photograph.
Image PhotoLike(int width, int height) {
    Image image{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    std::mt19937 random(1);
    std::normal_distribution<float> noise(0.0f, 4.0f);
    auto byte = [](float v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f)); };
    std::uint8_t* p = image.pixels.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, p += 4) {
            const float u = static_cast<float>(x) / 97.0f;
            const float v = static_cast<float>(y) / 83.0f;
            const float light = 110.0f + 70.0f * std::sin(u * 0.9f + v * 0.4f);
            p[2] = byte(light + 50.0f * std::sin(u * 0.3f - v * 1.1f + 1.0f) + noise(random));
            p[1] = byte(light + 40.0f * std::cos(u * 0.7f + v * 0.5f) + noise(random));
            p[0] = byte(light - 60.0f * std::sin(u * 0.2f + v * 0.8f + 2.0f) + noise(random));
            p[3] = 0;
        }
    }
    return image;
}

// 256 colours taken from the picture, as an adaptive palette would be.
std::vector<std::uint8_t> PaletteOf(const Image& image) {
    std::vector<std::uint8_t> palette;
    std::mt19937 random(2);
    for (int i = 0; i < 256; ++i) {
        const std::size_t at = random() % (std::size_t(image.width) * image.height);
        palette.insert(palette.end(), image.pixels.begin() + 4 * at,
                       image.pixels.begin() + 4 * at + 3);
        palette.push_back(0);
    }
    return palette;
}

Image Crop(const Image& from, int width, int height) {
    Image image{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    for (int y = 0; y < height; ++y)
        std::copy_n(from.pixels.begin() + std::ptrdiff_t(y) * from.width * 4, width * 4,
                    image.pixels.begin() + std::ptrdiff_t(y) * width * 4);
    return image;
}

std::size_t IndexBytes(const Image& image) {
    return std::size_t(CalcSize(image.width, 8, image.height));
}

void PlainLoop(const Image& image, const std::vector<std::uint8_t>& palette, std::uint8_t* out) {
    const int pitch = CalcPitch(image.width, 8);
    const std::uint8_t* p = image.pixels.data();
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x, p += 4)
            out[std::ptrdiff_t(y) * pitch + x] =
                DitherPixel(x, y, p[2], p[1], p[0], palette.data(), 256);
}

double ProcessSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Pixels per second of wall-clock time, and per second of processor time summed over the
// process's threads (a figure less disturbed by other processes on a busy machine).
struct Rate {
    double wall = 0;
    double processor = 0;
};

// The rates of the fastest of several rounds of `work` (each handling `pixels` pixels):
// rounds go on for a second and at least three times, unless one round alone takes more
// than two seconds. The fastest round is the one least disturbed by other processes.
Rate PixelsPerSecond(long pixels, const std::function<void()>& work) {
    double fastest = 1e300, fastestProcessor = 1e300;
    double total = 0;
    for (int round = 0; total < 1.0 || round < 3; ++round) {
        const Clock::time_point start = Clock::now();
        const double processorStart = ProcessSeconds();
        work();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        fastest = std::min(fastest, seconds);
        fastestProcessor = std::min(fastestProcessor, ProcessSeconds() - processorStart);
        total += seconds;
        if (seconds > 2.0) break;
    }
    return {double(pixels) / fastest, double(pixels) / fastestProcessor};
}

struct Case {
    const char* name;
    Image image;
    int calls; // the image is dithered this many times per round (tiles of a grid row)
};

} // namespace

int main() {
    const Image photo = PhotoLike(8032, 2048);
    const std::vector<std::uint8_t> palette = PaletteOf(photo);
    DitherGLState* gpu = CreateDitherContextEx(2);
    DitherGLState* cpu = CreateDitherContextEx(1);
    if (gpu == nullptr) std::printf("no OpenGL 2.0 through EGL: GPU figures are skipped\n");

    Case cases[] = {{"32 x 32 tile", Crop(photo, 32, 32), 251},
                    {"8032 x 32 grid row", Crop(photo, 8032, 32), 1},
                    {"2048 x 2048 image", Crop(photo, 2048, 2048), 1}};
    std::printf("Pixels per second of wall-clock time (per second of processor time, summed\n"
                "over threads, in brackets); the plain loop is DitherPixel for every pixel.\n");
    std::printf("%-19s %10s %21s %21s %15s %s\n", "picture", "GPU", "CPU path", "plain loop",
                "CPU path/loop", "CPU path = loop");
    for (const Case& c : cases) {
        const long pixels = long(c.image.width) * c.image.height * c.calls;
        std::vector<std::uint8_t> out(IndexBytes(c.image)), reference(IndexBytes(c.image));
        auto run = [&](DitherGLState* context) {
            return [&, context] {
                for (int i = 0; i < c.calls; ++i)
                    Dither(context, 32, c.image.width, c.image.height, c.image.pixels.data(),
                           palette.data(), 256, out.data());
            };
        };
        Rate gpuRate;
        if (gpu != nullptr) {
            run(gpu)(); // the first draw compiles the shader
            gpuRate = PixelsPerSecond(pixels, run(gpu));
        }
        const Rate cpuRate = PixelsPerSecond(pixels, run(cpu));
        const Rate loopRate = PixelsPerSecond(pixels, [&] {
            for (int i = 0; i < c.calls; ++i)
                PlainLoop(c.image, palette, reference.data());
        });
        Dither(cpu, 32, c.image.width, c.image.height, c.image.pixels.data(), palette.data(), 256,
               out.data());
        bool same = true;
        const int pitch = CalcPitch(c.image.width, 8);
        for (int y = 0; y < c.image.height; ++y)
            same &= std::equal(out.begin() + std::ptrdiff_t(y) * pitch,
                               out.begin() + std::ptrdiff_t(y) * pitch + c.image.width,
                               reference.begin() + std::ptrdiff_t(y) * pitch);
        std::printf("%-19s %10.3g %10.3g (%8.3g) %10.3g (%8.3g) %6.1fx (%5.1fx) %s\n", c.name,
                    gpuRate.wall, cpuRate.wall, cpuRate.processor, loopRate.wall,
                    loopRate.processor, cpuRate.wall / loopRate.wall,
                    cpuRate.processor / loopRate.processor, same ? "identical" : "DIFFERENT");
    }
    DestroyDitherGLContext(&gpu);
    DestroyDitherGLContext(&cpu);
    return 0;
}
