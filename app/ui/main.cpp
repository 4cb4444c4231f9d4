// Tilewright: turns a picture into a KKND 2 map file.
#include "CommandLine.h"
#include "Form1.h"
#include "Resources.h"
#include "UserInterface.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tilewright"));
    // Ties the window to its desktop entry, so a desktop shows the entry's name and icon.
    QApplication::setDesktopFileName(QStringLiteral("tilewright"));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tilewright.png")));

    tw::toolkit::QtUserInterface dialogs;
    tw::ui::Services services;
    services.userInterface = &dialogs;
    services.resourceByName = [](const std::string& type, const std::string& name) {
        return tw::toolkit::loadResource(type, name);
    };
    services.resourceById = [](const std::string& type, int id) {
        return tw::toolkit::loadResource(type, id);
    };
    // The two libraries are loaded from the program's own folder by file name.
    services.libraryFolder = QCoreApplication::applicationDirPath().toStdString();
    services.endProgram = [] { QCoreApplication::exit(0); };
    services.processPendingEvents = [] { QCoreApplication::processEvents(); };

    tw::ui::Form1 window(services);
    if (!window.StartUp()) return 1;
    // A picture named on the command line opens once the window is up and showing.
    const QStringList arguments = QCoreApplication::arguments();
    QTimer::singleShot(0, &window,
                       [&window, arguments] { tw::ui::OpenCommandLinePicture(window, arguments); });
    return app.exec();
}
