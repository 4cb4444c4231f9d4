// A rectangle outline drawn over whatever lies beneath it: black and solid, or white
// and dotted. Two of them on top of each other make the dashed legal-minimum box.
#pragma once

#include <QWidget>

namespace tw::ui {

class Shape : public QWidget {
  public:
    enum class Style { BlackSolid, WhiteDotted };
    Shape(Style style, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    Style style_;
};

} // namespace tw::ui
