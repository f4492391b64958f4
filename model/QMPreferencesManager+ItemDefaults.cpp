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

QVariant QMPreferencesManager::defaultLocation() const
{
    return objectFor("location");
}

void QMPreferencesManager::setDefaultLocation(const QVariant& location)
{
    setObjectFor(location, "location");
}

QString QMPreferencesManager::defaultZIPCode() const
{
    return stringFor("zipCode");
}

void QMPreferencesManager::setDefaultZIPCode(const QString& zipCode)
{
    setObjectFor(zipCode.isNull() ? QVariant() : QVariant(zipCode), "zipCode");
}

qint64 QMPreferencesManager::defaultCountryID() const
{
    return integerFor("countryID");
}

void QMPreferencesManager::setDefaultCountryID(qint64 countryID)
{
    defaults().setInteger(countryID, QStringLiteral("countryID"));
}

QString QMPreferencesManager::defaultCountryIDAsString() const
{
    return dw::format(QStringLiteral("%ld"), qlonglong(defaultCountryID()));
}

QVariant QMPreferencesManager::defaultCountryAbb() const
{
    return objectFor("countryAbb");
}

qint64 QMPreferencesManager::defaultRegionID() const
{
    return integerFor("regionID");
}

void QMPreferencesManager::setDefaultRegionID(qint64 regionID)
{
    defaults().setInteger(regionID, QStringLiteral("regionID"));
}

qint64 QMPreferencesManager::defaultCurrencyID() const
{
    return integerFor("currencyID");
}

void QMPreferencesManager::setDefaultCurrencyID(qint64 currencyID)
{
    defaults().setInteger(currencyID, QStringLiteral("currencyID"));
}

QVariantList QMPreferencesManager::defaultPaymentOptions() const
{
    return defaults().arrayForKey(QStringLiteral("paymentOptions"));
}

void QMPreferencesManager::setDefaultPaymentOptions(const QVariantList& options)
{
    setObjectFor(options, "paymentOptions");
}

qint64 QMPreferencesManager::defaultAuctionDuration() const
{
    return integerFor("defaultDuration");
}

void QMPreferencesManager::setDefaultAuctionDuration(qint64 days)
{
    defaults().setInteger(days, QStringLiteral("defaultDuration"));
}

QVariant QMPreferencesManager::defaultMinimumBid() const
{
    return objectFor("defaultMinimumBid");
}

void QMPreferencesManager::setDefaultMinimumBid(const QVariant& value)
{
    setObjectFor(value, "defaultMinimumBid");
}

bool QMPreferencesManager::isPrivateAuctionByDefault() const
{
    return boolFor("defaultPrivateAuction");
}

QVariant QMPreferencesManager::defaultBuyItNowPrice() const
{
    return objectFor("defaultBuyItNowPrice");
}

bool QMPreferencesManager::useBuyItNowByDefault() const
{
    return boolFor("useBuyItNow");
}

QVariant QMPreferencesManager::defaultReservePrice() const
{
    return objectFor("reservePrice");
}

bool QMPreferencesManager::useReservePriceByDefault() const
{
    return boolFor("useReservePrice");
}

bool QMPreferencesManager::useStartingBidByDefault() const
{
    return boolFor("useStartingBid");
}

bool QMPreferencesManager::convertItemDescriptionToHTMLByDefault() const
{
    return boolFor("convertDescriptionToHTML");
}

