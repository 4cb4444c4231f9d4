// A push button whose caption wraps onto several lines, centred, like the window's
// taller buttons.
#pragma once

#include <QLabel>
#include <QPushButton>

namespace tw::ui {

class WrapButton : public QPushButton {
  public:
    WrapButton(const QString& caption, QWidget* parent);
    QString caption() const { return label_->text(); }

  protected:
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

  private:
    QLabel* label_;
};

} // namespace tw::ui
