#include "DWKit/QMDraggingUtils.h"

#include "DWKit/NSString+DWExtensions.h"
#include "DWKit/QMLog.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Paths.h"

#include <QMimeData>

QString QMDraggingUtils::pathToDraggedPasteboardImage(const QMimeData* dragData)
{
    if (!dragData)
        return QString();
    const QByteArray tiff = dragData->data(QStringLiteral("image/tiff"));
    if (tiff.isEmpty())
        return QString();
    const QString folder = dw::paths::temporaryFolder();
    if (folder.isNull())
        return QString();
    const QString path = folder + dw::UUID() + QStringLiteral(".tiff");
    QString error;
    if (!dw::writeFileAtomically(path, tiff, &error)) {
        QMLogError("%@", error);
        return QString();
    }
    return path;
}
