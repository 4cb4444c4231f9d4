#include "Shape.h"

#include <QPainter>

namespace tw::ui {

Shape::Shape(Style style, QWidget* parent) : QWidget(parent), style_(style) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QPen pen(style_ == Style::BlackSolid ? Qt::black : Qt::white);
    pen.setWidth(1);
    pen.setStyle(style_ == Style::BlackSolid ? Qt::SolidLine : Qt::DotLine);
    p.setPen(pen);
    p.drawRect(0, 0, width() - 1, height() - 1);
}

} // namespace tw::ui
