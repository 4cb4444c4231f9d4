// CalcPitch, CalcSize and Get24BitBits.
#include "Dither.h"
#include "gdi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct PitchCase {
    int width, bitsPerPixel, pitch;
};

TEST(CalcPitch, RoundsRowBytesUpToFourAndGivesFourForAnEmptyRow) {
    const PitchCase cases[] = {{32, 32, 128}, {32, 24, 96},   {33, 24, 100}, {5, 8, 8},
                               {1, 8, 4},     {0, 8, 4},      {3, 24, 12},   {4, 8, 4},
                               {1, 24, 4},    {2, 24, 8},     {1, 32, 4},    {8032, 8, 8032},
                               {33, 8, 36},   {251, 32, 1004}};
    for (const PitchCase& c : cases)
        EXPECT_EQ(CalcPitch(c.width, c.bitsPerPixel), c.pitch)
            << c.width << " x " << c.bitsPerPixel;
}

TEST(CalcSize, IsPitchTimesHeight) {
    EXPECT_EQ(CalcSize(32, 8, 32), 1024);
    EXPECT_EQ(CalcSize(3, 24, 2), 24);
    EXPECT_EQ(CalcSize(33, 24, 5), 500);
    EXPECT_EQ(CalcSize(0, 8, 3), 12);
    EXPECT_EQ(CalcSize(7, 32, 0), 0);
}

// A 32-bit section holding colour (10x + y, 100 + x, 200 + y) at column x, row y from the top.
class SourceBitmap {
  public:
    SourceBitmap(int width, int height) {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = -height; // top-down, so memory row y is picture row y
        header.biPlanes = 1;
        header.biBitCount = 32;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
        auto* p = static_cast<std::uint8_t*>(bits);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x, p += 4) {
                p[0] = static_cast<std::uint8_t>(200 + y);
                p[1] = static_cast<std::uint8_t>(100 + x);
                p[2] = static_cast<std::uint8_t>(10 * x + y);
                p[3] = 0;
            }
        }
        SelectObject(dc_, bitmap_);
    }
    ~SourceBitmap() {
        SelectObject(dc_, nullptr);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }

  private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
};

TEST(Get24BitBits, CopiesTheTopLeftAreaBottomRowFirstWithPaddedRows) {
    const SourceBitmap source(5, 4);
    std::vector<std::uint8_t> out(40, 0xAA);
    ASSERT_EQ(Get24BitBits(source.dc(), 3, 2, out.data()), 1);
    const std::vector<std::uint8_t> expected = {// memory row 0: picture row 1
                                                201, 100, 1, 201, 101, 11, 201, 102, 21, 0, 0, 0,
                                                // memory row 1: picture row 0
                                                200, 100, 0, 200, 101, 10, 200, 102, 20, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 24), expected);
    for (std::size_t i = 24; i < out.size(); ++i)
        EXPECT_EQ(out[i], 0xAA) << "byte " << i;
}

TEST(Get24BitBits, FailsWithoutWritingWhenNoCopyCanBeMade) {
    const SourceBitmap source(5, 4);
    HDC empty = CreateCompatibleDC(nullptr); // no bitmap selected
    struct Case {
        const char* what;
        HDC dc;
        int width, height;
    };
    const Case cases[] = {{"no device context", nullptr, 3, 2},
                          {"no bitmap selected", empty, 3, 2},
                          {"wider than the bitmap", source.dc(), 6, 2},
                          {"higher than the bitmap", source.dc(), 3, 5},
                          {"zero width", source.dc(), 0, 2},
                          {"negative height", source.dc(), 3, -2}};
    for (const Case& c : cases) {
        std::vector<std::uint8_t> out(256, 0xAA);
        EXPECT_EQ(Get24BitBits(c.dc, c.width, c.height, out.data()), 0) << c.what;
        EXPECT_EQ(out, std::vector<std::uint8_t>(256, 0xAA)) << c.what;
    }
    EXPECT_EQ(Get24BitBits(source.dc(), 3, 2, nullptr), 0);
    DeleteDC(empty);
}

} // namespace
