// The three small boxes on the preview's right edge, bottom edge and bottom-right corner
// that change the map size by mouse drag or arrow keys.
#pragma once

#include <QPointF>
#include <QSize>
#include <QWidget>

#include <optional>

namespace tw::ui {

// What a grip resizes: the preview, in window pixels (grids plus the preview's frame).
struct GripTarget {
    virtual ~GripTarget() = default;
    virtual QSize outerSize() const = 0;
    // Sets the outer width and height in one step; the target lays itself out once.
    virtual void setOuterSize(QSize size) = 0;
    virtual QSize minimumOuter() const = 0;
    virtual QSize maximumOuter() const = 0;
};

class SizeGrip : public QWidget {
    Q_OBJECT

  public:
    // Width is `picSZRight`, Height `picSZDown`, Both `picSZDownRight`.
    enum class Axis { Width, Height, Both };

    static constexpr int kSide = 17;

    explicit SizeGrip(Axis axis, GripTarget* target = nullptr, QWidget* parent = nullptr);

    Axis axis() const { return axis_; }
    void setTarget(GripTarget* target) { target_ = target; }
    // Where the pointer was last seen over the grip with no button down, in the grip's
    // pixels; only the coordinates of the grip's axis are ever updated.
    QPointF grabPosition() const { return grab_; }

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool changesWidth() const { return axis_ != Axis::Height; }
    bool changesHeight() const { return axis_ != Axis::Width; }
    // Rounds the sides given (halves to even), clamps them to the target's limits and hands
    // the size over; a side not given keeps its current value.
    void resizeTarget(std::optional<float> width, std::optional<float> height);

    Axis axis_;
    GripTarget* target_;
    QPointF grab_;
    bool focusMark_ = false;
};

} // namespace tw::ui
