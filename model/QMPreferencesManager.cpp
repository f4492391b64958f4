#include "model/QMPreferencesManager.h"

#include "DWKit/QMLog.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/Clock.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <mutex>

namespace {

std::mutex s_sharedMutex;
std::unique_ptr<QMPreferencesManager> s_shared;

// Upload threads hand out picture numbers concurrently; the read, increment and write of the
// counter must not interleave or two pictures would get one name.
std::mutex s_imageCounterMutex;

const QString kFeesFileName = QStringLiteral("fees.data");

QColor colorFromVariant(const QVariant& value)
{
    const QVariantList parts = value.toList();
    if (value.typeId() != QMetaType::QVariantList || parts.size() != 4)
        return QColor();
    return QColor::fromRgbF(float(parts[0].toDouble()), float(parts[1].toDouble()), float(parts[2].toDouble()),
                            float(parts[3].toDouble()));
}

QDateTime dateFromVariant(const QVariant& value)
{
    return value.typeId() == QMetaType::QDateTime ? value.toDateTime() : QDateTime();
}

} // namespace

QMPreferencesManager::QMPreferencesManager(dw::UserDefaults* defaults) : DWEbayPreferencesManager(defaults) {}

QMPreferencesManager::~QMPreferencesManager() = default;

QMPreferencesManager& QMPreferencesManager::sharedInstance()
{
    std::lock_guard lock(s_sharedMutex);
    if (!s_shared)
        s_shared = std::make_unique<QMPreferencesManager>();
    return *s_shared;
}

bool QMPreferencesManager::boolFor(const char* key) const
{
    return defaults().boolForKey(QString::fromLatin1(key));
}

qint64 QMPreferencesManager::integerFor(const char* key) const
{
    return defaults().integerForKey(QString::fromLatin1(key));
}

