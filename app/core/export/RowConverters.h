// Conversion of one grid row of the stretched picture (a band of 32 pixel rows) into
// that row's tiles of palette indexes, for each conversion mode.
#pragma once

#include "DitherLibrary.h"
#include "KmExport.h"
#include "TileConversion.h"
#include "WorkerTeam.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tw {

// 32 rows of tiles * 32 pixels, top row first, `stride` bytes from a row to the next.
struct Band {
    const std::uint8_t* pixels = nullptr;
    std::ptrdiff_t stride = 0;
    std::size_t tiles = 0;
    const std::uint32_t* row(int k) const {
        return reinterpret_cast<const std::uint32_t*>(pixels + stride * k);
    }
};

// Passes progress on and calls keepAlive when a row runs long.
class Heartbeat {
  public:
    explicit Heartbeat(ExportProgress& progress);
    void rowDone(std::size_t tilesDone, std::size_t tileCount);
    // Calls keepAlive once `interval` has passed since the last call of either kind.
    void beat();

    static constexpr std::chrono::milliseconds interval{20};

  private:
    ExportProgress& progress_;
    std::chrono::steady_clock::time_point last_;
};

class RowConverter {
  public:
    virtual ~RowConverter() = default;
    // Writes band.tiles tiles of 1024 indexes, left to right, to `tiles`.
    virtual void convert(const Band& band, std::uint8_t* tiles, Heartbeat& heartbeat) = 0;
};

// Grey level per pixel, the band's tiles split between the team's threads.
class GreyRows : public RowConverter {
  public:
    explicit GreyRows(WorkerTeam& team) : team_(team) {}
    void convert(const Band& band, std::uint8_t* tiles, Heartbeat& heartbeat) override;

  private:
    WorkerTeam& team_;
};

// Nearest palette colour per pixel, the band's tiles split between the team's threads.
class NearestRows : public RowConverter {
  public:
    NearestRows(WorkerTeam& team, const Palette& palette) : team_(team), search_(palette) {}
    void convert(const Band& band, std::uint8_t* tiles, Heartbeat& heartbeat) override;

  private:
    WorkerTeam& team_;
    NearestColorSearch search_;
};

// Ordered dithering by the Dither library, on the calling thread only. The matrix is
// 16 x 16 and a tile 32 x 32, so a run of whole tiles dithered in one call gives each
// tile exactly the indexes of a call of its own. A row goes in runs of as many tiles as
// fit in about `budget`, measured as it goes, so that keepAlive comes often enough.
class DitheredRows : public RowConverter {
  public:
    DitheredRows(const std::string& libraryFolder, DitherDevice device, const Palette& palette);
    void convert(const Band& band, std::uint8_t* tiles, Heartbeat& heartbeat) override;

    static constexpr std::chrono::milliseconds budget{15};

  private:
    DitherContext context_;
    const Palette& palette_;
    std::size_t runTiles_ = 2;
    std::vector<std::uint8_t> image_;
    std::vector<std::uint8_t> indexes_;
};

} // namespace tw
