#include "WindowFixture.h"

#include "MarkerLabel.h"
#include "WrapButton.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

struct ApplyCase {
    const char* width;
    const char* height;
    QSize grids;
};

TEST_F(WindowTest, ApplyReadsLenientlyAndClamps) {
    start();
    const std::vector<ApplyCase> cases = {{"100", "abc", {100, 24}},
                                          {"300", "20", {254, 24}},
                                          {"  50.0", "\t60x", {50, 60}},
                                          {"-5", "", {31, 24}},
                                          {"31", "24", {31, 24}}};
    for (const auto& c : cases) {
        form->txtWidth->setText(c.width);
        form->txtHeight->setText(c.height);
        form->CmdApplySize->click();
        EXPECT_EQ(mapSize(), c.grids) << c.width << " / " << c.height;
    }
    // The boxes show the size that resulted; an unchanged size leaves what was typed.
    EXPECT_EQ(form->txtWidth->text(), "31");
    form->txtWidth->setText("abc");
    form->txtHeight->setText("10");
    form->CmdApplySize->click();
    EXPECT_EQ(mapSize(), QSize(31, 24));
    EXPECT_EQ(form->txtWidth->text(), "abc");
}

TEST_F(WindowTest, WarningShowsBelowTheLegalMinimum) {
    start();
    struct Case {
        QSize grids;
        bool warn;
    };
    for (const auto& c : {Case{{47, 100}, true}, Case{{48, 48}, false}, Case{{100, 47}, true},
                          Case{{254, 254}, false}}) {
        form->setPreviewOuterSize(c.grids.width() + 4, c.grids.height() + 4);
        EXPECT_EQ(mapSize(), c.grids);
        EXPECT_EQ(form->ImgWarning->isVisible(), c.warn)
            << c.grids.width() << "x" << c.grids.height();
        EXPECT_EQ(form->cmdLegalSmallest->isVisible(), c.warn);
    }
}

TEST_F(WindowTest, LegalMinimumButtonTakesTheDashedBox) {
    start();
    form->setPreviewOuterSize(35, 28);
    ASSERT_TRUE(form->cmdLegalSmallest->isVisible());
    form->cmdLegalSmallest->click();
    EXPECT_EQ(mapSize(), QSize(48, 48));
    EXPECT_EQ(form->picPreview->geometry(), QRect(8, 24, 52, 52));
    EXPECT_EQ(form->txtWidth->text(), "48");
    EXPECT_EQ(form->txtHeight->text(), "48");
    EXPECT_FALSE(form->ImgWarning->isVisible());
    EXPECT_FALSE(form->cmdLegalSmallest->isVisible());
}

TEST_F(WindowTest, LayoutNeverExceedsTheMaximumAndPlacesTheGrips) {
    start();
    form->setPreviewOuterSize(400, 300);
    EXPECT_EQ(mapSize(), QSize(254, 254));
    EXPECT_EQ(form->txtWidth->text(), "254");
    form->setPreviewOuterSize(35, 28);
    const QRect p = form->picPreview->geometry();
    EXPECT_EQ(form->picSZRight->geometry(), QRect(p.right() + 1, p.top() + (28 - 17) / 2, 17, 17));
    EXPECT_EQ(form->picSZDown->geometry(), QRect(p.left() + (35 - 17) / 2, p.bottom() + 1, 17, 17));
    EXPECT_EQ(form->picSZDownRight->pos(), QPoint(p.right() + 1, p.bottom() + 1));
}

TEST_F(WindowTest, ResetToInitialSizeAndDefaultsFollowThePicture) {
    start();
    drop(form->picPreview, {plainPicture("p.png", 1024, 768)});
    form->setPreviewOuterSize(100, 100);
    form->cmdPrimitiveSize->click();
    EXPECT_EQ(mapSize(), QSize(33, 25));
    form->setPreviewOuterSize(100, 100);
    form->cmdGoDefault->click();
    EXPECT_EQ(mapSize(), QSize(33, 25));
}

TEST_F(WindowTest, MarkersShowOnlyForMultiplayerAndKeepTheirPlaces) {
    start();
    form->setPreviewOuterSize(68, 68); // 64 x 64 grids
    form->ResetMPos();
    form->OpMultiplayer->click();
    EXPECT_TRUE(form->cmdResetPos->isVisible());
    EXPECT_TRUE(form->lblBPos[7]->isVisible());
    // Start marker 2 of a 64 x 64 map is centred at (32, 8): its top-left is (26, 2),
    // inside the preview's client area which begins after the 2-pixel frame.
    EXPECT_EQ(form->lblMPos[1]->pos(), QPoint(2 + 26, 2 + 2));
    form->setPreviewOuterSize(132, 68); // 128 x 64
    EXPECT_EQ(form->lblMPos[1]->pos(), QPoint(2 + 58, 2 + 2));
    form->OpSinglePlayer->click();
    EXPECT_FALSE(form->lblMPos[1]->isVisible());
    form->OpMultiplayer->click();
    EXPECT_EQ(form->lblMPos[1]->pos(), QPoint(2 + 58, 2 + 2));
}

TEST_F(WindowTest, DraggingAMarkerMovesByWholePixelsAndStopsAtTheEdge) {
    start();
    form->setPreviewOuterSize(68, 68);
    form->ResetMPos();
    form->OpMultiplayer->click();
    auto& m = form->markers();
    // Grab point set while no button is held; then 14 units do not move, 15 do.
    form->MarkerMove(tw::MarkerKind::Start, 0, 90, 90, false);
    form->MarkerMove(tw::MarkerKind::Start, 0, 104, 90, true);
    EXPECT_EQ(m.start[0].left, 2);
    form->MarkerMove(tw::MarkerKind::Start, 0, 105, 90, true);
    EXPECT_EQ(m.start[0].left, 3);
    form->MarkerMove(tw::MarkerKind::Start, 0, 90 - 14, 90, true);
    EXPECT_EQ(m.start[0].left, 3);
    form->MarkerMove(tw::MarkerKind::Start, 0, 90 - 15, 90, true);
    EXPECT_EQ(m.start[0].left, 2);
    // Far beyond the right and bottom edge: the centre stops on the edge.
    form->MarkerMove(tw::MarkerKind::Start, 0, 90 + 15 * 500, 90 + 15 * 500, true);
    EXPECT_EQ(m.filePositions()[0].x, 64);
    EXPECT_EQ(m.filePositions()[0].y, 64);
    EXPECT_DOUBLE_EQ(m.startRel[0].x, 1.0);
    // The bunker markers keep their own grab point.
    form->MarkerMove(tw::MarkerKind::Bunker, 7, 0, 0, true);
    EXPECT_EQ(m.filePositions()[15].x, 48);
}