QString QMPreferencesManager::stringFor(const char* key) const
{
    const QVariant value = defaults().objectForKey(QString::fromLatin1(key));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QVariant QMPreferencesManager::objectFor(const char* key) const
{
    return defaults().objectForKey(QString::fromLatin1(key));
}

void QMPreferencesManager::setObjectFor(const QVariant& value, const char* key)
{
    defaults().setObject(value, QString::fromLatin1(key));
}

QString QMPreferencesManager::ruName() const
{
    // The redirect names registered with eBay are configuration, kept in the registered defaults.
    return defaults().stringForKey(modifiedSandboxDefaultsKeyForKey(QStringLiteral("eBayRuName")));
}

bool QMPreferencesManager::warningCodeIsOnIgnoreList(const QString& code) const
{
    // Read at every call, as a missing or damaged file simply counts as an empty list.
    const auto bundled =
        dw::plist::readFile(dw::paths::resourcesFolder() + QStringLiteral("DefaultIgnoredWarnings.plist"));
    if (bundled && bundled->typeId() == QMetaType::QVariantList && bundled->toList().contains(QVariant(code)))
        return true;
    return DWEbayPreferencesManager::warningCodeIsOnIgnoreList(code);
}

// --- Picture upload

qint64 QMPreferencesManager::defaultImageUploadingSystemTag() const
{
    return integerFor("ImageUploadingSystem");
}

void QMPreferencesManager::setDefaultImageUploadingSystemTag(qint64 tag)
{
    defaults().setInteger(tag, QStringLiteral("ImageUploadingSystem"));
}

bool QMPreferencesManager::useEPS() const
{
    return defaultImageUploadingSystemTag() == kQMImageUploadingSystemEPS;
}

bool QMPreferencesManager::useDotMac() const
{
    return defaultImageUploadingSystemTag() == kQMImageUploadingSystemDotMac;
}

bool QMPreferencesManager::useOwnFTPServer() const
{
    return defaultImageUploadingSystemTag() == kQMImageUploadingSystemOwnFTPServer;
}

bool QMPreferencesManager::useWebDAVServer() const
{
    return defaultImageUploadingSystemTag() == kQMImageUploadingSystemWebDAVServer;
}

bool QMPreferencesManager::useDunmerrowImageServer() const
{
    return defaultImageUploadingSystemTag() == kQMImageUploadingSystemDunmerrowImageServer;
}

bool QMPreferencesManager::useOwnServer() const
{
    const qint64 tag = defaultImageUploadingSystemTag();
    return tag == kQMImageUploadingSystemOwnFTPServer || tag == kQMImageUploadingSystemWebDAVServer ||
           tag == kQMImageUploadingSystemDunmerrowImageServer;
}

QString QMPreferencesManager::imageCounterString()
{
    std::lock_guard lock(s_imageCounterMutex);
    qint64 next = integerFor("ImageCounter") + 1;
    if (next > 99999)
        next = 0;
    defaults().setInteger(next, QStringLiteral("ImageCounter"));
    return dw::format(QStringLiteral("%ld"), qlonglong(next));
}

QString QMPreferencesManager::FTPServerAddress() const
{
    return stringFor("FTPServerAddress");
}

void QMPreferencesManager::setFTPServerAddress(const QString& value)
{
    setObjectFor(value.isNull() ? QVariant() : QVariant(value), "FTPServerAddress");
}

QString QMPreferencesManager::FTPUserName() const
{
    return stringFor("FTPUserName");
}

void QMPreferencesManager::setFTPUserName(const QString& value)
{
    setObjectFor(value.isNull() ? QVariant() : QVariant(value), "FTPUserName");
}

QString QMPreferencesManager::FTPServerPath() const
{
    return stringFor("FTPServerPath");
}

void QMPreferencesManager::setFTPServerPath(const QString& value)
{
    setObjectFor(value.isNull() ? QVariant() : QVariant(value), "FTPServerPath");
}

QString QMPreferencesManager::HTTPURLPrefix() const
{
    return stringFor("HTTPURLPrefix");
}

void QMPreferencesManager::setHTTPURLPrefix(const QString& value)
{
    setObjectFor(value.isNull() ? QVariant() : QVariant(value), "HTTPURLPrefix");
}

qint64 QMPreferencesManager::deleteUploadedImagesAfterDays() const
{
    return integerFor("deleteUploadedImagesAfterDays");
}

bool QMPreferencesManager::shouldDeleteUploadedImages() const
{
    return deleteUploadedImagesAfterDays() != 0;
}

QVariant QMPreferencesManager::defaultDotMacFolderName() const
{
    return objectFor("defaultDotMacFolderName");
}

QString QMPreferencesManager::HTTPURLStringForUploadedFile(const QString& filePath) const
{
    return HTTPURLStringForHTTPURLPrefix(HTTPURLPrefix(), filePath);
}

QString QMPreferencesManager::HTTPURLStringForHTTPURLPrefix(const QString& prefix, const QString& filePath)
{
    QString result = prefix;
    const QString fileName = QFileInfo(filePath).fileName();
    if (!result.endsWith(u'/'))
        result += u'/';
    result += fileName;
    if (result.startsWith(QStringLiteral("http://")) || result.startsWith(QStringLiteral("https://")))
        return result;
    return QStringLiteral("http://") + result;
}

// --- Listing, fees and schedule

qint64 QMPreferencesManager::auctionDeleteDuration() const
{
    return integerFor("auctionDeleteDuration");
}

QDateTime QMPreferencesManager::lastScheduleDate() const
{
    const QDateTime stored = dateFromVariant(objectFor("LastScheduleDate"));
    if (!stored.isValid())
        return stored;
    const QDateTime now = dw::now();
    return stored < now ? now : stored;
}

void QMPreferencesManager::setLastScheduleDate(const QDateTime& date)
{
    setObjectFor(date.isValid() ? QVariant(date.toUTC()) : QVariant(), "LastScheduleDate");
}

bool QMPreferencesManager::markExtraFees() const
{
    return boolFor("markExtraFees");
}

void QMPreferencesManager::setMarkExtraFees(bool value)
{
    defaults().setBool(value, QStringLiteral("markExtraFees"));
}

QColor QMPreferencesManager::feesHighlightColor()
{
    const QColor stored = colorFromVariant(objectFor("FeesHighlightColor2"));
    if (stored.isValid())
        return stored;
    const QColor fallback = QColor::fromRgbF(0.36f, 75.0f / 255.0f, 145.0f / 255.0f, 1.0f);
    setFeesHighlightColor(fallback);
    return fallback;
}

void QMPreferencesManager::setFeesHighlightColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    setObjectFor(QVariantList{rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()}, "FeesHighlightColor2");
    dw::NotificationCenter::defaultCenter().post(QString::fromLatin1(kFeesHighlightColorDidChangeNotification),
                                                 dw::NotificationObject::of(this));
}

