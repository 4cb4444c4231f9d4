// The palette computed from the picture itself with the Octree library.
#pragma once

#include "Palette.h"
#include "SharedLibrary.h"
#include "Stretch.h"

#include <memory>
#include <string>

namespace tw {

// Octree's entry point, bound from libOctree.so in a folder on first use.
class OctreeLibrary {
  public:
    explicit OctreeLibrary(std::string folder) : folder_(std::move(folder)) {}
    // Writes at most maxColors entries for 24-bit rows; false when the library reports failure.
    bool paletteRGB888(const void* pixels, unsigned width, unsigned height, int pitch,
                       unsigned maxColors, unsigned colorBits, void* palette);

  private:
    using Fn = int (*)(const void*, unsigned, unsigned, int, unsigned, unsigned, void*);
    std::string folder_;
    std::unique_ptr<SharedLibrary> library_;
    Fn create_ = nullptr;
};

// Entries 0 and 1 are the two reserved colours; entries 2 to 255 the Octree colours of
// the picture read as bottom-up 24-bit rows (at most 254, zero behind them). A failed
// read or a failing library is an error, never a black palette.
Palette calculateBestPalette(const bitmap::PixelView32& picture, const PaletteEntry& reserved0,
                             const PaletteEntry& reserved1, OctreeLibrary& octree);

} // namespace tw
