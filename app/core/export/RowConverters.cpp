#include "RowConverters.h"

#include <algorithm>
#include <cstring>

namespace tw {

Heartbeat::Heartbeat(ExportProgress& progress)
    : progress_(progress), last_(std::chrono::steady_clock::now()) {}

void Heartbeat::rowDone(std::size_t tilesDone, std::size_t tileCount) {
    if (!progress_.rowDone(tilesDone, tileCount)) throw ExportAbandoned();
    last_ = std::chrono::steady_clock::now();
}

void Heartbeat::beat() {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < interval) return;
    if (!progress_.keepAlive()) throw ExportAbandoned();
    last_ = std::chrono::steady_clock::now();
}

namespace {

// Tile c's row k starts at pixel c * 32 of band row k; its indexes at c * 1024 + k * 32.
template <typename ConvertPixels>
void convertTiles(const Band& band, std::uint8_t* tiles, Range range, ConvertPixels convert) {
    for (std::size_t c = range.begin; c < range.end; ++c)
        for (int k = 0; k < kTileSide; ++k)
            convert(band.row(k) + c * kTileSide, tiles + c * kTileBytes + k * kTileSide);
}

} // namespace

void GreyRows::convert(const Band& band, std::uint8_t* tiles, Heartbeat&) {
    team_.run([&](unsigned part) {
        convertTiles(
            band, tiles, splitRange(band.tiles, team_.size(), part),
            [](const std::uint32_t* px, std::uint8_t* out) { convertGrey(px, kTileSide, out); });
    });
}

void NearestRows::convert(const Band& band, std::uint8_t* tiles, Heartbeat&) {
    team_.run([&](unsigned part) {
        convertTiles(band, tiles, splitRange(band.tiles, team_.size(), part),
                     [this](const std::uint32_t* px, std::uint8_t* out) {
                         search_.convert(px, kTileSide, out);
                     });
    });
}

DitheredRows::DitheredRows(const std::string& libraryFolder, DitherDevice device,
                           const Palette& palette)
    : context_(DitherLibrary::shared(libraryFolder).createContext(device)), palette_(palette) {}

void DitheredRows::convert(const Band& band, std::uint8_t* tiles, Heartbeat& heartbeat) {
    for (std::size_t first = 0; first < band.tiles;) {
        const std::size_t n = std::min(runTiles_, band.tiles - first);
        const std::size_t width = n * kTileSide; // a multiple of 4: no row padding
        const std::size_t rowBytes = width * 4;

        // The run's pixels as one image, top row first like the tiles.
        const std::uint8_t* image = band.pixels + first * kTileSide * 4;
        if (band.stride != static_cast<std::ptrdiff_t>(rowBytes)) {
            image_.resize(rowBytes * kTileSide);
            for (int k = 0; k < kTileSide; ++k)
                std::memcpy(image_.data() + rowBytes * k, image + band.stride * k, rowBytes);
            image = image_.data();
        }
        indexes_.resize(width * kTileSide);

        const auto start = std::chrono::steady_clock::now();
        context_.dither(static_cast<std::int32_t>(width), kTileSide, image, palette_.data(), 256,
                        indexes_.data());
        const auto spent = std::chrono::steady_clock::now() - start;

        for (std::size_t t = 0; t < n; ++t)
            for (int k = 0; k < kTileSide; ++k)
                std::memcpy(tiles + (first + t) * kTileBytes + k * kTileSide,
                            indexes_.data() + width * k + t * kTileSide, kTileSide);
        first += n;

        const auto perTile = spent / n;
        runTiles_ = perTile.count() <= 0
                        ? runTiles_ * 2
                        : static_cast<std::size_t>(std::chrono::nanoseconds(budget) / perTile);
        runTiles_ = std::clamp<std::size_t>(runTiles_, 1, 256);
        heartbeat.beat();
    }
}

} // namespace tw
