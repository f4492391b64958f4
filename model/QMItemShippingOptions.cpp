#include "model/QMItemShippingOptions.h"

#include "model/QMSiteDescriptionManager.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

#include <QHash>
#include <mutex>

namespace {

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

QString textValue(const QVariantMap& row, const char* name)
{
    const QVariant value = row.value(key(name));
    return value.isValid() ? value.toString() : QString();
}

} // namespace

QMItemShippingOptions::QMItemShippingOptions() = default;

std::shared_ptr<QMItemShippingOptions> QMItemShippingOptions::copy() const
{
    // Every value is a value (rows are implicitly shared maps that detach on write), so a plain
    // copy of them shares nothing the original could see change.
    auto copied = std::make_shared<QMItemShippingOptions>();
    static_cast<QMItemShippingOptionsValues&>(*copied) = *this;
    return copied;
}

void QMItemShippingOptions::didChangeValueForKey(const char* name, bool changed)
{
    // The values that are computed from a stored one, for those who observe them: the shipping
    // panel shows and enables its controls by them.
    static const QHash<QString, QStringList> derived = {
        {QStringLiteral("usesCalculatedShipping"), {QStringLiteral("needsPackageInfo")}},
        {QStringLiteral("usesCalculatedShippingInternational"), {QStringLiteral("needsPackageInfo")}},
        {QStringLiteral("localPickupOnly"), {QStringLiteral("usesStandardShipping")}},
        {QStringLiteral("shippingTermsInDescription"), {QStringLiteral("usesStandardShipping")}},
        {QStringLiteral("insuranceOption"), {QStringLiteral("needsInsuranceFee")}},
        {QStringLiteral("insuranceOptionInternational"), {QStringLiteral("needsInsuranceFeeInternational")}},
        {QStringLiteral("domesticShippingServices"),
         {QStringLiteral("domesticShippingService0"), QStringLiteral("domesticShippingService1"),
          QStringLiteral("domesticShippingService2")}},
    };
    const QString changedKey = key(name);
    Q_EMIT keyChanged(changedKey);
    if (!changed)
        return;
    for (const QString& derivedKey : derived.value(changedKey))
        Q_EMIT keyChanged(derivedKey);
}

QString QMItemShippingOptions::normalizeFeeString(const QString& fee)
{
    return QString(fee).replace(u',', u'.');
}

namespace {

const char* listKey(QMShippingScope scope)
{
    return scope == QMShippingScope::Domestic ? "domesticShippingServices" : "internationalShippingServices";
}

} // namespace

QVariantMap QMItemShippingOptions::newRow(QMShippingScope scope, const QString& serviceID, const QString& fee,
                                          bool useAdditionalFee, const QString& additionalFee)
{
    DW_ASSERT(!serviceID.isNull(), scope == QMShippingScope::Domestic
                                       ? "cannot add new shipping service with (nil) id"
                                       : "cannot add new shipping service without (nil) id");
    DW_ASSERT(!fee.isNull(), "cannot add new shipping service with (nil) fee");
    DW_ASSERT(!additionalFee.isNull(), "cannot add new shipping service with (nil) inAdditionalFee");
    return QVariantMap{
        {key(kQMShippingOptions_serviceID), serviceID},
        {key(kQMShippingOptions_serviceFee), normalizeFeeString(fee)},
        {key(kQMShippingOptions_useServiceAdditionalFee), useAdditionalFee},
        {key(kQMShippingOptions_serviceAdditionalFee), normalizeFeeString(additionalFee)},
    };
}

void QMItemShippingOptions::appendRow(QMShippingScope scope, const QVariantMap& row)
{
    rowsOf(scope) << row;
    didChangeValueForKey(listKey(scope), true);
}

