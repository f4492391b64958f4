#include "platform/widgets/ApplicationImage.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/Paths.h"

#include <QFileInfo>
#include <QHash>
#include <QImageReader>

namespace dw {

QImage applicationImage(const QString& name)
{
    static QHash<QString, QImage> cache;
    const auto found = cache.constFind(name);
    if (found != cache.constEnd())
        return *found;

    QImage image;
    const QString folder = paths::safeChildPath(paths::resourcesFolder(), QStringLiteral("images"));
    for (const char* suffix : {".svg", ".png"}) {
        const QString path = paths::safeChildPath(folder, name + QLatin1String(suffix));
        if (path.isEmpty() || !QFileInfo(path).isFile())
            continue;
        QImageReader reader(path);
        image = reader.read();
        if (!image.isNull())
            break;
    }
    if (image.isNull())
        consoleWrite(QStringLiteral("no image named %1 in the resources").arg(name));
    cache.insert(name, image);
    return image;
}

} // namespace dw
