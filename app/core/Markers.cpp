#include "Markers.h"

#include "Numbers.h"

#include <cmath>

namespace tw {
namespace {

struct Fraction {
    double fx, fy;
};
constexpr std::array<Fraction, 8> kStartFractions{{{0.125, 0.125},
                                                   {0.5, 0.125},
                                                   {0.875, 0.125},
                                                   {0.125, 0.5},
                                                   {0.875, 0.5},
                                                   {0.125, 0.875},
                                                   {0.5, 0.875},
                                                   {0.875, 0.875}}};
constexpr std::array<Fraction, 8> kBunkerFractions{{{0.25, 0.25},
                                                    {0.5, 0.25},
                                                    {0.75, 0.25},
                                                    {0.25, 0.5},
                                                    {0.75, 0.5},
                                                    {0.25, 0.75},
                                                    {0.5, 0.75},
                                                    {0.75, 0.75}}};

void place(std::array<MarkerPlace, 8>& places, std::array<MarkerRel, 8>& rels,
           const std::array<Fraction, 8>& fractions, double W, double H) {
    for (std::size_t i = 0; i < 8; ++i) {
        places[i] = {fractions[i].fx * W - kMarkerHalf, fractions[i].fy * H - kMarkerHalf};
        rels[i] = {(places[i].left + kMarkerHalf) / W, (places[i].top + kMarkerHalf) / H};
    }
}

void clampInside(MarkerPlace& m, double W, double H) {
    if (m.left < -kMarkerHalf) m.left = -kMarkerHalf;
    if (m.top < -kMarkerHalf) m.top = -kMarkerHalf;
    if (m.left > W - kMarkerHalf) m.left = W - kMarkerHalf;
    if (m.top > H - kMarkerHalf) m.top = H - kMarkerHalf;
}

} // namespace

void MarkerSet::reset(double W, double H) {
    place(start, startRel, kStartFractions, W, H);
    place(bunker, bunkerRel, kBunkerFractions, W, H);
}

void MarkerSet::stretch(double W, double H) {
    for (std::size_t i = 0; i < 8; ++i) {
        start[i] = {W * startRel[i].x - kMarkerHalf, H * startRel[i].y - kMarkerHalf};
        bunker[i] = {W * bunkerRel[i].x - kMarkerHalf, H * bunkerRel[i].y - kMarkerHalf};
    }
}

void MarkerSet::keepInside(double W, double H) {
    for (std::size_t i = 0; i < 8; ++i) {
        clampInside(start[i], W, H);
        clampInside(bunker[i], W, H);
    }
}

void MarkerSet::drag(MarkerKind kind, int i, float x, float y, float grabX, float grabY, double W,
                     double H) {
    auto& m = places(kind)[static_cast<std::size_t>(i)];
    const auto Wi = roundHalfEven(W);
    const auto Hi = roundHalfEven(H);
    // Whole pixels moved, the fraction dropped toward zero.
    const auto dx = roundHalfEven(static_cast<double>(x - grabX)) / 15;
    const auto dy = roundHalfEven(static_cast<double>(y - grabY)) / 15;
    auto newLeft = roundHalfEven(m.left + static_cast<double>(dx));
    auto newTop = roundHalfEven(m.top + static_cast<double>(dy));
    if (newLeft < -kMarkerHalf) newLeft = -kMarkerHalf;
    if (newTop < -kMarkerHalf) newTop = -kMarkerHalf;
    if (newLeft > Wi - kMarkerHalf) newLeft = Wi - kMarkerHalf;
    if (newTop > Hi - kMarkerHalf) newTop = Hi - kMarkerHalf;
    m = {static_cast<double>(newLeft), static_cast<double>(newTop)};
    rels(kind)[static_cast<std::size_t>(i)] = {static_cast<double>(newLeft + kMarkerHalf) / Wi,
                                               static_cast<double>(newTop + kMarkerHalf) / Hi};
}

std::array<GridPoint, 16> MarkerSet::filePositions() const {
    std::array<GridPoint, 16> out{};
    for (std::size_t i = 0; i < 8; ++i) {
        out[i] = {static_cast<std::int32_t>(roundHalfEven(start[i].left + kMarkerHalf)),
                  static_cast<std::int32_t>(roundHalfEven(start[i].top + kMarkerHalf))};
        out[8 + i] = {static_cast<std::int32_t>(roundHalfEven(bunker[i].left + kMarkerHalf)),
                      static_cast<std::int32_t>(roundHalfEven(bunker[i].top + kMarkerHalf))};
    }
    return out;
}

} // namespace tw
