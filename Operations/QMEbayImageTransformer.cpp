#include "Operations/QMEbayImageTransformer.h"

#include "DWKit/NSBundle+DWExtensions.h"
#include "DWKit/NSData+DWExtensions.h"
#include "DWKit/NSFileManager+DWExtensions.h"
#include "DWKit/NSString+DWExtensions.h"
#include "DWKit/gui/NSImage+DWExtensions.h"
#include "model/QMEbayImage.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Clock.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <cmath>
#include <mutex>

namespace {

constexpr double kEPSMaximumSide = 1000;
constexpr double kThumbnailSide = 148;

std::mutex s_nameMutex;

// The decoded size of the picture, turned upright as it will be drawn; a file holding several
// pictures is measured by its largest. Invalid when it cannot be read. Nothing is decoded for
// the usual single-picture file.
QSize measuredSize(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {};
    if (reader.imageCount() <= 1) {
        QSize size = reader.size();
        if (size.isValid()) {
            if (reader.transformation() & QImageIOHandler::TransformationRotate90)
                size.transpose();
            return size;
        }
    }
    const QImage image = dw::imageWithContentsOfFile(path);
    return image.isNull() ? QSize() : image.size();
}

// The size reducedAndResampledImageOfMaximumSize() gives, whole pixels.
QSize reducedSize(const QSize& source, const QSizeF& maximum)
{
    QSizeF size = source;
    for (int pass = 0; pass < 2; ++pass) {
        if (size.width() > maximum.width() || size.height() > maximum.height()) {
            const double factor = std::min(maximum.width() / size.width(), maximum.height() / size.height());
            size *= factor;
        }
    }
    return QSize(std::max(1, int(size.width())), std::max(1, int(size.height())));
}

// Smooth (area-averaging) reduction: resampling a large picture by bilinear drawing would alias.
// A single picture is decoded straight at the reduced size: the reader asks the decoder for it
// (JPEG scales in its transform at 1/2, 1/4 or 1/8 and smooths only the rest), so a camera
// picture is never decoded whole only to be thrown away. Files of several pictures take the
// largest one, decoded whole.
QImage decodedAndReduced(const QString& path, const QSizeF& maximum)
{
    {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        if (reader.canRead() && reader.imageCount() <= 1) {
            const QSize stored = reader.size();
            if (stored.isValid()) {
                // The reader scales before it turns the picture upright.
                const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
                const QSize upright = turned ? stored.transposed() : stored;
                const QSize size = reducedSize(upright, maximum);
                if (size.width() < upright.width() || size.height() < upright.height())
                    reader.setScaledSize(turned ? size.transposed() : size);
                const QImage image = reader.read();
                if (!image.isNull())
                    return image;
            }
        }
    }
    const QImage image = dw::imageWithContentsOfFile(path);
    if (image.isNull())
        return image;
    const QSize size = reducedSize(image.size(), maximum);
    if (size == image.size())
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The upload copy of a picture that needs no change: the bytes written straight to the new name,
// which nobody else uses (QFile::copy() goes through a temporary file and a rename, several times
// the work for a picture). A copy that could not be made whole is removed.
bool copiedFile(const QString& from, const QString& to)
{
    QFile source(from);
    QFile target(to);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    constexpr qint64 kChunk = 1 << 20;
    for (;;) {
        const QByteArray bytes = source.read(kChunk);
        if (bytes.isEmpty()) {
            if (source.error() == QFileDevice::NoError && target.flush())
                return true;
            break;
        }
        if (target.write(bytes) != bytes.size())
            break;
    }
    target.remove();
    return false;
}

QString folderMadeOnce(std::mutex& mutex, QString& remembered, const QString& path, const char* failure)
{
    std::lock_guard lock(mutex);
    // Made again when it went, or when the user's folders moved (each test has its own).
    if (remembered == path && QFileInfo(path).isDir())
        return remembered;
    if (!dw::createDirectoryRecursiveAtPath(path)) {
        dw::consoleWrite(dw::format(failure, path));
        return {};
    }
    remembered = path;
    return remembered;
}

QString titleLetters(const QString& title)
{
    const QString cleaned = dw::cleanString(title).toLower();
    QString letters;
    for (const QChar c : cleaned) {
        if (c >= u'a' && c <= u'z')
            letters += c;
    }
    if (letters.size() >= 10)
        letters.truncate(9);
    return letters;
}

// The copies this process stored, which it may remove again whenever nothing refers to them.
std::mutex s_storedMutex;
QSet<QString> s_storedHere;

bool fileHolds(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != bytes.size())
        return false;
    return file.readAll() == bytes;
}

// When this process first used the backup folder: a copy modified since then that it did not
// make was made by another program.
const QDateTime& processStart()
{
    static const QDateTime start = QDateTime::currentDateTimeUtc();
    return start;
}

} // namespace

