// The sixteen start and bunker markers of a multiplayer map: their places on the
// preview (one unit per grid), their default places and how they follow size changes.
#pragma once

#include <array>
#include <cstdint>

namespace tw {

inline constexpr int kMarkerSize = 12;
inline constexpr int kMarkerHalf = 6;

struct MarkerPlace {
    double left = 0; // top-left corner inside the preview, in grids
    double top = 0;
};

// Relative position of a marker's centre: centre x / W and centre y / H.
struct MarkerRel {
    double x = 0;
    double y = 0;
};

// A marker's position in the KM file: its centre rounded half to even.
struct GridPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

enum class MarkerKind { Start, Bunker };

struct MarkerSet {
    std::array<MarkerPlace, 8> start{};   // lblMPos
    std::array<MarkerPlace, 8> bunker{};  // lblBPos
    std::array<MarkerRel, 8> startRel{};  // MPosRelX / MPosRelY
    std::array<MarkerRel, 8> bunkerRel{}; // BPosRelX / BPosRelY

    std::array<MarkerPlace, 8>& places(MarkerKind k) {
        return k == MarkerKind::Start ? start : bunker;
    }
    std::array<MarkerRel, 8>& rels(MarkerKind k) {
        return k == MarkerKind::Start ? startRel : bunkerRel;
    }

    // Default places for a W x H map, and the relative positions read back from them.
    void reset(double W, double H);
    // Every marker placed again from its relative position for a W x H map.
    void stretch(double W, double H);
    // Keeps each marker's top-left corner within -6 .. W - 6 and -6 .. H - 6.
    void keepInside(double W, double H);
    // One step of dragging marker i by the pointer (x, y) relative to the marker in 1/15
    // pixel, from the grab point (also in 1/15 pixel); W and H are the map size.
    void drag(MarkerKind kind, int i, float x, float y, float grabX, float grabY, double W,
              double H);
    // The 16 positions the KM file stores: start markers 0..7, then bunker markers 0..7.
    std::array<GridPoint, 16> filePositions() const;
};

} // namespace tw
