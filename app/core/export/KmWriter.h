// The KM map file, written strictly front to back: header, MAP0 with its cell records,
// the CST0 mission template, BMIF with the palette, BITS with the tiles, TEXT.
#pragma once

#include "ByteSink.h"
#include "MapDocument.h"
#include "Markers.h"
#include "Palette.h"

#include <array>
#include <cstdint>

namespace tw {

enum class MissionKind : std::uint32_t { Custom = 0, Multiplayer = 1 };

inline constexpr int kTileSide = 32;
inline constexpr std::size_t kTileBytes = 1024;

// The three built-in template blocks. A multiplayer file patches the 16 positions into
// `multiplayer` in place: the document keeps the patched copy.
struct KmTemplates {
    const Bytes& custom; // KmPartCST0MCR0
    Bytes& multiplayer;  // KmPartCSTOMLTI
    const Bytes& text;   // KmPartTEXTAUTH
};

// Everything the file stores besides the tiles.
struct KmMapInfo {
    MissionKind mission = MissionKind::Custom;
    int width = 0;     // grids
    int height = 0;    // grids
    int attribute = 0; // default terrain attribute, its low 8 bits are written
    // Start markers 0..7, then bunker markers 0..7: rounded centres, used for multiplayer.
    std::array<GridPoint, 16> positions{};
    Palette palette{};
};

// Writes the 16 positions into the multiplayer template's start and bunker records.
void patchPositions(Bytes& multiplayerTemplate, const std::array<GridPoint, 16>& positions);

// The size of a complete file, in bytes.
std::uint64_t kmFileSize(MissionKind mission, int width, int height);

class KmWriter {
  public:
    KmWriter(ByteSink& out, KmTemplates templates);

    // Writes every block up to and including tile 0. Fails with the byte conversion's
    // overflow error when a side does not fit its size byte (more than 251 grids).
    void begin(const KmMapInfo& map);
    // Appends `count` tiles of 1024 indexes each, in file order.
    void addTiles(const std::uint8_t* tiles, std::size_t count);
    // Writes the TEXT block; every tile of the map must have been added.
    void finish();

    std::size_t tilesWritten() const { return tilesWritten_; }
    std::size_t tileCount() const { return tileCount_; } // w * h, tile 0 not counted

  private:
    void put(const void* data, std::size_t size);
    void putTag(const char (&tag)[5]);
    void putU16(std::uint16_t v);
    void putU32(std::uint32_t v);
    void writeCells(const KmMapInfo& map, std::uint8_t widthCells);

    ByteSink& out_;
    KmTemplates templates_;
    enum class Stage { Fresh, Tiles, Done } stage_ = Stage::Fresh;
    std::size_t tileCount_ = 0;
    std::size_t tilesWritten_ = 0;
};

} // namespace tw