std::shared_ptr<QMEbayImageTransformer> QMEbayImageTransformer::sharedInstance()
{
    static const auto instance = std::make_shared<QMEbayImageTransformer>();
    return instance;
}

void QMEbayImageTransformer::installAsModelHooks()
{
    processStart();
    QMEbayImageTransformerHooks::install(sharedInstance());
}

bool QMEbayImageTransformer::needToScaleDownImage(const QImage& image)
{
    if (!dw::UserDefaults::standard().boolForKey(QStringLiteral("reduceImageSizeOnImport")))
        return false;
    const QSize size = dw::largestBitmapImageRepSize(image);
    if (size.isEmpty())
        return false;
    if (double(size.width()) / size.height() > 1)
        return size.width() > 1024 || size.height() > 786;
    return size.height() > 1024 || size.width() > 786;
}

bool QMEbayImageTransformer::backupImportedImage(QMEbayImage& picture)
{
    if (dw::UserDefaults::standard().boolForKey(QStringLiteral("reduceImageSizeOnImport"))) {
        QImage image;
        const QString path = picture.standardizedImageFilePath();
        if (!path.isEmpty()) {
            image = dw::imageWithContentsOfFile(path);
            if (image.isNull()) {
                picture.setImageFilePath(QString());
                return false;
            }
        } else {
            image = picture.image();
        }
        if (!image.isNull() && needToScaleDownImage(image)) {
            const bool landscape = double(image.width()) / image.height() > 1;
            const QImage reduced =
                dw::reducedAndResampledImageOfMaximumSize(image, landscape ? QSizeF(1024, 786) : QSizeF(786, 1024));
            if (!reduced.isNull()) {
                picture.setImageFilePath(QString());
                picture.setImage(reduced);
            }
        }
    }

    if (!picture.standardizedImageFilePath().isEmpty()) {
        picture.setImageFilePath(backupFullSizeImageAtPath(picture.standardizedImageFilePath()));
    } else if (!picture.image().isNull()) {
        const QString folder = imageBackupDirectoryPath();
        if (!folder.isNull()) {
            const QString path = folder + dw::UUID() + QStringLiteral(".jpg");
            if (dw::writeAsJPEGToPath(picture.image(), path)) {
                picture.setImageFilePath(path);
                picture.setImage(QImage());
            }
        }
    } else {
        return true;
    }
    if (!picture.standardizedImageFilePath().isEmpty())
        picture.setThumbFilePath(
            generateAndBackupThumbnailFromFullSizeImageAtPath(picture.standardizedImageFilePath()));
    return true;
}

QString QMEbayImageTransformer::storeImportedPictureData(const QByteArray& bytes, QString* error)
{
    if (dw::UserDefaults::standard().boolForKey(QStringLiteral("reduceImageSizeOnImport"))) {
        QMEbayImage picture(QMEbayImageTransformerHooks::storeImportedPictureData(bytes, error), QString());
        if (picture.imageFilePath().isEmpty())
            return {};
        backupImportedImage(picture);
        return picture.imageFilePath();
    }
    const QString folder = imageBackupDirectoryPath();
    if (folder.isNull()) {
        if (error)
            *error = dw::localized("The picture folder could not be created.");
        return {};
    }
    processStart();
    const QString digest = dw::sha1DigestString(bytes);
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QString path = QDir(folder).filePath(
            digest + (attempt == 1 ? QString() : QStringLiteral("-%1").arg(attempt)) + QStringLiteral(".jpg"));
        const QFileInfo existing(path);
        if (existing.exists() && !fileHolds(path, bytes))
            continue; // changed in place (turned), or made by another program: not ours to replace
        if (!existing.exists()) {
            // A thumbnail left beside a copy that has gone shows other bytes.
            QFile::remove(QMEbayImage::thumbnailPathForImageAtPath(path));
            // The document holds the bytes: a copy lost in a crash is made again on the next open.
            if (!dw::writeCopyAtomically(path, bytes, error))
                return {};
        }
        std::lock_guard lock(s_storedMutex);
        s_storedHere.insert(path);
        return path;
    }
    return QMEbayImageTransformerHooks::storeImportedPictureData(bytes, error);
}