void QMItemShippingOptions::addDomesticShippingServiceWithID(const QString& serviceID, const QString& fee,
                                                             bool useAdditionalFee, const QString& additionalFee,
                                                             bool useSurchargeFee, const QString& surchargeFee)
{
    QVariantMap row = newRow(QMShippingScope::Domestic, serviceID, fee, useAdditionalFee, additionalFee);
    DW_ASSERT(!surchargeFee.isNull(), "cannot add new shipping service with (nil) inSurchargeFee");
    row.insert(key(kQMShippingOptions_useSurchargeFee), useSurchargeFee);
    row.insert(key(kQMShippingOptions_surchargeFee), normalizeFeeString(surchargeFee));
    appendRow(QMShippingScope::Domestic, row);
}

void QMItemShippingOptions::addDomesticShippingServiceWithID(const QString& serviceID, const QString& fee,
                                                             bool useAdditionalFee, const QString& additionalFee)
{
    addDomesticShippingServiceWithID(serviceID, fee, useAdditionalFee, additionalFee, false, QStringLiteral("0.00"));
}

void QMItemShippingOptions::addInternationalShippingServiceWithID(const QString& serviceID, const QString& fee,
                                                                  bool useAdditionalFee, const QString& additionalFee)
{
    appendRow(QMShippingScope::International,
              newRow(QMShippingScope::International, serviceID, fee, useAdditionalFee, additionalFee));
}

void QMItemShippingOptions::replaceRow(QMShippingScope scope, qsizetype index, const QVariantMap& row)
{
    QVariantList& rows = rowsOf(scope);
    const bool changed = rows.at(index) != QVariant(row);
    rows[index] = row;
    didChangeValueForKey(listKey(scope), changed);
}

QVariantMap QMItemShippingOptions::row(QMShippingScope scope, qsizetype index) const
{
    DW_ASSERT(index >= 0 && index < shippingServiceCount(scope),
              scope == QMShippingScope::Domestic ? "shipping service index out of bounds"
                                                 : "international shipping service index out of bounds");
    return shippingServices(scope).at(index).toMap();
}

QVariantMap QMItemShippingOptions::domesticRowForRange(qsizetype index) const
{
    if (index >= m_domesticShippingServices.size()) {
        throw dw::NamedException(QStringLiteral("NSRangeException"),
                                 dw::format(QStringLiteral("index %ld beyond bounds [0 .. %ld]"), qlonglong(index),
                                            qlonglong(m_domesticShippingServices.size()) - 1));
    }
    return m_domesticShippingServices.at(index).toMap();
}

void QMItemShippingOptions::removeShippingServiceAtIndex(QMShippingScope scope, qsizetype index)
{
    row(scope, index);
    rowsOf(scope).removeAt(index);
    didChangeValueForKey(listKey(scope), true);
}

void QMItemShippingOptions::removeAllServices(QMShippingScope scope)
{
    store(rowsOf(scope), QVariantList(), listKey(scope));
}

QString QMItemShippingOptions::idOfShippingServiceAtIndex(QMShippingScope scope, qsizetype index) const
{
    return textValue(row(scope, index), kQMShippingOptions_serviceID);
}

QString QMItemShippingOptions::feeForShippingServiceAtIndex(QMShippingScope scope, qsizetype index) const
{
    return textValue(row(scope, index), kQMShippingOptions_serviceFee);
}

QString QMItemShippingOptions::additionalFeeForShippingServiceAtIndex(QMShippingScope scope, qsizetype index) const
{
    return textValue(row(scope, index), kQMShippingOptions_serviceAdditionalFee);
}

bool QMItemShippingOptions::usesAdditionalFeeForShippingServiceAtIndex(QMShippingScope scope, qsizetype index) const
{
    return row(scope, index).value(key(kQMShippingOptions_useServiceAdditionalFee)).toBool();
}

bool QMItemShippingOptions::usesSurchargeFeeForDomesticShippingServiceAtIndex(qsizetype index) const
{
    return row(QMShippingScope::Domestic, index).value(key(kQMShippingOptions_useSurchargeFee)).toBool();
}

