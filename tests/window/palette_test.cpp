#include "WindowFixture.h"

#include "PaletteBox.h"

#include <QRadioButton>

TEST_F(WindowTest, PaletteOptionsCopyTheirPaletteInOrderOfPrecedence) {
    start();
    auto& doc = form->document();
    struct Case {
        QRadioButton* option;
        const tw::Palette* source;
    };
    for (const auto& c : {Case{form->OpDesertPalette, &doc.DesertPalette},
                          Case{form->OpUrbanPalette, &doc.UrbanPalette},
                          Case{form->OpDesertPalette, &doc.DesertPalette},
                          Case{form->OpHighlandPalette, &doc.HighlandPalette},
                          Case{form->OpGrayPalette, &doc.GreyPalette},
                          Case{form->OpOctreePalette, &doc.AdaptivePalette}}) {
        c.option->click();
        EXPECT_EQ(doc.CurrentPalette, *c.source) << c.option->text().toStdString();
        EXPECT_EQ(*form->picPal->shown(), doc.CurrentPalette);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(WindowTest, NoSelectedPaletteWarnsAndKeepsTheCurrentOne) {
    start();
    form->OpUrbanPalette->click();
    const auto before = form->document().CurrentPalette;
    form->OpUrbanPalette->setAutoExclusive(false);
    form->OpUrbanPalette->setChecked(false);
    form->RefreshPalette();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Please select a palette!");
    EXPECT_EQ(ui.messages[0].title, "You have not selected a palette");
    EXPECT_EQ(ui.messages[0].icon, tw::toolkit::Icon::Warning);
    EXPECT_EQ(form->document().CurrentPalette, before);
}

TEST_F(WindowTest, SwatchesSitAtAFivePixelPitch) {
    start();
    form->OpGrayPalette->click();
    const QImage shot = form->picPal->grab().toImage();
    // Entry 17: second row, second column, corners (5, 5) and (9, 9); the gaps stay black.
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(17, 17, 17));
    EXPECT_EQ(shot.pixelColor(8, 8), QColor(17, 17, 17));
    EXPECT_EQ(shot.pixelColor(9, 9), QColor(0, 0, 0));
    EXPECT_EQ(shot.pixelColor(79, 79), QColor(0, 0, 0));
    EXPECT_EQ(shot.pixelColor(78, 78), QColor(255, 255, 255));
    EXPECT_EQ(shot.pixelColor(82, 82), QColor(0, 0, 0));
}