void QMEbayImageTransformer::removeUnreferencedPictureCopies(const QSet<QString>& referencedPaths)
{
    const QString folder = imageBackupDirectoryPath();
    if (folder.isNull())
        return;
    const QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    QSet<QString> keep;
    for (const QString& path : referencedPaths)
        keep.insert(QDir::cleanPath(path));
    // A thumbnail goes with its picture: it stays while the picture does.
    QSet<QString> pictures;
    for (const QFileInfo& entry : entries) {
        if (!entry.fileName().endsWith(QStringLiteral("_thumb.jpg")))
            pictures.insert(entry.absoluteFilePath());
    }
    std::lock_guard lock(s_storedMutex);
    for (const QString& picture : std::as_const(pictures)) {
        if (keep.contains(picture))
            continue;
        const QFileInfo info(picture);
        if (!s_storedHere.contains(picture) && info.lastModified() >= processStart())
            continue;
        QFile::remove(picture);
        QFile::remove(QMEbayImage::thumbnailPathForImageAtPath(picture));
        s_storedHere.remove(picture);
    }
}

QString QMEbayImageTransformer::backupFullSizeImageAtPath(const QString& path)
{
    const QString folder = imageBackupDirectoryPath();
    const QString suffix = QFileInfo(path).suffix();
    const QString target =
        folder.isNull() ? QString() : folder + dw::UUID() + (suffix.isEmpty() ? QString() : u'.' + suffix);
    if (target.isNull() || !QFile::copy(path, target)) {
        dw::consoleWrite(dw::format("backing up image to path %@ failed", target));
        return {};
    }
    return target;
}

QString QMEbayImageTransformer::generateAndBackupThumbnailFromFullSizeImageAtPath(const QString& imagePath)
{
    const QString thumbnailPath = QMEbayImage::thumbnailPathForImageAtPath(imagePath);
    if (QFileInfo::exists(thumbnailPath))
        QFile::remove(thumbnailPath);
    const QImage thumbnail = decodedAndReduced(imagePath, QSizeF(kThumbnailSide, kThumbnailSide));
    if (!thumbnail.isNull())
        (void)dw::writeAsJPEGToPath(thumbnail, thumbnailPath);
    return thumbnailPath;
}

void QMEbayImageTransformer::removeBackupImagesForEbayImage(const QMEbayImage& picture)
{
    for (const QString& path : {picture.standardizedImageFilePath(), picture.standardizedThumbFilePath()}) {
        if (!path.isEmpty() && QFileInfo::exists(path))
            QFile::remove(path);
    }
}

QString QMEbayImageTransformer::imageBackupDirectoryPath()
{
    static std::mutex mutex;
    static QString folder;
    return folderMadeOnce(mutex, folder, QDir(dw::paths::fixedDataFolder()).filePath(QStringLiteral("AuctionImages/")),
                          "Could not create diretory for images at %@");
}

QString QMEbayImageTransformer::imagesCacheDirectoryPath()
{
    static std::mutex mutex;
    static QString folder;
    return folderMadeOnce(mutex, folder, QDir(dw::applicationCachesDirectory()).filePath(QStringLiteral("images")),
                          "Could not create diretory for cached images at %@");
}

QString QMEbayImageTransformer::temporaryImageDirectory()
{
    // Made anew on every call: removeAllTemporaryImages() may have taken it away.
    const QString base = dw::paths::temporaryFolder();
    const QString folder = base.isNull() ? QString() : QDir(base).filePath(QStringLiteral("QuillmartTemporaryImages"));
    if (folder.isNull() || !dw::createDirectoryRecursiveAtPath(folder)) {
        dw::consoleWrite(dw::format("Could not create tmp directory for images (should be %@)", folder));
        return {};
    }
    return folder;
}

void QMEbayImageTransformer::removeAllTemporaryImages()
{
    const QString base = dw::paths::temporaryFolder();
    if (!base.isNull())
        QDir(QDir(base).filePath(QStringLiteral("QuillmartTemporaryImages"))).removeRecursively();
}

QString QMEbayImageTransformer::uniqueTemporaryJPEGImageFileName()
{
    return temporaryJPEGImageFileWithBaseName(dw::UUID());
}

QString QMEbayImageTransformer::temporaryJPEGImageFileWithBaseName(const QString& base)
{
    DW_ASSERT(!base.isNull(), "temporaryJPEGImageFileWithBaseName: needs non-nil base name");
    const QString folder = temporaryImageDirectory();
    return folder.isNull() ? QString() : dw::paths::safeChildPath(folder, base + QStringLiteral(".jpg"));
}