bool QMPreferencesManager::shouldDisplayInfoPanel() const
{
    return boolFor("ShouldDisplayInfoPanel");
}

void QMPreferencesManager::setShouldDisplayInfoPanel(bool value)
{
    defaults().setBool(value, QStringLiteral("ShouldDisplayInfoPanel"));
}

bool QMPreferencesManager::preventSystemSleepForEvents() const
{
    return boolFor("preventSystemSleepForEvents");
}

void QMPreferencesManager::setPreventSystemSleepForEvents(bool value)
{
    defaults().setBool(value, QStringLiteral("preventSystemSleepForEvents"));
}

bool QMPreferencesManager::includeGalleryImageInAuction() const
{
    return boolFor("includeGalleryImageInAuction");
}

bool QMPreferencesManager::autoUpdatePreview() const
{
    return boolFor("autoUpdatePreview");
}

bool QMPreferencesManager::removeCategoryAfterDuplication() const
{
    return boolFor("removeCategoryAfterDuplication");
}

bool QMPreferencesManager::suppressAuctionModeSwitching() const
{
    return boolFor("suppressAuctionModeSwitching");
}

bool QMPreferencesManager::drawTemplateItemColorBackgound() const
{
    return boolFor("drawTemplateItemColorBackgound");
}

bool QMPreferencesManager::automaticallyArchiveFinishedAuctions() const
{
    return boolFor("automaticallyArchiveFinishedAuctions");
}

QString QMPreferencesManager::startedAuctionsFolderUniqueID() const
{
    return defaults().stringForKey(modifiedSandboxDefaultsKeyForKey(QStringLiteral("QMStartedAuctionsFolder")));
}

void QMPreferencesManager::setStartedAuctionsFolderUniqueID(const QString& uniqueID)
{
    defaults().setObject(uniqueID.isNull() ? QVariant() : QVariant(uniqueID),
                         modifiedSandboxDefaultsKeyForKey(QStringLiteral("QMStartedAuctionsFolder")));
}

QVariantMap QMPreferencesManager::feesDictionary() const
{
    const QStringList candidates = {dw::paths::fixedDataFolder() + kFeesFileName,
                                    dw::paths::resourcesFolder() + kFeesFileName};
    for (const QString& path : candidates) {
        if (!QFileInfo::exists(path))
            continue;
        QString error;
        const auto value = dw::plist::readFile(path, &error);
        if (value && value->typeId() == QMetaType::QVariantMap)
            return value->toMap();
        QMLogError(QStringLiteral("Ignoring unreadable fee tables %@: %@"), path,
                   error.isEmpty() ? QStringLiteral("not a dictionary") : error);
    }
    return QVariantMap();
}

bool QMPreferencesManager::saveDownloadedFeesDictionary(const QVariantMap& fees)
{
    QString error;
    if (dw::plist::writeFile(dw::paths::fixedDataFolder() + kFeesFileName, fees, dw::plist::Format::Binary, &error))
        return true;
    QMLogError(QStringLiteral("Could not save the fee tables: %@"), error);
    return false;
}

void QMPreferencesManager::showAllWarnings()
{
    static const char* const kSuppressionKeys[] = {
        "HideFeesWarning",
        "HideDurationStoreWarning",
        "HideDeleteImageWarning",
        "HideSiteChangeWarning",
        "HideNewWidgetWarning",
        "HideFeedbackWarning",
        "HideScheduleVerifyAddItemWarning",
        "HideNewDesignTemplateAvailableWarning",
        "HideDurationExpressWarning",
        "HideExpensiveItemOptionsWarning",
        "HideWebEditingConvertDescriptionWarning",
        "HideWebEditingPlaceholderInDescriptionWarning",
        "HideFreeShippingWarning",
        "HideRelistWarning",
        "HideInventoryQuantityWarning",
        "HideAutorelistInventoryQuantityWarning",
    };
    for (const char* key : kSuppressionKeys)
        defaults().setBool(false, QString::fromLatin1(key));
}

