// The hand-written additions on the generated eBay types: first errors, amounts, fees, measures,
// variations, and the elements written even when they hold 0 or NO.
#include "DWEBay2/types/EBayAbstractResponseType.h"
#include "DWEBay2/types/EBayAddItemResponseType.h"
#include "DWEBay2/types/EBayAmountType.h"
#include "DWEBay2/types/EBayBestOfferDetailsType.h"
#include "DWEBay2/types/EBayCalculatedShippingRateType.h"
#include "DWEBay2/types/EBayErrorType.h"
#include "DWEBay2/types/EBayFeeType.h"
#include "DWEBay2/types/EBayFeesType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWEBay2/types/EBayMeasureType.h"
#include "DWEBay2/types/EBayVariationType.h"
#include "DWEBay2/types/EBayVariationsType.h"
#include "DWEBay2/types/EBayVerifyAddItemResponseType.h"
#include "tests/support/TemporaryXdg.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

class ScopedLocale
{
public:
    explicit ScopedLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~ScopedLocale() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kAmerican(QLocale::English, QLocale::UnitedStates);

std::shared_ptr<EBayErrorType> entry(const char* severity, const char* message, const char* code)
{
    auto error = EBayErrorType::errorType();
    error->setSeverityCode(QString::fromLatin1(severity));
    error->setLongMessage(QString::fromLatin1(message));
    error->setErrorCode(QString::fromLatin1(code));
    return error;
}

std::shared_ptr<EBayFeeType> fee(const char* name, std::optional<double> amount)
{
    auto fee = EBayFeeType::feeType();
    fee->setName(QString::fromLatin1(name));
    if (amount) {
        auto value = EBayAmountType::amountType();
        value->setContents(*amount);
        fee->setFee(value);
    }
    return fee;
}

} // namespace

