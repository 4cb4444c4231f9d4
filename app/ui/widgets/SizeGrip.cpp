#include "SizeGrip.h"

#include "Numbers.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <optional>

namespace tw::ui {
namespace {

const char* objectNameFor(SizeGrip::Axis axis) {
    switch (axis) {
    case SizeGrip::Axis::Width:
        return "picSZRight";
    case SizeGrip::Axis::Height:
        return "picSZDown";
    case SizeGrip::Axis::Both:
        return "picSZDownRight";
    }
    return "";
}

Qt::CursorShape cursorFor(SizeGrip::Axis axis) {
    switch (axis) {
    case SizeGrip::Axis::Width:
        return Qt::SizeHorCursor;
    case SizeGrip::Axis::Height:
        return Qt::SizeVerCursor;
    case SizeGrip::Axis::Both:
        return Qt::SizeFDiagCursor;
    }
    return Qt::ArrowCursor;
}

// Shift = 1, Ctrl = 2, Alt = 4; a key moves by the mask plus one pixel.
int keyStep(Qt::KeyboardModifiers modifiers) {
    int mask = 0;
    if (modifiers & Qt::ShiftModifier) mask |= 1;
    if (modifiers & Qt::ControlModifier) mask |= 2;
    if (modifiers & Qt::AltModifier) mask |= 4;
    return mask + 1;
}

int roundAndClamp(float value, int minimum, int maximum) {
    std::int64_t v = roundHalfEven(value);
    if (v < minimum) v = minimum;
    if (v > maximum) v = maximum;
    return static_cast<int>(v);
}

} // namespace

SizeGrip::SizeGrip(Axis axis, GripTarget* target, QWidget* parent)
    : QWidget(parent), axis_(axis), target_(target) {
    setObjectName(QString::fromLatin1(objectNameFor(axis)));
    setFixedSize(kSide, kSide);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(cursorFor(axis));
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    // Moves without a button pressed must arrive too: they set the grab position.
    setMouseTracking(true);
}

void SizeGrip::focusInEvent(QFocusEvent* event) {
    focusMark_ = true;
    update();
    QWidget::focusInEvent(event);
}

void SizeGrip::focusOutEvent(QFocusEvent* event) {
    focusMark_ = false;
    update();
    QWidget::focusOutEvent(event);
}

void SizeGrip::paintEvent(QPaintEvent*) {
    if (!focusMark_) return;
    QPainter painter(this);
    painter.setPen(QPen(QColor(0, 0, 255), 0));
    painter.setBrush(Qt::NoBrush);
    // A one-pixel outline covering the columns 0 .. width - 1 and rows 0 .. height - 1.
    painter.drawRect(QRect(0, 0, width() - 1, height() - 1));
}

void SizeGrip::keyPressEvent(QKeyEvent* event) {
    if (!target_) return QWidget::keyPressEvent(event);
    const int step = keyStep(event->modifiers());
    int dw = 0;
    int dh = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        dw = -step;
        break;
    case Qt::Key_Right:
        dw = step;
        break;
    case Qt::Key_Up:
        dh = -step;
        break;
    case Qt::Key_Down:
        dh = step;
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
    if ((dw != 0 && !changesWidth()) || (dh != 0 && !changesHeight()))
        return QWidget::keyPressEvent(event);

    const QSize current = target_->outerSize();
    std::optional<float> width;
    std::optional<float> height;
    if (dw != 0) width = static_cast<float>(current.width() + dw);
    if (dh != 0) height = static_cast<float>(current.height() + dh);
    resizeTarget(width, height);
}

void SizeGrip::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pointer = event->position();
    const Qt::MouseButtons dragging =
        event->buttons() & (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton);
    if (!dragging) {
        // The offset of the pointer inside the grip; kept unchanged through a drag, since the
        // layout moves the grip along with the preview's edge.
        if (changesWidth()) grab_.setX(pointer.x());
        if (changesHeight()) grab_.setY(pointer.y());
        return;
    }
    if (!target_) return;

    const QSize current = target_->outerSize();
    std::optional<float> width;
    std::optional<float> height;
    // The sum is formed in single precision before rounding.
    if (changesWidth())
        width = static_cast<float>(pointer.x()) - static_cast<float>(grab_.x()) +
                static_cast<float>(current.width());
    if (changesHeight())
        height = static_cast<float>(pointer.y()) - static_cast<float>(grab_.y()) +
                 static_cast<float>(current.height());
    resizeTarget(width, height);
}

void SizeGrip::resizeTarget(std::optional<float> width, std::optional<float> height) {
    try {
        const QSize minimum = target_->minimumOuter();
        const QSize maximum = target_->maximumOuter();
        QSize size = target_->outerSize();
        if (width) size.setWidth(roundAndClamp(*width, minimum.width(), maximum.width()));
        if (height) size.setHeight(roundAndClamp(*height, minimum.height(), maximum.height()));
        target_->setOuterSize(size);
    } catch (...) {
        // A grip never reports: a size the preview refuses simply leaves it as it was.
    }
}

} // namespace tw::ui
