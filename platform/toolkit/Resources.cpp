#include "Resources.h"

#include "Error.h"

#include <QFile>

namespace tw::toolkit {
namespace {

Bytes readResource(const QString& path, const std::string& what) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw Error("The resource " + what + " is missing.");
    const QByteArray data = file.readAll();
    return Bytes(data.begin(), data.end());
}

} // namespace

Bytes loadResource(const std::string& type, const std::string& name) {
    return readResource(
        QStringLiteral(":/%1/%2").arg(QString::fromStdString(type), QString::fromStdString(name)),
        type + " \"" + name + "\"");
}

Bytes loadResource(const std::string& type, int id) {
    return readResource(QStringLiteral(":/%1/%2").arg(QString::fromStdString(type)).arg(id),
                        type + " #" + std::to_string(id));
}

} // namespace tw::toolkit
