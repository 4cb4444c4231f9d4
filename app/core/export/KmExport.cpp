#include "KmExport.h"

#include "AtomicFile.h"
#include "RowConverters.h"
#include "WorkerTeam.h"

#include <memory>
#include <new>
#include <vector>

namespace tw {

TileConversion chooseConversion(bool greyPalette, bool dither) {
    if (greyPalette) return TileConversion::Grey;
    return dither ? TileConversion::Dithered : TileConversion::Nearest;
}

std::string progressTitle(std::size_t tilesDone, std::size_t tileCount) {
    return std::to_string(tilesDone) + ":" + std::to_string(tileCount);
}

namespace {

std::unique_ptr<RowConverter> makeConverter(const ExportJob& job, WorkerTeam& team) {
    switch (job.conversion) {
    case TileConversion::Grey:
        return std::make_unique<GreyRows>(team);
    case TileConversion::Nearest:
        return std::make_unique<NearestRows>(team, job.map.palette);
    case TileConversion::Dithered:
        return std::make_unique<DitheredRows>(job.libraryFolder, job.ditherDevice, job.map.palette);
    }
    throw Error("Unknown tile conversion.");
}

void writeFile(const ExportJob& job, KmTemplates templates, ExportProgress& progress) {
    const bitmap::PixelView32& picture = job.picture;
    if (picture.top == nullptr || picture.width < 1 || picture.height < 1)
        throw Error("There is no picture to export.");

    AtomicFile file(job.target);
    KmWriter writer(file, templates);
    writer.begin(job.map);

    const auto w = static_cast<std::size_t>(job.map.width);
    const auto h = static_cast<std::size_t>(job.map.height);
    const bitmap::Stretcher stretcher(picture, static_cast<int>(w) * kTileSide,
                                      static_cast<int>(h) * kTileSide);
    WorkerTeam team;
    Heartbeat heartbeat(progress);
    heartbeat.beat();
    // Making a dither context (on the graphics card: compiling its shaders) is one call
    // that cannot be split; it gets a gap of its own.
    const std::unique_ptr<RowConverter> converter = makeConverter(job, team);
    heartbeat.beat();

    // One grid row of the stretched picture at a time: 32 rows, top-down. A picture of
    // exactly the map's pixel size needs no stretch: its rows are used where they are.
    const bool unscaled = picture.width == static_cast<int>(w) * kTileSide &&
                          picture.height == static_cast<int>(h) * kTileSide;
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(w * kTileSide * 4);
    std::vector<std::uint8_t> band(unscaled ? 0 : static_cast<std::size_t>(stride) * kTileSide);
    std::vector<std::uint8_t> tiles(w * kTileBytes);
    for (std::size_t r = 0; r < h; ++r) {
        const int y0 = static_cast<int>(r) * kTileSide;
        Band rowBand{band.data(), stride, w};
        if (unscaled) {
            rowBand = {picture.top + picture.rowStride * y0, picture.rowStride, w};
        } else {
            team.run([&](unsigned part) {
                const Range rows = splitRange(kTileSide, team.size(), part);
                stretcher.rows(y0 + static_cast<int>(rows.begin), y0 + static_cast<int>(rows.end),
                               band.data() + stride * static_cast<std::ptrdiff_t>(rows.begin),
                               stride);
            });
            heartbeat.beat();
        }
        converter->convert(rowBand, tiles.data(), heartbeat);
        writer.addTiles(tiles.data(), w);
        heartbeat.rowDone((r + 1) * w, w * h + 1);
    }
    writer.finish();
    file.commit();
}

} // namespace

void exportKm(const ExportJob& job, KmTemplates templates, ExportProgress& progress) {
    try {
        writeFile(job, templates, progress);
    } catch (const Error&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw Error("Not enough memory to export the map.");
    } catch (const std::exception& e) {
        throw Error(e.what());
    }
}

} // namespace tw