QSizeF QMEbayImageTransformer::EPSUploadSizeForImageAtPath(const QString& path)
{
    const QSize size = measuredSize(path);
    if (size.isEmpty())
        return QSizeF(0, 0);
    const double width = size.width();
    const double height = size.height();
    if (width <= kEPSMaximumSide && height <= kEPSMaximumSide)
        return QSizeF(width, height);
    if (width > height)
        return QSizeF(kEPSMaximumSide, height * kEPSMaximumSide / width);
    return QSizeF(width * kEPSMaximumSide / height, kEPSMaximumSide);
}

QString QMEbayImageTransformer::pathToEPSImageFromImageAtPath(const QString& path, const QString& auctionTitle)
{
    return pathToImageWithSize(EPSUploadSizeForImageAtPath(path), auctionTitle, path);
}

QString QMEbayImageTransformer::pathToSupersizeEPSImageFromImageAtPath(const QString& path, const QString& auctionTitle)
{
    return pathToImageWithSize(EPSUploadSizeForImageAtPath(path), auctionTitle, path);
}

QString QMEbayImageTransformer::pathToFTPImageFromImageAtPath(const QString& path, const QString& auctionTitle)
{
    const auto& preferences = QMPreferencesManager::sharedInstance();
    const QSizeF size = preferences.scaleImages() ? QSizeF(preferences.defaultUploadImageSize()) : QSizeF(0, 0);
    return pathToImageWithSize(size, auctionTitle, path);
}

QString QMEbayImageTransformer::previewPathToEPSImageFromImageAtPath(const QString& path, const QString& auctionTitle)
{
    return pathToImageWithSize(QMPreferencesManager::sharedInstance().defaultEPSNormalImageSize(), auctionTitle, path);
}

QString QMEbayImageTransformer::previewPathToSupersizeEPSImageFromImageAtPath(const QString& path,
                                                                              const QString& auctionTitle)
{
    return pathToImageWithSize(QMPreferencesManager::sharedInstance().defaultEPSXXLImageSize(), auctionTitle, path);
}

QString QMEbayImageTransformer::pathToImageWithSize(const QSizeF& size, const QString& auctionTitle,
                                                    const QString& originalImagePath)
{
    const QSize source = measuredSize(originalImagePath);
    if (source.isEmpty())
        return {};
    const QString destination = imageFilePathForAuctionTitle(auctionTitle);
    if (destination.isNull())
        return {};
    const double w = source.width();
    const double h = source.height();
    const double limit = w / h < 1 ? size.width() : size.height();
    const bool fits = (size.width() == 0 && size.height() == 0) || (h <= limit && w <= size.width());
    if (!fits) {
        const QImage reduced = decodedAndReduced(originalImagePath, QSizeF(size.width(), limit));
        if (reduced.isNull() || !dw::writeAsJPEGToPath(reduced, destination))
            return {};
        return destination;
    }
    if (imageAtPathIsJPEGFile(originalImagePath)) {
        const bool copied = copiedFile(originalImagePath, destination);
        return copied ? destination : QString();
    }
    const QImage image = dw::imageWithContentsOfFile(originalImagePath);
    if (image.isNull() || !dw::writeAsJPEGToPath(image, destination))
        return {};
    return destination;
}

QString QMEbayImageTransformer::imageFilePathForAuctionTitle(const QString& auctionTitle)
{
    const QString folder = temporaryImageDirectory();
    if (folder.isNull())
        return {};
    std::lock_guard lock(s_nameMutex);
    const QString name =
        dw::format("%@-%ld-%@.jpg", titleLetters(auctionTitle), qlonglong(std::llround(dw::nowSeconds())),
                   QMPreferencesManager::sharedInstance().imageCounterString());
    return folder + u'/' + name;
}

bool QMEbayImageTransformer::imageAtPathIsJPEGFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head.size() >= 4 && quint8(head[0]) == 0xFF && quint8(head[1]) == 0xD8;
}

void QMEbayImageTransformer::shortenPathsForImage(QMEbayImage& picture)
{
    const auto repaired = [this](const QString& stored, const QString& expanded) -> QString {
        if (stored.isEmpty() || stored.startsWith(u'~'))
            return {};
        if (QFileInfo::exists(expanded))
            return expanded;
        const QString folder = imageBackupDirectoryPath();
        if (folder.isNull())
            return {};
        const QString candidate = dw::format("%@/%@", QDir(folder).path(), QFileInfo(expanded).fileName());
        return QFileInfo::exists(candidate) ? candidate : QString();
    };
    const QString file = repaired(picture.storedImageFilePath(), picture.imageFilePath());
    if (!file.isNull())
        picture.setImageFilePath(file);
    const QString thumbnail = repaired(picture.storedThumbFilePath(), picture.thumbFilePath());
    if (!thumbnail.isNull())
        picture.setThumbFilePath(thumbnail);
}