QString QMItemShippingOptions::surchargeFeeForDomesticShippingServiceAtIndex(qsizetype index) const
{
    return textValue(row(QMShippingScope::Domestic, index), kQMShippingOptions_surchargeFee);
}

bool QMItemShippingOptions::usesSpecialShipToLocationsForInternationalServiceAtIndex(qsizetype index) const
{
    return row(QMShippingScope::International, index).value(key(kQMUsesShipToLocations)).toBool();
}

QStringList QMItemShippingOptions::shipToLocationsForInternationalServiceAtIndex(qsizetype index) const
{
    return row(QMShippingScope::International, index).value(key(kQMShipToLocations)).toStringList();
}

QString QMItemShippingOptions::idOfFirstDomesticShippingService() const
{
    return m_domesticShippingServices.isEmpty() ? QString() : idOfDomesticShippingServiceAtIndex(0);
}

QString QMItemShippingOptions::feeForFirstDomesticShippingService() const
{
    return m_domesticShippingServices.isEmpty() ? QString() : feeForDomesticShippingServiceAtIndex(0);
}

void QMItemShippingOptions::setFee(const QString& fee, qsizetype domesticIndex)
{
    DW_ASSERT(!fee.isNull(), "cannot add new shipping service with (nil) fee");
    QVariantMap changed = row(QMShippingScope::Domestic, domesticIndex);
    changed.insert(key(kQMShippingOptions_serviceFee), normalizeFeeString(fee));
    replaceRow(QMShippingScope::Domestic, domesticIndex, changed);
}

void QMItemShippingOptions::setIDForShippingService(QMShippingScope scope, const QString& serviceID, qsizetype index)
{
    DW_ASSERT(!serviceID.isNull(), "cannot add new shipping service with (nil) id");
    QVariantMap changed = row(scope, index);
    changed.insert(key(kQMShippingOptions_serviceID), serviceID);
    replaceRow(scope, index, changed);
}

void QMItemShippingOptions::setUsesSpecialShipToLocations(bool value, qsizetype internationalIndex)
{
    QVariantMap changed = row(QMShippingScope::International, internationalIndex);
    changed.insert(key(kQMUsesShipToLocations), value);
    replaceRow(QMShippingScope::International, internationalIndex, changed);
}

void QMItemShippingOptions::setShipToLocations(const QStringList& locations, qsizetype internationalIndex)
{
    QVariantMap changed = row(QMShippingScope::International, internationalIndex);
    changed.insert(key(kQMShipToLocations), QVariant(locations).toList());
    replaceRow(QMShippingScope::International, internationalIndex, changed);
}

bool QMItemShippingOptions::usesCalculatedShipping(QMShippingScope scope) const
{
    return scope == QMShippingScope::Domestic ? m_usesCalculatedShipping : m_usesCalculatedShippingInternational;
}

void QMItemShippingOptions::setUsesCalculatedShipping(QMShippingScope scope, bool value)
{
    if (scope == QMShippingScope::Domestic)
        setUsesCalculatedShipping(value);
    else
        setUsesCalculatedShippingInternational(value);
}

const QString& QMItemShippingOptions::packagingHandlingCosts(QMShippingScope scope) const
{
    return scope == QMShippingScope::Domestic ? m_packagingHandlingCosts : m_packagingHandlingCostsInternational;
}

void QMItemShippingOptions::setPackagingHandlingCosts(QMShippingScope scope, const QString& value)
{
    if (scope == QMShippingScope::Domestic)
        setPackagingHandlingCosts(value);
    else
        setPackagingHandlingCostsInternational(value);
}

qint64 QMItemShippingOptions::insuranceOption(QMShippingScope scope) const
{
    return scope == QMShippingScope::Domestic ? m_insuranceOption : m_insuranceOptionInternational;
}

void QMItemShippingOptions::setInsuranceOption(QMShippingScope scope, qint64 option)
{
    if (scope == QMShippingScope::Domestic)
        setInsuranceOption(option);
    else
        setInsuranceOptionInternational(option);
}

