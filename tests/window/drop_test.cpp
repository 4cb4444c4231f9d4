#include "WindowFixture.h"

#include "PaletteBox.h"

#include <QDir>
#include <QFile>
#include <QRadioButton>

#include <set>

using tw::toolkit::Icon;

struct InitialSizeCase {
    int w, h;
    QSize grids;
};

TEST_F(WindowTest, DropGivesThePictureItsInitialSize) {
    start();
    const std::vector<InitialSizeCase> cases = {
        {640, 480, {21, 16}}, {1024, 768, {33, 25}}, {10000, 100, {254, 4}}, {31, 32, {1, 2}}};
    for (const auto& c : cases) {
        const auto path = plainPicture(QStringLiteral("p%1x%2.png").arg(c.w).arg(c.h), c.w, c.h);
        drop(form->picPreview, {path});
        ASSERT_TRUE(ui.messages.empty()) << ui.messages[0].text;
        EXPECT_EQ(mapSize(), c.grids) << c.w << "x" << c.h;
        EXPECT_EQ(form->txtWidth->text().toInt(), c.grids.width());
        EXPECT_EQ(form->picBuf().size(), QSize(c.w, c.h));
        EXPECT_EQ(form->document().PictureFile, path);
        EXPECT_TRUE(form->document().PictureLoaded);
    }
}

TEST_F(WindowTest, DropOnTheLabelLoadsOnlyTheFirstFile) {
    start();
    const auto first = plainPicture("first.png", 100, 64);
    const auto second = plainPicture("second.png", 640, 480);
    drop(form->lblDragIn, {first, second});
    EXPECT_EQ(form->document().PictureFile, first);
    EXPECT_EQ(mapSize(), QSize(4, 3));
}

TEST_F(WindowTest, OneColourPictureGivesItsAdaptivePalette) {
    start();
    drop(form->picPreview, {plainPicture("one.png", 70, 40, QColor(30, 20, 10))});
    const auto& pal = form->document().AdaptivePalette;
    tw::Palette expected{};
    expected[2] = 88;                                      // entry 0: red 88
    expected[8] = 10, expected[9] = 20, expected[10] = 30; // entry 2: the colour
    EXPECT_EQ(pal, expected);
    EXPECT_EQ(form->document().CurrentPalette, expected); // adaptive is selected
    ASSERT_TRUE(form->picPal->shown().has_value());
    EXPECT_EQ(*form->picPal->shown(), expected);
}

TEST_F(WindowTest, HundredColourPictureFillsEntries2To101) {
    start();
    QImage img(100, 10, QImage::Format_RGB32);
    std::set<std::array<int, 3>> colours;
    for (int x = 0; x < 100; ++x) {
        const QColor c(x * 2, 255 - x, (x * 37) % 256);
        colours.insert({c.blue(), c.green(), c.red()});
        for (int y = 0; y < 10; ++y)
            img.setPixelColor(x, y, c);
    }
    drop(form->picPreview, {picture("hundred.png", img)});
    const auto& pal = form->document().AdaptivePalette;
    std::set<std::array<int, 3>> got;
    for (int i = 2; i < 102; ++i)
        got.insert({pal[4 * i], pal[4 * i + 1], pal[4 * i + 2]});
    EXPECT_EQ(got, colours);
    for (int i = 102; i < 256; ++i)
        EXPECT_EQ(pal[4 * i] | pal[4 * i + 1] | pal[4 * i + 2], 0) << "entry " << i;
}