// --- eBay data and messages

qint64 QMPreferencesManager::getSellerListUpdateTime() const
{
    return integerFor("GetSellerListUpdateTime");
}

void QMPreferencesManager::setGetSellerListUpdateTime(qint64 value)
{
    defaults().setInteger(value, QStringLiteral("GetSellerListUpdateTime"));
}

QDateTime QMPreferencesManager::getSellerListLastRunDate() const
{
    return dateFromVariant(
        defaults().objectForKey(modifiedSandboxDefaultsKeyForKey(QStringLiteral("getSellerListLastRunDate"))));
}

void QMPreferencesManager::setGetSellerListLastRunDate(const QDateTime& date)
{
    const QString key = modifiedSandboxDefaultsKeyForKey(QStringLiteral("getSellerListLastRunDate"));
    if (date.isValid())
        defaults().setObject(date.toUTC(), key);
    else
        defaults().removeObjectForKey(key);
    synchronize();
}

bool QMPreferencesManager::trackRunningAuctions() const
{
    return boolFor("trackRunningAuctions");
}

bool QMPreferencesManager::showAuctionsFromMyeBay() const
{
    return boolFor("showAuctionsFromMyeBay");
}

bool QMPreferencesManager::logGetSellerListRequests() const
{
    return boolFor("logGetSellerListRequests");
}

bool QMPreferencesManager::downloadMyEbayMessages() const
{
    return boolFor("downloadMyEbayMessages");
}

qint64 QMPreferencesManager::ebayMessageTypeTag() const
{
    return integerFor("ebayMessageTypeTag");
}

QVariantList QMPreferencesManager::recentFeedbackComments() const
{
    return defaults().arrayForKey(QStringLiteral("RecentFeedbackComments"));
}

void QMPreferencesManager::setRecentFeedbackComments(const QVariantList& comments)
{
    setObjectFor(comments, "RecentFeedbackComments");
}

qint64 QMPreferencesManager::maxRecentFeedbackComments() const
{
    return integerFor("maxRecentFeedbackComments");
}

bool QMPreferencesManager::eBayMessageIsOnIgnoreList(const QString& message) const
{
    return defaults().arrayForKey(QStringLiteral("eBayMessageIgnoreList")).contains(QVariant(message));
}

void QMPreferencesManager::addEbayMessageToIgnoreList(const QString& message)
{
    QVariantList list = defaults().arrayForKey(QStringLiteral("eBayMessageIgnoreList"));
    if (list.contains(QVariant(message)))
        return;
    list.append(message);
    setObjectFor(list, "eBayMessageIgnoreList");
    synchronize();
}

void QMPreferencesManager::forgetEbayMessageIgnoreList()
{
    setObjectFor(QVariantList(), "eBayMessageIgnoreList");
}

// --- Window, table and view state

QVariant QMPreferencesManager::eventsTableSortDescriptors() const
{
    return objectFor("eventsTableSortDescriptors");
}

void QMPreferencesManager::setEventsTableSortDescriptors(const QVariant& value)
{
    setObjectFor(value, "eventsTableSortDescriptors");
}

QVariant QMPreferencesManager::auctionsTableSortDescriptors() const
{
    return objectFor("auctionsTableSortDescriptors3");
}

void QMPreferencesManager::setAuctionsTableSortDescriptors(const QVariant& value)
{
    setObjectFor(value, "auctionsTableSortDescriptors3");
}

QVariant QMPreferencesManager::templatesTableSortDescriptors() const
{
    return objectFor("templatesTableSortDescriptors3");
}

void QMPreferencesManager::setTemplatesTableSortDescriptors(const QVariant& value)
{
    setObjectFor(value, "templatesTableSortDescriptors3");
}

QVariant QMPreferencesManager::paypalTransactionTableSortDescriptors() const
{
    return objectFor("paypalTransactionTableSortDescriptors");
}

