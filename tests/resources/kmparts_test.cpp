// Checks the three built-in KM template blocks byte by byte against the layout the
// exporter relies on: record chain, kinds, positions, payloads and the GBK texts.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readPart(const std::string& name)
{
    const std::string path = std::string(TW_SOURCE_DIR) + "/app/resources/KMPART/" + name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot open " << path;
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t u16(const Bytes& b, std::size_t at)
{
    return b.at(at) | (b.at(at + 1) << 8);
}

std::uint32_t u32(const Bytes& b, std::size_t at)
{
    return u16(b, at) | (u16(b, at + 2) << 16);
}

std::int32_t i32(const Bytes& b, std::size_t at)
{
    return static_cast<std::int32_t>(u32(b, at));
}

std::string tagAt(const Bytes& b, std::size_t at)
{
    if (at + 4 > b.size())
        return "<past end>";
    return std::string(b.begin() + at, b.begin() + at + 4);
}

Bytes slice(const Bytes& b, std::size_t at, std::size_t n)
{
    if (at + n > b.size())
        return {};
    return Bytes(b.begin() + at, b.begin() + at + n);
}

// The 38 words of the mission settings record, written out in full; P and M vary.
std::vector<std::uint32_t> missionWords(std::uint32_t players, std::uint32_t multiplayer)
{
    return {11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
            1,  2, 0, 0, 0, 0, 0,
            1,  0, 0, 0, 0, 0, 0, 0,
            5000, 5000, 5000, 3, 1, players, multiplayer, 2, 0, 0, 90};
}

struct ExpectedRecord {
    std::uint32_t kind;
    std::int32_t x;
    std::int32_t y;
    std::uint32_t length;
};

std::vector<ExpectedRecord> expectedRecords(const std::string& name)
{
    if (name == "CST0MCR0")
        return {{4, 0, 0, 76}, {9, 2, 2, 20}};
    std::vector<ExpectedRecord> r{{4, 2, 2, 76}, {9, 0, 0, 20}};
    for (int i = 0; i < 8; ++i)
        r.push_back({8, 0, 0, 22});
    for (int i = 0; i < 8; ++i)
        r.push_back({274, 0, 0, 20});
    return r;
}

struct TemplateCase {
    const char* name;
    std::size_t size;
    std::uint32_t players;
    std::uint32_t multiplayer;
};

const TemplateCase kTemplates[] = {
    {"CST0MCR0", 142, 5, 0},
    {"CSTOMLTI", 798, 8, 1},
};

} // namespace

TEST(KmPartTemplates, SizesAndHeader)
{
    for (const auto& t : kTemplates) {
        SCOPED_TRACE(t.name);
        const Bytes b = readPart(t.name);
        ASSERT_EQ(b.size(), t.size);
        EXPECT_EQ(tagAt(b, 0), "CST0");
        EXPECT_EQ(u16(b, 4), expectedRecords(t.name).size());
    }
}

TEST(KmPartTemplates, RecordsChainToTheEndWithTheListedKindsAndPositions)
{
    for (const auto& t : kTemplates) {
        SCOPED_TRACE(t.name);
        const Bytes b = readPart(t.name);
        const auto expected = expectedRecords(t.name);
        std::size_t at = 6;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE("record " + std::to_string(i) + " at byte " + std::to_string(at));
            ASSERT_LE(at + 20, b.size());
            EXPECT_EQ(tagAt(b, at), "MCR0");
            EXPECT_EQ(u32(b, at + 4), expected[i].kind);
            EXPECT_EQ(i32(b, at + 8), expected[i].x);
            EXPECT_EQ(i32(b, at + 12), expected[i].y);
            ASSERT_EQ(u32(b, at + 16), expected[i].length);
            at += 20 + expected[i].length;
        }
        EXPECT_EQ(at, b.size()) << "records must fill the block exactly";
    }
}

TEST(KmPartTemplates, MissionRecordPayloadCarriesPlayerCountAndMode)
{
    for (const auto& t : kTemplates) {
        SCOPED_TRACE(t.name);
        const Bytes b = readPart(t.name);
        ASSERT_EQ(b.size(), t.size);
        const auto words = missionWords(t.players, t.multiplayer);
        ASSERT_EQ(words.size(), 38u);
        const std::size_t payload = 6 + 20;
        for (std::size_t w = 0; w < words.size(); ++w)
            EXPECT_EQ(u16(b, payload + 2 * w), words[w]) << "word " << w;
        // The record after the mission record is the kind-9 record: u32 4 then zeros.
        const std::size_t second = payload + 76;
        EXPECT_EQ(tagAt(b, second), "MCR0");
        EXPECT_EQ(u32(b, second + 20), 4u);
        EXPECT_EQ(slice(b, second + 24, 16), Bytes(16, 0));
    }
}

