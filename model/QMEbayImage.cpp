#include "model/QMEbayImage.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

QMEbayImage::QMEbayImage(const QString& filePath, const QString& thumbPath)
{
    setImageFilePath(filePath);
    setThumbFilePath(thumbPath);
    m_name = QFileInfo(filePath).fileName();
}

std::shared_ptr<QMEbayImage> QMEbayImage::imageWithURL(const QString& address)
{
    auto picture = std::make_shared<QMEbayImage>();
    picture->m_isURLBased = true;
    picture->m_imageURL = address;
    picture->m_name = address;
    return picture;
}

std::shared_ptr<QMEbayImage> QMEbayImage::imageWithiPhotoDescription(const QVariantMap& description)
{
    return std::make_shared<QMEbayImage>(description.value(QStringLiteral("ImagePath")).toString(),
                                         description.value(QStringLiteral("ThumbPath")).toString());
}

std::shared_ptr<QMEbayImage> QMEbayImage::copy() const
{
    // The copy takes the archived fields only, as a copy made through an archive would; an
    // address-only picture keeps its picture, which it could not load again.
    auto copy = std::make_shared<QMEbayImage>();
    copy->m_name = m_name;
    copy->m_isGalleryImage = m_isGalleryImage;
    copy->m_imageURL = m_imageURL;
    copy->m_imageFilePath = m_imageFilePath;
    copy->m_thumbFilePath = m_thumbFilePath;
    copy->m_isURLBased = m_isURLBased;
    if (m_isURLBased)
        copy->m_image = m_image;
    return copy;
}

QString QMEbayImage::abbreviatedPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    const QString home = QDir::cleanPath(dw::paths::homeFolder());
    if (home.isEmpty() || home == QStringLiteral("/"))
        return path;
    if (path == home)
        return QStringLiteral("~");
    if (path.startsWith(home + u'/'))
        return u'~' + path.mid(home.size());
    return path;
}

QString QMEbayImage::expandedPath(const QString& path)
{
    if (path == QStringLiteral("~"))
        return dw::paths::homeFolder();
    if (path.startsWith(QStringLiteral("~/")))
        return dw::paths::homeFolder() + path.mid(1);
    return path;
}

QString QMEbayImage::imageFilePath() const
{
    if (m_imageFilePath.isEmpty())
        return m_imageFilePath;
    return QDir::cleanPath(expandedPath(m_imageFilePath));
}

void QMEbayImage::setImageFilePath(const QString& path)
{
    const QString stored = abbreviatedPath(path);
    if (stored == m_imageFilePath && stored.isNull() == m_imageFilePath.isNull())
        return;
    m_imageFilePath = stored;
    m_image = QImage();
}

QString QMEbayImage::thumbFilePath() const
{
    return expandedPath(m_thumbFilePath);
}

void QMEbayImage::setThumbFilePath(const QString& path)
{
    const QString stored = abbreviatedPath(path);
    if (stored == m_thumbFilePath && stored.isNull() == m_thumbFilePath.isNull())
        return;
    m_thumbFilePath = stored;
    m_cachedGalleryThumb = QImage();
}

QImage QMEbayImage::image()
{
    if (m_image.isNull() && !m_imageFilePath.isEmpty())
        m_image = QImage(imageFilePath());
    return m_image;
}

QImage QMEbayImage::thumbImage()
{
    if (m_thumbImage.isNull()) {
        QImage thumb;
        if (m_isURLBased)
            thumb = QImage(dw::paths::resourcesFolder() + QStringLiteral("ImageURLThumb.png"));
        else if (!m_thumbFilePath.isEmpty())
            thumb = QImage(thumbFilePath());
        if (!m_image.isNull())
            thumb = m_image.copy();
        m_thumbImage = thumb;
    }
    return m_thumbImage.copy();
}

void QMEbayImage::unloadImage()
{
    if (!m_isURLBased && !m_imageFilePath.isEmpty())
        m_image = QImage();
}

bool QMEbayImage::isLandscape()
{
    const QImage picture = image();
    return !picture.isNull() && picture.width() > picture.height();
}

QString QMEbayImage::thumbWidth()
{
    return isLandscape() ? QStringLiteral("180") : QStringLiteral("135");
}

QString QMEbayImage::thumbHeight()
{
    return isLandscape() ? QStringLiteral("135") : QStringLiteral("180");
}

QString QMEbayImage::EPSPreviewThumbWidth()
{
    return isLandscape() ? QStringLiteral("96") : QStringLiteral("72");
}

QString QMEbayImage::EPSPreviewThumbHeight()
{
    return isLandscape() ? QStringLiteral("72") : QStringLiteral("96");
}

QString QMEbayImage::EPSPreviewWidth()
{
    return isLandscape() ? QStringLiteral("400") : QStringLiteral("300");
}

QString QMEbayImage::EPSPreviewHeight()
{
    return isLandscape() ? QStringLiteral("300") : QStringLiteral("400");
}

QString QMEbayImage::anchor() const
{
    if (m_isURLBased)
        return m_imageURL;
    QString base = QFileInfo(imageFilePath()).fileName();
    const qsizetype dot = base.lastIndexOf(u'.');
    if (dot > 0)
        base.truncate(dot);
    base.remove(u'-');
    return u'A' + base.left(10);
}

QString QMEbayImage::imageViewPboardValue() const
{
    return m_isURLBased ? m_imageURL : imageFilePath();
}

QString QMEbayImage::thumbnailPathForImageAtPath(const QString& imagePath)
{
    const QFileInfo info(imagePath);
    QString base = info.fileName();
    const qsizetype dot = base.lastIndexOf(u'.');
    if (dot > 0)
        base.truncate(dot);
    return info.path() + u'/' + base + QStringLiteral("_thumb.jpg");
}