void QMPreferencesManager::setPaypalTransactionTableSortDescriptors(const QVariant& value)
{
    setObjectFor(value, "paypalTransactionTableSortDescriptors");
}

QVariant QMPreferencesManager::ebayMessagesTableSortDescriptors() const
{
    return objectFor("ebayMessagesTableSortDescriptors");
}

void QMPreferencesManager::setEbayMessagesTableSortDescriptors(const QVariant& value)
{
    setObjectFor(value, "ebayMessagesTableSortDescriptors");
}

qint64 QMPreferencesManager::overviewModeType() const
{
    return integerFor("OverviewModeType");
}

void QMPreferencesManager::setOverviewModeType(qint64 value)
{
    defaults().setInteger(value, QStringLiteral("OverviewModeType"));
}

QVariant QMPreferencesManager::overviewSortDescriptorKey() const
{
    return objectFor("overviewSortDescriptorKey");
}

void QMPreferencesManager::setOverviewSortDescriptorKey(const QVariant& value)
{
    setObjectFor(value, "overviewSortDescriptorKey");
}

QSizeF QMPreferencesManager::overviewImageSize() const
{
    // The size text is "{width, height}"; like the platform's reader, take the first two numbers.
    const QString text = stringFor("overviewImageSize");
    static const QRegularExpression number(QStringLiteral("[-+]?[0-9]*\\.?[0-9]+(?:[eE][-+]?[0-9]+)?"));
    QList<double> values;
    for (auto it = number.globalMatch(text); it.hasNext() && values.size() < 2;)
        values << dw::doubleValue(it.next().captured());
    if (text.trimmed().isEmpty())
        return QSizeF(160, 160);
    while (values.size() < 2)
        values << 0.0;
    return QSizeF(values[0], values[1]);
}

void QMPreferencesManager::setOverviewImageSize(const QSizeF& size)
{
    setObjectFor(dw::format(QStringLiteral("{%@, %@}"), dw::numberText(size.width()), dw::numberText(size.height())),
                 "overviewImageSize");
}

bool QMPreferencesManager::previewViewIsSelected() const
{
    return boolFor("previewViewIsSelected");
}

void QMPreferencesManager::setPreviewViewIsSelected(bool value)
{
    defaults().setBool(value, QStringLiteral("previewViewIsSelected"));
}

qint64 QMPreferencesManager::mainSearchFilterOption() const
{
    return integerFor("mainSearchFilterOption");
}

void QMPreferencesManager::setMainSearchFilterOption(qint64 value)
{
    defaults().setInteger(value, QStringLiteral("mainSearchFilterOption"));
}

QList<qint64> QMPreferencesManager::lastSelectedRowIndexesInOutlineView() const
{
    QList<qint64> indexes;
    for (const QVariant& value : defaults().arrayForKey(QStringLiteral("lastSelectedRowIndexesInOutlineView"))) {
        bool ok = false;
        const qint64 index = value.toLongLong(&ok);
        if (ok && index >= 0 && !indexes.contains(index))
            indexes << index;
    }
    std::sort(indexes.begin(), indexes.end());
    return indexes;
}

void QMPreferencesManager::setLastSelectedRowIndexesInOutlineView(const std::optional<QList<qint64>>& indexes)
{
    const QString key = QStringLiteral("lastSelectedRowIndexesInOutlineView");
    if (!indexes) {
        defaults().removeObjectForKey(key);
    } else {
        QVariantList list;
        for (qint64 index : *indexes)
            list << QVariant(qlonglong(index));
        defaults().setObject(list, key);
    }
    synchronize();
}

bool QMPreferencesManager::showInspectorWindowInBackground() const
{
    return boolFor("showInspectorWindowInBackground");
}

bool QMPreferencesManager::omitCompleteLibraryLoadingAtStartup() const
{
    return boolFor("omitCompleteLibraryLoadingAtStartup");
}

QVariant QMPreferencesManager::deletedDefaultSmartGroups() const
{
    return objectFor("deletedDefaultSmartGroupsKey");
}

void QMPreferencesManager::setDeletedDefaultSmartGroups(const QVariant& value)
{
    setObjectFor(value, "deletedDefaultSmartGroupsKey");
}

