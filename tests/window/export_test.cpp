#include "WindowFixture.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>

#include <fstream>

using tw::toolkit::Answer;
using tw::toolkit::Icon;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
// A custom mission of w x h grids.
std::size_t tw_km_size_for(int w, int h) {
    return 1246 + 142 + 5 * std::size_t(w + 4) * (h + 4) + 1024 * std::size_t(w * h + 1);
}
std::size_t filesIn(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files).size();
}

} // namespace

class ExportWindowTest : public WindowTest {
  protected:
    std::vector<QString> titles; // window title at each pending-event point
    std::function<void()> duringExport;

    void startWithPicture(int w = 100, int h = 50) {
        auto s = services();
        s.processPendingEvents = [this] {
            titles.push_back(form->windowTitle());
            if (duringExport) duringExport();
        };
        form = std::make_unique<tw::ui::Form1>(s);
        ASSERT_TRUE(form->StartUp());
        drop(form->picPreview, {plainPicture("pic.png", w, h, QColor(100, 100, 100))});
        ui.messages.clear();
        form->OpNoDither->click(); // the fastest conversion will do for the window's part
    }
    std::string target(const char* name = "map.km") { return dir.filePath(name).toStdString(); }
};

TEST_F(ExportWindowTest, RefusesWithoutAPicture) {
    start();
    form->cmdKMOut->click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "Please drag a picture file to the big box in the top of the window.");
    EXPECT_EQ(ui.messages[0].icon, Icon::Warning);
    EXPECT_EQ(ui.messages[0].title, "Tilewright");
    EXPECT_TRUE(ui.dialogs.empty());
}

TEST_F(ExportWindowTest, CancelledDialogTouchesNothing) {
    startWithPicture();
    writeAll(target(), "old map");
    form->cmdKMOut->click();
    ASSERT_EQ(ui.dialogs.size(), 1u);
    const auto& d = ui.dialogs[0];
    EXPECT_EQ(d.title, "导出KM任务文件");
    ASSERT_EQ(d.filters.size(), 2u);
    EXPECT_EQ(d.filters[0],
              std::make_pair(std::string("KKND2任务文件(Varnok格式,*.km)"), std::string("*.km")));
    EXPECT_EQ(d.filters[1], std::make_pair(std::string("自定后缀(*.*)"), std::string("*.*")));
    EXPECT_EQ(d.defaultExtension, "KM");
    EXPECT_TRUE(d.confirmOverwrite);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Cancelled.");
    EXPECT_EQ(ui.messages[0].icon, Icon::Information);
    EXPECT_EQ(form->windowTitle(), "Tilewright!");
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(readAll(target()), "old map");
}

TEST_F(ExportWindowTest, SuccessReplacesTheFileAndShowsProgress) {
    startWithPicture();                // 100 x 50 pixels: 4 x 2 grids
    form->setPreviewOuterSize(35, 28); // 31 x 24 grids
    writeAll(target(), "old map");
    ui.savePaths = {target()};
    form->cmdKMOut->click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "KM file was exported. Please use KKND++'s Kme 2.0 to edit it.");
    EXPECT_EQ(ui.messages[0].title, "Export successful");
    EXPECT_EQ(form->windowTitle(), "Tilewright!");
    EXPECT_TRUE(form->isEnabled());
    EXPECT_FALSE(form->document().Exporting);
    const std::string km = readAll(target());
    ASSERT_EQ(km.size(), 769168u);
    EXPECT_EQ(km.substr(0, 4), "KLF5");
    EXPECT_EQ(filesIn(dir), 2u); // the picture and the map: no temporary file left
    // The title counted the rows: 31 tiles after the first, 744 of 745 after the last.
    ASSERT_FALSE(titles.empty());
    EXPECT_NE(std::find(titles.begin(), titles.end(), "31:745"), titles.end());
    EXPECT_EQ(titles.back(), "744:745");
}

