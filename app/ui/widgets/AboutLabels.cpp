#include "AboutLabels.h"

#include "Contact.h"
#include "UserInterface.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <QStyle>

namespace tw::ui {
namespace {

const QString kLineBreak = QStringLiteral("\r\n");

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* makeTextLabel(const char* name, const QString& text, QSize size, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->resize(size);
    return label;
}

} // namespace

AuthorLabel::AuthorLabel(toolkit::UserInterface& ui, QWidget* parent) : QLabel(parent), ui_(ui) {
    setObjectName(QStringLiteral("lblAuthor"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
    setToolTip(QStringLiteral("单机以访问作者论坛。"));
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
}

void AuthorLabel::SetAuthorHover() {
    setUnderline(true);
}

void AuthorLabel::ClearAuthorHover() {
    setUnderline(false);
}

void AuthorLabel::setUnderline(bool on) {
    if (font().underline() == on) return;
    QFont underlined = font();
    underlined.setUnderline(on);
    setFont(underlined);
}

void AuthorLabel::OpenAuthorForum() {
    ui_.openWebAddress(contact::forumPageAddress());
}

void AuthorLabel::mouseMoveEvent(QMouseEvent* event) {
    SetAuthorHover();
    // Taken here: passed on, the window would treat it as a move over its background and
    // switch the underline off again.
    event->accept();
}

void AuthorLabel::paintEvent(QPaintEvent*) {
    // Drawn as they are, the CR of each line break would become a space that the hover
    // underline shows at the end of the line.
    QString shown = text();
    shown.replace(kLineBreak, QStringLiteral("\n"));
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), int(alignment()) | Qt::TextWordWrap, palette(),
                          isEnabled(), shown, foregroundRole());
}

void AuthorLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void AuthorLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A click is a left press and release both on the label.
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) OpenAuthorForum();
    QLabel::mouseReleaseEvent(event);
}

AboutLabels::AboutLabels(toolkit::UserInterface& ui, QWidget* parent)
    : QObject(parent),
      lblAttention(makeTextLabel("lblAttention", attentionText(), kAttentionSize, parent)),
      lblAuthor(new AuthorLabel(ui, parent)),
      lblNotice(makeTextLabel("lblNotice", noticeText(), kNoticeSize, parent)) {
    lblAuthor->setText(authorText());
    lblAuthor->resize(kAuthorSize);
    // Moving over the usage note or the notice ends the author label's hover look.
    for (QLabel* label : {lblAttention, lblNotice}) {
        label->setMouseTracking(true);
        label->installEventFilter(this);
    }
}

QString AboutLabels::attentionText() {
    return QStringList{
        QStringLiteral("Note:"),
        QStringLiteral("  Map size must greater than or equal to the minimal size (Dashed box). "
                       "If not, the map may cause error and couldn't load."),
        QStringLiteral("  The KM file exported couldn't be opened by official KME. Please use "
                       "KKND++'s Kme 2.0 to open it."),
        QStringLiteral("  This tool couldn't export a mission directly, and couldn't add any "
                       "creatures. Please use Kme 2.0 to edit it after exported."),
        QStringLiteral("  Click \"Export to KM\" to generate a KM file. This may take a very long "
                       "time, looks like \"died\", but it's still working."),
        QStringLiteral("  THIS TOOL COMES WITHOUT WARRANTY OF ANY KIND. YOU USE IT AT YOUR OWN "
                       "RISK."),
    }
        .join(kLineBreak);
}

QString AboutLabels::authorText() {
    return QStringList{
        QStringLiteral("Author:") + fromView(contact::kAuthor),
        QStringLiteral("Website:") + fromView(contact::kWebAddress),
        QStringLiteral("E-mail:") + fromView(contact::kEmailAddress),
        QStringLiteral("Welcome to contact me!"),
    }
        .join(kLineBreak);
}

QString AboutLabels::noticeText() {
    return QStringList{
        QStringLiteral("Tilewright is free software for KKND 2 modders."),
        QStringLiteral("It is not made or backed by the game's makers."),
        QStringLiteral("KKND is a trademark of its owners."),
    }
        .join(kLineBreak);
}

void AboutLabels::ClearAuthorHover() {
    lblAuthor->ClearAuthorHover();
}

bool AboutLabels::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && (watched == lblAttention || watched == lblNotice))
        ClearAuthorHover();
    return QObject::eventFilter(watched, event);
}

} // namespace tw::ui
