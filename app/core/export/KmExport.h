// The KM export: stretches the picture onto the map's tiles grid row by grid row,
// converts each tile to palette indexes and writes the whole file front to back.
#pragma once

#include "DitherLibrary.h"
#include "Error.h"
#include "KmWriter.h"
#include "Stretch.h"

#include <cstddef>
#include <string>

namespace tw {

enum class TileConversion { Grey, Nearest, Dithered };

// The window's choice: grey whenever the grey palette is selected, whatever the
// dithering option; otherwise dithered or nearest colour as that option says.
TileConversion chooseConversion(bool greyPalette, bool dither);

// How the export reports progress and learns that it is to stop. Both calls come on the
// thread that called exportKm; returning false abandons the export.
class ExportProgress {
  public:
    virtual ~ExportProgress() = default;
    // After each grid row: tiles converted so far (tile 0 not counted) and the file's
    // tile count w * h + 1, e.g. 31 and 745 after the first row of a 31 x 24 map.
    virtual bool rowDone(std::size_t tilesDone, std::size_t tileCount) = 0;
    // Between the parts of a slow grid row, so that no more than about 20 ms pass
    // without a call; a window processes its pending events here.
    virtual bool keepAlive() { return true; }
};

// The window title during an export: "31:745".
std::string progressTitle(std::size_t tilesDone, std::size_t tileCount);

// Thrown when the progress interface asked the export to stop. The target is untouched.
class ExportAbandoned : public Error {
  public:
    ExportAbandoned() : Error("The export was abandoned.") {}
};

struct ExportJob {
    KmMapInfo map; // mission, size, attribute, positions, palette
    TileConversion conversion = TileConversion::Nearest;
    DitherDevice ditherDevice = DitherDevice::Auto;
    std::string libraryFolder;   // the folder holding libDither.so
    bitmap::PixelView32 picture; // the decoded picture, read in place
    std::string target;          // the KM file to write
};

// Writes the KM file of `job` and returns once it is complete, synced and in place at
// job.target. On failure throws tw::Error with a description, on abandonment
// ExportAbandoned; either way the target is as it was before and no temporary file is
// left. A multiplayer export patches the positions into templates.multiplayer.
void exportKm(const ExportJob& job, KmTemplates templates, ExportProgress& progress);

} // namespace tw
