#include "AboutLabels.h"

#include "Contact.h"
#include "UserInterface.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using tw::ui::AboutLabels;

class RecordingUserInterface : public tw::toolkit::UserInterface {
  public:
    tw::toolkit::Answer message(QWidget*, const std::string&, tw::toolkit::Icon,
                                tw::toolkit::Buttons, const std::string&) override {
        ADD_FAILURE() << "the about labels show no message";
        return tw::toolkit::Answer::Ok;
    }
    std::optional<std::string> saveFileName(QWidget*,
                                            const tw::toolkit::SaveDialogSettings&) override {
        ADD_FAILURE() << "the about labels ask for no file";
        return std::nullopt;
    }
    void openWebAddress(const std::string& address) override { opened.push_back(address); }

    std::vector<std::string> opened;
};

// A window background that, like the main window's, ends the hover look of the author
// label when the pointer moves over the background itself; moves that a control did not
// take reach it too, and leave the underline alone.
class Background : public QWidget {
  public:
    AboutLabels* labels = nullptr;

  protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        if (labels && !childAt(event->position().toPoint())) labels->ClearAuthorHover();
        QWidget::mouseMoveEvent(event);
    }
};

// The labels on a window laid out as the main window places them.
struct Window {
    Background widget;
    RecordingUserInterface ui;
    AboutLabels labels{ui, &widget};
    QPushButton* other = new QPushButton(QStringLiteral("Other"), &widget);

    Window() {
        widget.resize(497, 714);
        labels.lblAttention->move(8, 384);
        labels.lblAuthor->move(8, 616);
        labels.lblNotice->move(8, 672);
        other->setGeometry(296, 360, 97, 33);
        other->setMouseTracking(true);
        widget.setMouseTracking(true);
        widget.labels = &labels;
    }
};

QStringList lines(const QString& text) {
    return text.split(QStringLiteral("\r\n"));
}

TEST(AboutLabels, UsageNoteIsTheFiveLinesAndACapitalDisclaimerJoinedByCrLf) {
    const QStringList note = lines(AboutLabels::attentionText());
    ASSERT_EQ(note.size(), 6);
    EXPECT_EQ(note[0], QStringLiteral("Note:"));
    EXPECT_EQ(note[1], QStringLiteral("  Map size must greater than or equal to the minimal size "
                                      "(Dashed box). If not, the map may cause error and "
                                      "couldn't load."));
    EXPECT_EQ(note[4], QStringLiteral("  Click \"Export to KM\" to generate a KM file. This may "
                                      "take a very long time, looks like \"died\", but it's "
                                      "still working."));
    for (int i = 1; i < note.size(); ++i) {
        EXPECT_TRUE(note[i].startsWith(QStringLiteral("  ")) && note[i][2] != u' ') << i;
        EXPECT_FALSE(note[i].contains(u'\n') || note[i].contains(u'\r')) << i;
    }
    EXPECT_EQ(note[5], note[5].toUpper());
    EXPECT_TRUE(note[5].contains(QStringLiteral("WARRANTY")));
}

TEST(AboutLabels, AuthorLabelAndFailureMessageNameTheSameAddresses) {
    const QStringList author = lines(AboutLabels::authorText());
    ASSERT_EQ(author.size(), 4);
    EXPECT_EQ(author[0], QStringLiteral("Author:Corvane"));
    ASSERT_TRUE(author[1].startsWith(QStringLiteral("Website:")));
    ASSERT_TRUE(author[2].startsWith(QStringLiteral("E-mail:")));
    EXPECT_EQ(author[3], QStringLiteral("Welcome to contact me!"));
    const QString web = author[1].mid(8);
    const QString mail = author[2].mid(7);
    EXPECT_TRUE(mail.contains(u'@'));

    const QStringList failure =
        lines(QString::fromStdString(tw::contact::exportFailureText("Disk full.\r\nTry again.")));
    ASSERT_EQ(failure.size(), 4);
    EXPECT_EQ(failure[0],
              QStringLiteral("Sorry, an error was caused. Please contact E-mail:") + mail);
    EXPECT_EQ(failure[1], QStringLiteral("Disk full."));
    EXPECT_EQ(failure[2], QStringLiteral("Try again."));
    EXPECT_EQ(failure[3], web);
    EXPECT_TRUE(tw::contact::forumPageAddress().starts_with(web.toStdString()));
}

