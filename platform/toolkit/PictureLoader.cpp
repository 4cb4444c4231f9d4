#include "PictureLoader.h"

#include "Error.h"

#include <QImageReader>
#include <QPainter>

namespace tw::toolkit {

QImage loadPicture(const std::string& path) {
    QImageReader::setAllocationLimit(kPictureAllocationLimitMb);
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        throw Error("Could not read the picture " + path + ": " +
                    reader.errorString().toStdString());
    }
    if (image.format() != QImage::Format_RGB32) {
        // Transparent pixels show their colour on white, as a picture viewer does.
        if (image.hasAlphaChannel()) {
            QImage flat(image.size(), QImage::Format_RGB32);
            if (flat.isNull()) throw Error("Not enough memory for the picture " + path + ".");
            flat.fill(Qt::white);
            flat.setDevicePixelRatio(image.devicePixelRatio());
            {
                QPainter painter(&flat);
                painter.drawImage(0, 0, image);
            }
            image = flat;
        } else {
            image = image.convertToFormat(QImage::Format_RGB32);
        }
        if (image.isNull()) throw Error("Not enough memory for the picture " + path + ".");
    }
    return image;
}

} // namespace tw::toolkit
