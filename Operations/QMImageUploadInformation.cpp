#include "Operations/QMImageUploadInformation.h"

#include "DWKit/NSData+DWExtensions.h"
#include "DWKit/NSString+DWExtensions.h"
#include "model/QMEbayImage.h"
#include "model/QMPreferencesManager.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/Clock.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

#include <QFile>
#include <cmath>

namespace {

constexpr double kSecondsPerDay = 86400;
// eBay keeps a picture that no listing uses for this many days.
constexpr qint64 kEPSLifetimeDays = 60;

QString textOf(const QVariant& value)
{
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

} // namespace

QMImageUploadInformationPtr QMImageUploadInformation::imageUploadInformationWithImageInfo(const QVariantMap& imageInfo)
{
    auto record = std::make_shared<QMImageUploadInformation>();
    record->m_uniqueID = dw::UUID();
    record->m_localImagePath = imageInfo.value(QStringLiteral("imageFilePath")).toString();
    QFile file(imageInfo.value(QStringLiteral("standardizedImageFilePath")).toString());
    if (file.open(QIODevice::ReadOnly))
        record->m_imageMD5Hash = dw::md5Digest(file.readAll());
    record->m_firstUpload = dw::now();
    record->m_lastUpload = record->m_firstUpload;
    return record;
}

QMImageUploadInformationPtr QMImageUploadInformation::imageUploadInformationWithImage(const QMEbayImage& picture)
{
    return imageUploadInformationWithImageInfo(picture.infoDictionaryForOperations());
}

bool QMImageUploadInformation::isEqualToUploadInformation(const QMImageUploadInformation& other) const
{
    if (&other == this)
        return true;
    std::scoped_lock lock(m_mutex, other.m_mutex);
    const auto same = [](const auto& a, const auto& b) { return !a.isNull() && !b.isNull() && a == b; };
    const bool sizes = (m_imageSize.isNull() && other.m_imageSize.isNull()) || same(m_imageSize, other.m_imageSize);
    return same(m_localImagePath, other.m_localImagePath) && same(m_imageMD5Hash, other.m_imageMD5Hash) &&
           same(m_serverName, other.m_serverName) && same(m_uploadMethod, other.m_uploadMethod) &&
           same(m_remoteDirectoryPath, other.m_remoteDirectoryPath) && sizes;
}

#define DW_RECORD_FIELD(Type, getter, setter, member)                                                                  \
    Type QMImageUploadInformation::getter() const                                                                      \
    {                                                                                                                  \
        std::lock_guard lock(m_mutex);                                                                                 \
        return member;                                                                                                 \
    }                                                                                                                  \
    void QMImageUploadInformation::setter(const Type& value)                                                           \
    {                                                                                                                  \
        std::lock_guard lock(m_mutex);                                                                                 \
        member = value;                                                                                                \
    }

DW_RECORD_FIELD(QString, uniqueID, setUniqueID, m_uniqueID)
DW_RECORD_FIELD(QString, localImagePath, setLocalImagePath, m_localImagePath)
DW_RECORD_FIELD(QByteArray, imageMD5Hash, setImageMD5Hash, m_imageMD5Hash)
DW_RECORD_FIELD(QDateTime, firstUpload, setFirstUpload, m_firstUpload)
DW_RECORD_FIELD(QDateTime, lastUpload, setLastUpload, m_lastUpload)
DW_RECORD_FIELD(QString, serverName, setServerName, m_serverName)
DW_RECORD_FIELD(QString, uploadMethod, setUploadMethod, m_uploadMethod)
DW_RECORD_FIELD(QString, imageSize, setImageSize, m_imageSize)
DW_RECORD_FIELD(QString, remoteDirectoryPath, setRemoteDirectoryPath, m_remoteDirectoryPath)
DW_RECORD_FIELD(QString, imageURL, setImageURL, m_imageURL)
DW_RECORD_FIELD(QString, remoteImageName, setRemoteImageName, m_remoteImageName)
DW_RECORD_FIELD(QImage, remoteImage, setRemoteImage, m_remoteImage)

#undef DW_RECORD_FIELD

qint64 QMImageUploadInformation::daysSince(const QDateTime& date)
{
    if (!date.isValid())
        return 0;
    return qint64(std::floor(double(date.msecsTo(dw::now())) / 1000.0 / kSecondsPerDay));
}

QString QMImageUploadInformation::location() const
{
    const QString method = uploadMethod();
    if (method == QLatin1String(kQMUploadMethodEPS))
        return dw::localized("eBay Image Server");
    if (method == QLatin1String(kQMUploadMethodOwnFTPServer))
        return dw::format(dw::localized("FTP server %@"), serverName());
    if (method == QLatin1String(kQMUploadMethodWebDAVServer))
        return dw::format(dw::localized("WebDAV Server %@"), serverName());
    return dw::localized("Unknown location");
}

bool QMImageUploadInformation::expired() const
{
    const QString method = uploadMethod();
    const qint64 days = daysSince(firstUpload());
    if (method == QLatin1String(kQMUploadMethodEPS))
        return days > kEPSLifetimeDays;
    if (method == QLatin1String(kQMUploadMethodOwnFTPServer) || method == QLatin1String(kQMUploadMethodWebDAVServer)) {
        const auto& preferences = QMPreferencesManager::sharedInstance();
        return preferences.shouldDeleteUploadedImages() && days > preferences.deleteUploadedImagesAfterDays();
    }
    return true;
}

QString QMImageUploadInformation::localizedExpirationInDays() const
{
    const QString method = uploadMethod();
    qint64 remaining = 0;
    if (method == QLatin1String(kQMUploadMethodEPS)) {
        remaining = kEPSLifetimeDays - daysSince(firstUpload());
    } else if (method == QLatin1String(kQMUploadMethodOwnFTPServer) ||
               method == QLatin1String(kQMUploadMethodWebDAVServer)) {
        const auto& preferences = QMPreferencesManager::sharedInstance();
        if (!preferences.shouldDeleteUploadedImages())
            return dw::localized("Never");
        remaining = preferences.deleteUploadedImagesAfterDays() - daysSince(lastUpload());
    } else {
        return dw::localized("Expired");
    }
    if (remaining < 0)
        return dw::localized("Expired");
    return dw::format("%ld %@", qlonglong(remaining), remaining == 1 ? dw::localized("Day") : dw::localized("Days"));
}

QString QMImageUploadInformation::description() const
{
    return dw::format("QMImageUploadInformation: %@", location());
}

void QMImageUploadInformation::encodeWithCoder(dw::KeyedArchiver& coder) const
{
    std::lock_guard lock(m_mutex);
    coder.encodeObject(m_uniqueID, QStringLiteral("uniqueID"));
    coder.encodeObject(m_localImagePath, QStringLiteral("localImagePath"));
    coder.encodeObject(m_imageMD5Hash.isNull() ? QVariant() : QVariant(m_imageMD5Hash), QStringLiteral("imageMD5Hash"));
    coder.encodeObject(m_firstUpload, QStringLiteral("firstUpload"));
    coder.encodeObject(m_lastUpload, QStringLiteral("lastUpload"));
    coder.encodeObject(m_serverName, QStringLiteral("serverName"));
    coder.encodeObject(m_uploadMethod, QStringLiteral("uploadMethod"));
    coder.encodeObject(m_imageSize, QStringLiteral("imageSize"));
    coder.encodeObject(m_remoteDirectoryPath, QStringLiteral("remoteDirectoryPath"));
    coder.encodeObject(m_imageURL, QStringLiteral("imageURL"));
    coder.encodeObject(m_remoteImageName, QStringLiteral("remoteImageName"));
}

QMImageUploadInformationPtr QMImageUploadInformation::decodeWithCoder(dw::KeyedUnarchiver& coder)
{
    auto record = std::make_shared<QMImageUploadInformation>();
    const auto text = [&](const char* key) { return textOf(coder.decodeObjectForKey(QLatin1String(key))); };
    const auto date = [&](const char* key) {
        const QVariant value = coder.decodeObjectForKey(QLatin1String(key));
        return value.typeId() == QMetaType::QDateTime ? value.toDateTime() : QDateTime();
    };
    record->m_uniqueID = text("uniqueID");
    record->m_localImagePath = text("localImagePath");
    const QVariant digest = coder.decodeObjectForKey(QStringLiteral("imageMD5Hash"));
    if (digest.typeId() == QMetaType::QByteArray)
        record->m_imageMD5Hash = digest.toByteArray();
    record->m_firstUpload = date("firstUpload");
    record->m_lastUpload = date("lastUpload");
    record->m_serverName = text("serverName");
    record->m_uploadMethod = text("uploadMethod");
    record->m_imageSize = text("imageSize");
    record->m_remoteDirectoryPath = text("remoteDirectoryPath");
    record->m_imageURL = text("imageURL");
    record->m_remoteImageName = text("remoteImageName");
    return record;
}

void QMImageUploadInformation::registerArchiveClass()
{
    static std::once_flag once;
    std::call_once(once, [] {
        dw::KeyedUnarchiver::registerClass(
            QStringLiteral("QMImageUploadInformation"),
            [](dw::KeyedUnarchiver& coder) -> dw::ArchivedObjectPtr { return decodeWithCoder(coder); });
    });
}
