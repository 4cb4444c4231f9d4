#include "WindowFixture.h"

#include "AboutLabels.h"
#include "MarkerLabel.h"
#include "PaletteBox.h"
#include "WrapButton.h"

#include <QMouseEvent>

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

using tw::toolkit::Answer;
using tw::toolkit::Icon;

TEST_F(WindowTest, StartsInItsDesignState) {
    start();
    EXPECT_EQ(form->windowTitle(), "Tilewright!");
    EXPECT_EQ(form->size(), QSize(497, 714));
    EXPECT_EQ(form->txtWidth->text(), "254");
    EXPECT_EQ(form->txtHeight->text(), "254");
    EXPECT_EQ(mapSize(), QSize(254, 254));
    EXPECT_FALSE(form->ImgWarning->isVisible());
    EXPECT_FALSE(form->cmdLegalSmallest->isVisible());
    EXPECT_TRUE(form->OpDoDither->isChecked());
    EXPECT_TRUE(form->OpOctreePalette->isChecked());
    EXPECT_TRUE(form->OpSinglePlayer->isChecked());
    EXPECT_FALSE(form->cmdResetPos->isVisible());

    auto& doc = form->document();
    EXPECT_EQ(doc.BorderWidth, 4);
    EXPECT_EQ(doc.BorderHeight, 4);
    EXPECT_EQ(doc.MinWidth, 35);
    EXPECT_EQ(doc.MinHeight, 28);
    EXPECT_EQ(doc.MaxWidth, 258);
    EXPECT_EQ(doc.MaxHeight, 258);
    EXPECT_EQ(doc.KmPartCST0MCR0.size(), 142u);
    EXPECT_EQ(doc.KmPartCSTOMLTI.size(), 798u);
    EXPECT_EQ(doc.KmPartTEXTAUTH.size(), 155u);
    EXPECT_EQ(doc.ReservedColor0, (tw::PaletteEntry{0, 0, 0x58, 0}));
    EXPECT_EQ(doc.ReservedColor1, (tw::PaletteEntry{0, 0, 0, 0}));
    // Grey palette ends; no palette is current yet and the overview is black.
    EXPECT_EQ(std::vector<std::uint8_t>(doc.GreyPalette.begin(), doc.GreyPalette.begin() + 4),
              (std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(doc.GreyPalette.end() - 4, doc.GreyPalette.end()),
              (std::vector<std::uint8_t>{255, 255, 255, 0}));
    EXPECT_EQ(doc.CurrentPalette, tw::Palette{});
    EXPECT_FALSE(form->picPal->shown().has_value());
    // Terrain palettes came from the resources: entry 0 is the reserved red.
    EXPECT_EQ(doc.HighlandPalette[2], 0x58);
    EXPECT_EQ(doc.DesertPalette[4 * 255 + 2], 232);
    EXPECT_FALSE(doc.PictureLoaded);
    EXPECT_FALSE(doc.Exporting);
    for (int i = 0; i < 8; ++i) {
        const QString n = QString::number(i + 1);
        EXPECT_EQ(form->lblMPos[static_cast<std::size_t>(i)]->toolTip(),
                  QString::fromUtf8("多人游戏开始位置") + n);
        EXPECT_EQ(form->lblBPos[static_cast<std::size_t>(i)]->toolTip(),
                  QString::fromUtf8("多人游戏地堡位置") + n);
    }
}

TEST_F(WindowTest, MissingResourceEndsStartUpWithItsMessage) {
    auto s = services();
    s.resourceByName = [](const std::string& type, const std::string& name) -> tw::Bytes {
        if (name == "TEXTAUTH") return tw::toolkit::loadResource(type, "NOSUCHBLOCK");
        return tw::toolkit::loadResource(type, name);
    };
    tw::ui::Form1 window(s);
    EXPECT_FALSE(window.StartUp());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "Failed to run this program. Unknown error(The resource KMPART \"NOSUCHBLOCK\" is "
              "missing.)");
    EXPECT_EQ(ui.messages[0].title, "Tilewright");
    EXPECT_EQ(ui.messages[0].icon, Icon::Warning);
}

TEST_F(WindowTest, ClosingAsksOnlyDuringAnExport) {
    start();
    QCloseEvent idle;
    QApplication::sendEvent(form.get(), &idle);
    EXPECT_TRUE(idle.isAccepted());
    EXPECT_TRUE(ended);
    EXPECT_TRUE(ui.messages.empty());
    ended = false;

    form->AllEnable(false);
    EXPECT_TRUE(form->document().Exporting);
    EXPECT_FALSE(form->isEnabled());
    ui.answers = {Answer::No};
    QCloseEvent declined;
    QApplication::sendEvent(form.get(), &declined);
    EXPECT_FALSE(declined.isAccepted());
    EXPECT_FALSE(ended);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Exporting KM file. Are you sure to cancel exporting?");
    EXPECT_EQ(ui.messages[0].title, "Tilewright");
    EXPECT_EQ(ui.messages[0].icon, Icon::Warning);
    EXPECT_EQ(ui.messages[0].buttons, tw::toolkit::Buttons::YesNo);

    form->AllEnable(true);
    EXPECT_FALSE(form->document().Exporting);
    EXPECT_TRUE(form->isEnabled());
}

TEST_F(WindowTest, DefaultSettingsWithoutPictureGiveLargestMap) {
    start();
    form->setPreviewOuterSize(40, 60);
    form->OpGrayPalette->click();
    form->OpMultiplayer->click();
    form->OpNoDither->click();
    EXPECT_EQ(mapSize(), QSize(36, 56));
    form->cmdGoDefault->click();
    EXPECT_EQ(mapSize(), QSize(254, 254));
    EXPECT_TRUE(form->OpOctreePalette->isChecked());
    EXPECT_TRUE(form->OpSinglePlayer->isChecked());
    EXPECT_TRUE(form->OpDoDither->isChecked());
    EXPECT_FALSE(form->lblMPos[0]->isVisible());
    EXPECT_EQ(form->document().CurrentPalette, tw::Palette{}); // adaptive, no picture yet
}

TEST_F(WindowTest, AuthorUnderlineClearsOverTheBackgroundButNotOverControls) {
    start();
    auto* author = form->about->lblAuthor;
    const auto moveTo = [](QWidget* w, QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    };
    moveTo(author, {5, 5});
    ASSERT_TRUE(author->hoverUnderline());
    moveTo(form.get(), form->cmdKMOut->geometry().center()); // passed up by a control
    EXPECT_TRUE(author->hoverUnderline());
    moveTo(form.get(), {290, 700}); // the window's own background
    EXPECT_FALSE(author->hoverUnderline());
}
