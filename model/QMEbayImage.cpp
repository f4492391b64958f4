#include "model/QMEbayImage.h"

#include "model/QMPendingPictureFiles.h"

#include "model/QMArchiveValues_p.h"
#include "model/QMEbayImageTransformerHooks.h"
#include "model/QMPictureCodec.h"

#include "platform/archive/ArchivedImage.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <functional>
#include <mutex>

namespace {
thread_local bool s_deferThumbnails = false;
} // namespace

QMEbayImage::DeferredThumbnails::DeferredThumbnails() : m_previous(s_deferThumbnails)
{
    s_deferThumbnails = true;
}

QMEbayImage::DeferredThumbnails::~DeferredThumbnails()
{
    s_deferThumbnails = m_previous;
}

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
    takePendingFile();
    auto copy = std::make_shared<QMEbayImage>();
    copy->m_name = m_name;
    copy->m_isGalleryImage = m_isGalleryImage;
    copy->m_imageURL = m_imageURL;
    copy->m_imageFilePath = m_imageFilePath;
    copy->m_thumbFilePath = m_thumbFilePath;
    copy->m_isURLBased = m_isURLBased;
    copy->m_unknownObject = m_unknownObject;
    if (m_isURLBased)
        copy->m_image = m_image;
    return copy;
}

