#include "Markers.h"

#include <gtest/gtest.h>

using tw::GridPoint;
using tw::MarkerSet;

namespace {
std::vector<std::pair<int, int>> centres(const MarkerSet& m, int from) {
    std::vector<std::pair<int, int>> out;
    const auto p = m.filePositions();
    for (int i = from; i < from + 8; ++i)
        out.emplace_back(p[i].x, p[i].y);
    return out;
}
} // namespace

TEST(Markers, DefaultPlacesOnA64By64Map) {
    MarkerSet m;
    m.reset(64, 64);
    EXPECT_EQ(centres(m, 0),
              (std::vector<std::pair<int, int>>{
                  {8, 8}, {32, 8}, {56, 8}, {8, 32}, {56, 32}, {8, 56}, {32, 56}, {56, 56}}));
    EXPECT_EQ(centres(m, 8),
              (std::vector<std::pair<int, int>>{
                  {16, 16}, {32, 16}, {48, 16}, {16, 32}, {48, 32}, {16, 48}, {32, 48}, {48, 48}}));
}

TEST(Markers, KeepTheirFractionsThroughSizeChanges) {
    MarkerSet m;
    m.reset(64, 64);
    m.stretch(128, 64);
    EXPECT_EQ(centres(m, 0)[1], std::make_pair(64, 8));
    EXPECT_EQ(centres(m, 8)[7], std::make_pair(96, 48));
    // Many size changes later the relative places are unchanged.
    for (int w = 31; w < 254; w += 17)
        m.stretch(w, 100);
    m.stretch(64, 64);
    EXPECT_EQ(centres(m, 0)[1], std::make_pair(32, 8));
}

TEST(Markers, FilePositionsRoundHalfToEven) {
    MarkerSet m;
    m.start[0] = {24, 100};
    m.start[1] = {0.5 - 6, 1.5 - 6}; // centres 0.5 and 1.5
    m.bunker[0] = {2.5 - 6, -6};
    const auto p = m.filePositions();
    EXPECT_EQ(p[0].x, 30);
    EXPECT_EQ(p[0].y, 106);
    EXPECT_EQ(p[1].x, 0);
    EXPECT_EQ(p[1].y, 2);
    EXPECT_EQ(p[8].x, 2);
    EXPECT_EQ(p[8].y, 0);
}

TEST(Markers, DragClampsTheCentreToTheMapEdges) {
    MarkerSet m;
    m.reset(64, 64);
    // Dragging far to the upper left: the centre stops at 0, 0.
    m.drag(tw::MarkerKind::Start, 4, -15000, -15000, 0, 0, 64, 64);
    EXPECT_EQ(m.filePositions()[4].x, 0);
    EXPECT_EQ(m.filePositions()[4].y, 0);
    EXPECT_DOUBLE_EQ(m.startRel[4].x, 0.0);
    // Layout clamping keeps fractional places inside too.
    m.bunker[2] = {100, -20};
    m.keepInside(64, 64);
    EXPECT_EQ(m.bunker[2].left, 58);
    EXPECT_EQ(m.bunker[2].top, -6);
}
