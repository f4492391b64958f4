#pragma once
// The objects of a site's categories store: categories with their twelve flags, condition sets
// and conditions, suggested item specifics and their values. Read-only; one object per row (see
// SQManagedObject). Relationships are fetched from the store at each call.
//
//     const auto category = store->categoryForCategoryID(20081);
//     if (category && category->supportsBestOffer()) ...
//     for (const auto& child : category->sortedSubcategories()) ...

#include "DWCoreDataEbayDataClasses/SQManagedObject.h"

#include <QList>
#include <memory>

class SQCategory;
class SQConditionSet;
class SQCondition;
class SQItemSpecific;
class SQItemSpecificValue;
using SQCategoryPtr = std::shared_ptr<SQCategory>;
using SQConditionSetPtr = std::shared_ptr<SQConditionSet>;
using SQConditionPtr = std::shared_ptr<SQCondition>;
using SQItemSpecificPtr = std::shared_ptr<SQItemSpecific>;
using SQItemSpecificValuePtr = std::shared_ptr<SQItemSpecificValue>;

class SQCategory : public SQManagedObject
{
public:
    // The bits of booleanFlags.
    enum BooleanFlag : quint64 {
        kB2BVATEnabled = 1,
        kAutoPayEnabled = 2,
        kCatalogEnabled = 4,
        kIsExpired = 8,
        kIsVirtual = 16,
        kLotSizeDisabled = 32,
        kReservePriceAllowed = 64,
        kSellerGuaranteeEligible = 128,
        kSupportsBestOffer = 256,
        kSupportsCustomSpecifics = 512,
        kSupportsVariations = 1024,
        kConditionRequired = 2048,
    };

    SQCategory(std::shared_ptr<SQStoreContext> context, qint64 rowID, std::vector<QVariant> values)
        : SQManagedObject(std::move(context), entityDescription(), rowID, std::move(values))
    {}
    static const SQEntityDescription& entityDescription();

    qint64 categoryID() const { return integerValue(0); }
    QString name() const { return textValue(1); }
    qint64 level() const { return integerValue(2); }
    qint64 subcategoriesCount() const { return integerValue(3); }
    qint64 booleanFlags() const { return integerValue(4); }

    SQCategoryPtr parentCategory() const;
    QList<SQCategoryPtr> subcategories() const;
    QList<SQItemSpecificPtr> itemSpecifics() const;
    SQConditionSetPtr conditionSet() const;

    quint64 booleanBitmaskInteger() const { return quint64(booleanFlags()); }
    // The attribute key of one of the flags 1 to 512; any other value is an assertion failure
    // ("Unsupported inFlag").
    static QString keyForBooleanFlag(quint64 flag);
    bool boolForBooleanFlag(quint64 flag) const;
    // The store is read-only: always an assertion failure ("Property %@ is read only").
    [[noreturn]] void setBoolValue(bool value, quint64 flag);

    bool B2BVATEnabled() const { return boolForBooleanFlag(kB2BVATEnabled); }
    bool autoPayEnabled() const { return boolForBooleanFlag(kAutoPayEnabled); }
    bool catalogEnabled() const { return boolForBooleanFlag(kCatalogEnabled); }
    bool isExpired() const { return boolForBooleanFlag(kIsExpired); }
    bool isVirtual() const { return boolForBooleanFlag(kIsVirtual); }
    bool lotSizeDisabled() const { return boolForBooleanFlag(kLotSizeDisabled); }
    bool reservePriceAllowed() const { return boolForBooleanFlag(kReservePriceAllowed); }
    bool sellerGuaranteeEligible() const { return boolForBooleanFlag(kSellerGuaranteeEligible); }
    bool supportsBestOffer() const { return boolForBooleanFlag(kSupportsBestOffer); }
    bool supportsCustomSpecifics() const { return boolForBooleanFlag(kSupportsCustomSpecifics); }
    bool supportsVariations() const { return boolForBooleanFlag(kSupportsVariations); }
    bool conditionRequired() const { return boolForBooleanFlag(kConditionRequired); }

    // Subcategories ascending by name.
    QList<SQCategoryPtr> sortedSubcategories() const;
    // A leaf with at least one item specific.
    bool supportsCustomSpecificsLookup() const;

    QVariant valueForKey(const QString& key) const override;
};

class SQConditionSet : public SQManagedObject
{
public:
    SQConditionSet(std::shared_ptr<SQStoreContext> context, qint64 rowID, std::vector<QVariant> values)
        : SQManagedObject(std::move(context), entityDescription(), rowID, std::move(values))
    {}
    static const SQEntityDescription& entityDescription();

    QList<SQCategoryPtr> categories() const;
    QList<SQConditionPtr> conditions() const;
    // Conditions ascending by index.
    QList<SQConditionPtr> sortedConditions() const;
};

class SQCondition : public SQManagedObject
{
public:
    SQCondition(std::shared_ptr<SQStoreContext> context, qint64 rowID, std::vector<QVariant> values)
        : SQManagedObject(std::move(context), entityDescription(), rowID, std::move(values))
    {}
    static const SQEntityDescription& entityDescription();

    qint64 identifier() const { return integerValue(0); }
    qint64 index() const { return integerValue(1); }
    QString name() const { return textValue(2); }
    QString helpURL() const { return textValue(3); }
    SQConditionSetPtr set() const;
};

class SQItemSpecific : public SQManagedObject
{
public:
    SQItemSpecific(std::shared_ptr<SQStoreContext> context, qint64 rowID, std::vector<QVariant> values)
        : SQManagedObject(std::move(context), entityDescription(), rowID, std::move(values))
    {}
    static const SQEntityDescription& entityDescription();

    QString name() const { return textValue(0); }
    qint64 index() const { return integerValue(1); }
    qint64 selectionMode() const { return integerValue(2); }
    qint64 valueType() const { return integerValue(3); }
    qint64 variationPicture() const { return integerValue(4); }
    qint64 variationSpecific() const { return integerValue(5); }
    qint64 maxValues() const { return integerValue(6); }
    qint64 minValues() const { return integerValue(7); }
    SQCategoryPtr category() const;
    QList<SQItemSpecificValuePtr> itemSpecificValues() const;
    // Values ascending by index.
    QList<SQItemSpecificValuePtr> sortedItemSpecificValues() const;
};

class SQItemSpecificValue : public SQManagedObject
{
public:
    SQItemSpecificValue(std::shared_ptr<SQStoreContext> context, qint64 rowID, std::vector<QVariant> values)
        : SQManagedObject(std::move(context), entityDescription(), rowID, std::move(values))
    {}
    static const SQEntityDescription& entityDescription();

    QString value() const { return textValue(0); }
    qint64 index() const { return integerValue(1); }
    qint64 confidence() const { return integerValue(2); }
    SQItemSpecificPtr itemSpecific() const;
    QList<SQItemSpecificValuePtr> relationships() const;
};
