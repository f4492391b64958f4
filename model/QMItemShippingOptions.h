#pragma once
// What a listing says about shipping: flat or calculated costs at home and abroad, up to three
// domestic and three international service rows with their fees, package size and weight,
// handling costs, insurance, discounts, ship-to and excluded locations, local pickup and shipping
// terms given in the description.
//
// Service rows are dictionaries under the kQMShippingOptions_ keys; fees are kept as text with "."
// as decimal separator (normalizeFeeString). A copy is deep: changing a row of the copy never
// touches the original. Bad indexes and missing IDs or fees are programming errors (DW_ASSERT with
// the messages the shipping panel's callers know). Every setter and every change of a service row
// announces itself with keyChanged(key), under the field's name ("domesticShippingServices" for
// the rows); a change that alters a derived value (needsPackageInfo, usesStandardShipping,
// needsInsuranceFee, needsInsuranceFeeInternational, domesticShippingService0 to 2) announces that
// too. Main thread, like the listing that owns it.
//
//     auto options = std::make_shared<QMItemShippingOptions>();
//     options->addDomesticShippingServiceWithID("301", "3,50", false, "0");
//     bool free = options->hasFreeShippingService();
//     QObject::connect(options.get(), &QMItemShippingOptions::keyChanged, panel, &Panel::optionsChanged);

#include "platform/archive/ArchivedObject.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <memory>

inline constexpr const char* kQMShippingOptions_serviceID = "serviceID";
inline constexpr const char* kQMShippingOptions_serviceFee = "serviceFee";
inline constexpr const char* kQMShippingOptions_useServiceAdditionalFee = "useServiceAdditionalFee";
inline constexpr const char* kQMShippingOptions_serviceAdditionalFee = "serviceAdditionalFee";
inline constexpr const char* kQMShippingOptions_useSurchargeFee = "useSurchargeFee";
inline constexpr const char* kQMShippingOptions_surchargeFee = "surchargeFee";
inline constexpr const char* kQMUsesShipToLocations = "usesShipToLocations";
inline constexpr const char* kQMShipToLocations = "shipToLocations";
inline constexpr const char* kQMShippingOptions_serviceIndex = "serviceIndex";
inline constexpr const char* kQMShippingOptions_serviceName = "ServiceName";
inline constexpr const char* kQMShippingOptions_isDeprecated = "isDeprecated";
inline constexpr const char* kQMShippingOptions_mappedToService = "MappedToService";
inline constexpr int kQMShippingOptions_maxDomesticServiceCount = 3;
inline constexpr int kQMShippingOptions_maxInternationalServiceCount = 3;

// The two lists of service rows of a listing's shipping options, and the panel's tabs that edit them.
enum class QMShippingScope { Domestic, International };

// The service ID of freight shipping.
inline constexpr qint64 kQMFreightShippingServiceID = 80029;

namespace dw {
class KeyedUnarchiver;
}

// The stored values of QMItemShippingOptions, with the defaults of new options. Apart from the
// object so that a copy copies them all at once (an object that announces changes cannot be copied).
struct QMItemShippingOptionsValues
{
    bool m_usesCalculatedShipping = false;
    QStringList m_shipToLocations;
    QString m_insuranceFee = QStringLiteral("0");
    qint64 m_insuranceOption = 0;
    qint64 m_shippingType = 1;
    QString m_shipFromZipCode = QStringLiteral("");
    QString m_packageDepth = QStringLiteral("0");
    QString m_packageLength = QStringLiteral("0");
    QString m_packageWidth = QStringLiteral("0");
    QString m_packagePounds = QStringLiteral("0");
    QString m_packageOunces = QStringLiteral("0");
    QString m_packagingHandlingCosts = QStringLiteral("0");
    QVariantList m_domesticShippingServices;
    QVariantList m_internationalShippingServices;
    bool m_localPickupOnly = false;
    bool m_shippingTermsInDescription = false;
    bool m_usesCalculatedShippingInternational = false;
    qint64 m_insuranceOptionInternational = 0;
    QString m_insuranceFeeInternational = QStringLiteral("0");
    QString m_packagingHandlingCostsInternational = QStringLiteral("0");
    bool m_offerDomesticShippingDiscount = false;
    bool m_offerInternationalShippingDiscount = false;
    QString m_domesticShippingDiscountProfileID;
    QString m_internationalShippingDiscountProfileID;
    bool m_offerDomesticPromotionalShippingDiscount = false;
    bool m_offerInternationalPromotionalShippingDiscount = false;
    QStringList m_excludeLocations;
    bool m_hasExcludeLocations = false;
};