QVariantMap QMPreferencesManager::imageEditorFiltersDict() const
{
    return defaults().dictionaryForKey(QStringLiteral("imageEditorFilters"));
}

void QMPreferencesManager::setImageEditorFiltersDict(const QVariantMap& value)
{
    setObjectFor(value, "imageEditorFilters");
}

// --- Product search, design templates, video and other

bool QMPreferencesManager::includeAdditionalProductInformation() const
{
    return boolFor("includeAdditionalProductInformation");
}

bool QMPreferencesManager::useSearchedProductTitle() const
{
    return boolFor("useSearchedProductTitle");
}

bool QMPreferencesManager::includeProductStockPhoto() const
{
    return boolFor("includeProductStockPhoto");
}

bool QMPreferencesManager::useProductStockPhotoAsGalleryImage() const
{
    return boolFor("useProductStockPhotoAsGalleryImage");
}

QStringList QMPreferencesManager::disabledDesignTemplateIdentifiers() const
{
    return defaults().stringArrayForKey(QStringLiteral("disabledDesignTemplateIdentifiers"));
}

void QMPreferencesManager::setDisabledDesignTemplateIdentifiers(const QStringList& identifiers)
{
    setObjectFor(QVariant(identifiers).toList(), "disabledDesignTemplateIdentifiers");
}

bool QMPreferencesManager::generateDesignTemplateThumbs() const
{
    return boolFor("generateDesignTemplateThumbs");
}

QString QMPreferencesManager::defaultVideoDeviceString() const
{
    return stringFor("defaultVideoDeviceString");
}

void QMPreferencesManager::setDefaultVideoDeviceString(const QString& value)
{
    setObjectFor(value.isNull() ? QVariant() : QVariant(value), "defaultVideoDeviceString");
}

QString QMPreferencesManager::twitterUpdateStatusMessagePrefix()
{
    const QString stored = stringFor("twitterUpdateStatusMessagePrefix");
    if (!stored.isNull())
        return stored;
    const QString prefix = dw::localized("I just listed '%t' on eBay with #Quillmart:");
    setObjectFor(prefix, "twitterUpdateStatusMessagePrefix");
    return prefix;
}

bool QMPreferencesManager::twitterUpdateStatusOnRelist() const
{
    return boolFor("twitterUpdateStatusOnRelist");
}

bool QMPreferencesManager::enableLogFile() const
{
    return boolFor("enableLogFile");
}

qint64 QMPreferencesManager::lastUsedSpotlightPluginVersion() const
{
    return integerFor("lastUsedSpotlightPluginVersion");
}

void QMPreferencesManager::setLastUsedSpotlightPluginVersion(qint64 version)
{
    defaults().setInteger(version, QStringLiteral("lastUsedSpotlightPluginVersion"));
    synchronize();
}

bool QMPreferencesManager::sharingLookForSharedTemplates() const
{
    return boolFor("sharingLookForSharedTemplates");
}

bool QMPreferencesManager::sharingShareMyTemplates() const
{
    return boolFor("sharingShareMyTemplates");
}

bool QMPreferencesManager::sharingRequirePassword() const
{
    return boolFor("sharingRequirePassword");
}

bool QMPreferencesManager::sharingRememberRemotePassword() const
{
    return boolFor("sharingRememberRemotePassword");
}

void QMPreferencesManager::setSharingRememberRemotePassword(bool value)
{
    defaults().setBool(value, QStringLiteral("sharingRememberRemotePassword"));
}

QVariant QMPreferencesManager::sharingSharedName() const
{
    return objectFor("sharingSharedName");
}

void QMPreferencesManager::setSharingSharedName(const QVariant& value)
{
    setObjectFor(value, "sharingSharedName");
}

QVariant QMPreferencesManager::sharingUniqueID() const
{
    return objectFor("sharingUniqueIDKey");
}

void QMPreferencesManager::setSharingUniqueID(const QVariant& value)
{
    setObjectFor(value, "sharingUniqueIDKey");
}

bool QMPreferencesManager::shareSelectedGroupsOnly() const
{
    return integerFor("shareSelectedGroupsOnly") != 0;
}
