#include "KmWriter.h"

#include "Error.h"
#include "Numbers.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tw {
namespace {

// Byte offsets of the x fields inside the multiplayer template; y follows 4 bytes later.
constexpr std::size_t kStartX = 150, kStartStep = 42;
constexpr std::size_t kBunkerX = 486, kBunkerStep = 40;
constexpr std::size_t kPatchedEnd = kBunkerX + 7 * kBunkerStep + 8;

constexpr std::uint8_t kBorderCell[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0x03};

void storeI32(Bytes& b, std::size_t at, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The 40-byte bitmap header of every tile: 32 x 32, top-down, 8 bits, 256 colours.
constexpr std::uint8_t kTileBitmapHeader[40] = {
    40, 0, 0, 0, 32, 0, 0, 0, 0xE0, 0xFF, 0xFF, 0xFF, 1, 0, 8, 0, 0, 0, 0, 0,
    0,  0, 0, 0, 0,  0, 0, 0, 0,    0,    0,    0,    0, 1, 0, 0, 0, 0, 0, 0};

} // namespace

void patchPositions(Bytes& multiplayerTemplate, const std::array<GridPoint, 16>& positions) {
    if (multiplayerTemplate.size() < kPatchedEnd)
        throw Error("The multiplayer template is too short (" +
                    std::to_string(multiplayerTemplate.size()) + " bytes) for the positions.");
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t start = kStartX + kStartStep * i;
        storeI32(multiplayerTemplate, start, positions[i].x);
        storeI32(multiplayerTemplate, start + 4, positions[i].y);
        const std::size_t bunker = kBunkerX + kBunkerStep * i;
        storeI32(multiplayerTemplate, bunker, positions[8 + i].x);
        storeI32(multiplayerTemplate, bunker + 4, positions[8 + i].y);
    }
}

std::uint64_t kmFileSize(MissionKind mission, int width, int height) {
    const std::uint64_t w = static_cast<std::uint64_t>(width);
    const std::uint64_t h = static_cast<std::uint64_t>(height);
    const std::uint64_t templateBytes = mission == MissionKind::Multiplayer ? 798 : 142;
    return 1246 + templateBytes + 5 * (w + 4) * (h + 4) + kTileBytes * (w * h + 1);
}

KmWriter::KmWriter(ByteSink& out, KmTemplates templates) : out_(out), templates_(templates) {}

void KmWriter::put(const void* data, std::size_t size) {
    out_.write(static_cast<const std::uint8_t*>(data), size);
}

void KmWriter::putTag(const char (&tag)[5]) {
    put(tag, 4);
}

void KmWriter::putU16(std::uint16_t v) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
    put(b, 2);
}

void KmWriter::putU32(std::uint32_t v) {
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                               static_cast<std::uint8_t>(v >> 16),
                               static_cast<std::uint8_t>(v >> 24)};
    put(b, 4);
}

void KmWriter::begin(const KmMapInfo& map) {
    if (stage_ != Stage::Fresh) throw Error("The KM file has already been started.");
    // Each side with its border must fit the size byte: at most 251 grids.
    std::uint8_t widthCells = 0, heightCells = 0;
    try {
        widthCells = toByte(std::int64_t{map.width} + 4);
        heightCells = toByte(std::int64_t{map.height} + 4);
    } catch (const Error& overflow) {
        throw Error("The map is " + std::to_string(map.width) + " x " + std::to_string(map.height) +
                    " grids, but a KM file holds at most " + std::to_string(kMaxExportGrids) +
                    " x " + std::to_string(kMaxExportGrids) + " grids (" + overflow.what() + ")");
    }
    if (map.width < 1 || map.height < 1)
        throw Error("A map must be at least 1 x 1 grids, not " + std::to_string(map.width) + " x " +
                    std::to_string(map.height) + ".");

    putTag("KLF5");
    const std::uint8_t zero = 0;
    put(&zero, 1);
    putU32(static_cast<std::uint32_t>(map.mission));

    putTag("MAP0");
    put(&widthCells, 1);
    put(&heightCells, 1);
    writeCells(map, widthCells);

    if (map.mission == MissionKind::Multiplayer) {
        patchPositions(templates_.multiplayer, map.positions);
        put(templates_.multiplayer.data(), templates_.multiplayer.size());
    } else {
        put(templates_.custom.data(), templates_.custom.size());
    }

    putTag("BMIF");
    put(kTileBitmapHeader, sizeof kTileBitmapHeader);
    put(map.palette.data(), map.palette.size());

    tileCount_ = static_cast<std::size_t>(map.width) * static_cast<std::size_t>(map.height);
    putTag("BITS");
    putU32(static_cast<std::uint32_t>(tileCount_ + 1));
    const std::vector<std::uint8_t> tileZero(kTileBytes, 0);
    put(tileZero.data(), tileZero.size());
    stage_ = Stage::Tiles;
}

void KmWriter::writeCells(const KmMapInfo& map, std::uint8_t widthCells) {
    // One row of records is built and rewritten in place: borders stay, inner cells change.
    std::vector<std::uint8_t> row(std::size_t{widthCells} * 5);
    const auto fillBorder = [&row] {
        for (std::size_t at = 0; at < row.size(); at += 5)
            std::copy(std::begin(kBorderCell), std::end(kBorderCell), row.begin() + at);
    };
    fillBorder();
    for (int r = 0; r < 2; ++r)
        put(row.data(), row.size());

    const auto attribute = static_cast<std::uint8_t>(map.attribute & 0xFF);
    std::uint32_t counter = 1;
    for (int r = 0; r < map.height; ++r) {
        for (int c = 0; c < map.width; ++c, ++counter) {
            std::uint8_t* cell = row.data() + 5 * (static_cast<std::size_t>(c) + 2);
            cell[0] = static_cast<std::uint8_t>(counter);
            cell[1] = static_cast<std::uint8_t>(counter >> 8);
            cell[2] = 0xFF;
            cell[3] = 0xFF;
            cell[4] = attribute;
        }
        put(row.data(), row.size());
    }

    fillBorder();
    for (int r = 0; r < 2; ++r)
        put(row.data(), row.size());
}

void KmWriter::addTiles(const std::uint8_t* tiles, std::size_t count) {
    if (stage_ != Stage::Tiles) throw Error("Tiles can only follow the start of the KM file.");
    if (count > tileCount_ - tilesWritten_)
        throw Error("More tiles than the map holds (" + std::to_string(tileCount_) + ").");
    put(tiles, count * kTileBytes);
    tilesWritten_ += count;
}

void KmWriter::finish() {
    if (stage_ != Stage::Tiles || tilesWritten_ != tileCount_)
        throw Error("The KM file lacks tiles: " + std::to_string(tilesWritten_) + " of " +
                    std::to_string(tileCount_) + " were written.");
    put(templates_.text.data(), templates_.text.size());
    stage_ = Stage::Done;
}

} // namespace tw