std::shared_ptr<QMEbayImage> QMEbayImage::keepingUnknownObject(dw::ArchivedObjectPtr object)
{
    auto picture = std::make_shared<QMEbayImage>();
    picture->m_unknownObject = std::move(object);
    return picture;
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

void QMEbayImage::setPendingFile(std::shared_ptr<const QMPendingPictureFiles> files, qsizetype index)
{
    m_pendingFiles = std::move(files);
    m_pendingIndex = index;
}

bool QMEbayImage::isWaitingForFile() const
{
    return m_pendingFiles != nullptr;
}

void QMEbayImage::takePendingFileNow() const
{
    const auto files = std::move(m_pendingFiles);
    m_pendingFiles.reset();
    const QString path = files->waitForPath(m_pendingIndex);
    if (path.isNull())
        return; // not written: the document that waits for it is closed with the reason
    m_imageFilePath = abbreviatedPath(path);
    m_thumbFilePath = abbreviatedPath(thumbnailPathForImageAtPath(path));
    m_image.reset();
    m_thumbImage.reset();
}

QString QMEbayImage::imageFilePath() const
{
    takePendingFile();
    if (m_imageFilePath.isEmpty())
        return m_imageFilePath;
    return QDir::cleanPath(expandedPath(m_imageFilePath));
}

void QMEbayImage::setImageFilePath(const QString& path)
{
    const QString stored = abbreviatedPath(path);
    m_pendingFiles.reset();
    if (stored == m_imageFilePath && stored.isNull() == m_imageFilePath.isNull())
        return;
    m_imageFilePath = stored;
    m_image.reset();
}

QString QMEbayImage::thumbFilePath() const
{
    takePendingFile();
    return expandedPath(m_thumbFilePath);
}

void QMEbayImage::setThumbFilePath(const QString& path)
{
    takePendingFile();
    const QString stored = abbreviatedPath(path);
    if (stored == m_thumbFilePath && stored.isNull() == m_thumbFilePath.isNull())
        return;
    m_thumbFilePath = stored;
}

void QMEbayImage::unloadImage()
{
    takePendingFile();
    if (!m_isURLBased && !m_imageFilePath.isEmpty())
        m_image.reset();
}

bool QMEbayImage::isLandscape() const
{
    return QMPictureCodec::installed()->isLandscape(*this);
}

QString QMEbayImage::thumbWidth() const
{
    return isLandscape() ? QStringLiteral("180") : QStringLiteral("135");
}

QString QMEbayImage::thumbHeight() const
{
    return isLandscape() ? QStringLiteral("135") : QStringLiteral("180");
}

QString QMEbayImage::EPSPreviewThumbWidth() const
{
    return isLandscape() ? QStringLiteral("96") : QStringLiteral("72");
}

QString QMEbayImage::EPSPreviewThumbHeight() const
{
    return isLandscape() ? QStringLiteral("72") : QStringLiteral("96");
}

QString QMEbayImage::EPSPreviewWidth() const
{
    return isLandscape() ? QStringLiteral("400") : QStringLiteral("300");
}

QString QMEbayImage::EPSPreviewHeight() const
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

void QMEbayImage::encodeWithCoder(dw::KeyedArchiver& coder) const
{
    if (m_unknownObject) {
        m_unknownObject->encodeWithCoder(coder);
        return;
    }
    using qm::archive::textValue;
    takePendingFile();
    coder.encodeObject(textValue(m_name), QStringLiteral("name"));
    coder.encodeBool(m_isGalleryImage, QStringLiteral("isGalleryImage"));
    coder.encodeObject(textValue(m_imageURL), QStringLiteral("imageURL"));
    coder.encodeObject(textValue(m_imageFilePath), QStringLiteral("imageFilePath"));
    coder.encodeObject(textValue(m_thumbFilePath), QStringLiteral("thumbFilePath"));
    coder.encodeBool(m_isURLBased, QStringLiteral("isURLBased"));
}

std::shared_ptr<QMEbayImage> QMEbayImage::decodeWithCoder(dw::KeyedUnarchiver& coder)
{
    using qm::archive::decodeText;
    const QString owner = QStringLiteral("QMEbayImage");
    auto picture = std::make_shared<QMEbayImage>();
    picture->m_name = decodeText(coder, QStringLiteral("name"), owner);
    picture->m_isGalleryImage = coder.decodeBoolForKey(QStringLiteral("isGalleryImage"));
    picture->m_imageURL = decodeText(coder, QStringLiteral("imageURL"), owner);
    // The paths are kept in the form they were stored in, "~" included.
    picture->m_imageFilePath = decodeText(coder, QStringLiteral("imageFilePath"), owner);
    picture->m_thumbFilePath = decodeText(coder, QStringLiteral("thumbFilePath"), owner);
    picture->m_isURLBased = coder.decodeBoolForKey(QStringLiteral("isURLBased"));
    if (const std::optional<QVariant> old =
            qm::archive::decodeOfType(coder, QStringLiteral("image"), qMetaTypeId<dw::ArchivedImage>(), owner))
        picture->m_image = QMPictureCodec::installed()->decodeArchivedPicture(*old);
    if (picture->m_thumbFilePath.isEmpty() && !picture->m_isURLBased && !picture->m_imageFilePath.isEmpty()) {
        picture->setThumbFilePath(
            s_deferThumbnails
                ? thumbnailPathForImageAtPath(picture->imageFilePath())
                : QMEbayImageTransformerHooks::installed()->generateAndBackupThumbnailFromFullSizeImageAtPath(
                      picture->imageFilePath()));
    }
    return picture;
}

void QMEbayImage::registerArchiveClass()
{
    static std::once_flag once;
    std::call_once(once, [] {
        dw::KeyedUnarchiver::registerClass(
            QStringLiteral("QMEbayImage"),
            [](dw::KeyedUnarchiver& coder) -> dw::ArchivedObjectPtr { return decodeWithCoder(coder); });
    });
}

namespace {

struct PictureKey
{
    std::function<QVariant(const QMEbayImage&)> get;
    std::function<void(QMEbayImage&, const QVariant&)> set; // empty: read only
};

const QHash<QString, PictureKey>& pictureKeys()
{
    static const QHash<QString, PictureKey> keys = {
        {QStringLiteral("name"),
         {[](const QMEbayImage& p) { return qm::archive::textValue(p.name()); },
          [](QMEbayImage& p, const QVariant& v) { p.setName(v.toString()); }}},
        {QStringLiteral("isGalleryImage"),
         {[](const QMEbayImage& p) { return QVariant(p.isGalleryImage()); },
          [](QMEbayImage& p, const QVariant& v) { p.setIsGalleryImage(v.toBool()); }}},
        {QStringLiteral("imageURL"),
         {[](const QMEbayImage& p) { return qm::archive::textValue(p.imageURL()); },
          [](QMEbayImage& p, const QVariant& v) { p.setImageURL(v.toString()); }}},
        {QStringLiteral("imageFilePath"),
         {[](const QMEbayImage& p) { return qm::archive::textValue(p.imageFilePath()); },
          [](QMEbayImage& p, const QVariant& v) { p.setImageFilePath(v.toString()); }}},
        {QStringLiteral("thumbFilePath"),
         {[](const QMEbayImage& p) { return qm::archive::textValue(p.thumbFilePath()); },
          [](QMEbayImage& p, const QVariant& v) { p.setThumbFilePath(v.toString()); }}},
        {QStringLiteral("isURLBased"),
         {[](const QMEbayImage& p) { return QVariant(p.isURLBased()); },
          [](QMEbayImage& p, const QVariant& v) { p.setIsURLBased(v.toBool()); }}},
        {QStringLiteral("thumbWidth"), {[](const QMEbayImage& p) { return QVariant(p.thumbWidth()); }, {}}},
        {QStringLiteral("thumbHeight"), {[](const QMEbayImage& p) { return QVariant(p.thumbHeight()); }, {}}},
        {QStringLiteral("EPSPreviewThumbWidth"),
         {[](const QMEbayImage& p) { return QVariant(p.EPSPreviewThumbWidth()); }, {}}},
        {QStringLiteral("EPSPreviewThumbHeight"),
         {[](const QMEbayImage& p) { return QVariant(p.EPSPreviewThumbHeight()); }, {}}},
        {QStringLiteral("EPSPreviewWidth"), {[](const QMEbayImage& p) { return QVariant(p.EPSPreviewWidth()); }, {}}},
        {QStringLiteral("EPSPreviewHeight"), {[](const QMEbayImage& p) { return QVariant(p.EPSPreviewHeight()); }, {}}},
        {QStringLiteral("anchor"), {[](const QMEbayImage& p) { return qm::archive::textValue(p.anchor()); }, {}}},
        {QStringLiteral("imageViewPboardValue"),
         {[](const QMEbayImage& p) { return qm::archive::textValue(p.imageViewPboardValue()); }, {}}},
        {QStringLiteral("infoDictionaryForOperations"),
         {[](const QMEbayImage& p) { return QVariant(p.infoDictionaryForOperations()); }, {}}},
        {QStringLiteral("standardizedImageFilePath"),
         {[](const QMEbayImage& p) { return qm::archive::textValue(p.standardizedImageFilePath()); }, {}}},
        {QStringLiteral("standardizedThumbFilePath"),
         {[](const QMEbayImage& p) { return qm::archive::textValue(p.standardizedThumbFilePath()); }, {}}},
        {QStringLiteral("editingPreview"),
         {[](const QMEbayImage& p) { return QVariant(p.editingPreview()); },
          [](QMEbayImage& p, const QVariant& v) { p.setEditingPreview(v.toBool()); }}},
    };
    return keys;
}

} // namespace

QVariant QMEbayImage::valueForKey(const QString& key) const
{
    const auto it = pictureKeys().constFind(key);
    return it == pictureKeys().constEnd() ? QVariant() : it->get(*this);
}

bool QMEbayImage::setValueForKey(const QVariant& value, const QString& key)
{
    const auto it = pictureKeys().constFind(key);
    if (it == pictureKeys().constEnd() || !it->set)
        return false;
    it->set(*this, value);
    return true;
}
