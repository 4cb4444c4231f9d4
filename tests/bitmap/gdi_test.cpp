#include "gdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

BITMAPINFOHEADER header(int w, int h, int bpp) {
    BITMAPINFOHEADER b{};
    b.biSize = 40;
    b.biWidth = w;
    b.biHeight = h;
    b.biPlanes = 1;
    b.biBitCount = static_cast<uint16_t>(bpp);
    b.biCompression = BI_RGB;
    return b;
}

} // namespace

TEST(Gdi, StretchesTopDownSourceOntoBottomUpSurface) {
    // Source: a top-down 32-bit picture of 2 x 2 over caller memory.
    std::uint32_t src[4] = {0x00010203, 0x00040506, 0x00070809, 0x000A0B0C};
    auto srcHeader = header(2, -2, 32);
    HBITMAP picture = CreateDIBSectionOver(&srcHeader, src);
    ASSERT_NE(picture, nullptr);
    HDC srcDc = CreateCompatibleDC(nullptr);
    SelectObject(srcDc, picture);

    void* bits = nullptr;
    auto dstHeader = header(4, 4, 32);
    HDC dstDc = CreateCompatibleDC(nullptr);
    HBITMAP surface = CreateDIBSection(dstDc, &dstHeader, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(surface, nullptr);
    ASSERT_NE(bits, nullptr);
    SelectObject(dstDc, surface);
    ASSERT_EQ(StretchBlt(dstDc, 0, 0, 4, 4, srcDc, 0, 0, 2, 2, SRCCOPY), 1);

    // Bottom-up: memory row 0 is the picture's bottom row, which comes from source row 1.
    const auto* px = static_cast<const std::uint32_t*>(bits);
    EXPECT_EQ(px[0], 0x00070809u);
    EXPECT_EQ(px[3], 0x000A0B0Cu);
    EXPECT_EQ(px[12], 0x00010203u);
    EXPECT_EQ(px[15], 0x00040506u);

    // A selected bitmap cannot be deleted; after deselecting it can.
    EXPECT_EQ(DeleteObject(surface), 0);
    SelectObject(dstDc, nullptr);
    EXPECT_EQ(DeleteObject(surface), 1);
    SelectObject(srcDc, nullptr);
    EXPECT_EQ(DeleteObject(picture), 1);
    EXPECT_EQ(DeleteDC(dstDc), 1);
    EXPECT_EQ(DeleteDC(srcDc), 1);
}

TEST(Gdi, GetDIBitsGivesPaddedBottomUp24BitRows) {
    // 3 x 2 top-down 32-bit source: row 0 = pixels 1,2,3; row 1 = pixels 4,5,6.
    std::uint32_t src[6] = {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112};
    auto h = header(3, -2, 32);
    HBITMAP bmp = CreateDIBSectionOver(&h, src);
    HDC dc = CreateCompatibleDC(nullptr);
    auto want = header(3, 2, 24);
    std::vector<std::uint8_t> out(24, 0xEE);
    ASSERT_EQ(GetDIBits(dc, bmp, 0, 2, out.data(), &want, DIB_RGB_COLORS), 2);
    const std::vector<std::uint8_t> expected = {
        0x0C, 0x0B, 0x0A, 0x0F, 0x0E, 0x0D, 0x12, 0x11, 0x10, 0, 0, 0, // bottom row first
        0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0x09, 0x08, 0x07, 0, 0, 0};
    EXPECT_EQ(out, expected);
    DeleteObject(bmp);
    DeleteDC(dc);
}

TEST(Gdi, RefusesBadRequests) {
    auto bad = header(4, 4, 16);
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(nullptr, &bad, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    auto ok = header(2, 2, 32);
    HDC a = CreateCompatibleDC(nullptr);
    HDC b = CreateCompatibleDC(nullptr);
    HBITMAP x = CreateDIBSection(a, &ok, DIB_RGB_COLORS, &bits, nullptr, 0);
    HBITMAP y = CreateDIBSection(b, &ok, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(a, x);
    SelectObject(b, y);
    // Rectangles outside either bitmap are refused rather than read out of bounds.
    EXPECT_EQ(StretchBlt(a, 0, 0, 3, 2, b, 0, 0, 2, 2, SRCCOPY), 0);
    EXPECT_EQ(StretchBlt(a, 0, 0, 2, 2, b, 1, 0, 2, 2, SRCCOPY), 0);
    EXPECT_EQ(StretchBlt(a, 0, 0, 2, 2, nullptr, 0, 0, 2, 2, SRCCOPY), 0);
    SelectObject(a, nullptr);
    SelectObject(b, nullptr);
    DeleteObject(x);
    DeleteObject(y);
    DeleteDC(a);
    DeleteDC(b);
}
