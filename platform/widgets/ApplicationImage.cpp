#include "platform/widgets/ApplicationImage.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/Paths.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImageReader>

#include <cmath>

namespace dw {

namespace {

// The file of a name, the SVG first; empty when there is none.
QString imageFile(const QString& name)
{
    const QString folder = paths::safeChildPath(paths::resourcesFolder(), QStringLiteral("images"));
    for (const char* suffix : {".svg", ".png"}) {
        const QString path = paths::safeChildPath(folder, name + QLatin1String(suffix));
        if (!path.isEmpty() && QFileInfo(path).isFile())
            return path;
    }
    return {};
}

QImage readImage(const QString& path, qreal ratio)
{
    QImageReader reader(path);
    if (ratio != 1 && path.endsWith(QLatin1String(".svg"))) {
        const QSize points = reader.size();
        if (points.isValid()) {
            reader.setScaledSize(
                QSize(int(std::lround(points.width() * ratio)), int(std::lround(points.height() * ratio))));
            QImage image = reader.read();
            image.setDevicePixelRatio(ratio);
            return image;
        }
    }
    return reader.read();
}

} // namespace

QImage applicationImage(const QString& name)
{
    return applicationImage(name, 1);
}

QImage applicationImage(const QString& name, qreal devicePixelRatio)
{
    // A picture is never drawn with fewer pixels than points.
    const qreal ratio = std::max<qreal>(1, std::round(devicePixelRatio * 100) / 100);
    static QHash<QString, QImage> cache;
    const QString key = name + QChar(0) + QString::number(ratio);
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;

    const QString path = imageFile(name);
    QImage image = path.isEmpty() ? QImage() : readImage(path, ratio);
    if (image.isNull() && ratio == 1)
        consoleWrite(QStringLiteral("no image named %1 in the resources").arg(name));
    cache.insert(key, image);
    return image;
}

QIcon applicationIcon(const QString& name)
{
    static QHash<QString, QIcon> cache;
    const auto found = cache.constFind(name);
    if (found != cache.constEnd())
        return *found;
    // An SVG file makes an icon that renders at each size and ratio it is asked for.
    const QString path = imageFile(name);
    if (path.isEmpty())
        applicationImage(name); // says once that it is missing
    const QIcon icon = path.isEmpty() ? QIcon() : QIcon(path);
    cache.insert(name, icon);
    return icon;
}

QPixmap applicationPixmap(const QString& name, const QSize& size)
{
    const QImage points = applicationImage(name);
    if (points.isNull())
        return {};
    const QSize fitted = size.isEmpty() ? points.size() : points.size().scaled(size, Qt::KeepAspectRatio);
    return applicationIcon(name).pixmap(fitted, qApp->devicePixelRatio());
}

} // namespace dw