class QMItemShippingOptions : public QObject, public dw::ArchivedObject, private QMItemShippingOptionsValues
{
    Q_OBJECT

public:
    QMItemShippingOptions();

    // Keyed archiving under the field names; decoding takes every key as stored (a key missing
    // from an old archive gives NO, 0 or nil). registerArchiveClass() makes archives of this class
    // readable; it may be called any number of times.
    QStringList archiveClassChain() const override
    {
        return {QStringLiteral("QMItemShippingOptions"), QStringLiteral("NSObject")};
    }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override;
    static std::shared_ptr<QMItemShippingOptions> decodeWithCoder(dw::KeyedUnarchiver& coder);
    static void registerArchiveClass();

    // A deep copy, owned by the caller.
    std::shared_ptr<QMItemShippingOptions> copy() const;

    static QString normalizeFeeString(const QString& fee);

    // Service lists. A call names the list it is about; the domestic and international names
    // below are the same call on one list.
    const QVariantList& shippingServices(QMShippingScope scope) const
    {
        return scope == QMShippingScope::Domestic ? m_domesticShippingServices : m_internationalShippingServices;
    }
    qsizetype shippingServiceCount(QMShippingScope scope) const { return shippingServices(scope).size(); }
    void removeShippingServiceAtIndex(QMShippingScope scope, qsizetype index);
    void removeAllServices(QMShippingScope scope);
    QString idOfShippingServiceAtIndex(QMShippingScope scope, qsizetype index) const;
    QString feeForShippingServiceAtIndex(QMShippingScope scope, qsizetype index) const;
    bool usesAdditionalFeeForShippingServiceAtIndex(QMShippingScope scope, qsizetype index) const;
    QString additionalFeeForShippingServiceAtIndex(QMShippingScope scope, qsizetype index) const;
    void setIDForShippingService(QMShippingScope scope, const QString& serviceID, qsizetype index);

    qsizetype domesticShippingServiceCount() const { return shippingServiceCount(QMShippingScope::Domestic); }
    qsizetype internationalShippingServiceCount() const { return shippingServiceCount(QMShippingScope::International); }
    bool hasOneOrZeroDomesticShippingServices() const { return domesticShippingServiceCount() < 2; }
    void addDomesticShippingServiceWithID(const QString& serviceID, const QString& fee, bool useAdditionalFee,
                                          const QString& additionalFee, bool useSurchargeFee,
                                          const QString& surchargeFee);
    void addDomesticShippingServiceWithID(const QString& serviceID, const QString& fee, bool useAdditionalFee,
                                          const QString& additionalFee);
    // International rows have no surcharge.
    void addInternationalShippingServiceWithID(const QString& serviceID, const QString& fee, bool useAdditionalFee,
                                               const QString& additionalFee);
    void removeDomesticShippingServiceAtIndex(qsizetype index)
    {
        removeShippingServiceAtIndex(QMShippingScope::Domestic, index);
    }
    void removeInternationalShippingServiceAtIndex(qsizetype index)
    {
        removeShippingServiceAtIndex(QMShippingScope::International, index);
    }
    void removeAllDomesticServices() { removeAllServices(QMShippingScope::Domestic); }
    void removeAllInternationalServices() { removeAllServices(QMShippingScope::International); }

