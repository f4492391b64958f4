#include "model/QMReturnPolicyUpdater.h"

#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayItem.h"
#include "model/QMPreferencesManager.h"

#include "DWKit/QMLog.h"

#include "platform/archive/ArchivedObject.h"

#include <QVariantList>

namespace {

std::unique_ptr<QMReturnPolicyUpdater>& sharedSlot()
{
    static std::unique_ptr<QMReturnPolicyUpdater> updater;
    return updater;
}

// The first chosen value of an attribute, or null.
std::shared_ptr<QMEbayAttributeValue> firstValue(const QVariantMap& chosen, const QString& attributeID)
{
    const QVariantList values = chosen.value(attributeID).toList();
    if (values.isEmpty())
        return nullptr;
    return dw::archivedObjectCast<QMEbayAttributeValue>(values.first());
}

} // namespace

QMReturnPolicyUpdater::QMReturnPolicyUpdater(std::optional<QVariantMap> table) : m_table(std::move(table)) {}

QMReturnPolicyUpdater& QMReturnPolicyUpdater::sharedInstance()
{
    std::unique_ptr<QMReturnPolicyUpdater>& slot = sharedSlot();
    if (!slot)
        slot = std::make_unique<QMReturnPolicyUpdater>();
    return *slot;
}

void QMReturnPolicyUpdater::setSharedInstance(std::unique_ptr<QMReturnPolicyUpdater> updater)
{
    sharedSlot() = std::move(updater);
}

const QVariantMap& QMReturnPolicyUpdater::decryptedReturnPolicyMigration()
{
    if (!m_table)
        m_table = QMPreferencesManager::sharedInstance().decryptedReturnPolicyMigration().value_or(QVariantMap());
    return *m_table;
}

QString QMReturnPolicyUpdater::returnPolicyAttributeSetIDForSiteID(qint64 siteID)
{
    const QVariant setID = decryptedReturnPolicyMigration()
                               .value(QString::number(siteID))
                               .toMap()
                               .value(QStringLiteral("returnPolicySetID"));
    if (!setID.isValid()) {
        // The table ships empty; a site without an entry has nothing to migrate.
        QMLog("Could not find return policy attribute set ID for site ID %ld", siteID);
        return QString();
    }
    return setID.toString();
}

QVariant QMReturnPolicyUpdater::valueFromSiteInfo(const QVariantMap& siteInfo, const QString& key,
                                                  const QVariantMap& fallbackInfo)
{
    const QVariant value = siteInfo.value(key);
    return value.isValid() ? value : fallbackInfo.value(key);
}

void QMReturnPolicyUpdater::updateReturnPolicyInItemIfNeeded(QMEbayItem& item)
{
    const QVariantMap& table = decryptedReturnPolicyMigration();
    const QVariantMap siteInfo = table.value(item.siteIDAsString()).toMap();
    const QString setID = siteInfo.value(QStringLiteral("returnPolicySetID")).toString();
    if (setID.isEmpty() || item.attributeSets().isEmpty() || !item.attributeSets().contains(setID))
        return;
    if (item.returnPolicyAccepted() || !item.returnPolicyDescription().isNull() ||
        !item.returnPolicyReturnsWithinOption().isNull() || !item.returnPolicyRefundOption().isNull() ||
        !item.returnPolicyShippingCostPaidByOption().isNull())
        return;

    const QVariantMap fallback = table.value(QStringLiteral("default")).toMap();
    const QVariant chosenValue = item.attributeValuesForSetID(setID);
    if (chosenValue.typeId() != QMetaType::QVariantMap) {
        QMLog("updateReturnPolicyInItemIfNeeded: could not find returnPolicySet for ID: %@", setID);
        return;
    }
    const QVariantMap chosen = chosenValue.toMap();
    const auto info = [&](const char* key) { return valueFromSiteInfo(siteInfo, QString::fromLatin1(key), fallback); };

    if (const auto value = firstValue(chosen, info("returnAcceptedAttribute").toString()))
        item.setReturnPolicyAccepted(value->identifier() == info("returnAcceptedAttributeID").toString());
    if (const auto value = firstValue(chosen, info("descriptionAttribute").toString())) {
        if (value->identifier() == info("descriptionAttributeID").toString())
            item.setReturnPolicyDescription(value->name());
    }
    // An option missing from the table leaves the field unset.
    const auto option = [&](const char* valuesKey, const std::shared_ptr<QMEbayAttributeValue>& value) {
        const QVariant entry = info(valuesKey).toMap().value(value->identifier());
        return entry.isValid() ? entry.toString() : QString();
    };
    if (const auto value = firstValue(chosen, info("itemMustReturnWithinAttribute").toString()))
        item.setReturnPolicyReturnsWithinOption(option("itemMustReturnWithinAttributeValues", value));
    if (const auto value = firstValue(chosen, info("refundWillBeGivenAsAttribute").toString()))
        item.setReturnPolicyRefundOption(option("refundWillBeGivenAsAttributeValues", value));
    if (const auto value = firstValue(chosen, info("returnShippingWillBePaidByAttribute").toString()))
        item.setReturnPolicyShippingCostPaidByOption(option("returnShippingWillBePaidByAttributeValues", value));
}