TEST_F(ExportWindowTest, TooWideMapFailsAndKeepsTheOldFile) {
    startWithPicture();
    form->setPreviewOuterSize(252 + 4, 30);
    writeAll(target(), "old map");
    ui.savePaths = {target()};
    form->cmdKMOut->click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Exporting KM failed.");
    EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
    EXPECT_EQ(ui.messages[0].text.rfind("Sorry, an error was caused. Please contact E-mail:", 0),
              0u);
    EXPECT_EQ(form->windowTitle(), "Tilewright");
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(readAll(target()), "old map");
    EXPECT_EQ(filesIn(dir), 2u);
}

TEST_F(ExportWindowTest, TrimmedNameOfAnExistingFileIsAskedAboutAgain) {
    startWithPicture();
    writeAll(target(), "old map");
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        ui.messages.clear();
        ui.savePaths = {target() + "  "};
        ui.answers = {answer};
        form->cmdKMOut->click();
        ASSERT_GE(ui.messages.size(), 2u);
        EXPECT_EQ(ui.messages[0].buttons, tw::toolkit::Buttons::YesNo);
        EXPECT_NE(ui.messages[0].text.find(target()), std::string::npos);
        if (answer == Answer::No) {
            EXPECT_EQ(ui.messages[1].text, "Cancelled.");
            EXPECT_EQ(readAll(target()), "old map");
        } else {
            EXPECT_EQ(ui.messages[1].title, "Export successful");
            EXPECT_EQ(readAll(target()).substr(0, 4), "KLF5");
        }
    }
}

TEST_F(ExportWindowTest, CloseDuringExportAnsweredNoLetsItFinish) {
    startWithPicture();
    ui.savePaths = {target()};
    ui.answers = {Answer::No};
    duringExport = [this] {
        duringExport = nullptr;
        QCloseEvent close;
        QApplication::sendEvent(form.get(), &close);
        EXPECT_FALSE(close.isAccepted());
    };
    form->cmdKMOut->click();
    EXPECT_EQ(ui.messages.front().text, "Exporting KM file. Are you sure to cancel exporting?");
    EXPECT_EQ(ui.messages.back().title, "Export successful");
    EXPECT_FALSE(ended);
    EXPECT_EQ(readAll(target()).size(), tw_km_size_for(4, 2));
}

TEST_F(ExportWindowTest, CloseDuringExportAnsweredYesEndsWithoutLeavingFiles) {
    startWithPicture(640, 480);
    writeAll(target(), "old map");
    ui.savePaths = {target()};
    ui.answers = {Answer::Yes};
    duringExport = [this] {
        duringExport = nullptr;
        QCloseEvent close;
        QApplication::sendEvent(form.get(), &close);
    };
    form->cmdKMOut->click();
    EXPECT_TRUE(ended);
    ASSERT_EQ(ui.messages.size(), 1u); // only the question: no success, no failure
    EXPECT_EQ(readAll(target()), "old map");
    EXPECT_EQ(filesIn(dir), 2u);
}

TEST_F(ExportWindowTest, EveryConversionExportsThroughTheWindow) {
    startWithPicture(200, 120); // 7 x 4 grids
    for (QRadioButton* option : {form->OpDoDither, form->OpNoDither}) {
        for (const bool grey : {false, true}) {
            option->click();
            (grey ? form->OpGrayPalette : form->OpHighlandPalette)->click();
            ui.messages.clear();
            ui.savePaths = {target()};
            form->cmdKMOut->click();
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].title, "Export successful") << ui.messages[0].text;
            const std::string km = readAll(target());
            ASSERT_EQ(km.size(), tw_km_size_for(7, 4));
            // The first tile's first index: grey level 100, or some Highland entry.
            const std::size_t tile1 = km.size() - 155 - 7 * 4 * 1024;
            if (grey) {
                EXPECT_EQ(static_cast<unsigned char>(km[tile1]), 100);
            }
        }
    }
}
