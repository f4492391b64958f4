#include "model/QMPreferencesManager.h"

#include "model/QMItemShippingOptions.h"

#include "DWKit/QMLog.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/text/RtfCodec.h"

#include <QFileInfo>

QString QMPreferencesManager::defaultCountryIDAsString() const
{
    return dw::format(QStringLiteral("%ld"), qlonglong(defaultCountryID()));
}

QString QMPreferencesManager::defaultFooterString() const
{
    const QByteArray rtf = defaults().dataForKey(QStringLiteral("footerData"));
    if (rtf.isEmpty())
        return QString();
    return dw::rtf::plainText(rtf).value_or(QString());
}

void QMPreferencesManager::setDefaultFooterString(const QString& footer)
{
    if (footer.isEmpty()) {
        defaults().removeObjectForKey(QStringLiteral("footerData"));
        return;
    }
    defaults().setObject(dw::rtf::write(dw::StyledText(footer)), QStringLiteral("footerData"));
}

qint64 QMPreferencesManager::lastCategoryTreeVersion() const
{
    return defaults().integerForKey(modifiedDefaultsKeyForKey(QStringLiteral("lastCategoryTreeVersion")));
}

// --- Default shipping options per site

namespace {

const QString kFileFormatVersionKey = QStringLiteral("fileFormatVersion");
const QString kShippingOptionsKey = QStringLiteral("shippingOptions");

// The options of one stored file, or null when the file is missing, unreadable, of a newer format
// or without options.
std::shared_ptr<QMItemShippingOptions> readShippingOptionsFile(const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return nullptr;
    QMItemShippingOptions::registerArchiveClass();
    QString error;
    const auto root = dw::KeyedUnarchiver::unarchiveObjectWithFile(path, &error);
    if (!root) {
        QMLogError("Ignoring unreadable shipping options %@: %@", path, error);
        return nullptr;
    }
    const QVariantMap stored = root->toMap();
    if (stored.value(kFileFormatVersionKey).toLongLong() >= 1)
        return nullptr;
    return dw::archivedObjectCast<QMItemShippingOptions>(stored.value(kShippingOptionsKey));
}

} // namespace

QString QMPreferencesManager::shippingOptionsFilePathForSiteID(const QString& siteID)
{
    return dw::paths::safeChildPath(dw::paths::fixedDataFolder(),
                                    QStringLiteral("ShippingOptions.site") + siteID + QStringLiteral(".data"));
}

std::shared_ptr<QMItemShippingOptions>
QMPreferencesManager::defaultShippingOptionsForSiteID(const QString& siteID) const
{
    // Older versions kept the options per country; the US site's country is "1". Their file counts
    // only while the site has no file of its own: a site file that is of a newer format, unreadable
    // or without options stands for options the seller replaced, so the old ones must not return.
    const QString sitePath = shippingOptionsFilePathForSiteID(siteID);
    QString path = sitePath;
    if (sitePath.isEmpty() || !QFileInfo::exists(sitePath)) {
        const QString countryID = siteID == QStringLiteral("0") ? QStringLiteral("1") : siteID;
        path = dw::paths::safeChildPath(dw::paths::fixedDataFolder(), QStringLiteral("ShippingOptions.country") +
                                                                          countryID + QStringLiteral(".data"));
    }
    if (auto options = readShippingOptionsFile(path))
        return options;
    return std::make_shared<QMItemShippingOptions>();
}

bool QMPreferencesManager::setDefaultShippingOptions(const std::shared_ptr<QMItemShippingOptions>& options,
                                                     const QString& siteID)
{
    DW_ASSERT(options != nullptr, "cannot save (nil) shipping options");
    const QString path = shippingOptionsFilePathForSiteID(siteID);
    if (path.isEmpty()) {
        QMLogError("Not saving shipping options for the site %@: not a site ID", siteID);
        return false;
    }
    const QVariantMap root{{kFileFormatVersionKey, 0}, {kShippingOptionsKey, dw::archiveValue(options)}};
    QString error;
    if (dw::KeyedArchiver::archiveRootObject(root, path, &error))
        return true;
    QMLogError("Could not save shipping options: %@", error);
    return false;
}

// --- Image defaults

QSize QMPreferencesManager::defaultUploadImageSizeForImageSizeTag(qint64 tag)
{
    switch (tag) {
    case 199:
        return QSize(0, 0); // keep the original size
    case 200:
        return QSize(1024, 768);
    case 201:
        return QSize(800, 600);
    case 202:
        return QSize(640, 480);
    default:
        return QSize(400, 300);
    }
}

QSize QMPreferencesManager::defaultUploadImageSize() const
{
    return defaultUploadImageSizeForImageSizeTag(defaultImageSizeTag());
}

qint64 QMPreferencesManager::defaultImageWidth() const
{
    return defaultUploadImageSize().width();
}

qint64 QMPreferencesManager::defaultImageHeight() const
{
    return defaultUploadImageSize().height();
}

QSize QMPreferencesManager::defaultEPSNormalImageSize() const
{
    return defaultUploadImageSizeForImageSizeTag(203);
}

QSize QMPreferencesManager::defaultEPSXXLImageSize() const
{
    return defaultUploadImageSizeForImageSizeTag(201);
}

bool QMPreferencesManager::scaleImages() const
{
    return useEPS() || defaultImageSizeTag() != 199;
}
