#include "PreviewBox.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace tw::ui {

QStringList droppedFiles(const QMimeData* data) {
    QStringList files;
    if (data == nullptr) return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) files << url.toLocalFile();
    }
    return files;
}

bool carriesFiles(const QMimeData* data) {
    return !droppedFiles(data).isEmpty();
}

PreviewBox::PreviewBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAcceptDrops(true);
    setAutoFillBackground(true);
}

void PreviewBox::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    if (!onPaint) return;
    QPainter p(this);
    p.setClipRect(contentsRect());
    p.translate(contentsRect().topLeft());
    onPaint(p);
}

void PreviewBox::dragEnterEvent(QDragEnterEvent* e) {
    if (carriesFiles(e->mimeData())) e->acceptProposedAction();
}

void PreviewBox::dropEvent(QDropEvent* e) {
    const QStringList files = droppedFiles(e->mimeData());
    e->acceptProposedAction();
    if (onDrop) onDrop(files);
}

DropLabel::DropLabel(const QString& text, QWidget* parent) : QFrame(parent), text_(text) {
    setAcceptDrops(true);
}

void DropLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text_);
}

void DropLabel::dragEnterEvent(QDragEnterEvent* e) {
    if (carriesFiles(e->mimeData())) e->acceptProposedAction();
}

void DropLabel::dropEvent(QDropEvent* e) {
    const QStringList files = droppedFiles(e->mimeData());
    e->acceptProposedAction();
    if (onDrop) onDrop(files);
}

} // namespace tw::ui
