#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMEbayMoneyTransformer.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMYTVideo.h"

#include "DWKit/QMLog.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/ValueTransformer.h"
#include "platform/text/RtfCodec.h"
#include "tests/support/TemporaryXdg.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

struct ScopedLogging
{
    ScopedLogging() { QMSetLogLevel(2); }
    ~ScopedLogging() { QMResetCachedLogLevel(); }
};

// Registers the money transformer for one test, as the application does at start.
struct ScopedMoneyTransformer
{
    ScopedMoneyTransformer() { QMEbayMoneyTransformer::registerTransformer(); }
    ~ScopedMoneyTransformer()
    {
        dw::ValueTransformer::setValueTransformer(nullptr, QMEbayMoneyTransformer::transformerName());
    }
};

std::shared_ptr<QMEbayItem> readBack(const QByteArray& data)
{
    QMEbayItem::registerArchiveClasses();
    QString error;
    const auto root = dw::KeyedUnarchiver::unarchiveObjectWithData(data, &error);
    EXPECT_TRUE(root) << error.toStdString();
    return root ? dw::archivedObjectCast<QMEbayItem>(*root) : nullptr;
}

std::shared_ptr<QMEbayItem> roundTrip(const std::shared_ptr<QMEbayItem>& item)
{
    return readBack(dw::KeyedArchiver::archivedDataWithRootObject(dw::archiveValue(item)));
}

// A value for a field that differs from every default, by the field table's type.
QVariant sampleValue(const QMEbayItemField& field)
{
    const QString& type = field.type;
    const QString& name = field.name;
    if (type == QLatin1String("text"))
        return name == QLatin1String("taxOrVatPercent") ? QStringLiteral("19.500") : QStringLiteral("text ") + name;
    if (type == QLatin1String("amount"))
        return QStringLiteral("12.34");
    if (type == QLatin1String("flag"))
        return true;
    if (type == QLatin1String("int"))
        return int(7 + name.size());
    if (type == QLatin1String("texts"))
        return QStringList{name, QStringLiteral("second")};
    if (type == QLatin1String("data"))
        return name.toUtf8();
    if (type == QLatin1String("map"))
        return QVariantMap{{name, QVariantList{QStringLiteral("v"), 3}}};
    if (type == QLatin1String("list"))
        return QVariantList{QVariantMap{{QStringLiteral("nameAndUserID"), name}}};
    if (type == QLatin1String("object"))
        return QVariantMap{{QStringLiteral("preference"), name}};
    if (type == QLatin1String("date"))
        return QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    if (type == QLatin1String("styled")) {
        dw::TextAttributes bold;
        bold.font = dw::TextFont{QStringLiteral("Helvetica"), 14, true, false};
        return QVariant::fromValue(dw::StyledText(QStringLiteral("Solid oak lamp"), bold));
    }
    if (type == QLatin1String("pictures")) {
        auto picture = QMEbayImage::imageWithURL(QStringLiteral("https://i.example/lamp.jpg"));
        picture->setIsGalleryImage(true);
        return QVariantList{dw::objectValue(picture)};
    }
    if (type == QLatin1String("shipping")) {
        auto options = std::make_shared<QMItemShippingOptions>();
        options->addDomesticShippingServiceWithID(QStringLiteral("301"), QStringLiteral("4.50"), false,
                                                  QStringLiteral("0"));
        return dw::archiveValue(options);
    }
    if (type == QLatin1String("videos")) {
        auto video = std::make_shared<QMYTVideo>();
        video->setTitle(QStringLiteral("Lamp at night"));
        video->setDefaultMedia(QMYTMedia::mediaWithUrl(QStringLiteral("https://v.example/1"),
                                                       QStringLiteral("video/mp4"), QStringLiteral("18")));
        return QVariantList{dw::archiveValue(video)};
    }
    ADD_FAILURE() << "no sample for type " << type.toStdString();
    return {};
}

} // namespace

TEST(Listing, FieldTableHasEveryFieldOnce)
{
    const auto& fields = QMEbayItem::fields();
    EXPECT_EQ(fields.size(), 126);
    QSet<QString> names;
    int written = 0;
    for (const QMEbayItemField& field : fields) {
        names.insert(field.name);
        written += field.archive == QLatin1String("key") || field.archive == QLatin1String("step");
    }
    EXPECT_EQ(names.size(), 126);
    // Beside these the listing writes "counter", the RTF and, in documents, the styled description.
    EXPECT_EQ(written, 117);
}

