// The KM writer's bytes, checked at the offsets of the file layout.
#include "Error.h"
#include "KmWriter.h"
#include "Markers.h"
#include "Palette.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using tw::Bytes;
using tw::KmMapInfo;
using tw::KmWriter;
using tw::MissionKind;

Bytes readResource(const std::string& name) {
    std::ifstream in(std::string(TW_SOURCE_DIR) + "/app/resources/KMPART/" + name,
                     std::ios::binary);
    Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.empty()) ADD_FAILURE() << "missing template " << name;
    return bytes;
}

struct Templates {
    Bytes custom = readResource("CST0MCR0");
    Bytes multiplayer = readResource("CSTOMLTI");
    Bytes text = readResource("TEXTAUTH");
    tw::KmTemplates refs() { return {custom, multiplayer, text}; }
};

class MemorySink : public tw::ByteSink {
  public:
    void write(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
    }
    Bytes bytes;
};

// Keeps the first `keep` bytes and counts the rest: big maps without big buffers.
class HeadSink : public tw::ByteSink {
  public:
    explicit HeadSink(std::size_t keep) : keep_(keep) {}
    void write(const std::uint8_t* data, std::size_t size) override {
        for (std::size_t i = 0; i < size && head.size() < keep_; ++i)
            head.push_back(data[i]);
        total += size;
    }
    Bytes head;
    std::uint64_t total = 0;

  private:
    std::size_t keep_;
};

std::uint32_t u16(const Bytes& b, std::size_t at) {
    return b.at(at) | (b.at(at + 1) << 8);
}
std::uint32_t u32(const Bytes& b, std::size_t at) {
    return u16(b, at) | (u16(b, at + 2) << 16);
}
std::int32_t i32(const Bytes& b, std::size_t at) {
    return static_cast<std::int32_t>(u32(b, at));
}
std::string text(const Bytes& b, std::size_t at, std::size_t n) {
    return std::string(b.begin() + static_cast<std::ptrdiff_t>(at),
                       b.begin() + static_cast<std::ptrdiff_t>(at + n));
}
Bytes slice(const Bytes& b, std::size_t at, std::size_t n) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(at),
                 b.begin() + static_cast<std::ptrdiff_t>(at + n));
}

tw::Palette testPalette() {
    tw::Palette p{};
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return p;
}

KmMapInfo mapOf(MissionKind mission, int w, int h, int attribute = 0) {
    KmMapInfo map;
    map.mission = mission;
    map.width = w;
    map.height = h;
    map.attribute = attribute;
    map.palette = testPalette();
    return map;
}

// A whole file in memory; tile t (1-based) is filled with the byte t * 13.
Bytes writeFile(const KmMapInfo& map, tw::KmTemplates templates) {
    MemorySink sink;
    KmWriter writer(sink, templates);
    writer.begin(map);
    std::vector<std::uint8_t> tile(tw::kTileBytes);
    for (std::size_t t = 1; t <= writer.tileCount(); ++t) {
        std::fill(tile.begin(), tile.end(), static_cast<std::uint8_t>(t * 13));
        writer.addTiles(tile.data(), 1);
    }
    writer.finish();
    return sink.bytes;
}

bool isBorderCell(const Bytes& b, std::size_t at) {
    return slice(b, at, 5) == Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x03};
}

TEST(KmWriterTest, CustomMission31x24IsLaidOutByteForByte) {
    Templates t;
    const Bytes file = writeFile(mapOf(MissionKind::Custom, 31, 24, 300), t.refs());

    ASSERT_EQ(file.size(), 769168u);
    EXPECT_EQ(slice(file, 0, 15), (Bytes{0x4B, 0x4C, 0x46, 0x35, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4D,
                                         0x41, 0x50, 0x30, 0x23, 0x1C}));

    // Every cell record: border on the two outer rings, inner cells numbered from 1.
    const int wc = 35, hc = 28;
    for (int row = 0; row < hc; ++row) {
        for (int col = 0; col < wc; ++col) {
            const std::size_t at = 15 + 5 * static_cast<std::size_t>(row * wc + col);
            const bool border = row < 2 || row >= hc - 2 || col < 2 || col >= wc - 2;
            if (border) {
                ASSERT_TRUE(isBorderCell(file, at)) << "row " << row << " col " << col;
            } else {
                const std::uint32_t tile = static_cast<std::uint32_t>((row - 2) * 31 + col - 2 + 1);
                ASSERT_EQ(u16(file, at), tile) << "row " << row << " col " << col;
                ASSERT_EQ(u16(file, at + 2), 0xFFFFu);
                ASSERT_EQ(file[at + 4], 300 & 0xFF); // low 8 bits of the attribute
            }
        }
    }
    EXPECT_EQ(slice(file, 15 + 5 * 72, 5), (Bytes{0x01, 0x00, 0xFF, 0xFF, 300 & 0xFF}));

    EXPECT_EQ(slice(file, 4915, 142), t.custom);
    EXPECT_EQ(text(file, 4915, 4), "CST0");
    EXPECT_EQ(text(file, 5057, 4), "BMIF");
    EXPECT_EQ(slice(file, 5061, 40),
              (Bytes{40, 0, 0, 0, 32, 0, 0, 0, 0xE0, 0xFF, 0xFF, 0xFF, 1, 0, 8, 0, 0, 0, 0, 0,
                     0,  0, 0, 0, 0,  0, 0, 0, 0,    0,    0,    0,    0, 1, 0, 0, 0, 0, 0, 0}));
    const tw::Palette palette = testPalette();
    EXPECT_EQ(slice(file, 5101, 1024), Bytes(palette.begin(), palette.end()));
    EXPECT_EQ(text(file, 6125, 4), "BITS");
    EXPECT_EQ(slice(file, 6129, 4), (Bytes{0xE9, 0x02, 0x00, 0x00}));
    EXPECT_EQ(slice(file, 6133, 1024), Bytes(1024, 0));
    for (std::size_t tile = 1; tile <= 744; ++tile)
        ASSERT_EQ(slice(file, 6133 + 1024 * tile, 1024),
                  Bytes(1024, static_cast<std::uint8_t>(tile * 13)))
            << "tile " << tile;
    EXPECT_EQ(text(file, 769013, 4), "TEXT");
    EXPECT_EQ(slice(file, 769013, 155), t.text);
}

