// The one thing the window reads from its command line: a picture to open at start, as a
// file manager's "Open with" passes it.
#pragma once

#include "Form1.h"

#include <QDir>
#include <QStringList>

namespace tw::ui {

// The pictures named after the program name (Qt's own options already taken out), as
// absolute paths, the way a drop names its files.
inline QStringList commandLinePictures(const QStringList& arguments) {
    QStringList pictures;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        pictures << QDir::current().absoluteFilePath(arguments[i]);
    return pictures;
}

// Opens the picture named on the command line exactly as a drop of those files would
// (the first one loads, all or nothing, a failure shows the drop's message); without
// one, nothing happens.
inline void OpenCommandLinePicture(Form1& window, const QStringList& arguments) {
    const QStringList pictures = commandLinePictures(arguments);
    if (!pictures.isEmpty()) window.LoadDroppedPicture(pictures);
}

} // namespace tw::ui