const QString& QMItemShippingOptions::insuranceFee(QMShippingScope scope) const
{
    return scope == QMShippingScope::Domestic ? m_insuranceFee : m_insuranceFeeInternational;
}

void QMItemShippingOptions::setInsuranceFee(QMShippingScope scope, const QString& fee)
{
    if (scope == QMShippingScope::Domestic)
        setInsuranceFee(fee);
    else
        setInsuranceFeeInternational(fee);
}

bool QMItemShippingOptions::needsInsuranceFee(QMShippingScope scope) const
{
    return scope == QMShippingScope::Domestic ? needsInsuranceFee() : needsInsuranceFeeInternational();
}

void QMItemShippingOptions::setNeedsInsuranceFee(QMShippingScope scope, bool value)
{
    if (scope == QMShippingScope::Domestic)
        setNeedsInsuranceFee(value);
    else
        setNeedsInsuranceFeeInternational(value);
}

const QString& QMItemShippingOptions::shippingDiscountProfileID(QMShippingScope scope) const
{
    return scope == QMShippingScope::Domestic ? m_domesticShippingDiscountProfileID
                                              : m_internationalShippingDiscountProfileID;
}

void QMItemShippingOptions::setShippingDiscountProfileID(QMShippingScope scope, const QString& id)
{
    if (scope == QMShippingScope::Domestic)
        setDomesticShippingDiscountProfileID(id);
    else
        setInternationalShippingDiscountProfileID(id);
}

bool QMItemShippingOptions::isFreightShipping() const
{
    return m_domesticShippingServices.size() == 1 && m_internationalShippingServices.isEmpty() &&
           dw::integerValue(idOfDomesticShippingServiceAtIndex(0)) == kQMFreightShippingServiceID;
}

bool QMItemShippingOptions::hasShippingServiceWithID(QMShippingScope scope, qint64 serviceID) const
{
    for (const QVariant& row : shippingServices(scope)) {
        if (dw::integerValue(textValue(row.toMap(), kQMShippingOptions_serviceID)) == serviceID)
            return true;
    }
    return false;
}

bool QMItemShippingOptions::usesShippingServiceWithID(qint64 serviceID) const
{
    return hasShippingServiceWithID(QMShippingScope::Domestic, serviceID) ||
           hasShippingServiceWithID(QMShippingScope::International, serviceID);
}

bool QMItemShippingOptions::hasDuplicatedService() const
{
    for (qsizetype i = 0; i < m_domesticShippingServices.size(); ++i) {
        const qint64 id = dw::integerValue(idOfDomesticShippingServiceAtIndex(i));
        for (qsizetype j = i + 1; j < m_domesticShippingServices.size(); ++j) {
            if (dw::integerValue(idOfDomesticShippingServiceAtIndex(j)) == id)
                return true;
        }
    }
    return false;
}

bool QMItemShippingOptions::hasFreeShippingService() const
{
    if (m_usesCalculatedShipping && m_usesCalculatedShippingInternational)
        return false;
    if (m_shippingTermsInDescription)
        return false;
    if (!m_usesCalculatedShipping) {
        const auto& sites = QMSiteDescriptionManager::sharedInstance();
        for (qsizetype i = 0; i < m_domesticShippingServices.size(); ++i) {
            if (dw::doubleValue(feeForDomesticShippingServiceAtIndex(i)) == 0.0 &&
                !sites.shippingServiceIdIsLocalPickup(dw::integerValue(idOfDomesticShippingServiceAtIndex(i))))
                return true;
        }
    }
    if (m_usesCalculatedShippingInternational)
        return false;
    for (qsizetype i = 0; i < m_internationalShippingServices.size(); ++i) {
        if (dw::doubleValue(feeForInternationalShippingServiceAtIndex(i)) == 0.0)
            return true;
    }
    return false;
}

