#include "AttributePicker.h"

#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

using tw::ui::AttributePicker;

constexpr QRgb kDarkRed = 0xff660000;
constexpr QRgb kYellow = 0xffffff00;

// A strip whose cell k holds one 4 x 4 block in a colour that names k, at a place that
// also differs from cell to cell, on the dark red background.
QImage numberedStrip() {
    QImage strip(36 * 32, 32, QImage::Format_RGB32);
    strip.fill(kDarkRed);
    QPainter painter(&strip);
    for (int k = 0; k < 36; ++k)
        painter.fillRect(32 * k + (k % 7) * 4, (k / 7) * 4, 4, 4, QColor(k * 7, 255, 0));
    return strip;
}

// The number named by the block in a shown icon, or -1 when the icon is not one such cell
// with everything else transparent.
int numberShown(const QImage& icon) {
    if (icon.size() != QSize(32, 32)) return -1;
    int number = -1;
    int opaque = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb p = icon.pixel(x, y);
            if (qAlpha(p) == 0) continue;
            ++opaque;
            if (qGreen(p) != 255 || qRed(p) % 7 != 0) return -1;
            const int k = qRed(p) / 7;
            if (x != (k % 7) * 4 + x % 4 || y != (k / 7) * 4 + y % 4) return -1;
            number = k;
        }
    }
    return opaque == 16 ? number : -1;
}

QImage builtInStrip() {
    return QImage(QStringLiteral(":/attr_icons.bmp")).convertToFormat(QImage::Format_RGB32);
}

TEST(AttributePicker, StartsAtZeroWithNoPictureAndADisabledDisplay) {
    AttributePicker picker;
    EXPECT_EQ(picker.objectName(), QStringLiteral("picDefaultAttr"));
    EXPECT_EQ(picker.value(), 0);
    EXPECT_EQ(picker.HSAttr->minimum(), 0);
    EXPECT_EQ(picker.HSAttr->maximum(), 35);
    EXPECT_TRUE(picker.shownIcon().isNull());
    EXPECT_TRUE(picker.cmdTerran->icon().isNull());
    EXPECT_FALSE(picker.cmdTerran->isEnabled());
}

TEST(AttributePicker, ValueThirtyFiveShowsTheLastCellOfTheBuiltInStrip) {
    const QImage strip = builtInStrip();
    ASSERT_EQ(strip.size(), QSize(1152, 32));
    AttributePicker picker;
    picker.HSAttr->setValue(35);

    const QImage shown = picker.shownIcon();
    ASSERT_EQ(shown.size(), QSize(32, 32));
    int iconPixels = 0;
    bool differsFromCell34 = false;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb cell = strip.pixel(1120 + x, y);
            differsFromCell34 |= cell != strip.pixel(1088 + x, y);
            if (cell == kDarkRed) {
                EXPECT_EQ(qAlpha(shown.pixel(x, y)), 0) << "at " << x << ", " << y;
            } else {
                ++iconPixels;
                EXPECT_EQ(shown.pixel(x, y), cell) << "at " << x << ", " << y;
            }
        }
    }
    EXPECT_GT(iconPixels, 0);
    EXPECT_TRUE(differsFromCell34);
}

TEST(AttributePicker, ArrowAndPageStepsSelectTheCellsTheyReach) {
    struct Step {
        QAbstractSlider::SliderAction action;
        int expected;
    };
    AttributePicker picker(numberedStrip());
    const Step steps[] = {
        {QAbstractSlider::SliderSingleStepAdd, 1},  {QAbstractSlider::SliderPageStepAdd, 11},
        {QAbstractSlider::SliderPageStepAdd, 21},   {QAbstractSlider::SliderPageStepAdd, 31},
        {QAbstractSlider::SliderPageStepAdd, 35},   {QAbstractSlider::SliderSingleStepAdd, 35},
        {QAbstractSlider::SliderSingleStepSub, 34}, {QAbstractSlider::SliderPageStepSub, 24},
        {QAbstractSlider::SliderToMinimum, 0},
    };
    for (const Step& step : steps) {
        picker.HSAttr->triggerAction(step.action);
        EXPECT_EQ(picker.value(), step.expected);
        EXPECT_EQ(numberShown(picker.shownIcon()), step.expected);
    }
}

