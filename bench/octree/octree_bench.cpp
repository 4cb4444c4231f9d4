// Pixels per second of the 24-bit octree palette (254 colours, 8 colour bits) on
// photo-like pictures of the sizes Tilewright meets, beside the plain reference builder
// (one heap node per tree node, one walk from the root per pixel) on the same pictures.
#include "Octree.h"
#include "PhotoPicture.h"
#include "ReferenceOctree.h"

#include <benchmark/benchmark.h>

#include <map>
#include <utility>

namespace {

using octree_bench::Picture24;

constexpr std::uint32_t kMaxColors = 254;
constexpr std::uint32_t kColorBits = 8;

const Picture24& picture(std::int64_t width, std::int64_t height) {
    static std::map<std::pair<std::int64_t, std::int64_t>, Picture24> pictures;
    auto [it, added] = pictures.try_emplace({width, height});
    if (added)
        it->second = octree_bench::makePhotoLikePicture(static_cast<std::uint32_t>(width),
                                                        static_cast<std::uint32_t>(height));
    return it->second;
}

void reportPicture(benchmark::State& state, const Picture24& p) {
    state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(p.width) * p.height,
                                                    benchmark::Counter::kIsIterationInvariantRate);
    state.counters["colours"] = octree_bench::countColours(p);
}

std::vector<reference::Color> libraryPalette(const Picture24& p) {
    std::vector<std::uint8_t> palette(256 * 4, 0);
    std::vector<reference::Color> entries;
    if (CreateOctreePaletteRGB888(p.rows.data(), p.width, p.height, p.pitch, kMaxColors, kColorBits,
                                  palette.data()) != 1)
        return entries;
    // Entries are written from the front; count them by a second run over other bytes.
    std::vector<std::uint8_t> other(256 * 4, 0xFF);
    CreateOctreePaletteRGB888(p.rows.data(), p.width, p.height, p.pitch, kMaxColors, kColorBits,
                              other.data());
    for (std::size_t k = 0; k < 256; ++k) {
        const std::uint8_t* e = &palette[k * 4];
        if (e[0] != other[k * 4] || e[1] != other[k * 4 + 1] || e[2] != other[k * 4 + 2]) break;
        entries.push_back({e[0], e[1], e[2]});
    }
    return entries;
}

void BM_OctreePalette(benchmark::State& state) {
    const Picture24& p = picture(state.range(0), state.range(1));
    std::vector<std::uint8_t> palette(256 * 4);
    for (auto _ : state) {
        const std::int32_t result = CreateOctreePaletteRGB888(
            p.rows.data(), p.width, p.height, p.pitch, kMaxColors, kColorBits, palette.data());
        benchmark::DoNotOptimize(palette.data());
        if (result != 1) state.SkipWithError("palette not written");
    }
    reportPicture(state, p);
}

void BM_ReferencePalette(benchmark::State& state) {
    const Picture24& p = picture(state.range(0), state.range(1));
    std::vector<reference::Color> entries;
    for (auto _ : state) {
        reference::Octree tree(kColorBits);
        for (std::uint32_t y = 0; y < p.height; ++y) {
            const std::uint8_t* px = p.rows.data() + static_cast<std::size_t>(y) * p.pitch;
            for (std::uint32_t x = 0; x < p.width; ++x, px += 3) {
                tree.InsertColor({px[0], px[1], px[2]});
                while (tree.leafCount() > kMaxColors)
                    tree.MergeDeepestNode();
            }
        }
        entries.clear();
        tree.CollectLeafColors(entries);
        benchmark::DoNotOptimize(entries.data());
    }
    if (entries != libraryPalette(p)) state.SkipWithError("the library's palette differs");
    reportPicture(state, p);
}

BENCHMARK(BM_OctreePalette)
    ->Args({5640, 3172})
    ->Args({8032, 8032})
    ->ArgNames({"w", "h"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferencePalette)
    ->Args({5640, 3172})
    ->Args({8032, 8032})
    ->ArgNames({"w", "h"})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
