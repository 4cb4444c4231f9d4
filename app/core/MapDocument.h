// The state every handler of the main window shares for the life of the program.
// The map size itself is not here: it is the preview's client size, one pixel per grid.
#pragma once

#include "Bytes.h"
#include "Palette.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

struct MapDocument {
    Bytes KmPartCST0MCR0;
    Bytes KmPartCSTOMLTI;
    Bytes KmPartTEXTAUTH;
    Palette CurrentPalette{};
    PaletteEntry ReservedColor0{}; // red 0x58 after start-up
    PaletteEntry ReservedColor1{}; // black
    std::int32_t BorderWidth = 0;
    std::int32_t BorderHeight = 0;
    std::int32_t MinWidth = 0;
    std::int32_t MinHeight = 0;
    std::int32_t MaxWidth = 0;
    std::int32_t MaxHeight = 0;
    std::string PictureFile;
    bool PictureLoaded = false;
    Palette HighlandPalette{};
    Palette UrbanPalette{};
    Palette DesertPalette{};
    Palette AdaptivePalette{};
    Palette GreyPalette{};
    bool Exporting = false;

    // Limits of the preview's outer size, from the measured frame of the preview.
    void setLimitsFromFrame(std::int32_t borderWidth, std::int32_t borderHeight);
};

// Map size limits in grids.
inline constexpr int kMinGridsWide = 31;
inline constexpr int kMinGridsHigh = 24;
inline constexpr int kLegalGrids = 48;
inline constexpr int kMaxGrids = 254;
inline constexpr int kMaxExportGrids = 251; // a KM file's size byte holds w + 4 <= 255

// (pixels div 32) + 1 grids for a picture side, also for exact multiples of 32.
inline int initialGrids(int pixels) {
    return pixels / 32 + 1;
}

} // namespace tw