QString QMItemShippingOptions::summary() const
{
    if (m_localPickupOnly)
        return dw::localized("Local Pickup Only");
    if (m_shippingTermsInDescription)
        return dw::localized("Shipping Terms see Description");
    QString text;
    if (m_usesCalculatedShipping)
        text += dw::format(dw::localized("Calculated from %@"), m_shipFromZipCode) + u'\n';
    text += dw::format(dw::localized("Domestic: %lu Services"), qulonglong(m_domesticShippingServices.size()));
    if (!m_internationalShippingServices.isEmpty()) {
        text += QStringLiteral(", ") + dw::format(dw::localized("International: %lu Services"),
                                                  qulonglong(m_internationalShippingServices.size()));
    }
    return text;
}

namespace {

QVariant optionalText(const QString& value)
{
    return value.isNull() ? QVariant() : QVariant(value);
}

QString decodedText(dw::KeyedUnarchiver& coder, const char* name)
{
    const QVariant value = coder.decodeObjectForKey(key(name));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QStringList decodedTexts(dw::KeyedUnarchiver& coder, const char* name)
{
    QStringList texts;
    for (const QVariant& element : coder.decodeObjectForKey(key(name)).toList()) {
        if (element.typeId() == QMetaType::QString)
            texts << element.toString();
    }
    return texts;
}

// Rows are dictionaries; anything else in a damaged archive is left out rather than becoming an
// empty row that every reader would have to guard against.
QVariantList decodedRows(dw::KeyedUnarchiver& coder, const char* name)
{
    QVariantList rows;
    for (const QVariant& element : coder.decodeObjectForKey(key(name)).toList()) {
        if (element.typeId() == QMetaType::QVariantMap)
            rows << element;
    }
    return rows;
}

} // namespace

void QMItemShippingOptions::encodeWithCoder(dw::KeyedArchiver& coder) const
{
    coder.encodeBool(m_usesCalculatedShipping, key("usesCalculatedShipping"));
    coder.encodeObject(QVariant(m_shipToLocations), key("shipToLocations"));
    coder.encodeObject(optionalText(m_insuranceFee), key("insuranceFee"));
    coder.encodeInt64(m_insuranceOption, key("insuranceOption"));
    coder.encodeInt64(m_shippingType, key("shippingType"));
    coder.encodeObject(optionalText(m_shipFromZipCode), key("shipFromZipCode"));
    coder.encodeObject(optionalText(m_packageDepth), key("packageDepth"));
    coder.encodeObject(optionalText(m_packageLength), key("packageLength"));
    coder.encodeObject(optionalText(m_packageWidth), key("packageWidth"));
    coder.encodeObject(optionalText(m_packagePounds), key("packagePounds"));
    coder.encodeObject(optionalText(m_packageOunces), key("packageOunces"));
    coder.encodeObject(optionalText(m_packagingHandlingCosts), key("packagingHandlingCosts"));
    coder.encodeObject(m_domesticShippingServices, key("domesticShippingServices"));
    coder.encodeObject(m_internationalShippingServices, key("internationalShippingServices"));
    coder.encodeBool(m_localPickupOnly, key("localPickupOnly"));
    coder.encodeBool(m_shippingTermsInDescription, key("shippingTermsInDescription"));
    coder.encodeBool(m_usesCalculatedShippingInternational, key("usesCalculatedShippingInternational"));
    coder.encodeObject(optionalText(m_insuranceFeeInternational), key("insuranceFeeInternational"));
    coder.encodeObject(optionalText(m_packagingHandlingCostsInternational), key("packagingHandlingCostsInternational"));
    coder.encodeInt64(m_insuranceOptionInternational, key("insuranceOptionInternational"));
    coder.encodeBool(m_offerDomesticShippingDiscount, key("offerDomesticShippingDiscount"));
    coder.encodeBool(m_offerInternationalShippingDiscount, key("offerInternationalShippingDiscount"));
    coder.encodeObject(optionalText(m_domesticShippingDiscountProfileID), key("domesticShippingDiscountProfileID"));
    coder.encodeObject(optionalText(m_internationalShippingDiscountProfileID),
                       key("internationalShippingDiscountProfileID"));
    coder.encodeBool(m_offerDomesticPromotionalShippingDiscount, key("offerDomesticPromotionalShippingDiscount"));
    coder.encodeBool(m_offerInternationalPromotionalShippingDiscount,
                     key("offerInternationalPromotionalShippingDiscount"));
    coder.encodeObject(m_hasExcludeLocations ? QVariant(m_excludeLocations) : QVariant(), key("excludeLocations"));
}

std::shared_ptr<QMItemShippingOptions> QMItemShippingOptions::decodeWithCoder(dw::KeyedUnarchiver& coder)
{
    auto o = std::make_shared<QMItemShippingOptions>();
    o->m_usesCalculatedShipping = coder.decodeBoolForKey(key("usesCalculatedShipping"));
    o->m_shipToLocations = decodedTexts(coder, "shipToLocations");
    o->m_insuranceFee = decodedText(coder, "insuranceFee");
    o->m_insuranceOption = coder.decodeInt64ForKey(key("insuranceOption"));
    o->m_shippingType = coder.decodeInt64ForKey(key("shippingType"));
    o->m_shipFromZipCode = decodedText(coder, "shipFromZipCode");
    o->m_packageDepth = decodedText(coder, "packageDepth");
    o->m_packageLength = decodedText(coder, "packageLength");
    o->m_packageWidth = decodedText(coder, "packageWidth");
    o->m_packagePounds = decodedText(coder, "packagePounds");
    o->m_packageOunces = decodedText(coder, "packageOunces");
    o->m_packagingHandlingCosts = decodedText(coder, "packagingHandlingCosts");
    o->m_domesticShippingServices = decodedRows(coder, "domesticShippingServices");
    o->m_internationalShippingServices = decodedRows(coder, "internationalShippingServices");
    o->m_localPickupOnly = coder.decodeBoolForKey(key("localPickupOnly"));
    o->m_shippingTermsInDescription = coder.decodeBoolForKey(key("shippingTermsInDescription"));
    o->m_usesCalculatedShippingInternational = coder.decodeBoolForKey(key("usesCalculatedShippingInternational"));
    o->m_insuranceFeeInternational = decodedText(coder, "insuranceFeeInternational");
    o->m_packagingHandlingCostsInternational = decodedText(coder, "packagingHandlingCostsInternational");
    o->m_insuranceOptionInternational = coder.decodeInt64ForKey(key("insuranceOptionInternational"));
    o->m_offerDomesticShippingDiscount = coder.decodeBoolForKey(key("offerDomesticShippingDiscount"));
    o->m_offerInternationalShippingDiscount = coder.decodeBoolForKey(key("offerInternationalShippingDiscount"));
    o->m_domesticShippingDiscountProfileID = decodedText(coder, "domesticShippingDiscountProfileID");
    o->m_internationalShippingDiscountProfileID = decodedText(coder, "internationalShippingDiscountProfileID");
    o->m_offerDomesticPromotionalShippingDiscount =
        coder.decodeBoolForKey(key("offerDomesticPromotionalShippingDiscount"));
    o->m_offerInternationalPromotionalShippingDiscount =
        coder.decodeBoolForKey(key("offerInternationalPromotionalShippingDiscount"));
    const QVariant exclude = coder.decodeObjectForKey(key("excludeLocations"));
    o->m_hasExcludeLocations = exclude.isValid();
    o->m_excludeLocations = decodedTexts(coder, "excludeLocations");
    return o;
}

void QMItemShippingOptions::registerArchiveClass()
{
    static std::once_flag once;
    std::call_once(once, [] {
        dw::KeyedUnarchiver::registerClass(
            QStringLiteral("QMItemShippingOptions"),
            [](dw::KeyedUnarchiver& coder) -> dw::ArchivedObjectPtr { return decodeWithCoder(coder); });
    });
}