TEST(KmWriterTest, MultiplayerMapCarriesKindTemplateAndPositions) {
    Templates t;
    KmMapInfo map = mapOf(MissionKind::Multiplayer, 31, 24);
    tw::MarkerSet markers;
    markers.reset(31, 24);
    markers.start[0] = {24, 100};   // centre (30, 106)
    markers.bunker[7] = {-6, 17.5}; // centre (0, 23.5) rounds to (0, 24)
    map.positions = markers.filePositions();
    const Bytes file = writeFile(map, t.refs());

    ASSERT_EQ(file.size(), 769168u + 656u);
    EXPECT_EQ(slice(file, 0, 9), (Bytes{'K', 'L', 'F', '5', 0, 1, 0, 0, 0}));
    const std::size_t cst0 = 4915;
    EXPECT_EQ(text(file, cst0, 4), "CST0");
    EXPECT_EQ(u16(file, cst0 + 4), 18u);
    EXPECT_EQ(i32(file, cst0 + 150), 30);
    EXPECT_EQ(i32(file, cst0 + 154), 106);
    EXPECT_EQ(i32(file, cst0 + 486 + 40 * 7), 0);
    EXPECT_EQ(i32(file, cst0 + 490 + 40 * 7), 24);
    for (std::size_t i = 0; i < 16; ++i) {
        const std::size_t x = i < 8 ? 150 + 42 * i : 486 + 40 * (i - 8);
        EXPECT_EQ(i32(file, cst0 + x), map.positions[i].x) << "marker " << i;
        EXPECT_EQ(i32(file, cst0 + x + 4), map.positions[i].y) << "marker " << i;
    }
    // The document keeps exactly the patched copy that went into the file.
    EXPECT_EQ(slice(file, cst0, 798), t.multiplayer);
    EXPECT_EQ(text(file, cst0 + 798, 4), "BMIF");
    EXPECT_EQ(text(file, file.size() - 155, 4), "TEXT");
}

