// The default terrain attribute picker: a scroll bar selecting 0 .. 35 and a display
// button showing the selected value's icon from the icon strip.
#pragma once

#include <QImage>
#include <QWidget>

class QPushButton;
class QScrollBar;

namespace tw::ui {

class AttributePicker : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kCell = 32;
    static constexpr int kLastValue = 35;
    static constexpr int kArrowStep = 1;
    static constexpr int kPageStep = 10;
    // The strip's background; transparent on the display button.
    static constexpr QRgb kMaskColour = 0xff660000; // red 102, green 0, blue 0

    // Uses the built-in icon strip ":/attr_icons.bmp".
    explicit AttributePicker(QWidget* parent = nullptr);
    // Uses the given strip: 36 cells of 32 x 32 side by side.
    explicit AttributePicker(const QImage& strip, QWidget* parent = nullptr);

    // The selected attribute, 0 .. 35; the export writes it into every inner cell.
    int value() const;
    // The icon on the display button as the disabled button draws it: 32 x 32 with the
    // mask colour transparent; a null image until the value first changes.
    QImage shownIcon() const;

    QPushButton* const cmdTerran;
    QScrollBar* const HSAttr;

  public slots:
    // Shows the cell of the scroll bar's current value on the display button.
    void ShowAttrIcon();

  signals:
    // After every ShowAttrIcon, with the value whose icon is now shown.
    void attrIconShown(int value);

  private:
    // The icon strip, as 32-bit pixels.
    QImage pAttr;
};

} // namespace tw::ui
