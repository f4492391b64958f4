#pragma once
// What a listing says about shipping: flat or calculated costs at home and abroad, up to three
// domestic and three international service rows with their fees, package size and weight,
// handling costs, insurance, discounts, ship-to and excluded locations, local pickup and shipping
// terms given in the description.
//
// Service rows are dictionaries under the kQMShippingOptions_ keys; fees are kept as text with "."
// as decimal separator (normalizeFeeString). A copy is deep: changing a row of the copy never
// touches the original. Bad indexes and missing IDs or fees are programming errors (DW_ASSERT with
// the messages the shipping panel's callers know). Main thread, like the listing that owns it.
//
//     auto options = std::make_shared<QMItemShippingOptions>();
//     options->addDomesticShippingServiceWithID("301", "3,50", false, "0");
//     bool free = options->hasFreeShippingService();

#include "platform/archive/ArchivedObject.h"

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

// The service ID of freight shipping.
inline constexpr qint64 kQMFreightShippingServiceID = 80029;

namespace dw {
class KeyedUnarchiver;
}

class QMItemShippingOptions : public dw::ArchivedObject
{
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

    // Service lists
    qsizetype domesticShippingServiceCount() const { return m_domesticShippingServices.size(); }
    qsizetype internationalShippingServiceCount() const { return m_internationalShippingServices.size(); }
    bool hasOneOrZeroDomesticShippingServices() const { return domesticShippingServiceCount() < 2; }
    void addDomesticShippingServiceWithID(const QString& serviceID, const QString& fee, bool useAdditionalFee,
                                          const QString& additionalFee, bool useSurchargeFee,
                                          const QString& surchargeFee);
    void addDomesticShippingServiceWithID(const QString& serviceID, const QString& fee, bool useAdditionalFee,
                                          const QString& additionalFee);
    void addInternationalShippingServiceWithID(const QString& serviceID, const QString& fee, bool useAdditionalFee,
                                               const QString& additionalFee);
    void removeDomesticShippingServiceAtIndex(qsizetype index);
    void removeInternationalShippingServiceAtIndex(qsizetype index);
    void removeAllDomesticServices() { m_domesticShippingServices.clear(); }
    void removeAllInternationalServices() { m_internationalShippingServices.clear(); }

    QString idOfDomesticShippingServiceAtIndex(qsizetype index) const;
    QString feeForDomesticShippingServiceAtIndex(qsizetype index) const;
    QString additionalFeeForDomesticShippingServiceAtIndex(qsizetype index) const;
    bool usesAdditionalFeeForDomesticShippingServiceAtIndex(qsizetype index) const;
    bool usesSurchargeFeeForDomesticShippingServiceAtIndex(qsizetype index) const;
    QString surchargeFeeForDomesticShippingServiceAtIndex(qsizetype index) const;
    QString idOfInternationalShippingServiceAtIndex(qsizetype index) const;
    QString feeForInternationalShippingServiceAtIndex(qsizetype index) const;
    bool usesAdditionalFeeForInternationalShippingServiceAtIndex(qsizetype index) const;
    QString additionalFeeForInternationalShippingServiceAtIndex(qsizetype index) const;
    bool usesSpecialShipToLocationsForInternationalServiceAtIndex(qsizetype index) const;
    QStringList shipToLocationsForInternationalServiceAtIndex(qsizetype index) const;
    QString idOfFirstDomesticShippingService() const;
    QString feeForFirstDomesticShippingService() const;
    // The row at 0, 1 or 2; a shorter list raises NSRangeException (dw::NamedException).
    QVariantMap domesticShippingService0() const { return domesticRowForRange(0); }
    QVariantMap domesticShippingService1() const { return domesticRowForRange(1); }
    QVariantMap domesticShippingService2() const { return domesticRowForRange(2); }

    void setFee(const QString& fee, qsizetype domesticIndex);
    void setIDForDomesticShippingService(const QString& serviceID, qsizetype index);
    void setIDForInternationalShippingService(const QString& serviceID, qsizetype index);
    void setUsesSpecialShipToLocations(bool value, qsizetype internationalIndex);
    void setShipToLocations(const QStringList& locations, qsizetype internationalIndex);
    void addShipToLocation(const QString& location) { m_shipToLocations << location; }

    // Queries
    bool needsPackageInfo() const { return m_usesCalculatedShipping || m_usesCalculatedShippingInternational; }
    bool usesStandardShipping() const { return !m_localPickupOnly && !m_shippingTermsInDescription; }
    bool needsInsuranceFee() const { return m_insuranceOption == 1 || m_insuranceOption == 2; }
    bool needsInsuranceFeeInternational() const
    {
        return m_insuranceOptionInternational == 1 || m_insuranceOptionInternational == 2;
    }
    bool isFreightShipping() const;
    bool usesShippingServiceWithID(qint64 serviceID) const;
    bool hasDomesticShippingServiceWithID(qint64 serviceID) const;
    bool hasDuplicatedService() const;
    bool hasFreeShippingService() const;
    QString summary() const;