    QString idOfDomesticShippingServiceAtIndex(qsizetype index) const
    {
        return idOfShippingServiceAtIndex(QMShippingScope::Domestic, index);
    }
    QString feeForDomesticShippingServiceAtIndex(qsizetype index) const
    {
        return feeForShippingServiceAtIndex(QMShippingScope::Domestic, index);
    }
    QString additionalFeeForDomesticShippingServiceAtIndex(qsizetype index) const
    {
        return additionalFeeForShippingServiceAtIndex(QMShippingScope::Domestic, index);
    }
    bool usesAdditionalFeeForDomesticShippingServiceAtIndex(qsizetype index) const
    {
        return usesAdditionalFeeForShippingServiceAtIndex(QMShippingScope::Domestic, index);
    }
    bool usesSurchargeFeeForDomesticShippingServiceAtIndex(qsizetype index) const;
    QString surchargeFeeForDomesticShippingServiceAtIndex(qsizetype index) const;
    QString idOfInternationalShippingServiceAtIndex(qsizetype index) const
    {
        return idOfShippingServiceAtIndex(QMShippingScope::International, index);
    }
    QString feeForInternationalShippingServiceAtIndex(qsizetype index) const
    {
        return feeForShippingServiceAtIndex(QMShippingScope::International, index);
    }
    bool usesAdditionalFeeForInternationalShippingServiceAtIndex(qsizetype index) const
    {
        return usesAdditionalFeeForShippingServiceAtIndex(QMShippingScope::International, index);
    }
    QString additionalFeeForInternationalShippingServiceAtIndex(qsizetype index) const
    {
        return additionalFeeForShippingServiceAtIndex(QMShippingScope::International, index);
    }
    bool usesSpecialShipToLocationsForInternationalServiceAtIndex(qsizetype index) const;
    QStringList shipToLocationsForInternationalServiceAtIndex(qsizetype index) const;
    QString idOfFirstDomesticShippingService() const;
    QString feeForFirstDomesticShippingService() const;
    // The row at 0, 1 or 2; a shorter list raises NSRangeException (dw::NamedException).
    QVariantMap domesticShippingService0() const { return domesticRowForRange(0); }
    QVariantMap domesticShippingService1() const { return domesticRowForRange(1); }
    QVariantMap domesticShippingService2() const { return domesticRowForRange(2); }

    void setFee(const QString& fee, qsizetype domesticIndex);
    void setIDForDomesticShippingService(const QString& serviceID, qsizetype index)
    {
        setIDForShippingService(QMShippingScope::Domestic, serviceID, index);
    }
    void setIDForInternationalShippingService(const QString& serviceID, qsizetype index)
    {
        setIDForShippingService(QMShippingScope::International, serviceID, index);
    }
    void setUsesSpecialShipToLocations(bool value, qsizetype internationalIndex);
    void setShipToLocations(const QStringList& locations, qsizetype internationalIndex);
    void addShipToLocation(const QString& location)
    {
        store(m_shipToLocations, m_shipToLocations + QStringList{location}, "shipToLocations");
    }

    // Queries
    bool needsPackageInfo() const { return m_usesCalculatedShipping || m_usesCalculatedShippingInternational; }
    bool usesStandardShipping() const { return !m_localPickupOnly && !m_shippingTermsInDescription; }
    bool needsInsuranceFee() const { return m_insuranceOption == 1 || m_insuranceOption == 2; }
    bool needsInsuranceFeeInternational() const
    {
        return m_insuranceOptionInternational == 1 || m_insuranceOptionInternational == 2;
    }
    // Announce a change of the derived value and store nothing; the setters of the values it is
    // derived from announce it themselves when they change them.
    void setNeedsPackageInfo(bool) { Q_EMIT keyChanged(QStringLiteral("needsPackageInfo")); }
    void setUsesStandardShipping(bool) { Q_EMIT keyChanged(QStringLiteral("usesStandardShipping")); }
    void setNeedsInsuranceFee(bool) { Q_EMIT keyChanged(QStringLiteral("needsInsuranceFee")); }
    void setNeedsInsuranceFeeInternational(bool)
    {
        Q_EMIT keyChanged(QStringLiteral("needsInsuranceFeeInternational"));
    }
    // The values that come in a domestic and an international kind, for the list they go with.
    bool usesCalculatedShipping(QMShippingScope scope) const;
    void setUsesCalculatedShipping(QMShippingScope scope, bool value);
    const QString& packagingHandlingCosts(QMShippingScope scope) const;
    void setPackagingHandlingCosts(QMShippingScope scope, const QString& value);
    qint64 insuranceOption(QMShippingScope scope) const;
    void setInsuranceOption(QMShippingScope scope, qint64 option);
    const QString& insuranceFee(QMShippingScope scope) const;
    void setInsuranceFee(QMShippingScope scope, const QString& fee);
    bool needsInsuranceFee(QMShippingScope scope) const;
    void setNeedsInsuranceFee(QMShippingScope scope, bool value);
    const QString& shippingDiscountProfileID(QMShippingScope scope) const;
    void setShippingDiscountProfileID(QMShippingScope scope, const QString& id);

