#include "PhotoPicture.h"

#include <algorithm>
#include <cmath>

namespace octree_bench {
namespace {

// Lattice value noise: a smooth field in [0, 1) from hashed grid values.
float lattice(std::int32_t x, std::int32_t y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8DA6B343u ^
                      static_cast<std::uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return static_cast<float>(h & 0xFFFFFF) / 16777216.0f;
}

float valueNoise(float x, float y, std::uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int32_t>(fx), iy = static_cast<std::int32_t>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const float top =
        lattice(ix, iy, seed) + tx * (lattice(ix + 1, iy, seed) - lattice(ix, iy, seed));
    const float bottom = lattice(ix, iy + 1, seed) +
                         tx * (lattice(ix + 1, iy + 1, seed) - lattice(ix, iy + 1, seed));
    return top + ty * (bottom - top);
}

float fractalNoise(float x, float y, std::uint32_t seed) {
    float sum = 0, amplitude = 0.5f;
    for (int octave = 0; octave < 5; ++octave, x *= 2, y *= 2, amplitude *= 0.5f)
        sum += amplitude * valueNoise(x, y, seed + octave);
    return sum;
}

struct Rgb {
    float r, g, b;
};

// The scene at a point, (0, 0) top left, (1, 1) bottom right.
Rgb scene(float fx, float fy, float aspect) {
    const float horizon = 0.38f + 0.06f * std::sin(5.0f * fx) + 0.04f * fractalNoise(fx * 3, 0, 11);
    if (fy < horizon) {
        const float t = fy / horizon;
        const float cloud =
            std::clamp(fractalNoise(fx * 4 * aspect, fy * 8, 3) * 1.8f - 0.55f, 0.0f, 1.0f);
        const Rgb sky{70 + 90 * t, 120 + 70 * t, 210 + 30 * t};
        return {sky.r + cloud * (235 - sky.r), sky.g + cloud * (235 - sky.g),
                sky.b + cloud * (240 - sky.b)};
    }
    const float depth = (fy - horizon) / (1 - horizon);
    const float hills = fractalNoise(fx * 6 * aspect, fy * 6, 7);
    const float fields = fractalNoise(fx * 24 * aspect, fy * 24, 5);
    const float texture = valueNoise(fx * 700 * aspect, fy * 700, 13) - 0.5f;
    const float light = 0.55f + 0.6f * hills + 0.25f * texture;
    const float dry = std::clamp(fields * 1.6f - 0.4f, 0.0f, 1.0f);
    const Rgb grass{60 + 40 * depth, 110 + 30 * depth, 40};
    const Rgb soil{150, 110, 70};
    return {light * (grass.r + dry * (soil.r - grass.r)),
            light * (grass.g + dry * (soil.g - grass.g)),
            light * (grass.b + dry * (soil.b - grass.b))};
}

std::uint8_t toByte(float v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f));
}

} // namespace

Picture24 makePhotoLikePicture(std::uint32_t width, std::uint32_t height) {
    Picture24 p;
    p.width = width;
    p.height = height;
    p.pitch = static_cast<std::int32_t>((width * 3 + 3) & ~3u);
    p.rows.assign(static_cast<std::size_t>(p.pitch) * height, 0);

    // The scene is smooth: evaluate it every 8 pixels and interpolate, then add grain.
    constexpr std::uint32_t kStep = 8;
    const std::uint32_t gw = width / kStep + 2, gh = height / kStep + 2;
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    std::vector<Rgb> field(static_cast<std::size_t>(gw) * gh);
    for (std::uint32_t gy = 0; gy < gh; ++gy)
        for (std::uint32_t gx = 0; gx < gw; ++gx)
            field[std::size_t{gy} * gw + gx] =
                scene(static_cast<float>(gx * kStep) / width,
                      static_cast<float>(gy * kStep) / height, aspect);

    std::uint32_t grain = 0x9E3779B9u;
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* out = p.rows.data() + static_cast<std::size_t>(height - 1 - y) * p.pitch;
        const std::uint32_t gy = y / kStep;
        const float ty = static_cast<float>(y % kStep) / kStep;
        for (std::uint32_t x = 0; x < width; ++x, out += 3) {
            const std::uint32_t gx = x / kStep;
            const float tx = static_cast<float>(x % kStep) / kStep;
            const Rgb& a = field[std::size_t{gy} * gw + gx];
            const Rgb& b = field[std::size_t{gy} * gw + gx + 1];
            const Rgb& c = field[std::size_t{gy + 1} * gw + gx];
            const Rgb& d = field[std::size_t{gy + 1} * gw + gx + 1];
            const auto mix = [&](float Rgb::*channel) {
                const float top = a.*channel + tx * (b.*channel - a.*channel);
                const float bottom = c.*channel + tx * (d.*channel - c.*channel);
                return top + ty * (bottom - top);
            };
            grain ^= grain << 13;
            grain ^= grain >> 17;
            grain ^= grain << 5;
            // Sensor-like grain: a shared brightness jitter plus a little per channel.
            const float n = static_cast<float>(grain & 15) - 7.5f;
            out[0] = toByte(mix(&Rgb::b) + n + static_cast<float>((grain >> 4) & 7));
            out[1] = toByte(mix(&Rgb::g) + n + static_cast<float>((grain >> 7) & 7));
            out[2] = toByte(mix(&Rgb::r) + n + static_cast<float>((grain >> 10) & 7));
        }
    }
    return p;
}

std::uint32_t countColours(const Picture24& picture) {
    std::vector<bool> seen(1u << 24);
    std::uint32_t count = 0;
    for (std::uint32_t y = 0; y < picture.height; ++y) {
        const std::uint8_t* p = picture.rows.data() + static_cast<std::size_t>(y) * picture.pitch;
        for (std::uint32_t x = 0; x < picture.width; ++x, p += 3) {
            const std::uint32_t key = p[0] | (p[1] << 8) | (p[2] << 16);
            if (!seen[key]) {
                seen[key] = true;
                ++count;
            }
        }
    }
    return count;
}

} // namespace octree_bench
