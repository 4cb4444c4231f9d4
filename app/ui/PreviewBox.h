// The map preview: a sunken box whose client area shows the map at one pixel per grid.
// It accepts dropped files and hands painting and drops to the window.
#pragma once

#include <QFrame>
#include <QStringList>

#include <functional>

class QMimeData;

namespace tw::ui {

// True when a drag carries at least one local file; drags of other data are refused.
bool carriesFiles(const QMimeData* data);
QStringList droppedFiles(const QMimeData* data);

class PreviewBox : public QFrame {
  public:
    explicit PreviewBox(QWidget* parent);
    std::function<void(QPainter&)> onPaint;
    std::function<void(const QStringList&)> onDrop;

  protected:
    void paintEvent(QPaintEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
};

// A label that hands its drops to the same handler as the preview.
class DropLabel : public QFrame {
  public:
    DropLabel(const QString& text, QWidget* parent);
    std::function<void(const QStringList&)> onDrop;
    QString text() const { return text_; }

  protected:
    void paintEvent(QPaintEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

  private:
    QString text_;
};

} // namespace tw::ui
