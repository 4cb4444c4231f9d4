#include "SizeGrip.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

using tw::ui::SizeGrip;
using Axis = SizeGrip::Axis;

// A preview with the standard sunken frame: 4 pixels on each axis around the grids.
class FakePreview : public tw::ui::GripTarget {
  public:
    static constexpr int kFrame = 4;

    explicit FakePreview(QSize grids) : outer_(grids + QSize(kFrame, kFrame)) {}

    QSize outerSize() const override { return outer_; }
    void setOuterSize(QSize size) override {
        outer_ = size;
        calls.push_back(size);
    }
    QSize minimumOuter() const override { return {kFrame + 31, kFrame + 24}; }
    QSize maximumOuter() const override { return {kFrame + 254, kFrame + 254}; }

    QSize grids() const { return outer_ - QSize(kFrame, kFrame); }

    std::vector<QSize> calls;

  private:
    QSize outer_;
};

void sendMove(QWidget* widget, QPointF pos, Qt::MouseButtons buttons = Qt::NoButton) {
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, buttons,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

TEST(SizeGrip, NamesCursorsAndFocusFollowTheAxis) {
    struct Case {
        Axis axis;
        const char* name;
        Qt::CursorShape cursor;
    };
    for (const Case& c : {Case{Axis::Width, "picSZRight", Qt::SizeHorCursor},
                          Case{Axis::Height, "picSZDown", Qt::SizeVerCursor},
                          Case{Axis::Both, "picSZDownRight", Qt::SizeFDiagCursor}}) {
        SizeGrip grip(c.axis);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(grip.objectName(), QString::fromLatin1(c.name));
        EXPECT_EQ(grip.cursor().shape(), c.cursor);
        EXPECT_EQ(grip.size(), QSize(17, 17));
        EXPECT_TRUE(grip.focusPolicy() & Qt::TabFocus);
    }
}

TEST(SizeGrip, ArrowKeysStepByModifierMaskWithinLimits) {
    const auto none = Qt::NoModifier;
    const auto shift = Qt::ShiftModifier;
    const auto ctrl = Qt::ControlModifier;
    const auto alt = Qt::AltModifier;
    struct Case {
        Axis axis;
        QSize start; // grids
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QSize expected;
    };
    const Case cases[] = {
        {Axis::Width, {31, 40}, Qt::Key_Left, none, {31, 40}},    // at the minimum already
        {Axis::Width, {254, 40}, Qt::Key_Right, none, {254, 40}}, // at the maximum already
        {Axis::Width, {100, 40}, Qt::Key_Left, none, {99, 40}},
        {Axis::Width, {100, 40}, Qt::Key_Right, shift, {102, 40}},
        {Axis::Width, {100, 40}, Qt::Key_Right, ctrl, {103, 40}},
        {Axis::Width, {100, 40}, Qt::Key_Left, alt, {95, 40}},
        {Axis::Width, {100, 40}, Qt::Key_Right, shift | ctrl | alt, {108, 40}},
        {Axis::Width, {252, 40}, Qt::Key_Right, ctrl, {254, 40}}, // clamped on the way
        {Axis::Width, {33, 40}, Qt::Key_Left, shift | ctrl, {31, 40}},
        {Axis::Height, {100, 40}, Qt::Key_Down, ctrl | shift, {100, 44}},
        {Axis::Height, {100, 40}, Qt::Key_Down, none, {100, 41}},
        {Axis::Height, {100, 40}, Qt::Key_Up, ctrl | alt, {100, 33}},
        {Axis::Height, {100, 24}, Qt::Key_Up, none, {100, 24}},
        {Axis::Height, {100, 250}, Qt::Key_Down, shift | alt, {100, 254}},
        {Axis::Both, {100, 40}, Qt::Key_Left, none, {99, 40}},
        {Axis::Both, {100, 40}, Qt::Key_Up, none, {100, 39}},
        {Axis::Both, {100, 40}, Qt::Key_Right, ctrl | alt, {107, 40}},
        {Axis::Both, {100, 40}, Qt::Key_Down, shift | alt, {100, 46}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "axis " << int(c.axis) << " key " << c.key
                                        << " modifiers " << c.modifiers.toInt());
        FakePreview preview(c.start);
        SizeGrip grip(c.axis, &preview);
        QTest::keyClick(&grip, c.key, c.modifiers);
        EXPECT_EQ(preview.grids(), c.expected);
        ASSERT_EQ(preview.calls.size(), 1u);
    }
}

TEST(SizeGrip, KeysOfTheOtherAxisAndOtherKeysChangeNothing) {
    struct Case {
        Axis axis;
        Qt::Key key;
    };
    for (const Case& c : {Case{Axis::Width, Qt::Key_Up}, Case{Axis::Width, Qt::Key_Down},
                          Case{Axis::Height, Qt::Key_Left}, Case{Axis::Height, Qt::Key_Right},
                          Case{Axis::Both, Qt::Key_Plus}, Case{Axis::Both, Qt::Key_PageDown}}) {
        SCOPED_TRACE(testing::Message() << "axis " << int(c.axis) << " key " << c.key);
        FakePreview preview({100, 40});
        SizeGrip grip(c.axis, &preview);
        QTest::keyClick(&grip, c.key);
        EXPECT_TRUE(preview.calls.empty());
        EXPECT_EQ(preview.grids(), QSize(100, 40));
    }
}

TEST(SizeGrip, MovesWithoutButtonSetOnlyTheAxisGrabPosition) {
    struct Case {
        Axis axis;
        QPointF expected;
    };
    for (const Case& c :
         {Case{Axis::Width, {7, 0}}, Case{Axis::Height, {0, 9}}, Case{Axis::Both, {7, 9}}}) {
        FakePreview preview({100, 40});
        SizeGrip grip(c.axis, &preview);
        sendMove(&grip, {3, 4});
        sendMove(&grip, {7, 9});
        EXPECT_EQ(grip.grabPosition(), c.expected) << "axis " << int(c.axis);
        EXPECT_TRUE(preview.calls.empty());
    }
}

TEST(SizeGrip, EachMouseButtonDragsFromTheGrabPosition) {
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        SCOPED_TRACE(testing::Message() << "button " << button);
        FakePreview preview({100, 40});
        SizeGrip grip(Axis::Width, &preview);
        sendMove(&grip, {8, 3});
        QTest::mousePress(&grip, button, {}, {8, 3});
        QTest::mouseMove(&grip, {2, 12});
        QTest::mouseRelease(&grip, button, {}, {2, 12});
        EXPECT_EQ(preview.grids(), QSize(94, 40));
        EXPECT_EQ(grip.grabPosition(), QPointF(8, 0));
    }
}

