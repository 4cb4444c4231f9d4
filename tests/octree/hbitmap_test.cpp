#include "PaletteTestSupport.h"
#include "gdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace octree_test;

namespace {

struct DcDeleter {
    void operator()(TwDeviceContext* dc) const { DeleteDC(dc); }
};
struct BitmapDeleter {
    void operator()(TwBitmap* bitmap) const { DeleteObject(bitmap); }
};
using Dc = std::unique_ptr<TwDeviceContext, DcDeleter>;
using Bitmap = std::unique_ptr<TwBitmap, BitmapDeleter>;

BITMAPINFOHEADER header(std::int32_t width, std::int32_t height, std::uint16_t bits) {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = BI_RGB;
    return h;
}

// Bands of colour with noise: enough colours for many merges, so any change in the row
// order or the pixel reading shows in the palette.
void paint(std::uint8_t* first, std::int32_t width, std::int32_t height, std::int32_t pitch,
           std::int32_t bytesPerPixel) {
    std::mt19937 rng(7);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* p = first + static_cast<std::ptrdiff_t>(y) * pitch;
        for (std::int32_t x = 0; x < width; ++x, p += bytesPerPixel) {
            p[0] = static_cast<std::uint8_t>(x * 6 + rng() % 16);
            p[1] = static_cast<std::uint8_t>(y * 9 + rng() % 16);
            p[2] = static_cast<std::uint8_t>((x + y) * 3 + rng() % 64);
            if (bytesPerPixel == 4) p[3] = static_cast<std::uint8_t>(rng());
        }
    }
}

constexpr std::int32_t kWidth = 37, kHeight = 23; // 24-bit rows carry a padding byte

TEST(OctreePaletteFromHBITMAP, ReadsTheSamePaletteAsTheBufferCallOnTheSameRows) {
    const Dc dc(CreateCompatibleDC(nullptr));
    ASSERT_NE(dc, nullptr);
    const std::int32_t pitch24 = GetBitmapPitch(24, kWidth), pitch32 = kWidth * 4;
    std::vector<std::uint8_t> topDown(static_cast<std::size_t>(pitch32) * kHeight);

    struct Case {
        const char* name;
        Bitmap bitmap;
        Layout layout; // of the equivalent buffer call
        const std::uint8_t* firstBottomRow;
        std::int32_t pitch;
    };
    std::vector<Case> cases;
    {
        void* bits = nullptr;
        const auto h = header(kWidth, kHeight, 24);
        Bitmap b(CreateDIBSection(dc.get(), &h, DIB_RGB_COLORS, &bits, nullptr, 0));
        ASSERT_NE(b, nullptr);
        paint(static_cast<std::uint8_t*>(bits), kWidth, kHeight, pitch24, 3);
        cases.push_back({"24-bit bottom-up", std::move(b), Layout::Rgb888,
                         static_cast<const std::uint8_t*>(bits), pitch24});
    }
    {
        void* bits = nullptr;
        const auto h = header(kWidth, kHeight, 32);
        Bitmap b(CreateDIBSection(dc.get(), &h, DIB_RGB_COLORS, &bits, nullptr, 0));
        ASSERT_NE(b, nullptr);
        paint(static_cast<std::uint8_t*>(bits), kWidth, kHeight, pitch32, 4);
        cases.push_back({"32-bit bottom-up", std::move(b), Layout::Rgb8888,
                         static_cast<const std::uint8_t*>(bits), pitch32});
    }
    {
        // Top-down rows: the bottom row is last in memory, so the buffer call walks
        // upward from it.
        const auto h = header(kWidth, -kHeight, 32);
        Bitmap b(CreateDIBSectionOver(&h, topDown.data()));
        ASSERT_NE(b, nullptr);
        paint(topDown.data(), kWidth, kHeight, pitch32, 4);
        cases.push_back({"32-bit top-down", std::move(b), Layout::Rgb8888,
                         topDown.data() + static_cast<std::size_t>(pitch32) * (kHeight - 1),
                         -pitch32});
    }

    for (const Case& c : cases) {
        for (const std::uint32_t maxColors : {16u, 254u}) {
            SCOPED_TRACE(testing::Message() << c.name << ", " << maxColors << " colours");
            const PaletteOutcome fromBitmap = runOnPalette([&](void* palette) {
                return CreateOctreePaletteFromHBITMAP(dc.get(), c.bitmap.get(), kWidth, kHeight,
                                                      maxColors, 8, palette);
            });
            const PaletteOutcome fromRows = runOnPalette([&](void* palette) {
                return callLibrary(c.layout, c.firstBottomRow, kWidth, kHeight, c.pitch, maxColors,
                                   8, palette);
            });
            EXPECT_EQ(fromBitmap.result, 1);
            EXPECT_EQ(fromBitmap.damage, "");
            EXPECT_EQ(fromRows.result, 1);
            EXPECT_GT(fromBitmap.entries.size(), 1u);
            EXPECT_EQ(fromBitmap.entries, fromRows.entries);
        }
    }
}

TEST(OctreePaletteFromHBITMAP, RefusesWhatItCannotRead) {
    const Dc dc(CreateCompatibleDC(nullptr));
    void* bits = nullptr;
    const auto h = header(4, 4, 24);
    const Bitmap bitmap(CreateDIBSection(dc.get(), &h, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_NE(bitmap, nullptr);
    std::memset(bits, 0x80, static_cast<std::size_t>(GetBitmapPitch(24, 4)) * 4);

    const struct {
        const char* name;
        HDC hdc;
        HBITMAP bitmap;
        std::uint32_t width, height, maxColors, colorBits;
    } cases[] = {
        {"no device context", nullptr, bitmap.get(), 4, 4, 254, 8},
        {"no bitmap", dc.get(), nullptr, 4, 4, 254, 8},
        {"more lines than the bitmap has", dc.get(), bitmap.get(), 4, 5, 254, 8},
        {"another width", dc.get(), bitmap.get(), 3, 4, 254, 8},
        {"width 0", dc.get(), bitmap.get(), 0, 4, 254, 8},
        {"height 0", dc.get(), bitmap.get(), 4, 0, 254, 8},
        {"maxColors 0", dc.get(), bitmap.get(), 4, 4, 0, 8},
        {"colorBits 9", dc.get(), bitmap.get(), 4, 4, 254, 9},
        {"a width past the header's range", dc.get(), bitmap.get(), 0x80000000u, 4, 254, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PaletteOutcome out = runOnPalette([&](void* palette) {
            return CreateOctreePaletteFromHBITMAP(c.hdc, c.bitmap, c.width, c.height, c.maxColors,
                                                  c.colorBits, palette);
        });
        EXPECT_EQ(out.result, 0);
        EXPECT_TRUE(out.entries.empty());
        EXPECT_EQ(out.damage, "");
    }
    // The same bitmap read as it is.
    const PaletteOutcome out = runOnPalette([&](void* palette) {
        return CreateOctreePaletteFromHBITMAP(dc.get(), bitmap.get(), 4, 4, 254, 8, palette);
    });
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.entries, std::vector<Color>{bgr(0x80, 0x80, 0x80)});
}

} // namespace