TEST(AttributePicker, ArrowKeysOnTheScrollBarMoveTowardsTheirSide) {
    struct Press {
        Qt::Key key;
        int expected;
    };
    AttributePicker picker(numberedStrip());
    EXPECT_TRUE(picker.HSAttr->focusPolicy() & Qt::TabFocus);
    for (const Press& press :
         {Press{Qt::Key_End, 35}, Press{Qt::Key_Left, 34}, Press{Qt::Key_Right, 35},
          Press{Qt::Key_Home, 0}, Press{Qt::Key_Right, 1}}) {
        QTest::keyClick(picker.HSAttr, press.key);
        EXPECT_EQ(picker.value(), press.expected) << "key " << press.key;
        EXPECT_EQ(numberShown(picker.shownIcon()), press.expected) << "key " << press.key;
    }
}

// Where the thumb of a scroll bar is drawn.
QRect thumbRect(QScrollBar* bar) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.subControls = QStyle::SC_All;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                        bar);
}

// Every value the icon was shown for, with the number the shown icon names.
struct ShownLog {
    std::vector<int> values;
    std::vector<int> shown;

    explicit ShownLog(AttributePicker& picker) {
        QObject::connect(&picker, &AttributePicker::attrIconShown, [this, &picker](int value) {
            values.push_back(value);
            shown.push_back(numberShown(picker.shownIcon()));
        });
    }
};

TEST(AttributePicker, MouseDragShowsTheIconOfEveryPositionTheThumbTakes) {
    AttributePicker picker(numberedStrip());
    picker.show();
    QScrollBar* bar = picker.HSAttr;
    const QRect thumb = thumbRect(bar);
    ASSERT_FALSE(thumb.isEmpty());

    std::vector<int> thumbPositions;
    QObject::connect(bar, &QScrollBar::sliderMoved,
                     [&](int position) { thumbPositions.push_back(position); });
    ShownLog log(picker);

    // One pixel at a time across the whole bar.
    QPoint pointer = thumb.center();
    QTest::mousePress(bar, Qt::LeftButton, {}, pointer);
    while (pointer.x() < bar->width() + 10) {
        pointer.rx() += 1;
        QTest::mouseMove(bar, pointer);
        EXPECT_EQ(numberShown(picker.shownIcon()), bar->sliderPosition());
    }
    QTest::mouseRelease(bar, Qt::LeftButton, {}, pointer);

    ASSERT_GE(thumbPositions.size(), 10u);
    EXPECT_EQ(thumbPositions.back(), 35);
    EXPECT_EQ(log.values, thumbPositions);
    EXPECT_EQ(log.shown, thumbPositions);
    EXPECT_EQ(picker.value(), 35);
}

TEST(AttributePicker, ThumbDragFromZeroToThirtyFiveShowsEveryIntermediateValue) {
    AttributePicker picker(numberedStrip());
    QScrollBar* bar = picker.HSAttr;
    ShownLog log(picker);

    // The positions a slow drag passes, as the bar's own mouse handling reports them.
    bar->setSliderDown(true);
    for (int position = 1; position <= 35; ++position) {
        bar->setSliderPosition(position);
        EXPECT_EQ(numberShown(picker.shownIcon()), position);
    }
    bar->setSliderDown(false);

    std::vector<int> expected;
    for (int v = 1; v <= 35; ++v)
        expected.push_back(v);
    EXPECT_EQ(log.values, expected);
    EXPECT_EQ(log.shown, expected);
    EXPECT_EQ(picker.value(), 35);
}

TEST(AttributePicker, DisabledButtonShowsTheIconInItsColoursWithoutTheBackground) {
    const QImage strip = builtInStrip();
    AttributePicker picker;
    picker.show();
    for (int value : {1, 14, 35}) {
        SCOPED_TRACE(testing::Message() << "value " << value);
        picker.HSAttr->setValue(value);
        int yellowInCell = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                yellowInCell += strip.pixel(32 * value + x, y) == kYellow;
        ASSERT_GT(yellowInCell, 0);

        const QImage button =
            picker.cmdTerran->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int yellowOnButton = 0;
        int darkRedOnButton = 0;
        for (int y = 0; y < button.height(); ++y) {
            for (int x = 0; x < button.width(); ++x) {
                yellowOnButton += button.pixel(x, y) == kYellow;
                darkRedOnButton += button.pixel(x, y) == kDarkRed;
            }
        }
        EXPECT_EQ(yellowOnButton, yellowInCell);
        EXPECT_EQ(darkRedOnButton, 0);
    }
}

} // namespace
