#include "model/QMEbayImage.h"

#include <QDir>

namespace {

QString standardized(const QString& storedPath)
{
    if (storedPath.isNull())
        return QString();
    return QDir::cleanPath(QMEbayImage::expandedPath(storedPath));
}

} // namespace

QVariantMap QMEbayImage::infoDictionaryForOperations() const
{
    QVariantMap info;
    if (!name().isNull())
        info.insert(QStringLiteral("name"), name());
    const QString standardizedPath = standardizedImageFilePath();
    if (!standardizedPath.isNull())
        info.insert(QStringLiteral("standardizedImageFilePath"), standardizedPath);
    const QString path = imageFilePath();
    if (!path.isNull())
        info.insert(QStringLiteral("imageFilePath"), path);
    return info;
}

QString QMEbayImage::standardizedImageFilePath() const
{
    return standardized(storedImageFilePath());
}

QString QMEbayImage::standardizedThumbFilePath() const
{
    return standardized(storedThumbFilePath());
}
