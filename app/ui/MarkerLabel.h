// A 12 x 12 start or bunker marker on the preview: its caption on a transparent
// background, the move cursor, and pointer moves reported in 1/15 pixel.
#pragma once

#include <QLabel>

#include <functional>

namespace tw::ui {

class MarkerLabel : public QLabel {
  public:
    MarkerLabel(const QString& caption, QWidget* parent);
    // (x, y) relative to the marker in 1/15 pixel, and whether any button is held.
    std::function<void(float x, float y, bool buttonHeld)> onPointerMove;

  protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
};

} // namespace tw::ui