qint64 QMPreferencesManager::defaultCounterType() const
{
    return integerFor("CounterType");
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

bool QMPreferencesManager::includeFooterInItemDescriptionByDefault() const
{
    return boolFor("includeFooterInDescription");
}

bool QMPreferencesManager::defaultUseDesignTemplate() const
{
    return boolFor("defaultUseDesignTemplate");
}

void QMPreferencesManager::setDefaultUseDesignTemplate(bool value)
{
    defaults().setBool(value, QStringLiteral("defaultUseDesignTemplate"));
}

QVariant QMPreferencesManager::defaultDesignTemplateIdentifier() const
{
    return objectFor("defaultDesignTemplateIdentifier");
}

void QMPreferencesManager::setDefaultDesignTemplateIdentifier(const QVariant& identifier)
{
    setObjectFor(identifier, "defaultDesignTemplateIdentifier");
}

bool QMPreferencesManager::transcribeSettingsFromTemplate() const
{
    return boolFor("copySettingsFromTemplate");
}

QVariant QMPreferencesManager::templateUniqueIDFromWhichToTranscribeSettings() const
{
    return objectFor("templateUniqueIDFromWhichToCopySettings");
}

void QMPreferencesManager::setTemplateUniqueIDFromWhichToTranscribeSettings(const QVariant& uniqueID)
{
    setObjectFor(uniqueID, "templateUniqueIDFromWhichToCopySettings");
}

bool QMPreferencesManager::useDispatchTimeMaxByDefault() const
{
    return boolFor("useDispatchTimeMax");
}

qint64 QMPreferencesManager::defaultDispatchTimeMax() const
{
    return integerFor("dispatchTimeMax");
}

bool QMPreferencesManager::returnPolicyAccepted() const
{
    return boolFor("returnPolicyAccepted");
}

void QMPreferencesManager::setReturnPolicyAccepted(bool value)
{
    defaults().setBool(value, QStringLiteral("returnPolicyAccepted"));
}

QVariant QMPreferencesManager::returnPolicyDescription() const
{
    return objectFor("returnPolicyDescription");
}

void QMPreferencesManager::setReturnPolicyDescription(const QVariant& value)
{
    setObjectFor(value, "returnPolicyDescription");
}

QVariant QMPreferencesManager::returnPolicyReturnsWithinOption() const
{
    return objectFor("returnPolicyReturnsWithinOption");
}

void QMPreferencesManager::setReturnPolicyReturnsWithinOption(const QVariant& value)
{
    setObjectFor(value, "returnPolicyReturnsWithinOption");
}

QVariant QMPreferencesManager::returnPolicyShippingCostPaidByOption() const
{
    return objectFor("returnPolicyShippingCostPaidByOption");
}

void QMPreferencesManager::setReturnPolicyShippingCostPaidByOption(const QVariant& value)
{
    setObjectFor(value, "returnPolicyShippingCostPaidByOption");
}

QVariant QMPreferencesManager::returnPolicyRefundOption() const
{
    return objectFor("returnPolicyRefundOption");
}

void QMPreferencesManager::setReturnPolicyRefundOption(const QVariant& value)
{
    setObjectFor(value, "returnPolicyRefundOption");
}

qint64 QMPreferencesManager::lastCategoryTreeVersion() const
{
    return defaults().integerForKey(modifiedDefaultsKeyForKey(QStringLiteral("lastCategoryTreeVersion")));
}

QVariant QMPreferencesManager::defaultDesignTemplatePath() const
{
    return objectFor("defaultDesignTemplatePath");
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
        QMLogError(QStringLiteral("Ignoring unreadable shipping options %@: %@"), path, error);
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
    if (auto options = readShippingOptionsFile(shippingOptionsFilePathForSiteID(siteID)))
        return options;
    // Older versions kept the options per country; the US site's country is "1".
    const QString countryID = siteID == QStringLiteral("0") ? QStringLiteral("1") : siteID;
    const QString legacy = dw::paths::safeChildPath(
        dw::paths::fixedDataFolder(), QStringLiteral("ShippingOptions.country") + countryID + QStringLiteral(".data"));
    if (auto options = readShippingOptionsFile(legacy))
        return options;
    return std::make_shared<QMItemShippingOptions>();
}

bool QMPreferencesManager::setDefaultShippingOptions(const std::shared_ptr<QMItemShippingOptions>& options,
                                                     const QString& siteID)
{
    DW_ASSERT(options != nullptr, "cannot save (nil) shipping options");
    const QString path = shippingOptionsFilePathForSiteID(siteID);
    if (path.isEmpty()) {
        QMLogError(QStringLiteral("Not saving shipping options for the site %@: not a site ID"), siteID);
        return false;
    }
    const QVariantMap root{{kFileFormatVersionKey, 0}, {kShippingOptionsKey, dw::archiveValue(options)}};
    QString error;
    if (dw::KeyedArchiver::archiveRootObject(root, path, &error))
        return true;
    QMLogError(QStringLiteral("Could not save shipping options: %@"), error);
    return false;
}

// --- Image defaults

qint64 QMPreferencesManager::defaultImageSizeTag() const
{
    return integerFor("ImageSizePopupTag");
}

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