TEST(Listing, ANewListingStartsWithItsDefaults)
{
    QMEbayItem item;
    EXPECT_EQ(item.state(), QStringLiteral("templateItem"));
    EXPECT_TRUE(item.images().isEmpty());
    EXPECT_TRUE(item.startedAuctionItemIDs().isEmpty());
    ASSERT_TRUE(item.shippingOptions());
    EXPECT_EQ(item.shippingOptions()->shippingType(), 1);
    EXPECT_EQ(item.dispatchTimeMax(), 1);
    EXPECT_EQ(item.hoursToDeposit(), 48);
    EXPECT_EQ(item.daysToFullPayment(), 7);
    EXPECT_TRUE(item.uniqueID().isNull());
    EXPECT_FALSE(item.wasChanged());
    EXPECT_EQ(item.counterType(), 0);
    EXPECT_TRUE(item.minimumBid().isNull());
    EXPECT_NE(QMEbayItem().shippingOptions(), item.shippingOptions());
}

TEST(Listing, PricesAndTaxAreStoredInTheirNormalForm)
{
    QMEbayItem item;
    item.setMinimumBid(QStringLiteral("12,5"));
    EXPECT_EQ(item.minimumBid(), QStringLiteral("12,5")) << "unchanged while no transformer is registered";
    {
        ScopedMoneyTransformer money;
        item.setMinimumBid(QStringLiteral("12,5"));
        EXPECT_EQ(item.minimumBid(), QStringLiteral("12.50"));
        item.setAutoDeclineBestOfferPrice(QStringLiteral("7"));
        EXPECT_EQ(item.autoDeclineBestOfferPrice(), QStringLiteral("7.00"));
        item.setMinimumBid(QString());
        EXPECT_TRUE(item.minimumBid().isNull());
        item.setListingFee(QStringLiteral("0,3"));
        EXPECT_EQ(item.listingFee(), QStringLiteral("0,3")) << "fees are stored as eBay quotes them";
    }

    const std::pair<QVariant, const char*> taxes[] = {
        {QStringLiteral("19,5"), "19.500"}, {QVariant(), "0.000"}, {QStringLiteral("-2"), "-2.000"}, {7.25, "7.250"},
        {QStringLiteral("abc"), "0.000"},
    };
    for (const auto& [input, expected] : taxes) {
        SCOPED_TRACE(input.toString().toStdString());
        EXPECT_EQ(QMEbayItem::formatTaxOrVATValue(input), QLatin1String(expected));
    }
    item.setTaxOrVatPercent(QString());
    EXPECT_EQ(item.taxOrVatPercent(), QStringLiteral("0.000"));
    EXPECT_TRUE(item.setValueForKey(16, QStringLiteral("taxOrVatPercent")));
    EXPECT_EQ(item.taxOrVatPercent(), QStringLiteral("16.000"));
}

TEST(Listing, SettersWithSideEffects)
{
    QMEbayItem item;
    item.setCachedCategoryName(QStringLiteral("Lamps"));
    item.setCachedCategoryPath(QStringLiteral("Home > Lamps"));
    item.setCategory(1234);
    EXPECT_TRUE(item.cachedCategoryName().isNull());
    EXPECT_EQ(item.cachedCategoryPath(), QStringLiteral("Home > Lamps"));

    item.setLocalEndDate(QDateTime::currentDateTimeUtc());
    item.setEndTime(QStringLiteral("2026-01-02 10:00:00"));
    EXPECT_FALSE(item.valueForKey(QStringLiteral("localEndDate")).isValid());

    item.setCachedImageValid(true);
    item.setWasChangedToNo();
    EXPECT_TRUE(item.cachedImageValid()) << "clearing the flag touches nothing else";
    item.setWasChanged(true);
    EXPECT_FALSE(item.cachedImageValid());
    item.setCachedImageValid(true);
    item.setWasChangedWithState(QStringLiteral("1"));
    EXPECT_FALSE(item.cachedImageValid()) << "YES clears it also when the flag was set already";

    item.setUniqueID(QString::fromLatin1("6F9619FF-8B86-D011-B42D-00CF4FC964FF"));
    const QChar* held = item.uniqueID().constData();
    item.setUniqueID(QString::fromLatin1("6F9619FF-8B86-D011-B42D-00CF4FC964FF"));
    EXPECT_EQ(item.uniqueID().constData(), held) << "an equal ID keeps the text already held";
}