// A drop that fails at any step leaves the picture, the size, the palettes and the
// loaded state exactly as they were.
TEST_F(WindowTest, FailedDropsKeepThePreviousState) {
    const QString noLibraries = dir.filePath("empty");
    QDir().mkpath(noLibraries);
    struct Case {
        const char* what;
        bool withoutOctree;
        bool textFile;
    };
    for (const Case c :
         {Case{"undecodable file", false, true}, Case{"no Octree library", true, false}}) {
        start(c.withoutOctree ? noLibraries.toStdString() : std::string(TW_BIN_DIR));
        // Without the library no picture can load at all, so that case starts empty;
        // the undecodable file comes after a good picture.
        if (!c.withoutOctree) {
            drop(form->picPreview, {plainPicture("good.png", 640, 480)});
            ASSERT_TRUE(ui.messages.empty());
        }
        const auto before = form->document().CurrentPalette;
        const auto adaptive = form->document().AdaptivePalette;
        const QSize size = mapSize();
        const QImage picture = form->picBuf();
        const bool loaded = form->document().PictureLoaded;
        const std::string file = form->document().PictureFile;

        std::string path;
        if (c.textFile) {
            path = dir.filePath("notes.txt").toStdString();
            QFile f(QString::fromStdString(path));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("not a picture at all\n");
        } else {
            path = plainPicture("big.png", 1024, 768);
        }
        drop(form->picPreview, {path});
        ASSERT_EQ(ui.messages.size(), 1u) << c.what;
        EXPECT_EQ(ui.messages[0].title, "Unable to open " + path) << c.what;
        EXPECT_EQ(ui.messages[0].icon, Icon::Information);
        EXPECT_FALSE(ui.messages[0].text.empty());
        if (c.withoutOctree) {
            EXPECT_NE(ui.messages[0].text.find("libOctree.so"), std::string::npos)
                << ui.messages[0].text;
        }
        EXPECT_EQ(mapSize(), size) << c.what;
        EXPECT_EQ(form->picBuf(), picture) << c.what;
        EXPECT_EQ(form->document().CurrentPalette, before) << c.what;
        EXPECT_EQ(form->document().AdaptivePalette, adaptive) << c.what;
        EXPECT_EQ(form->document().PictureLoaded, loaded) << c.what;
        EXPECT_EQ(form->document().PictureFile, file) << c.what;
        ui.messages.clear();
    }
}

// A photo-sized picture end to end: drop, preview size and palette in the document.
TEST_F(WindowTest, PhotoSizedPictureEndToEnd) {
    start();
    QImage img(3000, 2000, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            row[x] = qRgb((x * 255) / 3000, (y * 255) / 2000, ((x ^ y) * 7) & 255);
    }
    const auto path = picture("photo.jpg", img);
    drop(form->picPreview, {path});
    ASSERT_TRUE(ui.messages.empty()) << ui.messages[0].text;
    EXPECT_EQ(mapSize(), QSize(94, 63));
    const auto& pal = form->document().AdaptivePalette;
    int filled = 0;
    for (int i = 2; i < 256; ++i)
        filled += (pal[4 * i] | pal[4 * i + 1] | pal[4 * i + 2]) != 0;
    EXPECT_GT(filled, 200); // a many-coloured picture fills most of the 254 entries
    EXPECT_EQ(form->document().CurrentPalette, pal);
    EXPECT_FALSE(form->ImgWarning->isVisible());
}

// Decoding and the palette run beside the window: it keeps processing its events,
// disabled, until the picture is in.
TEST_F(WindowTest, WindowStaysAliveWhileALargePictureLoads) {
    auto s = services();
    int calls = 0;
    bool disabledMeanwhile = true;
    s.processPendingEvents = [&] {
        ++calls;
        disabledMeanwhile = disabledMeanwhile && !form->isEnabled();
    };
    form = std::make_unique<tw::ui::Form1>(s);
    ASSERT_TRUE(form->StartUp());
    QImage img(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            row[x] = qRgb(x & 255, y & 255, (x * y) & 255);
    }
    const auto path = picture("large.bmp", img);
    drop(form->picPreview, {path});
    ASSERT_TRUE(ui.messages.empty()) << ui.messages[0].text;
    EXPECT_GT(calls, 0);
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(mapSize(), QSize(126, 94));
}
