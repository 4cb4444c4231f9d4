// A started main window with scripted dialogs, real resources and the libraries of the build.
#pragma once

#include "Form1.h"
#include "PreviewBox.h"

#include "Resources.h"
#include "ScriptedUi.h"
#include <QLabel>
#include <QLineEdit>

#include <QApplication>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

class WindowTest : public ::testing::Test {
  protected:
    ScriptedUi ui;
    bool ended = false;
    QTemporaryDir dir;
    std::unique_ptr<tw::ui::Form1> form;

    tw::ui::Services services(const std::string& libraryFolder = TW_BIN_DIR) {
        tw::ui::Services s;
        s.userInterface = &ui;
        s.resourceByName = [](const std::string& t, const std::string& n) {
            return tw::toolkit::loadResource(t, n);
        };
        s.resourceById = [](const std::string& t, int id) {
            return tw::toolkit::loadResource(t, id);
        };
        s.libraryFolder = libraryFolder;
        s.endProgram = [this] { ended = true; };
        return s;
    }

    void start(const std::string& libraryFolder = TW_BIN_DIR) {
        form = std::make_unique<tw::ui::Form1>(services(libraryFolder));
        ASSERT_TRUE(form->StartUp());
        ui.messages.clear();
    }

    // Writes a picture file into the test's folder.
    std::string picture(const QString& name, const QImage& image) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path.toStdString();
    }
    std::string plainPicture(const QString& name, int w, int h,
                             QColor colour = QColor(30, 20, 10)) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(colour);
        return picture(name, img);
    }

    // Drops files on a widget as a file manager does.
    void drop(QWidget* target, const std::vector<std::string>& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const auto& p : paths)
            urls << QUrl::fromLocalFile(QString::fromStdString(p));
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    QSize mapSize() const { return {form->mapWidth(), form->mapHeight()}; }
};