TEST(Listing, APictureListIsReplacedOnlyByAList)
{
    ScopedLogging logging;
    QMEbayItem item;
    item.setTitle(QStringLiteral("Lamp"));
    const auto picture = QMEbayImage::imageWithURL(QStringLiteral("https://i.example/p.jpg"));
    EXPECT_TRUE(item.setValueForKey(QVariantList{dw::objectValue(picture)}, QStringLiteral("images")));
    ASSERT_EQ(item.images().size(), 1);
    EXPECT_EQ(item.images().first(), picture);

    dw::ScopedConsoleCapture console;
    item.setValueForKey(QStringLiteral("not a list"), QStringLiteral("images"));
    EXPECT_EQ(item.images().size(), 1);
    EXPECT_TRUE(console.contains(
        QStringLiteral("trying to set image array object to non-array object for item Lamp - ignored")));
    item.setValueForKey(QVariant(), QStringLiteral("images"));
    EXPECT_TRUE(item.images().isEmpty());
}

TEST(Listing, ListEditsAnnounceOneChangeOrNone)
{
    QMEbayItem item;
    QSignalSpy changes(&item, &QMEbayItem::keyChanged);
    item.addPaymentOption(QStringLiteral("PayPal"));
    item.addPaymentOption(QStringLiteral("PayPal"));
    item.removePaymentOption(QStringLiteral("MoneyXferAccepted"));
    EXPECT_EQ(item.paymentOptions(), QStringList{QStringLiteral("PayPal")});
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes.first().first().toString(), QStringLiteral("paymentOptions"));

    item.addListingEnhancement(QStringLiteral("BoldTitle"));
    item.addListingEnhancement(QStringLiteral("Border"));
    item.removeListingEnhancement(QStringLiteral("BoldTitle"));
    EXPECT_EQ(item.listingEnhancements(), QStringList{QStringLiteral("Border")});

    item.addStartedAuctionItemID(QString());
    item.addStartedAuctionItemID(QStringLiteral("110"));
    item.addStartedAuctionItemID(QStringLiteral("110"));
    EXPECT_EQ(item.startedAuctionItemIDs(), QStringList{QStringLiteral("110")});
    changes.clear();
    item.setTitle(item.title());
    EXPECT_EQ(changes.size(), 1) << "a setter announces itself even for an equal value";
}

TEST(Listing, SaleRecordsTakeOnlyTheFlagsThatAreSet)
{
    QMEbayItem item;
    item.addNewTransaction(
        QVariantMap{{QStringLiteral("nameAndUserID"), QStringLiteral("Ann (ann1)")}, {QStringLiteral("paid"), true}});
    item.addNewTransaction(QVariantMap{{QStringLiteral("nameAndUserID"), QStringLiteral("Bob (bob2)")}});
    EXPECT_TRUE(item.hasTransactions());
    item.updateTransactionsWithPaymentInstructionSend(true, false, true, false);
    for (const QVariant& record : item.transactions()) {
        EXPECT_TRUE(record.toMap().value(QStringLiteral("paymentInstructionSend")).toBool());
        EXPECT_TRUE(record.toMap().value(QStringLiteral("shipped")).toBool());
        EXPECT_FALSE(record.toMap().contains(QStringLiteral("feedbackGiven")));
    }
    EXPECT_TRUE(item.transactions().first().toMap().value(QStringLiteral("paid")).toBool());
    EXPECT_EQ(item.buyerNamesAndUserIDs(), (QStringList{QStringLiteral("Ann (ann1)"), QStringLiteral("Bob (bob2)")}));
}

