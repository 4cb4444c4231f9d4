#include "MarkerLabel.h"

#include <QMouseEvent>

namespace tw::ui {

MarkerLabel::MarkerLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::SizeAllCursor);
    setMouseTracking(true);
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    resize(12, 12);
}

void MarkerLabel::mouseMoveEvent(QMouseEvent* e) {
    if (onPointerMove)
        onPointerMove(static_cast<float>(e->position().x() * 15),
                      static_cast<float>(e->position().y() * 15), e->buttons() != Qt::NoButton);
}

void MarkerLabel::mousePressEvent(QMouseEvent* e) {
    e->accept();
}

} // namespace tw::ui
