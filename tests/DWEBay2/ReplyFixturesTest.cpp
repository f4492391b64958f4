// Replies of the calls the application makes, as eBay sends them, read into their response classes.
#include "DWEBay2/types/EBayAddItemResponseType.h"
#include "DWEBay2/types/EBayAddressType.h"
#include "DWEBay2/types/EBayAmountType.h"
#include "DWEBay2/types/EBayDataElementSetType.h"
#include "DWEBay2/types/EBayErrorParameterType.h"
#include "DWEBay2/types/EBayErrorType.h"
#include "DWEBay2/types/EBayExpressItemRequirementsType.h"
#include "DWEBay2/types/EBayFeeType.h"
#include "DWEBay2/types/EBayFeesType.h"
#include "DWEBay2/types/EBayFetchTokenResponseType.h"
#include "DWEBay2/types/EBayGetItemRecommendationsResponseType.h"
#include "DWEBay2/types/EBayGetProductSearchResultsResponseType.h"
#include "DWEBay2/types/EBayGetRecommendationsResponseContainerType.h"
#include "DWEBay2/types/EBayGetSessionIDResponseType.h"
#include "DWEBay2/types/EBayGetUserResponseType.h"
#include "DWEBay2/types/EBayNameRecommendationType.h"
#include "DWEBay2/types/EBayPictureSetMemberType.h"
#include "DWEBay2/types/EBayProductFamilyType.h"
#include "DWEBay2/types/EBayProductSearchResultType.h"
#include "DWEBay2/types/EBayProductType.h"
#include "DWEBay2/types/EBayRecommendationValidationRulesType.h"
#include "DWEBay2/types/EBayRecommendationsType.h"
#include "DWEBay2/types/EBayRecoupmentPolicyConsentType.h"
#include "DWEBay2/types/EBayResponseAttributeSetType.h"
#include "DWEBay2/types/EBaySchedulingInfoType.h"
#include "DWEBay2/types/EBaySellerType.h"
#include "DWEBay2/types/EBaySiteHostedPictureDetailsType.h"
#include "DWEBay2/types/EBayUploadSiteHostedPicturesResponseType.h"
#include "DWEBay2/types/EBayUserType.h"
#include "DWEBay2/types/EBayValueRecommendationType.h"
#include "DWEBay2/types/EBayVerifyAddItemResponseType.h"
#include "tests/support/TemporaryXdg.h"

#include <gtest/gtest.h>

namespace {

template<class T>
std::shared_ptr<T> reply(const char* name)
{
    QString error;
    auto response =
        T::requestWithXMLData(dw::test::fixture(QStringLiteral("DWEBay2/") + QString::fromLatin1(name)), &error);
    EXPECT_TRUE(response) << name << ": " << error.toStdString();
    return response;
}

QDateTime utc(const char* text)
{
    QDateTime value = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODateWithMs);
    value.setTimeSpec(Qt::UTC);
    return value;
}

// The fees as name -> amount text, in document order.
QList<std::pair<QString, double>> fees(const std::shared_ptr<EBayFeesType>& list)
{
    QList<std::pair<QString, double>> result;
    if (list && list->fees()) {
        for (const auto& fee : *list->fees())
            result.append({fee->name(), fee->fee() ? fee->fee()->contents() : -1});
    }
    return result;
}

} // namespace

