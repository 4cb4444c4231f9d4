// `Tilewright PICTURE`: the picture on the window's command line opens as a drop would.
#include "WindowFixture.h"

#include "CommandLine.h"

#include <QDir>
#include <QFile>

using tw::toolkit::Icon;

namespace {

// Makes a folder the working folder for one test and restores the old one.
class WorkingFolder {
  public:
    explicit WorkingFolder(const QString& path) : old_(QDir::currentPath()) {
        EXPECT_TRUE(QDir::setCurrent(path));
    }
    ~WorkingFolder() { QDir::setCurrent(old_); }

  private:
    QString old_;
};

} // namespace

TEST_F(WindowTest, PictureOnTheCommandLineLoadsLikeADrop) {
    start();
    plainPicture("arg.png", 640, 480, QColor(30, 20, 10));
    {
        // A file manager may pass a path relative to its working folder.
        WorkingFolder here(dir.path());
        tw::ui::OpenCommandLinePicture(*form, {"Tilewright", "arg.png"});
    }
    ASSERT_TRUE(ui.messages.empty()) << ui.messages[0].text;
    EXPECT_EQ(mapSize(), QSize(21, 16));
    EXPECT_EQ(form->picBuf().size(), QSize(640, 480));
    EXPECT_EQ(form->document().PictureFile, dir.filePath("arg.png").toStdString());
    EXPECT_TRUE(form->document().PictureLoaded);

    // The same picture dropped gives the same document.
    const auto palette = form->document().CurrentPalette;
    start();
    drop(form->picPreview, {dir.filePath("arg.png").toStdString()});
    EXPECT_EQ(form->document().CurrentPalette, palette);
    EXPECT_EQ(mapSize(), QSize(21, 16));
}

TEST_F(WindowTest, NoCommandLinePictureChangesNothing) {
    start();
    const QSize size = mapSize();
    const auto palette = form->document().CurrentPalette;
    tw::ui::OpenCommandLinePicture(*form, {"Tilewright"});
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(form->document().PictureLoaded);
    EXPECT_TRUE(form->document().PictureFile.empty());
    EXPECT_TRUE(form->picBuf().isNull());
    EXPECT_EQ(mapSize(), size);
    EXPECT_EQ(form->document().CurrentPalette, palette);
}

TEST_F(WindowTest, SeveralCommandLinePicturesLoadTheFirstAsADropDoes) {
    start();
    const auto first = plainPicture("first.png", 100, 64);
    const auto second = plainPicture("second.png", 640, 480);
    tw::ui::OpenCommandLinePicture(
        *form, {"Tilewright", QString::fromStdString(first), QString::fromStdString(second)});
    ASSERT_TRUE(ui.messages.empty());
    EXPECT_EQ(form->document().PictureFile, first);
    EXPECT_EQ(mapSize(), QSize(4, 3));
}

// A file that is no picture fails with the drop's message and keeps the loaded picture.
TEST_F(WindowTest, BadCommandLinePictureShowsTheDropsFailure) {
    start();
    const auto good = plainPicture("good.png", 640, 480);
    drop(form->picPreview, {good});
    ASSERT_TRUE(ui.messages.empty());
    const QString bad = dir.filePath("notes.txt");
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a picture at all\n");
    }
    const auto palette = form->document().CurrentPalette;

    tw::ui::OpenCommandLinePicture(*form, {"Tilewright", bad});
    ASSERT_EQ(ui.messages.size(), 1u);
    const auto fromCommandLine = ui.messages[0];
    EXPECT_EQ(fromCommandLine.title, "Unable to open " + bad.toStdString());
    EXPECT_EQ(fromCommandLine.icon, Icon::Information);
    EXPECT_FALSE(fromCommandLine.text.empty());
    EXPECT_EQ(form->document().PictureFile, good);
    EXPECT_EQ(mapSize(), QSize(21, 16));
    EXPECT_EQ(form->document().CurrentPalette, palette);

    drop(form->picPreview, {bad.toStdString()});
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].title, fromCommandLine.title);
    EXPECT_EQ(ui.messages[1].text, fromCommandLine.text);
    EXPECT_EQ(ui.messages[1].icon, fromCommandLine.icon);
}
