#include "AttributePicker.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>

namespace tw::ui {

AttributePicker::AttributePicker(QWidget* parent)
    : AttributePicker(QImage(QStringLiteral(":/attr_icons.bmp")), parent) {}

AttributePicker::AttributePicker(const QImage& strip, QWidget* parent)
    : QWidget(parent), cmdTerran(new QPushButton(this)),
      HSAttr(new QScrollBar(Qt::Horizontal, this)),
      pAttr(strip.convertToFormat(QImage::Format_RGB32)) {
    setObjectName(QStringLiteral("picDefaultAttr"));
    setFixedSize(85, 62);

    // Only a display: disabled, no text, no picture until the value first changes.
    cmdTerran->setObjectName(QStringLiteral("cmdTerran"));
    cmdTerran->setGeometry(0, 0, 41, 41);
    cmdTerran->setIconSize(QSize(kCell, kCell));
    cmdTerran->setFocusPolicy(Qt::NoFocus);
    cmdTerran->setEnabled(false);

    HSAttr->setObjectName(QStringLiteral("HSAttr"));
    HSAttr->setGeometry(0, 41, 81, 17);
    HSAttr->setRange(0, kLastValue);
    HSAttr->setSingleStep(kArrowStep);
    HSAttr->setPageStep(kPageStep);
    HSAttr->setValue(0);
    // Reachable by Tab like the other controls; Left and Right then move towards the arrow of
    // that side (a QScrollBar's inverted controls would turn them round).
    HSAttr->setFocusPolicy(Qt::StrongFocus);
    HSAttr->setInvertedControls(false);
    // With tracking the value follows the thumb, so every position a drag passes is a
    // value change and shows its icon; the end of a drag or a click is one as well.
    HSAttr->setTracking(true);
    connect(HSAttr, &QScrollBar::valueChanged, this, &AttributePicker::ShowAttrIcon);
}

int AttributePicker::value() const {
    return HSAttr->value();
}

QImage AttributePicker::shownIcon() const {
    const QIcon icon = cmdTerran->icon();
    if (icon.isNull()) return {};
    return icon.pixmap(QSize(kCell, kCell), QIcon::Disabled)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

void AttributePicker::ShowAttrIcon() {
    const int v = HSAttr->value();

    // A 32 x 32 surface holding only the strip's background, then the value's cell on it.
    QImage cell(kCell, kCell, QImage::Format_ARGB32);
    cell.fill(kMaskColour);
    {
        QPainter painter(&cell);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, pAttr, kCell * v, 0, kCell, kCell);
    }
    // The background colour becomes transparent so that only the icon shows on the button.
    for (int y = 0; y < kCell; ++y) {
        auto* row = reinterpret_cast<QRgb*>(cell.scanLine(y));
        for (int x = 0; x < kCell; ++x) {
            if (row[x] == kMaskColour) row[x] = qRgba(0, 0, 0, 0);
        }
    }

    // The button is disabled for good; giving the disabled state the same picture keeps
    // the icon in its own colours instead of the style's greyed-out version.
    const QPixmap picture = QPixmap::fromImage(cell);
    QIcon icon;
    icon.addPixmap(picture, QIcon::Normal);
    icon.addPixmap(picture, QIcon::Disabled);
    cmdTerran->setIcon(icon);
    emit attrIconShown(v);
}

} // namespace tw::ui
