#include "PaletteBox.h"

#include <QPainter>

namespace tw::ui {

PaletteBox::PaletteBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaletteBox::showPalette(const Palette& palette) {
    shown_ = palette;
    update();
}

void PaletteBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (!shown_) return;
    const Palette& pal = *shown_;
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 16; ++c) {
            const int i = 16 * r + c;
            const QColor colour(pal[4 * i + 2], pal[4 * i + 1], pal[4 * i]);
            // Corners (5c, 5r) and (5c + 4, 5r + 4), the far corner not filled.
            p.fillRect(5 * c, 5 * r, 4, 4, colour);
        }
    }
}

} // namespace tw::ui