TEST(Listing, ShippingRowsSetByKey)
{
    QMEbayItem item;
    item.setValueForKey(QVariantMap{{QStringLiteral("serviceID"), QStringLiteral("301")},
                                    {QStringLiteral("serviceFee"), QStringLiteral("3,50")}},
                        QStringLiteral("pseudoAddDomesticShippingService"));
    item.setValueForKey(QVariantMap{{QStringLiteral("serviceID"), QStringLiteral("50302")},
                                    {QStringLiteral("serviceFee"), QStringLiteral("9")},
                                    {QStringLiteral("serviceAdditionalFee"), QStringLiteral("2")}},
                        QStringLiteral("pseudoAddInternationalShippingService"));
    item.setPseudoAddDomesticShippingService({});
    const auto& options = *item.shippingOptions();
    ASSERT_EQ(options.domesticShippingServiceCount(), 1);
    EXPECT_EQ(options.feeForDomesticShippingServiceAtIndex(0), QStringLiteral("3.50"));
    EXPECT_FALSE(options.usesAdditionalFeeForDomesticShippingServiceAtIndex(0));
    EXPECT_EQ(options.additionalFeeForDomesticShippingServiceAtIndex(0), QStringLiteral("0.00"));
    EXPECT_TRUE(options.usesAdditionalFeeForInternationalShippingServiceAtIndex(0));
    EXPECT_EQ(options.additionalFeeForInternationalShippingServiceAtIndex(0), QStringLiteral("2"));
}

TEST(Listing, TheDescriptionIsMadeOnceFromItsRtf)
{
    QMEbayItem fresh;
    EXPECT_EQ(fresh.itemDescriptionStringNoConversion(), nullptr);
    const dw::StyledText* first = &fresh.itemDescriptionString();
    EXPECT_TRUE(first->isEmpty());
    EXPECT_EQ(&fresh.itemDescriptionString(), first);

    QMEbayItem unreadable;
    unreadable.setItemDescriptionRTFData(QByteArray("this is no RTF"));
    EXPECT_TRUE(unreadable.itemDescriptionString().isEmpty());

    QMEbayItem stored;
    stored.setItemDescriptionRTFData(dw::rtf::write(dw::StyledText(QStringLiteral("Oak lamp, 1950s"))));
    EXPECT_EQ(stored.itemDescriptionAsString(), QStringLiteral("Oak lamp, 1950s"));
    stored.setItemDescriptionString(dw::StyledText(QStringLiteral("Changed")));
    EXPECT_EQ(dw::rtf::plainText(stored.itemDescriptionAsData()), QStringLiteral("Changed"));

    stored.setPrivateComment(dw::rtf::write(dw::StyledText(QStringLiteral("paid 5 at the fair"))));
    EXPECT_EQ(stored.privateCommentAsString(), QStringLiteral("paid 5 at the fair"));
}

TEST(Listing, EveryFieldSurvivesTheArchiveThroughItsKey)
{
    dw::test::TemporaryXdg xdg;
    auto item = std::make_shared<QMEbayItem>();
    for (const QMEbayItemField& field : QMEbayItem::fields()) {
        SCOPED_TRACE(field.name.toStdString());
        EXPECT_TRUE(item->setValueForKey(sampleValue(field), field.name));
    }
    item->setUniqueID(QStringLiteral("2F1A4C3E-0000-4000-8000-00000000C0DE"));
    item->setDuration(10);

    const auto copy = roundTrip(item);
    ASSERT_TRUE(copy);
    for (const QMEbayItemField& field : QMEbayItem::fields()) {
        SCOPED_TRACE(field.name.toStdString());
        const QVariant original = item->valueForKey(field.name);
        const QVariant read = copy->valueForKey(field.name);
        if (field.archive == QLatin1String("-") || field.archive == QLatin1String("read")) {
            EXPECT_FALSE(dw::isEqualValue(original, read)) << "not written, so back to its default";
        } else if (field.type == QLatin1String("pictures")) {
            ASSERT_EQ(copy->images().size(), 1);
            EXPECT_EQ(copy->images().first()->imageURL(), QStringLiteral("https://i.example/lamp.jpg"));
            EXPECT_TRUE(copy->images().first()->isGalleryImage());
        } else if (field.type == QLatin1String("shipping")) {
            EXPECT_EQ(copy->shippingOptions()->feeForFirstDomesticShippingService(), QStringLiteral("4.50"));
        } else if (field.type == QLatin1String("videos")) {
            ASSERT_EQ(copy->videos().size(), 1);
            EXPECT_EQ(copy->videos().first()->title(), QStringLiteral("Lamp at night"));
            EXPECT_EQ(copy->videos().first()->uniqueID(), item->videos().first()->uniqueID());
            ASSERT_TRUE(copy->videos().first()->defaultMedia());
            EXPECT_EQ(copy->videos().first()->defaultMedia()->format(), QStringLiteral("18"));
        } else if (field.type == QLatin1String("styled")) {
            // As the RTF gives it back: with the alignment every read run has.
            EXPECT_EQ(copy->itemDescriptionString(), dw::rtf::read(dw::rtf::write(item->itemDescriptionString())));
        } else if (field.name == QLatin1String("itemDescriptionRTFData")) {
            EXPECT_EQ(copy->itemDescriptionRTFData(), dw::rtf::write(item->itemDescriptionString()));
        } else {
            EXPECT_TRUE(dw::isEqualValue(original, read))
                << original.toString().toStdString() << " / " << read.toString().toStdString();
        }
    }
    EXPECT_FALSE(copy->wasChanged());
}