TEST(EBayAdditions, FirstErrorOfAResponse)
{
    struct Row
    {
        const char* name;
        QList<std::shared_ptr<EBayErrorType>> errors;
        bool setArray;
        bool hasError;
        const char* severity;
        const char* message;
        const char* code;
    };
    const Row rows[] = {
        {"no Errors element", {}, false, false, "", "", ""},
        {"empty array", {}, true, false, "", "", ""},
        {"a warning only", {entry("Warning", "Shortened", "21919188")}, true, true, "Warning", "Shortened", "21919188"},
        {"warning before error",
         {entry("Warning", "Shortened", "1"), entry("Error", "Bad", "2")},
         true,
         true,
         "Warning",
         "Shortened",
         "1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto response = EBayAbstractResponseType::abstractResponseType();
        if (row.setArray)
            response->setErrorss(std::make_shared<QList<std::shared_ptr<EBayErrorType>>>(row.errors));
        EXPECT_EQ(response->hasError(), row.hasError);
        // Never null, so that callers can show or compare them without checking.
        EXPECT_FALSE(response->firstErrorSeverityCode().isNull());
        EXPECT_EQ(response->firstErrorSeverityCode(), QString::fromLatin1(row.severity));
        EXPECT_EQ(response->firstErrorMessage(), QString::fromLatin1(row.message));
        EXPECT_EQ(response->firstErrorCode(), QString::fromLatin1(row.code));
    }
}

TEST(EBayAdditions, ALocallyMadeFailureReadsLikeOneFromEBay)
{
    auto made = EBayAbstractResponseType::responseWithErrorMessage<EBayAddItemResponseType>(
        QStringLiteral("The picture could not be read."), QStringLiteral("QM-17"));
    static_assert(std::is_same_v<decltype(made), std::shared_ptr<EBayAddItemResponseType>>);

    // Written and read back, as a failure from eBay would arrive.
    auto response = EBayAddItemResponseType::requestWithXMLData(made->xmlRequestData());
    ASSERT_TRUE(response);
    EXPECT_EQ(response->ack(), QStringLiteral("Failure"));
    ASSERT_TRUE(response->errorss());
    ASSERT_EQ(response->errorss()->size(), 1);
    const auto& error = response->errorss()->first();
    EXPECT_EQ(error->shortMessage(), QStringLiteral("The picture could not be read."));
    EXPECT_EQ(error->longMessage(), QStringLiteral("The picture could not be read."));
    EXPECT_EQ(error->errorCode(), QStringLiteral("QM-17"));
    EXPECT_EQ(error->errorClassification(), QStringLiteral("RequestError"));
    EXPECT_EQ(error->severityCode(), QStringLiteral("Error"));
    EXPECT_EQ(response->firstErrorMessage(), QStringLiteral("The picture could not be read."));
}

TEST(EBayAdditions, AmountsFromTextReadTheSameInEveryLocale)
{
    const ScopedLocale german(kGerman);
    struct Row
    {
        QString text;
        double value;
    };
    const Row rows[] = {
        {QString(), 0.0},
        {QStringLiteral("12.5"), 12.5},
        {QStringLiteral(" 7.25 EUR"), 7.25},
        {QStringLiteral("1,5"), 1.0}, // a comma is no decimal separator on the wire
        {QStringLiteral("abc"), 0.0},
        {QStringLiteral("-0.5"), -0.5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        auto amount = EBayAmountType::amountTypeWithStringContents(row.text);
        EXPECT_EQ(amount->contents(), row.value);
        EXPECT_TRUE(amount->currencyID().isNull());
    }
}

TEST(EBayAdditions, AmountsAsTextForTheWireAndForTheUser)
{
    auto amount = [](double value, const char* currency = nullptr) {
        auto result = EBayAmountType::amountType();
        result->setContents(value);
        if (currency)
            result->setCurrencyID(QString::fromLatin1(currency));
        return result;
    };
    {
        const ScopedLocale german(kGerman);
        EXPECT_EQ(amount(3)->stringContents(), QStringLiteral("3.00"));
        EXPECT_EQ(amount(-0.5)->stringContents(), QStringLiteral("-0.50"));
        EXPECT_EQ(amount(1234567.891)->stringContents(), QStringLiteral("1234567.89"));

        EXPECT_EQ(amount(-4.5)->formattedValue(), QStringLiteral("-4,50"));
        EXPECT_EQ(amount(1234.5)->formattedValue(), QStringLiteral("1234,50"));
        const QString euros = amount(1234.5, "EUR")->formattedValue();
        EXPECT_TRUE(euros.contains(QStringLiteral("1.234,50"))) << euros.toStdString();
        EXPECT_TRUE(euros.contains(QStringLiteral("€"))) << euros.toStdString();
    }
    const ScopedLocale american(kAmerican);
    EXPECT_EQ(amount(-4.5)->formattedValue(), QStringLiteral("-4.50"));
    EXPECT_EQ(amount(1234.5, "USD")->formattedValue(), QStringLiteral("$1,234.50"));
    EXPECT_TRUE(amount(2, "EUR")->formattedValue().contains(QStringLiteral("€")));
}

TEST(EBayAdditions, FeesByName)
{
    auto fees = EBayFeesType::feesType();
    EXPECT_TRUE(fees->feeWithName(QStringLiteral("ListingFee")).isNull());
    fees->addFee(fee("InsertionFee", 0.5));
    fees->addFee(fee("BoldFee", std::nullopt));
    fees->addFee(fee("ListingFee", 3.35));
    fees->addFee(fee("ListingFee", 9.0));
    fees->addFee(fee("BoldFee", 1.0));

    EXPECT_EQ(fees->insertionFee(), QStringLiteral("0.50"));
    EXPECT_EQ(fees->listingFee(), QStringLiteral("3.35"));              // the first of two
    EXPECT_TRUE(fees->feeWithName(QStringLiteral("BoldFee")).isNull()); // the first has no amount
    EXPECT_TRUE(fees->feeWithName(QStringLiteral("listingfee")).isNull());

    auto verified = EBayVerifyAddItemResponseType::requestWithXMLData(
        dw::test::fixture(QStringLiteral("DWEBay2/VerifyAddItemWithFeesAndWarning.xml")));
    ASSERT_TRUE(verified && verified->fees());
    EXPECT_EQ(verified->fees()->listingFee(), QStringLiteral("3.35"));
    EXPECT_EQ(verified->fees()->feeWithName(QStringLiteral("GalleryPlusFee")), QStringLiteral("0.35"));
}

TEST(EBayAdditions, MeasuresAreWrittenWithUnitAndSystem)
{
    auto rate = EBayCalculatedShippingRateType::calculatedShippingRateType();
    rate->setPackageDepth(EBayMeasureType::measureTypeWithContents(QStringLiteral("6"), QStringLiteral("inches"),
                                                                   QStringLiteral("English")));
    rate->setWeightMajor(EBayMeasureType::measureTypeWithContents(QStringLiteral("2"), QString(), QString()));

    auto read = EBayCalculatedShippingRateType::requestWithXMLData(rate->xmlRequestData());
    ASSERT_TRUE(read && read->packageDepth() && read->weightMajor());
    EXPECT_EQ(read->packageDepth()->contents(), QStringLiteral("6"));
    EXPECT_EQ(read->packageDepth()->unit(), QStringLiteral("inches"));
    EXPECT_EQ(read->packageDepth()->measurementSystem(), QStringLiteral("English"));
    EXPECT_EQ(read->weightMajor()->contents(), QStringLiteral("2"));
    EXPECT_TRUE(read->weightMajor()->unit().isNull());
    EXPECT_TRUE(read->weightMajor()->measurementSystem().isNull());
}

TEST(EBayAdditions, AnItemContainsVariationsOnlyWithAtLeastOne)
{
    auto item = EBayItemType::itemType();
    EXPECT_FALSE(item->containsVariations());
    auto variations = EBayVariationsType::variationsType();
    item->setVariations(variations);
    EXPECT_FALSE(item->containsVariations());
    variations->setVariations(std::make_shared<QList<std::shared_ptr<EBayVariationType>>>());
    EXPECT_FALSE(item->containsVariations());
    variations->addVariation(EBayVariationType::variationType());
    EXPECT_TRUE(item->containsVariations());
}

TEST(EBayAdditions, RequiredZerosAreWrittenOthersAreLeftOut)
{
    auto item = EBayItemType::itemType();
    auto variations = EBayVariationsType::variationsType();
    auto soldOut = EBayVariationType::variationType();
    soldOut->setSKU(QStringLiteral("red-s"));
    soldOut->setQuantity(0);
    soldOut->setUnitsAvailable(0);
    variations->addVariation(soldOut);
    item->setVariations(variations);
    auto offers = EBayBestOfferDetailsType::bestOfferDetailsType();
    offers->setBestOfferEnabled(false);
    offers->setBestOfferCount(0);
    item->setBestOfferDetails(offers);

    const QString xml = item->xmlRequest();
    EXPECT_TRUE(xml.contains(QStringLiteral("<Quantity>0</Quantity>"))) << xml.toStdString();
    EXPECT_TRUE(xml.contains(QStringLiteral("<BestOfferEnabled>false</BestOfferEnabled>"))) << xml.toStdString();
    EXPECT_FALSE(xml.contains(QStringLiteral("UnitsAvailable")));
    EXPECT_FALSE(xml.contains(QStringLiteral("BestOfferCount")));
    // The item's own quantity is not required: only the variation's is.
    EXPECT_EQ(xml.count(QStringLiteral("<Quantity>")), 1);
}