TEST(EBayReplies, VerifyAddItemWithFeesAndAWarning)
{
    auto response = reply<EBayVerifyAddItemResponseType>("VerifyAddItemWithFeesAndWarning.xml");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->ack(), QStringLiteral("Warning"));
    EXPECT_EQ(response->timestamp(), utc("2011-11-21T19:24:38.582"));
    EXPECT_EQ(response->version(), QStringLiteral("747"));
    EXPECT_EQ(response->itemID(), QStringLiteral("0"));

    ASSERT_TRUE(response->errorss());
    ASSERT_EQ(response->errorss()->size(), 1);
    const auto& warning = response->errorss()->first();
    EXPECT_EQ(warning->severityCode(), QStringLiteral("Warning"));
    EXPECT_EQ(warning->errorCode(), QStringLiteral("21919191"));
    EXPECT_EQ(warning->errorClassification(), QStringLiteral("RequestError"));
    EXPECT_TRUE(warning->longMessage().startsWith(QStringLiteral("A return policy is not specified")));
    ASSERT_TRUE(warning->errorParameterss());
    EXPECT_EQ(warning->errorParameterss()->first()->paramID(), QStringLiteral("0"));
    EXPECT_EQ(warning->errorParameterss()->first()->value(), QStringLiteral("ReturnPolicy"));

    const QList<std::pair<QString, double>> expected{
        {QStringLiteral("AuctionLengthFee"), 0.0}, {QStringLiteral("BoldFee"), 0.0},
        {QStringLiteral("BuyItNowFee"), 0.0},      {QStringLiteral("GalleryPlusFee"), 0.35},
        {QStringLiteral("InsertionFee"), 0.5},     {QStringLiteral("ReserveFee"), 2.0},
        {QStringLiteral("SubtitleFee"), 0.5},      {QStringLiteral("ListingFee"), 3.35}};
    EXPECT_EQ(fees(response->fees()), expected);
    const auto& insertion = response->fees()->fees()->at(4);
    EXPECT_EQ(insertion->fee()->currencyID(), QStringLiteral("USD"));
    ASSERT_TRUE(insertion->promotionalDiscount());
    EXPECT_EQ(insertion->promotionalDiscount()->contents(), 0.1);

    EXPECT_FALSE(response->expressListing());
    ASSERT_TRUE(response->expressItemRequirements());
    EXPECT_TRUE(response->expressItemRequirements()->sellerExpressEligible());
    EXPECT_FALSE(response->expressItemRequirements()->eligibleReturnPolicy());
    ASSERT_TRUE(response->discountReasons());
    EXPECT_EQ(*response->discountReasons(),
              (QList<QString>{QStringLiteral("SpecialOffer"), QStringLiteral("Promotion")}));
}

TEST(EBayReplies, AddItemWithFeesAndWarnings)
{
    auto response = reply<EBayAddItemResponseType>("AddItemWithFeesAndWarnings.xml");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->ack(), QStringLiteral("Warning"));
    EXPECT_EQ(response->itemID(), QStringLiteral("110089122715"));
    EXPECT_EQ(response->startTime(), utc("2011-11-21T19:26:50.965"));
    EXPECT_EQ(response->endTime(), utc("2011-11-28T19:26:50.965"));
    EXPECT_EQ(response->categoryID(), QStringLiteral("15230"));
    EXPECT_TRUE(response->category2ID().isNull());
    EXPECT_TRUE(response->message().startsWith(QStringLiteral("<p>Starting March 1")));

    ASSERT_TRUE(response->errorss());
    ASSERT_EQ(response->errorss()->size(), 2);
    EXPECT_EQ(response->errorss()->at(0)->errorCode(), QStringLiteral("21915465"));
    EXPECT_EQ(response->errorss()->at(1)->errorCode(), QStringLiteral("21919188"));
    EXPECT_EQ(response->errorss()->at(1)->longMessage(),
              QStringLiteral("The title \"Vintage Canon AE-1 <35mm> SLR\" & lens was shortened to 80 characters."));
    EXPECT_FALSE(response->errorss()->at(1)->errorParameterss());

    EXPECT_EQ(fees(response->fees()).last(), std::make_pair(QStringLiteral("ListingFee"), 1.0));
    EXPECT_EQ(fees(response->fees()).size(), 4);
}