TEST(AboutLabels, CrLfShowsAsOneLineBreak) {
    Window window;
    window.labels.lblAuthor->SetAuthorHover(); // the underline shows stray spaces too
    for (QLabel* label : {window.labels.lblAttention, static_cast<QLabel*>(window.labels.lblAuthor),
                          window.labels.lblNotice}) {
        SCOPED_TRACE(label->objectName().toStdString());
        QLabel plain(&window.widget);
        plain.setFont(label->font());
        plain.setWordWrap(true);
        plain.setAlignment(label->alignment());
        plain.resize(label->size());
        plain.setText(label->text().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        ASSERT_NE(plain.text(), label->text());
        EXPECT_EQ(label->grab().toImage(), plain.grab().toImage());
    }
}

TEST(AboutLabels, EveryTextFitsItsBoxInTheWindowFont) {
    Window window;
    ASSERT_EQ(window.labels.lblAuthor->font().pixelSize(), 11);
    for (QLabel* label : {window.labels.lblAttention, static_cast<QLabel*>(window.labels.lblAuthor),
                          window.labels.lblNotice}) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_TRUE(label->wordWrap());
        const QRect needed =
            QFontMetrics(label->font())
                .boundingRect(QRect(QPoint(0, 0), label->size()),
                              Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, label->text());
        EXPECT_LE(needed.width(), label->width());
        EXPECT_LE(needed.height(), label->height());
        EXPECT_LE(label->heightForWidth(label->width()), label->height());
    }
    // Each address line stays whole on its own line of the author label.
    const QFontMetrics metrics(window.labels.lblAuthor->font());
    for (const QString& line : lines(AboutLabels::authorText()))
        EXPECT_LE(metrics.horizontalAdvance(line), window.labels.lblAuthor->width())
            << line.toStdString();
}

TEST(AboutLabels, PointerOverAuthorUnderlinesUntilItCrossesTheNoteOrTheNotice) {
    Window window;
    window.widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window.widget));
    QWindow* handle = window.widget.windowHandle();
    const auto over = [&](QWidget* w) {
        QTest::mouseMove(handle, w->mapTo(&window.widget, w->rect().center()));
    };
    AboutLabels& labels = window.labels;
    EXPECT_FALSE(labels.lblAuthor->hoverUnderline());

    over(labels.lblAuthor);
    EXPECT_TRUE(labels.lblAuthor->font().underline());
    over(window.other); // another control leaves it on
    EXPECT_TRUE(labels.lblAuthor->font().underline());
    over(labels.lblAttention);
    EXPECT_FALSE(labels.lblAuthor->font().underline());

    over(labels.lblAuthor);
    EXPECT_TRUE(labels.lblAuthor->font().underline());
    over(labels.lblNotice);
    EXPECT_FALSE(labels.lblAuthor->font().underline());

    over(labels.lblAuthor);
    EXPECT_TRUE(labels.lblAuthor->font().underline());
    QTest::mouseMove(handle, {200, 200}); // the window's background
    EXPECT_FALSE(labels.lblAuthor->font().underline());
}

TEST(AboutLabels, EachLeftClickOnTheAuthorOpensTheForumPageAtOnce) {
    Window window;
    window.widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window.widget));
    auto* author = window.labels.lblAuthor;
    EXPECT_EQ(author->toolTip(), QStringLiteral("单机以访问作者论坛。"));

    const std::string page = "https://tilewright.example.org/forum/?fromuid=1";
    QTest::mouseClick(author, Qt::LeftButton, {}, {10, 10});
    ASSERT_EQ(window.ui.opened, std::vector<std::string>{page});
    QTest::mouseClick(author, Qt::LeftButton, {}, {20, 30});
    EXPECT_EQ(window.ui.opened, (std::vector<std::string>{page, page}));

    // Not clicks: another button, or a press whose release is off the label.
    QTest::mouseClick(author, Qt::RightButton, {}, {10, 10});
    QTest::mousePress(author, Qt::LeftButton, {}, {10, 10});
    QTest::mouseRelease(author, Qt::LeftButton, {}, {10, -40});
    EXPECT_EQ(window.ui.opened.size(), 2u);
}

} // namespace
