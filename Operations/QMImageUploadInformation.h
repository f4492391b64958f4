#pragma once
// The record of one uploaded picture: where it went, in which size, with the digest of the file
// that was sent, and when. A record is a keyed archive of its own under the records folder
// (QMImageUploadInformationManager); the picture-upload operations make one before an upload and
// reuse a stored one that equals it.
//
//     auto record = QMImageUploadInformation::imageUploadInformationWithImageInfo(picture);
//     record->setUploadMethod(QLatin1String(kQMUploadMethodEPS));
//     ...
//     if (auto stored = QMImageUploadInformationManager::sharedInstance().uploadedImageInformationForNewImageInformation(record))
//         ...
//
// Fields are guarded by the record's own lock, so a record may be read on one thread while it is
// saved on another.

#include "platform/archive/ArchivedObject.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <mutex>

namespace dw {
class KeyedUnarchiver;
}
class QMEbayImage;

inline constexpr const char* kQMUploadMethodEPS = "UploadMethodEPS";
inline constexpr const char* kQMUploadMethodOwnFTPServer = "UploadMethodFTPServer";
inline constexpr const char* kQMUploadMethodWebDAVServer = "UploadMethodWebDAVServer";
inline constexpr const char* kQMUploadMethodFreeDunmerrowImageServer = "UploadMethodFreeDunmerrowServer";
inline constexpr const char* kQMUploadMethodDotMac = "UploadMethodDotMac";

class QMImageUploadInformation;
using QMImageUploadInformationPtr = std::shared_ptr<QMImageUploadInformation>;

class QMImageUploadInformation : public dw::ArchivedObject
{
public:
    QMImageUploadInformation() = default;

    // A new record: a new UUID, "imageFilePath" as the local path, the MD5 digest of the file at
    // "standardizedImageFilePath" (null when it cannot be read), first and last upload now.
    static QMImageUploadInformationPtr imageUploadInformationWithImageInfo(const QVariantMap& imageInfo);
    static QMImageUploadInformationPtr imageUploadInformationWithImage(const QMEbayImage& picture);

    // Same picture (path and digest), server, method, folder, and size (equal or both null); a
    // null text or digest on either side never matches.
    bool isEqualToUploadInformation(const QMImageUploadInformation& other) const;

    QString uniqueID() const;
    void setUniqueID(const QString& value);
    QString localImagePath() const;
    void setLocalImagePath(const QString& value);
    QByteArray imageMD5Hash() const;
    void setImageMD5Hash(const QByteArray& value);
    QDateTime firstUpload() const;
    void setFirstUpload(const QDateTime& value);
    QDateTime lastUpload() const;
    void setLastUpload(const QDateTime& value);
    QString serverName() const;
    void setServerName(const QString& value);
    QString uploadMethod() const;
    void setUploadMethod(const QString& value);
    QString imageSize() const;
    void setImageSize(const QString& value);
    QString remoteDirectoryPath() const;
    void setRemoteDirectoryPath(const QString& value);
    QString imageURL() const;
    void setImageURL(const QString& value);
    QString remoteImageName() const;
    void setRemoteImageName(const QString& value);
    // The uploaded picture, kept for display; never archived.
    QImage remoteImage() const;
    void setRemoteImage(const QImage& value);

    // For display: the local path as title, the local picture (the program's image "NotFound" when
    // it cannot be read; Operations/widgets, library operations_widgets, main thread), where the
    // picture went, whether its upload has run out, and the days left ("12 Days", "1 Day",
    // "Never", "Expired").
    QString title() const { return localImagePath(); }
    QImage localImage() const;
    QString location() const;
    bool expired() const;
    QString localizedExpirationInDays() const;
    QString description() const;

    // The eleven fields under their names.
    QStringList archiveClassChain() const override
    {
        return {QStringLiteral("QMImageUploadInformation"), QStringLiteral("NSObject")};
    }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override;
    static QMImageUploadInformationPtr decodeWithCoder(dw::KeyedUnarchiver& coder);
    static void registerArchiveClass();

    // Whole days from the date to now (floor of the seconds over 86,400).
    static qint64 daysSince(const QDateTime& date);

    // Held while the record's file is written or deleted.
    std::recursive_mutex& fileMutex() const { return m_fileMutex; }

private:
    mutable std::mutex m_mutex;
    mutable std::recursive_mutex m_fileMutex;
    QString m_uniqueID;
    QString m_localImagePath;
    QByteArray m_imageMD5Hash;
    QDateTime m_firstUpload;
    QDateTime m_lastUpload;
    QString m_serverName;
    QString m_uploadMethod;
    QString m_imageSize;
    QString m_remoteDirectoryPath;
    QString m_imageURL;
    QString m_remoteImageName;
    QImage m_remoteImage;
};
