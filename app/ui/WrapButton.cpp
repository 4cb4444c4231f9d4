#include "WrapButton.h"

#include <QEvent>

namespace tw::ui {

WrapButton::WrapButton(const QString& caption, QWidget* parent) : QPushButton(parent) {
    label_ = new QLabel(caption, this);
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignCenter);
    label_->setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(caption);
}

void WrapButton::resizeEvent(QResizeEvent* e) {
    QPushButton::resizeEvent(e);
    label_->setGeometry(rect().adjusted(3, 2, -3, -2));
}

void WrapButton::changeEvent(QEvent* e) {
    QPushButton::changeEvent(e);
    if (e->type() == QEvent::EnabledChange) label_->setEnabled(isEnabled());
}

} // namespace tw::ui
