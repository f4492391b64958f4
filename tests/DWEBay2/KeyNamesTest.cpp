// The keys that a reader of the schema would not guess, and the accessors behind them.
#include "DWEBay2/types/EBayAbstractResponseType.h"
#include "DWEBay2/types/EBayCategoryType.h"
#include "DWEBay2/types/EBayCharacteristicSetIDsType.h"
#include "DWEBay2/types/EBayCharityInfoType.h"
#include "DWEBay2/types/EBayErrorType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWEBay2/types/EBayReturnPolicyType.h"
#include "DWEBay2/types/EBayTypes.h"
#include "DWEBay2/types/EBayVariationType.h"
#include "DWEBay2/types/EBayXMLRequesterCredentialsType.h"

#include <gtest/gtest.h>

TEST(EBayKeyNames, NamedCases)
{
    enum Table { Elements, Repeated, Attributes };
    struct Case
    {
        const char* className;
        Table table;
        const char* xmlName;
        const char* key;
    };
    const Case cases[] = {
        {"EBayAbstractResponseType", Repeated, "Errors", "errorss"},
        {"EBayCharacteristicSetIDsType", Repeated, "ID", "iDs"},
        {"EBayCharityInfoType", Attributes, "id", "identifier"},
        {"EBayItemType", Repeated, "PaymentMethods", "paymentMethodss"},
        {"EBayXMLRequesterCredentialsType", Elements, "eBayAuthToken", "eBayAuthToken"},
        {"EBayVariationType", Elements, "Delete", "delete"},
        {"EBayItemCompatibilityType", Elements, "Delete", "delete"},
        {"EBayCategoryType", Elements, "Virtual", "virtual"},
        {"EBayItemType", Elements, "SKU", "sKU"},
        {"EBaySKUArrayType", Repeated, "SKU", "sKUs"},
        {"EBayCategoryType", Repeated, "ProductFinderIDs", "productFinderIDss"},
        {"EBayGetCharitiesResponseType", Repeated, "Charity", "charitys"},
        {"EBayShippingDetailsType", Repeated, "InternationalShippingServiceOption",
         "internationalShippingServiceOptions"},
        {"EBayGetRecommendationsResponseContainerType", Elements, "SIFFTASRecommendations", "sIFFTASRecommendations"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className);
        const DWGeneratedClass* cls = EBayTypes::registry().classNamed(QString::fromLatin1(c.className));
        ASSERT_TRUE(cls);
        const DWGeneratedClass::Table& table = c.table == Elements   ? cls->elements()
                                               : c.table == Repeated ? cls->multiElements()
                                                                     : cls->attributeKeys();
        EXPECT_EQ(table.value(QString::fromLatin1(c.xmlName)), QString::fromLatin1(c.key));
    }
}

TEST(EBayKeyNames, AccessorsBehindTheAwkwardKeys)
{
    auto response = EBayAbstractResponseType::abstractResponseType();
    auto error = EBayErrorType::errorType();
    response->addErrors(error);
    ASSERT_TRUE(response->errorss());
    EXPECT_EQ(response->errorss()->first(), error);
    EXPECT_EQ(response->valueForKey(QStringLiteral("errorss")).toList().size(), 1);

    auto ids = EBayCharacteristicSetIDsType::characteristicSetIDsType();
    ids->setIDs(std::make_shared<QList<QString>>(QList<QString>{QStringLiteral("1785")}));
    ids->addID(QStringLiteral("2041"));
    EXPECT_EQ(ids->iDs()->size(), 2);

    auto variation = EBayVariationType::variationType();
    variation->setDelete(true);
    EXPECT_TRUE(variation->delete_());
    EXPECT_EQ(variation->valueForKey(QStringLiteral("delete")), QVariant(true));

    auto category = EBayCategoryType::categoryType();
    ASSERT_TRUE(category->setValueForKey(true, QStringLiteral("virtual")));
    EXPECT_TRUE(category->virtual_());

    auto credentials = EBayXMLRequesterCredentialsType::xMLRequesterCredentialsType();
    credentials->setEBayAuthToken(QStringLiteral("AgAAAA**token"));
    EXPECT_TRUE(credentials->xmlRequest().contains(QStringLiteral("<eBayAuthToken>AgAAAA**token</eBayAuthToken>")));
    EXPECT_TRUE(credentials->username().isNull());
    EXPECT_TRUE(credentials->password().isNull());

    auto charity = EBayCharityInfoType::charityInfoType();
    ASSERT_TRUE(charity->initWithXMLRequest(QStringLiteral("<Charity id=\"1234\"><Name>Good</Name></Charity>")));
    EXPECT_EQ(charity->identifier(), QStringLiteral("1234"));

    auto item = EBayItemType::itemType();
    item->addPaymentMethods(QStringLiteral("PayPal"));
    EXPECT_EQ(item->valueForKey(QStringLiteral("paymentMethodss")), QVariant(QVariantList{QStringLiteral("PayPal")}));
}

TEST(EBayKeyNames, DescriptionElementTakesThePlaceOfTheObjectsDescription)
{
    auto item = EBayItemType::itemType();
    EXPECT_TRUE(item->description().isNull());
    item->setDescription(QStringLiteral("<![CDATA[<p>As new</p>]]>"));
    const DWGeneratedObject& asObject = *item;
    EXPECT_EQ(asObject.description(), QStringLiteral("<![CDATA[<p>As new</p>]]>"));

    auto policy = EBayReturnPolicyType::returnPolicyType();
    policy->setReturnsAcceptedOption(QStringLiteral("ReturnsAccepted"));
    EXPECT_TRUE(static_cast<const DWGeneratedObject&>(*policy).description().isNull());
    EXPECT_FALSE(EBayErrorType::errorType()->description().isEmpty());
}