TEST(EBayReplies, UploadSiteHostedPictures)
{
    auto response = reply<EBayUploadSiteHostedPicturesResponseType>("UploadSiteHostedPictures.xml");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->ack(), QStringLiteral("Success"));
    EXPECT_FALSE(response->errorss());
    EXPECT_EQ(response->pictureSystemVersion(), 2);
    const auto details = response->siteHostedPictureDetails();
    ASSERT_TRUE(details);
    EXPECT_EQ(details->fullURL(), QStringLiteral("http://i.ebayimg.com/00/s/MTIwMFgxNjAw/"
                                                 "$(KGrHqV,!ig!5Mw1Ld+BO!jN8E0Yw~~60_1.JPG?set_id=8800005007"));
    EXPECT_EQ(details->pictureSet(), QStringLiteral("Supersize"));
    EXPECT_EQ(details->pictureFormat(), QStringLiteral("JPG"));
    EXPECT_EQ(details->useByDate(), utc("2012-01-20T19:25:09.346"));
    ASSERT_TRUE(details->pictureSetMembers());
    ASSERT_EQ(details->pictureSetMembers()->size(), 3);
    EXPECT_EQ(details->pictureSetMembers()->last()->pictureWidth(), 1600);
    EXPECT_EQ(details->pictureSetMembers()->last()->pictureHeight(), 1200);
}

TEST(EBayReplies, SignInReplies)
{
    auto session = reply<EBayGetSessionIDResponseType>("GetSessionID.xml");
    ASSERT_TRUE(session);
    EXPECT_EQ(session->ack(), QStringLiteral("Success"));
    EXPECT_EQ(session->sessionID(), QStringLiteral("m4UBAA**2a7a5b7d1330a471d2c54a06ffffe5f1"));

    auto token = reply<EBayFetchTokenResponseType>("FetchToken.xml");
    ASSERT_TRUE(token);
    EXPECT_EQ(token->ack(), QStringLiteral("Success"));
    EXPECT_TRUE(token->eBayAuthToken().startsWith(QStringLiteral("AgAAAA**AQAAAA**")));
    EXPECT_TRUE(token->eBayAuthToken().endsWith(QStringLiteral("K8=")));
    EXPECT_EQ(token->hardExpirationTime(), utc("2013-05-13T19:33:08.000"));
    EXPECT_TRUE(token->rESTToken().isNull());

    auto refused = reply<EBayFetchTokenResponseType>("FetchTokenBeforeSignIn.xml");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->ack(), QStringLiteral("Failure"));
    EXPECT_TRUE(refused->eBayAuthToken().isNull());
    ASSERT_TRUE(refused->errorss());
    EXPECT_EQ(refused->errorss()->first()->severityCode(), QStringLiteral("Error"));
    EXPECT_EQ(refused->errorss()->first()->shortMessage(),
              QStringLiteral("The end user has not completed Auth & Auth sign in flow."));
}

TEST(EBayReplies, GetUser)
{
    auto response = reply<EBayGetUserResponseType>("GetUser.xml");
    ASSERT_TRUE(response);
    const auto user = response->user();
    ASSERT_TRUE(user);
    EXPECT_EQ(user->userID(), QStringLiteral("anna_kamera"));
    EXPECT_EQ(user->site(), QStringLiteral("Germany"));
    EXPECT_EQ(user->feedbackScore(), 1274);
    EXPECT_EQ(user->positiveFeedbackPercent(), 99.8);
    EXPECT_TRUE(user->eBayGoodStanding());
    EXPECT_FALSE(user->newUser());
    EXPECT_EQ(user->registrationDate(), utc("2003-06-17T09:12:44.000"));
    ASSERT_TRUE(user->registrationAddress());
    EXPECT_EQ(user->registrationAddress()->country(), QStringLiteral("DE"));
    EXPECT_EQ(user->registrationAddress()->postalCode(), QStringLiteral("80331"));
    EXPECT_EQ(user->registrationAddress()->cityName(), QStringLiteral("München"));
    ASSERT_TRUE(user->userSubscriptions());
    EXPECT_EQ(user->userSubscriptions()->size(), 2);

    const auto seller = user->sellerInfo();
    ASSERT_TRUE(seller);
    EXPECT_TRUE(seller->allowPaymentEdit());
    EXPECT_EQ(seller->sellerLevel(), QStringLiteral("Bronze"));
    EXPECT_EQ(seller->transactionPercent(), 12.5);
    ASSERT_TRUE(seller->schedulingInfo());
    EXPECT_EQ(seller->schedulingInfo()->maxScheduledMinutes(), 30240);
    ASSERT_TRUE(seller->recoupmentPolicyConsent() && seller->recoupmentPolicyConsent()->sites());
    EXPECT_EQ(*seller->recoupmentPolicyConsent()->sites(),
              (QList<QString>{QStringLiteral("Germany"), QStringLiteral("Austria")}));
}

