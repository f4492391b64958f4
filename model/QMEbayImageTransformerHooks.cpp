#include "model/QMEbayImageTransformerHooks.h"

#include "model/QMEbayImage.h"

#include "DWKit/NSFileManager+DWExtensions.h"
#include "DWKit/NSString+DWExtensions.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/Installable.h"
#include "platform/core/Localization.h"

QString QMEbayImageTransformerHooks::generateAndBackupThumbnailFromFullSizeImageAtPath(const QString& imagePath)
{
    return QMEbayImage::thumbnailPathForImageAtPath(imagePath);
}

QString QMEbayImageTransformerHooks::uniqueTemporaryJPEGImageFileName()
{
    QString folder = dw::temporaryDirectoryWithName(QStringLiteral("QuillmartVodarTempImages"));
    if (folder.isNull())
        return folder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + dw::UUID() + QStringLiteral(".jpg");
}

bool QMEbayImageTransformerHooks::backupImportedImage(QMEbayImage&)
{
    return true;
}

QString QMEbayImageTransformerHooks::storeImportedPictureData(const QByteArray& bytes, QString* error)
{
    const QString path = uniqueTemporaryJPEGImageFileName();
    if (path.isNull()) {
        if (error)
            *error = dw::localized("The temporary picture folder could not be created.");
        return {};
    }
    // The bytes keep their own picture format, whatever the file name says.
    if (!dw::writeCopyAtomically(path, bytes, error))
        return {};
    return path;
}

void QMEbayImageTransformerHooks::removeUnreferencedPictureCopies(const QSet<QString>&) {}

namespace {

dw::Installable<QMEbayImageTransformerHooks>& slot()
{
    static dw::Installable<QMEbayImageTransformerHooks> instance(std::make_shared<QMEbayImageTransformerHooks>());
    return instance;
}

} // namespace

std::shared_ptr<QMEbayImageTransformerHooks> QMEbayImageTransformerHooks::installed()
{
    return slot().installed();
}

void QMEbayImageTransformerHooks::install(std::shared_ptr<QMEbayImageTransformerHooks> hooks)
{
    slot().install(std::move(hooks));
}
