#include "model/desktop/QMResourcePicture.h"

#include "platform/core/Paths.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>

#include <algorithm>
#include <cmath>

QImage qmResourcePicture(const QString& name)
{
    const QString folder = dw::paths::resourcesFolder();
    const QString svg = dw::paths::safeChildPath(dw::paths::safeChildPath(folder, QStringLiteral("images")),
                                                 name + QStringLiteral(".svg"));
    if (!svg.isEmpty() && QFileInfo(svg).isFile()) {
        // Never fewer pixels than points; no GUI application (a document tool) means one per point.
        const auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
        const qreal ratio =
            application ? std::max<qreal>(1, std::round(application->devicePixelRatio() * 100) / 100) : qreal(1);
        QImageReader reader(svg);
        const QSize points = reader.size();
        if (points.isValid()) {
            reader.setScaledSize(
                QSize(int(std::lround(points.width() * ratio)), int(std::lround(points.height() * ratio))));
            QImage image = reader.read();
            if (!image.isNull()) {
                image.setDevicePixelRatio(ratio);
                return image;
            }
        }
    }
    const QString png = dw::paths::safeChildPath(folder, name + QStringLiteral(".png"));
    return png.isEmpty() ? QImage() : QImage(png);
}