TEST(EBayReplies, GetItemRecommendations)
{
    auto response = reply<EBayGetItemRecommendationsResponseType>("GetItemRecommendations.xml");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->ack(), QStringLiteral("Success"));
    EXPECT_EQ(response->timestamp(), utc("2011-11-21T19:40:51.116"));
    ASSERT_TRUE(response->getRecommendationsResponseContainers());
    ASSERT_EQ(response->getRecommendationsResponseContainers()->size(), 1);
    const auto recommendations = response->getRecommendationsResponseContainers()->first()->recommendations();
    ASSERT_TRUE(recommendations);
    EXPECT_EQ(recommendations->categoryID(), QStringLiteral("15230"));

    // Name -> recommended values, as the application collects them.
    QList<std::pair<QString, QStringList>> names;
    for (const auto& name : *recommendations->nameRecommendations()) {
        QStringList values;
        if (name->valueRecommendations()) {
            for (const auto& value : *name->valueRecommendations())
                values.append(value->value());
        }
        names.append({name->name(), values});
    }
    const QList<std::pair<QString, QStringList>> expected{
        {QStringLiteral("Brand"), {QStringLiteral("Canon"), QStringLiteral("Nikon"), QStringLiteral("Leica")}},
        {QStringLiteral("Film Format"), {QStringLiteral("35mm"), QStringLiteral("Medium Format (120/220)")}},
        {QStringLiteral("Condition Notes"), {}}};
    EXPECT_EQ(names, expected);
    const auto rules = recommendations->nameRecommendations()->at(1)->validationRules();
    ASSERT_TRUE(rules);
    EXPECT_EQ(rules->minValues(), 1);
    EXPECT_EQ(rules->selectionMode(), QStringLiteral("SelectionOnly"));
}

TEST(EBayReplies, GetProductSearchResults)
{
    auto response = reply<EBayGetProductSearchResultsResponseType>("GetProductSearchResults.xml");
    ASSERT_TRUE(response);
    ASSERT_TRUE(response->productSearchResults());
    const auto result = response->productSearchResults()->first();
    EXPECT_EQ(result->numProducts(), QStringLiteral("2")); // text, not a number
    EXPECT_TRUE(result->displayStockPhotos());
    ASSERT_TRUE(result->attributeSets());
    const auto set = result->attributeSets()->first();
    EXPECT_EQ(set->attributeSetID(), 1785);
    ASSERT_TRUE(set->productFamiliess());
    const auto family = set->productFamiliess()->first();
    EXPECT_FALSE(family->hasMoreChildren());
    ASSERT_TRUE(family->familyMemberss());
    ASSERT_EQ(family->familyMemberss()->size(), 2);
    const auto product = family->familyMemberss()->at(1);
    EXPECT_EQ(product->productID(), QStringLiteral("99:2:1785:2241076534"));
    EXPECT_EQ(product->title(), QStringLiteral("Canon AE-1 Program 35mm SLR Film Camera with 50mm f/1.8 Lens"));
    EXPECT_TRUE(product->stockPhotoURL().endsWith(QStringLiteral("_6.JPG?set_id=89040003C1")));
    EXPECT_TRUE(product->detailsURL().contains(QStringLiteral("&IncludeAttributes=1&")));
    EXPECT_EQ(product->minPrice()->contents(), 8950.0);
    EXPECT_EQ(product->maxPrice()->contents(), 24900.0);
    EXPECT_EQ(product->maxPrice()->currencyID(), QStringLiteral("USD"));
    ASSERT_TRUE(family->parentProduct());
    EXPECT_EQ(family->parentProduct()->title(), QStringLiteral("Canon AE-1 Program 35mm SLR Film Camera"));

    ASSERT_TRUE(response->dataElementSetss());
    EXPECT_EQ(response->dataElementSetss()->first()->attributeSetID(), 1785);
    EXPECT_EQ(response->dataElementSetss()->first()->dataElement(), QStringLiteral("<b>Format:</b> 35mm SLR"));
}
