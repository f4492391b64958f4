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

const QString kFeesFileName = QStringLiteral("fees.data");

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
    // Upload threads hand out picture numbers concurrently: the read, increment and write of the
    // counter are one step of the defaults, or two pictures would get one name. The upload does not
    // wait for the disk: a name also holds the second it was made in, so numbers handed out again
    // after a crash lost their write still make new names.
    const QVariant next =
        defaults().changeObjectWrittenSoon(QStringLiteral("ImageCounter"), [](const QVariant& current) -> QVariant {
            const qint64 value = (current.typeId() == QMetaType::QString ? dw::integerValue(current.toString())
                                                                         : qint64(current.toDouble())) +
                                 1;
            return qlonglong(value > 99999 ? 0 : value);
        });
    return dw::format(QStringLiteral("%ld"), next.toLongLong());
}

bool QMPreferencesManager::shouldDeleteUploadedImages() const
{
    return deleteUploadedImagesAfterDays() != 0;
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
        QMLogError("Ignoring unreadable fee tables %@: %@", path,
                   error.isEmpty() ? QStringLiteral("not a dictionary") : error);
    }
    return QVariantMap();
}

bool QMPreferencesManager::saveDownloadedFeesDictionary(const QVariantMap& fees)
{
    QString error;
    if (dw::plist::writeFile(dw::paths::fixedDataFolder() + kFeesFileName, fees, dw::plist::Format::Binary, &error))
        return true;
    QMLogError("Could not save the fee tables: %@", error);
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

// --- Product search, design templates, video and other

QString QMPreferencesManager::twitterUpdateStatusMessagePrefix()
{
    const QString stored = stringFor("twitterUpdateStatusMessagePrefix");
    if (!stored.isNull())
        return stored;
    const QString prefix = dw::localized("I just listed '%t' on eBay with #Quillmart:");
    setObjectFor(prefix, "twitterUpdateStatusMessagePrefix");
    return prefix;
}

bool QMPreferencesManager::shareSelectedGroupsOnly() const
{
    return integerFor("shareSelectedGroupsOnly") != 0;
}
