// The three labels in the lower left of the window: the usage note, the author label that
// behaves like a link to the author's forum, and the notice below it.
#pragma once

#include <QLabel>
#include <QObject>

namespace tw::toolkit {
class UserInterface;
}

namespace tw::ui {

// `lblAuthor`: underlined while the pointer is over it, opens the forum page when clicked.
class AuthorLabel : public QLabel {
    Q_OBJECT

  public:
    // Clicks open the forum through `ui`, which must outlive the label.
    explicit AuthorLabel(toolkit::UserInterface& ui, QWidget* parent = nullptr);

    bool hoverUnderline() const { return font().underline(); }

  public slots:
    void SetAuthorHover();
    void ClearAuthorHover();
    // Hands the forum page to the browser and returns at once.
    void OpenAuthorForum();

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void setUnderline(bool on);

    toolkit::UserInterface& ui_;
    bool pressed_ = false;
};

// Creates the three labels as children of `parent`, sized; the window places them.
class AboutLabels : public QObject {
    Q_OBJECT

  public:
    // Room for the texts in the window's 11-pixel font (13-pixel lines): the author label
    // holds four lines and its web address unbroken, the notice three lines.
    static constexpr QSize kAttentionSize{270, 228};
    static constexpr QSize kAuthorSize{216, 52};
    static constexpr QSize kNoticeSize{276, 40};

    AboutLabels(toolkit::UserInterface& ui, QWidget* parent);

    // Their texts, lines separated by CR LF.
    static QString attentionText();
    static QString authorText();
    static QString noticeText();

    QLabel* const lblAttention;
    AuthorLabel* const lblAuthor;
    QLabel* const lblNotice;

  public slots:
    // Switches the author label's underline off; the window also calls it for pointer
    // moves over its own background.
    void ClearAuthorHover();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace tw::ui