TEST(Listing, ACopyIsDeepAndKeepsTheIdentity)
{
    auto item = std::make_shared<QMEbayItem>();
    item->setUniqueID(QStringLiteral("9B2C6D1A-1111-4222-8333-444455556666"));
    item->setImages({QMEbayImage::imageWithURL(QStringLiteral("https://i.example/a.jpg"))});
    item->setWasChangedToYes();
    const auto copy = item->copy();
    EXPECT_EQ(copy->uniqueID(), item->uniqueID());
    EXPECT_FALSE(copy->wasChanged());
    ASSERT_EQ(copy->images().size(), 1);
    EXPECT_NE(copy->images().first(), item->images().first());
    EXPECT_NE(copy->shippingOptions(), item->shippingOptions());
}

TEST(Listing, TakingValuesKeepsTheIdentityAndSharesTheObjects)
{
    auto source = std::make_shared<QMEbayItem>();
    source->setUniqueID(QStringLiteral("source"));
    source->setTitle(QStringLiteral("Lamp"));
    source->setCategory(99);
    source->setCachedCategoryName(QStringLiteral("Lamps"));
    source->setRepresentsRemoteItem(true);
    source->setItemDescriptionRTFData(dw::rtf::write(dw::StyledText(QStringLiteral("From RTF"))));
    source->setImages({QMEbayImage::imageWithURL(QStringLiteral("https://i.example/a.jpg"))});

    QMEbayItem proxy;
    proxy.setUniqueID(QStringLiteral("proxy"));
    proxy.takeValuesFromItem(*source);
    EXPECT_EQ(proxy.uniqueID(), QStringLiteral("proxy"));
    EXPECT_EQ(proxy.title(), QStringLiteral("Lamp"));
    EXPECT_EQ(proxy.cachedCategoryName(), QStringLiteral("Lamps")) << "the cache is copied after the category";
    EXPECT_FALSE(proxy.representsRemoteItem());
    EXPECT_TRUE(proxy.itemDescriptionRTFData().isNull());
    EXPECT_EQ(proxy.itemDescriptionAsString(), QStringLiteral("From RTF"));
    EXPECT_EQ(proxy.images(), source->images());
    EXPECT_EQ(proxy.shippingOptions(), source->shippingOptions());
    proxy.toggleGalleryImage(proxy.images().first());
    EXPECT_TRUE(source->hasGalleryImage());
}

TEST(Listing, DescriptionAndProgrammingErrors)
{
    QMEbayItem item;
    item.setUniqueID(QStringLiteral("U"));
    item.setTitle(QStringLiteral("Lamp"));
    item.setStartedAuctionItemIDs({QStringLiteral("1"), QStringLiteral("2")});
    const QString text = item.description();
    EXPECT_TRUE(text.startsWith(QStringLiteral("<QMEbayItem>:\nuniqueID: U\ntitle: Lamp\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("images: 0\nsiteID: 0\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("startedAuctionItemIDs: 1, 2\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("state: templateItem\n")));
    EXPECT_THROW(item.managedItem(), dw::InternalInconsistency);
}