    bool isFreightShipping() const;
    bool usesShippingServiceWithID(qint64 serviceID) const;
    bool hasShippingServiceWithID(QMShippingScope scope, qint64 serviceID) const;
    bool hasDomesticShippingServiceWithID(qint64 serviceID) const
    {
        return hasShippingServiceWithID(QMShippingScope::Domestic, serviceID);
    }
    bool hasDuplicatedService() const;
    bool hasFreeShippingService() const;
    QString summary() const;

    // Whole options
    bool usesCalculatedShipping() const { return m_usesCalculatedShipping; }
    void setUsesCalculatedShipping(bool value) { store(m_usesCalculatedShipping, value, "usesCalculatedShipping"); }
    const QStringList& shipToLocations() const { return m_shipToLocations; }
    void setShipToLocations(const QStringList& locations) { store(m_shipToLocations, locations, "shipToLocations"); }
    const QString& insuranceFee() const { return m_insuranceFee; }
    void setInsuranceFee(const QString& fee) { store(m_insuranceFee, fee, "insuranceFee"); }
    qint64 insuranceOption() const { return m_insuranceOption; }
    void setInsuranceOption(qint64 option) { store(m_insuranceOption, option, "insuranceOption"); }
    qint64 shippingType() const { return m_shippingType; }
    void setShippingType(qint64 type) { store(m_shippingType, type, "shippingType"); }
    const QString& shipFromZipCode() const { return m_shipFromZipCode; }
    void setShipFromZipCode(const QString& zip) { store(m_shipFromZipCode, zip, "shipFromZipCode"); }
    const QString& packageDepth() const { return m_packageDepth; }
    void setPackageDepth(const QString& value) { store(m_packageDepth, value, "packageDepth"); }
    const QString& packageLength() const { return m_packageLength; }
    void setPackageLength(const QString& value) { store(m_packageLength, value, "packageLength"); }
    const QString& packageWidth() const { return m_packageWidth; }
    void setPackageWidth(const QString& value) { store(m_packageWidth, value, "packageWidth"); }
    const QString& packagePounds() const { return m_packagePounds; }
    void setPackagePounds(const QString& value) { store(m_packagePounds, value, "packagePounds"); }
    const QString& packageOunces() const { return m_packageOunces; }
    void setPackageOunces(const QString& value) { store(m_packageOunces, value, "packageOunces"); }
    const QString& packagingHandlingCosts() const { return m_packagingHandlingCosts; }
    void setPackagingHandlingCosts(const QString& value)
    {
        store(m_packagingHandlingCosts, value, "packagingHandlingCosts");
    }
    const QVariantList& domesticShippingServices() const { return m_domesticShippingServices; }
    void setDomesticShippingServices(const QVariantList& services)
    {
        store(m_domesticShippingServices, services, "domesticShippingServices");
    }
    const QVariantList& internationalShippingServices() const { return m_internationalShippingServices; }
    void setInternationalShippingServices(const QVariantList& services)
    {
        store(m_internationalShippingServices, services, "internationalShippingServices");
    }
    bool localPickupOnly() const { return m_localPickupOnly; }
    void setLocalPickupOnly(bool value) { store(m_localPickupOnly, value, "localPickupOnly"); }
    bool shippingTermsInDescription() const { return m_shippingTermsInDescription; }
    void setShippingTermsInDescription(bool value)
    {
        store(m_shippingTermsInDescription, value, "shippingTermsInDescription");
    }
    bool usesCalculatedShippingInternational() const { return m_usesCalculatedShippingInternational; }
    void setUsesCalculatedShippingInternational(bool value)
    {
        store(m_usesCalculatedShippingInternational, value, "usesCalculatedShippingInternational");
    }
    qint64 insuranceOptionInternational() const { return m_insuranceOptionInternational; }
    void setInsuranceOptionInternational(qint64 option)
    {
        store(m_insuranceOptionInternational, option, "insuranceOptionInternational");
    }
    const QString& insuranceFeeInternational() const { return m_insuranceFeeInternational; }
    void setInsuranceFeeInternational(const QString& fee)
    {
        store(m_insuranceFeeInternational, fee, "insuranceFeeInternational");
    }
    const QString& packagingHandlingCostsInternational() const { return m_packagingHandlingCostsInternational; }
    void setPackagingHandlingCostsInternational(const QString& value)
    {
        store(m_packagingHandlingCostsInternational, value, "packagingHandlingCostsInternational");
    }
    bool offerDomesticShippingDiscount() const { return m_offerDomesticShippingDiscount; }
    void setOfferDomesticShippingDiscount(bool value)
    {
        store(m_offerDomesticShippingDiscount, value, "offerDomesticShippingDiscount");
    }
    bool offerInternationalShippingDiscount() const { return m_offerInternationalShippingDiscount; }
    void setOfferInternationalShippingDiscount(bool value)
    {
        store(m_offerInternationalShippingDiscount, value, "offerInternationalShippingDiscount");
    }
    const QString& domesticShippingDiscountProfileID() const { return m_domesticShippingDiscountProfileID; }
    void setDomesticShippingDiscountProfileID(const QString& id)
    {
        store(m_domesticShippingDiscountProfileID, id, "domesticShippingDiscountProfileID");
    }
    const QString& internationalShippingDiscountProfileID() const { return m_internationalShippingDiscountProfileID; }
    void setInternationalShippingDiscountProfileID(const QString& id)
    {
        store(m_internationalShippingDiscountProfileID, id, "internationalShippingDiscountProfileID");
    }
    bool offerDomesticPromotionalShippingDiscount() const { return m_offerDomesticPromotionalShippingDiscount; }
    void setOfferDomesticPromotionalShippingDiscount(bool value)
    {
        store(m_offerDomesticPromotionalShippingDiscount, value, "offerDomesticPromotionalShippingDiscount");
    }
    bool offerInternationalPromotionalShippingDiscount() const
    {
        return m_offerInternationalPromotionalShippingDiscount;
    }
    void setOfferInternationalPromotionalShippingDiscount(bool value)
    {
        store(m_offerInternationalPromotionalShippingDiscount, value, "offerInternationalPromotionalShippingDiscount");
    }
    // Null when never set (as in options read from an old archive).
    const QStringList& excludeLocations() const { return m_excludeLocations; }
    bool hasExcludeLocations() const { return m_hasExcludeLocations; }
    void setExcludeLocations(const QStringList& locations)
    {
        m_hasExcludeLocations = true;
        store(m_excludeLocations, locations, "excludeLocations");
    }

Q_SIGNALS:
    // A value changed through its setter (also when it was set to the value it had), under the
    // value's key; then, when the value did change, each value derived from it under its own key.
    void keyChanged(const QString& key);

private:
    template<class V>
    void store(V& field, const V& value, const char* key)
    {
        const bool changed = !(field == value);
        field = value;
        didChangeValueForKey(key, changed);
    }
    void didChangeValueForKey(const char* key, bool changed);
    QVariantList& rowsOf(QMShippingScope scope)
    {
        return scope == QMShippingScope::Domestic ? m_domesticShippingServices : m_internationalShippingServices;
    }
    // A new row of the list, its values checked (not yet added).
    static QVariantMap newRow(QMShippingScope scope, const QString& serviceID, const QString& fee,
                              bool useAdditionalFee, const QString& additionalFee);
    void appendRow(QMShippingScope scope, const QVariantMap& row);
    void replaceRow(QMShippingScope scope, qsizetype index, const QVariantMap& row);
    // The row at the index; a bad index is a programming error.
    QVariantMap row(QMShippingScope scope, qsizetype index) const;
    QVariantMap domesticRowForRange(qsizetype index) const;
};
