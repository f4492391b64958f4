#include "model/QMEbayImageTransformerHooks.h"

#include "model/QMEbayImage.h"

#include "DWKit/NSFileManager+DWExtensions.h"
#include "DWKit/NSString+DWExtensions.h"

#include <mutex>

namespace {

std::mutex s_mutex;
std::shared_ptr<QMEbayImageTransformerHooks> s_installed;

} // namespace

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

QMEbayImageTransformerHooks& QMEbayImageTransformerHooks::installed()
{
    static QMEbayImageTransformerHooks builtIn;
    std::lock_guard lock(s_mutex);
    return s_installed ? *s_installed : builtIn;
}

void QMEbayImageTransformerHooks::install(std::shared_ptr<QMEbayImageTransformerHooks> hooks)
{
    std::lock_guard lock(s_mutex);
    s_installed = std::move(hooks);
}