TEST(KmPartTemplates, MultiplayerStartRecordsSitWhereExportPatchesThem)
{
    const Bytes b = readPart("CSTOMLTI");
    ASSERT_EQ(b.size(), 798u);
    for (std::size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE("player " + std::to_string(i + 1));
        const std::size_t at = 142 + 42 * i;
        EXPECT_EQ(tagAt(b, at), "MCR0");
        EXPECT_EQ(u32(b, at + 4), 8u);
        // The export writes the marker centre to x at 150 + 42i and y four bytes later.
        EXPECT_EQ(i32(b, 150 + 42 * i), 0);
        EXPECT_EQ(i32(b, 154 + 42 * i), 0);
        EXPECT_EQ(u32(b, at + 16), 22u);
        EXPECT_EQ(u32(b, at + 20), 4u);
        EXPECT_EQ(slice(b, at + 24, 16), Bytes(16, 0));
        EXPECT_EQ(u16(b, at + 40), i + 1);
    }
}

TEST(KmPartTemplates, MultiplayerBunkerRecordsSitWhereExportPatchesThem)
{
    const Bytes b = readPart("CSTOMLTI");
    ASSERT_EQ(b.size(), 798u);
    for (std::size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE("bunker " + std::to_string(i));
        const std::size_t at = 478 + 40 * i;
        EXPECT_EQ(tagAt(b, at), "MCR0");
        EXPECT_EQ(u32(b, at + 4), 274u);
        EXPECT_EQ(i32(b, 486 + 40 * i), 0);
        EXPECT_EQ(i32(b, 490 + 40 * i), 0);
        EXPECT_EQ(u32(b, at + 16), 20u);
        EXPECT_EQ(u32(b, at + 20), 252u);
        EXPECT_EQ(slice(b, at + 24, 16), Bytes(16, 0));
    }
}

TEST(KmPartTemplates, CustomMissionTemplateIsExactlyItsTwoRecords)
{
    // The whole custom-mission block, assembled by hand from the record table.
    Bytes expected = {'C', 'S', 'T', '0', 2, 0};
    auto put32 = [&](std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            expected.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    };
    const std::uint8_t tag[] = {'M', 'C', 'R', '0'};
    expected.insert(expected.end(), tag, tag + 4);
    put32(4); put32(0); put32(0); put32(76);
    for (std::uint32_t w : missionWords(5, 0)) {
        expected.push_back(static_cast<std::uint8_t>(w & 0xFF));
        expected.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    expected.insert(expected.end(), tag, tag + 4);
    put32(9); put32(2); put32(2); put32(20);
    put32(4);
    expected.insert(expected.end(), 16, 0);
    EXPECT_EQ(readPart("CST0MCR0"), expected);
}

namespace {

struct TextCase {
    const char* tag;
    std::array<std::uint8_t, 2> lead;
    std::size_t length; // text length byte
    Bytes text;         // GBK
};

// GBK code points: 作 D7F7, 者 D5DF, 佚 D8FD, 名 C3FB, 任 C8CE, 务 CEF1, 英 D3A2,
// 中 D6D0, 新 D0C2; the colon and parentheses are single ASCII bytes.
const TextCase kTexts[] = {
    {"AUTH", {0x0E, 0x01}, 9, {0xD7, 0xF7, 0xD5, 0xDF, ':', 0xD8, 0xFD, 0xC3, 0xFB}},
    {"MNEN", {0x02, 0x00}, 21,
     {0xC8, 0xCE, 0xCE, 0xF1, 0xC3, 0xFB, '(', 0xD3, 0xA2, ')', ':',
      'N', 'e', 'w', 'M', 'i', 's', 's', 'i', 'o', 'n'}},
    {"MNCN", {0x02, 0x01}, 17,
     {0xC8, 0xCE, 0xCE, 0xF1, 0xC3, 0xFB, '(', 0xD6, 0xD0, ')', ':',
      0xD0, 0xC2, 0xC8, 0xCE, 0xCE, 0xF1}},
};

} // namespace

TEST(KmPartText, BlockHoldsThreeEntriesWithGbkTexts)
{
    const Bytes b = readPart("TEXTAUTH");
    ASSERT_EQ(b.size(), 155u);
    EXPECT_EQ(tagAt(b, 0), "TEXT");
    EXPECT_EQ(u16(b, 4), 3u);

    const std::string font = "Microsoft Sans Serif";
    std::size_t at = 6;
    for (const auto& e : kTexts) {
        SCOPED_TRACE(e.tag);
        ASSERT_LE(at + 34, b.size());
        EXPECT_EQ(tagAt(b, at), e.tag);
        EXPECT_EQ(b[at + 4], e.lead[0]);
        EXPECT_EQ(b[at + 5], e.lead[1]);
        EXPECT_EQ(u16(b, at + 6), 1u);
        EXPECT_EQ(u16(b, at + 8), 100u);
        EXPECT_EQ(u16(b, at + 10), 21u);
        EXPECT_EQ(b[at + 12], 20u);
        EXPECT_EQ(std::string(b.begin() + at + 13, b.begin() + at + 33), font);
        ASSERT_EQ(e.text.size(), e.length);
        ASSERT_EQ(b[at + 33], e.length);
        EXPECT_EQ(slice(b, at + 34, e.length), e.text);
        at += 34 + e.length;
    }
    EXPECT_EQ(at, b.size()) << "the three entries must fill the block exactly";
}