TEST(SizeGrip, HeightGripDragFollowsOnlyTheVerticalPointer) {
    FakePreview preview({100, 40});
    SizeGrip grip(Axis::Height, &preview);
    sendMove(&grip, {8, 5});
    QTest::mousePress(&grip, Qt::LeftButton, {}, {8, 5});
    QTest::mouseMove(&grip, {30, 12});
    QTest::mouseRelease(&grip, Qt::LeftButton, {}, {30, 12});
    EXPECT_EQ(preview.grids(), QSize(100, 47));
}

TEST(SizeGrip, DiagonalDragSetsBothSidesInOneCallEachClampedOnItsOwn) {
    FakePreview preview({250, 100});
    SizeGrip grip(Axis::Both, &preview);
    sendMove(&grip, {5, 6});
    QTest::mousePress(&grip, Qt::LeftButton, {}, {5, 6});

    // The fake does not move the grip, so each step adds the offset again.
    QTest::mouseMove(&grip, {15, 16});
    ASSERT_EQ(preview.calls.size(), 1u);
    EXPECT_EQ(preview.grids(), QSize(254, 110));
    QTest::mouseMove(&grip, {20, 26});
    ASSERT_EQ(preview.calls.size(), 2u);
    EXPECT_EQ(preview.grids(), QSize(254, 130));
    QTest::mouseMove(&grip, {-300, 6});
    EXPECT_EQ(preview.grids(), QSize(31, 130));

    QTest::mouseRelease(&grip, Qt::LeftButton, {}, {-300, 6});
    EXPECT_EQ(grip.grabPosition(), QPointF(5, 6));
}

TEST(SizeGrip, DragSizeIsRoundedHalfToEvenInSinglePrecision) {
    struct Case {
        double pointerX;
        int expectedOuter;
    };
    const Case cases[] = {
        {10.5, 114},       // 114.5 -> 114
        {11.5, 116},       // 115.5 -> 116
        {10.25, 114},      // 114.25
        {10.75, 115},      // 114.75
        {0.5000001, 104},  // 104.5000001 is 104.5 in single precision -> 104
        {-0.5000001, 104}, // 103.4999999 is 103.5 in single precision -> 104
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pointer x " << c.pointerX);
        FakePreview preview({100, 40}); // outer width 104
        SizeGrip grip(Axis::Width, &preview);
        sendMove(&grip, {0, 0});
        sendMove(&grip, {c.pointerX, 0}, Qt::LeftButton);
        EXPECT_EQ(preview.outerSize().width(), c.expectedOuter);
    }
}

// The grip as drawn: true where the pixel is the focus outline's blue.
std::vector<bool> bluePixels(SizeGrip& grip) {
    const QImage image = grip.grab().toImage().convertToFormat(QImage::Format_RGB32);
    std::vector<bool> blue;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            blue.push_back(image.pixel(x, y) == qRgb(0, 0, 255));
    return blue;
}

TEST(SizeGrip, FocusDrawsTheBlueOutlineAndTabbingAwayRemovesIt) {
    QWidget window;
    FakePreview preview({100, 40});
    auto* grip = new SizeGrip(Axis::Both, &preview, &window);
    auto* next = new QPushButton(QStringLiteral("next"), &window);
    next->move(40, 0);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    grip->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(grip->hasFocus());
    const std::vector<bool> focused = bluePixels(*grip);
    ASSERT_EQ(focused.size(), 17u * 17u);
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 17; ++x) {
            const bool edge = x == 0 || y == 0 || x == 16 || y == 16;
            EXPECT_EQ(focused[y * 17 + x], edge) << "at " << x << ", " << y;
        }
    }

    QTest::keyClick(grip, Qt::Key_Tab);
    ASSERT_TRUE(next->hasFocus());
    const std::vector<bool> unfocused = bluePixels(*grip);
    EXPECT_EQ(std::count(unfocused.begin(), unfocused.end(), true), 0);
    EXPECT_TRUE(preview.calls.empty());
}

} // namespace