TEST(KmWriterTest, TemplatesAcrossExports) {
    Templates t;
    const Bytes original = t.multiplayer;
    const Bytes customOriginal = t.custom;
    KmMapInfo map = mapOf(MissionKind::Multiplayer, 40, 30);
    tw::MarkerSet markers;
    markers.reset(40, 30);
    map.positions = markers.filePositions();
    const Bytes first = writeFile(map, t.refs());

    // The markers move; the second file holds the new positions, all 16 of them.
    for (std::size_t i = 0; i < 8; ++i) {
        markers.start[i] = {static_cast<double>(i), static_cast<double>(20 - i)};
        markers.bunker[i] = {static_cast<double>(30 - i), static_cast<double>(i) + 0.5};
    }
    map.positions = markers.filePositions();
    const Bytes second = writeFile(map, t.refs());
    const std::size_t cst0 = 15 + 5 * 44 * 34;
    for (std::size_t i = 0; i < 16; ++i) {
        const std::size_t x = cst0 + (i < 8 ? 150 + 42 * i : 486 + 40 * (i - 8));
        EXPECT_EQ(i32(second, x), map.positions[i].x);
        EXPECT_EQ(i32(second, x + 4), map.positions[i].y);
        EXPECT_NE(slice(first, x, 8), slice(second, x, 8)) << "marker " << i << " kept old place";
    }
    // Only the 16 position fields differ from the built-in template.
    Bytes unpatched = slice(second, cst0, 798);
    for (std::size_t i = 0; i < 16; ++i) {
        const std::size_t x = i < 8 ? 150 + 42 * i : 486 + 40 * (i - 8);
        std::copy(original.begin() + static_cast<std::ptrdiff_t>(x),
                  original.begin() + static_cast<std::ptrdiff_t>(x + 8),
                  unpatched.begin() + static_cast<std::ptrdiff_t>(x));
    }
    EXPECT_EQ(unpatched, original);

    // A custom mission afterwards writes the unchanged custom template.
    const Bytes custom = writeFile(mapOf(MissionKind::Custom, 40, 30), t.refs());
    EXPECT_EQ(slice(custom, 5, 4), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(slice(custom, cst0, 142), customOriginal);
    EXPECT_EQ(text(custom, cst0 + 142, 4), "BMIF");
}

TEST(KmWriterTest, FileSizeFollowsTheFormula) {
    struct Case {
        int w, h;
    };
    const Case cases[] = {{1, 1}, {31, 24}, {48, 48}, {64, 17}, {251, 1}, {1, 251}, {120, 90}};
    Templates t;
    for (const auto& c : cases) {
        for (const MissionKind kind : {MissionKind::Custom, MissionKind::Multiplayer}) {
            HeadSink sink(0);
            KmWriter writer(sink, t.refs());
            writer.begin(mapOf(kind, c.w, c.h));
            const std::vector<std::uint8_t> tiles(tw::kTileBytes * static_cast<std::size_t>(c.w));
            for (int r = 0; r < c.h; ++r)
                writer.addTiles(tiles.data(), static_cast<std::size_t>(c.w));
            writer.finish();
            const std::uint64_t w = static_cast<std::uint64_t>(c.w),
                                h = static_cast<std::uint64_t>(c.h);
            const std::uint64_t expected = 1246 + (kind == MissionKind::Custom ? 142 : 798) +
                                           5 * (w + 4) * (h + 4) + 1024 * (w * h + 1);
            EXPECT_EQ(sink.total, expected) << c.w << " x " << c.h;
            EXPECT_EQ(tw::kmFileSize(kind, c.w, c.h), expected) << c.w << " x " << c.h;
        }
    }
}

// The cell record of inner grid (c, r) in a file's head.
std::size_t cellAt(int w, int c, int r) {
    return 15 + 5 * static_cast<std::size_t>((r + 2) * (w + 4) + c + 2);
}

TEST(KmWriterTest, TileIndexesAboveInt16AreUnsigned) {
    Templates t;
    struct Case {
        int w, h, c, r;
        Bytes expected;
    };
    const Case cases[] = {
        {200, 200, 199, 199, {0x40, 0x9C}}, // 40000
        {200, 200, 167, 163, {0x00, 0x80}}, // 163 * 200 + 167 + 1 = 32768
        {251, 251, 250, 250, {0x19, 0xF6}}, // 63001
    };
    for (const auto& c : cases) {
        HeadSink sink(cellAt(c.w, c.w + 2, c.h + 2));
        KmWriter writer(sink, t.refs());
        writer.begin(mapOf(MissionKind::Custom, c.w, c.h));
        EXPECT_EQ(slice(sink.head, cellAt(c.w, c.c, c.r), 2), c.expected);
        EXPECT_EQ(slice(sink.head, cellAt(c.w, c.c, c.r) + 2, 2), (Bytes{0xFF, 0xFF}));
    }
}

TEST(KmWriterTest, SideLimitIs251Grids) {
    Templates t;
    {
        HeadSink sink(15);
        KmWriter writer(sink, t.refs());
        writer.begin(mapOf(MissionKind::Custom, 251, 251));
        EXPECT_EQ(sink.head[13], 255);
        EXPECT_EQ(sink.head[14], 255);
    }
    const std::pair<int, int> refused[] = {{252, 24}, {31, 252}, {300, 300}};
    for (const auto& [w, h] : refused) {
        HeadSink sink(15);
        KmWriter writer(sink, t.refs());
        try {
            writer.begin(mapOf(MissionKind::Custom, w, h));
            ADD_FAILURE() << w << " x " << h << " was accepted";
        } catch (const tw::Error& e) {
            EXPECT_NE(std::string(e.what()).find("Overflow"), std::string::npos) << e.what();
        }
        EXPECT_EQ(sink.total, 0u) << "bytes written before the size was refused";
    }
}

TEST(KmWriterTest, TileCountIsEnforced) {
    Templates t;
    HeadSink sink(0);
    KmWriter writer(sink, t.refs());
    writer.begin(mapOf(MissionKind::Custom, 2, 2));
    const std::vector<std::uint8_t> tiles(5 * tw::kTileBytes);
    writer.addTiles(tiles.data(), 3);
    EXPECT_THROW(writer.finish(), tw::Error);
    EXPECT_THROW(writer.addTiles(tiles.data(), 2), tw::Error);
    writer.addTiles(tiles.data(), 1);
    writer.finish();
    EXPECT_EQ(sink.total, tw::kmFileSize(MissionKind::Custom, 2, 2));
}

} // namespace
