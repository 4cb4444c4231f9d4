#include "UserInterface.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace tw::toolkit {
namespace {

QMessageBox::Icon toQt(Icon icon) {
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

Answer QtUserInterface::message(QWidget* owner, const std::string& text, Icon icon, Buttons buttons,
                                const std::string& title) {
    QMessageBox box(
        toQt(icon), QString::fromStdString(title), QString::fromStdString(text),
        buttons == Buttons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, owner);
    const int pressed = box.exec();
    if (buttons == Buttons::Ok) return Answer::Ok;
    return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

std::optional<std::string> QtUserInterface::saveFileName(QWidget* owner,
                                                         const SaveDialogSettings& settings) {
    QFileDialog dialog(owner, QString::fromStdString(settings.title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const auto& [label, pattern] : settings.filters) {
        filters << QStringLiteral("%1 (%2)").arg(QString::fromStdString(label),
                                                 QString::fromStdString(pattern));
    }
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
    dialog.setDefaultSuffix(QString::fromStdString(settings.defaultExtension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !settings.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

void QtUserInterface::openWebAddress(const std::string& address) {
    // xdg-open hands the address to the desktop's browser; started detached, never awaited.
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(address)}))
        QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

} // namespace tw::toolkit
