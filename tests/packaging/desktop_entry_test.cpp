// The desktop entry offers Tilewright for the picture types it names: each of them must
// really decode through the window's picture loader on this machine.
#include "PictureLoader.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeDatabase>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

QStringList desktopEntryMimeTypes() {
    QFile file(QStringLiteral(TW_SOURCE_DIR "/packaging/tilewright.desktop"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("MimeType="))
            return QString::fromUtf8(line.mid(9)).split(u';', Qt::SkipEmptyParts);
    return {};
}

// The name Qt's plugins use for a type the entry may name by an alias (image/x-icon).
QByteArray canonical(const QString& type) {
    return QMimeDatabase().mimeTypeForName(type).name().toUtf8();
}

// A 1 x 1 white GIF: Qt reads GIF but does not write it.
const unsigned char kGif[] = {'G', 'I',  'F',  '8',  '9', 'a', 1, 0,   1, 0, 0x80, 0,
                              0,   0xff, 0xff, 0xff, 0,   0,   0, ',', 0, 0, 0,    0,
                              1,   0,    1,    0,    0,   2,   2, 'D', 1, 0, ';'};

// An uncompressed 24-bit TGA 2.0 file of 3 x 2 pixels in one colour: Qt reads TGA but does not
// write it.
QByteArray tga(int blue, int green, int red) {
    QByteArray bytes(18, '\0');
    bytes[2] = 2;  // uncompressed true colour
    bytes[12] = 3; // width
    bytes[14] = 2; // height
    bytes[16] = 24;
    for (int i = 0; i < 6; ++i)
        bytes.append(char(blue)).append(char(green)).append(char(red));
    // Qt reads only TGA 2.0 files, which end in this footer.
    bytes.append(QByteArray(8, '\0')).append("TRUEVISION-XFILE.").append('\0');
    return bytes;
}

} // namespace

TEST(DesktopEntry, OffersTheCommonPictureTypes) {
    const QStringList types = desktopEntryMimeTypes();
    for (const char* type :
         {"image/png", "image/jpeg", "image/bmp", "image/gif", "image/x-icon", "image/webp"})
        EXPECT_TRUE(types.contains(QLatin1String(type))) << type;
}

TEST(DesktopEntry, EveryTypeHasAQtReader) {
    const QStringList types = desktopEntryMimeTypes();
    ASSERT_FALSE(types.isEmpty());
    const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    for (const QString& type : types) {
        EXPECT_TRUE(QMimeDatabase().mimeTypeForName(type).isValid()) << type.toStdString();
        EXPECT_TRUE(readable.contains(canonical(type))) << type.toStdString();
    }
}

// Every type the entry names that Qt can write, or that is built here by hand, opens
// through the loader at its size and, for the colour formats, in its colour.
TEST(DesktopEntry, EveryTypeDecodesThroughTheLoader) {
    QTemporaryDir dir;
    const QColor colour(200, 120, 40);
    int decoded = 0;
    for (const QString& type : desktopEntryMimeTypes()) {
        const QByteArray name = canonical(type);
        const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(name);
        // Files carry their usual suffix, as in a file manager.
        const QString suffix = QString::fromLatin1(
            formats.isEmpty() ? QImageReader::imageFormatsForMimeType(name).value(0)
                              : formats.front());
        const QString path = dir.filePath(QString::number(decoded) + u'.' + suffix);
        QSize size(32, 32); // square: ICNS holds only square sizes
        bool monochrome = false;
        if (name == "image/gif" || name == "image/x-tga") {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            if (name == "image/gif") {
                f.write(reinterpret_cast<const char*>(kGif), sizeof kGif);
                size = QSize(1, 1);
                monochrome = true; // white
            } else {
                f.write(tga(colour.blue(), colour.green(), colour.red()));
                size = QSize(3, 2);
            }
        } else {
            if (formats.isEmpty()) continue; // read only, like MNG: the reader check covers it
            QImage image(size, QImage::Format_RGB32);
            image.fill(colour);
            QImageWriter writer(path, formats.front());
            ASSERT_TRUE(writer.write(image))
                << name.constData() << ": " << writer.errorString().toStdString();
            monochrome = name == "image/x-portable-bitmap" || name == "image/x-xbitmap" ||
                         name == "image/vnd.wap.wbmp" || name == "image/x-portable-graymap";
        }
        SCOPED_TRACE(name.constData());
        const QImage loaded = tw::toolkit::loadPicture(path.toStdString());
        EXPECT_EQ(loaded.size(), size) << name.constData();
        if (!monochrome) {
            const QColor got = loaded.pixelColor(size.width() / 2, size.height() / 2);
            // Lossy formats (JPEG, WebP) come back close, not exact.
            EXPECT_LE(std::abs(got.red() - colour.red()) + std::abs(got.green() - colour.green()) +
                          std::abs(got.blue() - colour.blue()),
                      24)
                << name.constData();
        }
        ++decoded;
    }
    EXPECT_GE(decoded, 10);
}