    // Whole options
    bool usesCalculatedShipping() const { return m_usesCalculatedShipping; }
    void setUsesCalculatedShipping(bool value) { m_usesCalculatedShipping = value; }
    const QStringList& shipToLocations() const { return m_shipToLocations; }
    void setShipToLocations(const QStringList& locations) { m_shipToLocations = locations; }
    const QString& insuranceFee() const { return m_insuranceFee; }
    void setInsuranceFee(const QString& fee) { m_insuranceFee = fee; }
    qint64 insuranceOption() const { return m_insuranceOption; }
    void setInsuranceOption(qint64 option) { m_insuranceOption = option; }
    qint64 shippingType() const { return m_shippingType; }
    void setShippingType(qint64 type) { m_shippingType = type; }
    const QString& shipFromZipCode() const { return m_shipFromZipCode; }
    void setShipFromZipCode(const QString& zip) { m_shipFromZipCode = zip; }
    const QString& packageDepth() const { return m_packageDepth; }
    void setPackageDepth(const QString& value) { m_packageDepth = value; }
    const QString& packageLength() const { return m_packageLength; }
    void setPackageLength(const QString& value) { m_packageLength = value; }
    const QString& packageWidth() const { return m_packageWidth; }
    void setPackageWidth(const QString& value) { m_packageWidth = value; }
    const QString& packagePounds() const { return m_packagePounds; }
    void setPackagePounds(const QString& value) { m_packagePounds = value; }
    const QString& packageOunces() const { return m_packageOunces; }
    void setPackageOunces(const QString& value) { m_packageOunces = value; }
    const QString& packagingHandlingCosts() const { return m_packagingHandlingCosts; }
    void setPackagingHandlingCosts(const QString& value) { m_packagingHandlingCosts = value; }
    const QVariantList& domesticShippingServices() const { return m_domesticShippingServices; }
    void setDomesticShippingServices(const QVariantList& services) { m_domesticShippingServices = services; }
    const QVariantList& internationalShippingServices() const { return m_internationalShippingServices; }
    void setInternationalShippingServices(const QVariantList& services) { m_internationalShippingServices = services; }
    bool localPickupOnly() const { return m_localPickupOnly; }
    void setLocalPickupOnly(bool value) { m_localPickupOnly = value; }
    bool shippingTermsInDescription() const { return m_shippingTermsInDescription; }
    void setShippingTermsInDescription(bool value) { m_shippingTermsInDescription = value; }
    bool usesCalculatedShippingInternational() const { return m_usesCalculatedShippingInternational; }
    void setUsesCalculatedShippingInternational(bool value) { m_usesCalculatedShippingInternational = value; }
    qint64 insuranceOptionInternational() const { return m_insuranceOptionInternational; }
    void setInsuranceOptionInternational(qint64 option) { m_insuranceOptionInternational = option; }
    const QString& insuranceFeeInternational() const { return m_insuranceFeeInternational; }
    void setInsuranceFeeInternational(const QString& fee) { m_insuranceFeeInternational = fee; }
    const QString& packagingHandlingCostsInternational() const { return m_packagingHandlingCostsInternational; }
    void setPackagingHandlingCostsInternational(const QString& value) { m_packagingHandlingCostsInternational = value; }
    bool offerDomesticShippingDiscount() const { return m_offerDomesticShippingDiscount; }
    void setOfferDomesticShippingDiscount(bool value) { m_offerDomesticShippingDiscount = value; }
    bool offerInternationalShippingDiscount() const { return m_offerInternationalShippingDiscount; }
    void setOfferInternationalShippingDiscount(bool value) { m_offerInternationalShippingDiscount = value; }
    const QString& domesticShippingDiscountProfileID() const { return m_domesticShippingDiscountProfileID; }
    void setDomesticShippingDiscountProfileID(const QString& id) { m_domesticShippingDiscountProfileID = id; }
    const QString& internationalShippingDiscountProfileID() const { return m_internationalShippingDiscountProfileID; }
    void setInternationalShippingDiscountProfileID(const QString& id) { m_internationalShippingDiscountProfileID = id; }
    bool offerDomesticPromotionalShippingDiscount() const { return m_offerDomesticPromotionalShippingDiscount; }
    void setOfferDomesticPromotionalShippingDiscount(bool value) { m_offerDomesticPromotionalShippingDiscount = value; }
    bool offerInternationalPromotionalShippingDiscount() const
    {
        return m_offerInternationalPromotionalShippingDiscount;
    }
    void setOfferInternationalPromotionalShippingDiscount(bool value)
    {
        m_offerInternationalPromotionalShippingDiscount = value;
    }
    // Null when never set (as in options read from an old archive).
    const QStringList& excludeLocations() const { return m_excludeLocations; }
    bool hasExcludeLocations() const { return m_hasExcludeLocations; }
    void setExcludeLocations(const QStringList& locations)
    {
        m_excludeLocations = locations;
        m_hasExcludeLocations = true;
    }

private:
    QVariantMap domesticRow(qsizetype index) const;
    QVariantMap internationalRow(qsizetype index) const;
    QVariantMap domesticRowForRange(qsizetype index) const;

    bool m_usesCalculatedShipping = false;
    QStringList m_shipToLocations;
    QString m_insuranceFee;
    qint64 m_insuranceOption = 0;
    qint64 m_shippingType = 0;
    QString m_shipFromZipCode;
    QString m_packageDepth;
    QString m_packageLength;
    QString m_packageWidth;
    QString m_packagePounds;
    QString m_packageOunces;
    QString m_packagingHandlingCosts;
    QVariantList m_domesticShippingServices;
    QVariantList m_internationalShippingServices;
    bool m_localPickupOnly = false;
    bool m_shippingTermsInDescription = false;
    bool m_usesCalculatedShippingInternational = false;
    qint64 m_insuranceOptionInternational = 0;
    QString m_insuranceFeeInternational;
    QString m_packagingHandlingCostsInternational;
    bool m_offerDomesticShippingDiscount = false;
    bool m_offerInternationalShippingDiscount = false;
    QString m_domesticShippingDiscountProfileID;
    QString m_internationalShippingDiscountProfileID;
    bool m_offerDomesticPromotionalShippingDiscount = false;
    bool m_offerInternationalPromotionalShippingDiscount = false;
    QStringList m_excludeLocations;
    bool m_hasExcludeLocations = false;
};
