#include "StoreChecksFixture.h"

#include "DWPayment/DWPUserDefaultsKeys.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/UserDefaults.h"

namespace {

using dw::test::checkVatReply;
using dw::test::FakeHttpReply;
using dw::test::FakeHttpRequest;

class Transaction : public dw::test::StoreChecksTest
{
protected:
    Transaction()
    {
        // The service confirms every ID but those of zeros.
        m_vies.addRoute({.path = dw::test::kVatServicePath}, [](const FakeHttpRequest& request) {
            return FakeHttpReply{.status = 200,
                                 .body = checkVatReply(request.body.contains("000000000") ? "false" : "true")};
        });
    }

    static DWPShoppingCartPtr pricedCart()
    {
        const auto catalogue = dw::plist::read(dw::test::fixture(QStringLiteral("DWPayment/Catalogue.plist")));
        auto cart = DWPShoppingCart::shoppingCartFromPropertyList(catalogue.value_or(QVariant()), nullptr);
        EXPECT_NE(cart, nullptr);
        QVariantMap infos;
        for (const QString& id : cart->productIds())
            infos.insert(id, QVariantMap{{QStringLiteral("usd"), QStringLiteral("300")},
                                         {QStringLiteral("eur"), QStringLiteral("2")}});
        EXPECT_TRUE(cart->updateSaleItemsWithProductInfos(infos));
        return cart;
    }
};

TEST_F(Transaction, VatRules)
{
    const struct
    {
        const char* country;
        bool usesVatId;
        const char* vatId;
        bool eu;
        bool vatDue;
    } rows[] = {
        {"DE", true, "DE123456789", true, true},    // a German buyer always pays VAT
        {"FR", true, "FR12345678901", true, false}, // an EU company with a confirmed ID does not
        {"FR", false, "FR12345678901", true, true}, // unless it buys without its ID
        {"FR", true, "FR00000000000", true, true},  // or the service rejects the ID
        {"US", true, "", false, false},             // outside the EU, no VAT
        {"CH", false, "", false, false},
        {"at", true, "ATU12345678", true, true}, // lower case is in the EU, but the ID is not for "at"
        {"", false, "", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.country << " " << row.vatId);
        DWPTransaction transaction(DWPShoppingCart::shoppingCart());
        transaction.setUserCountry(QString::fromLatin1(row.country));
        transaction.setUserUsesVatId(row.usesVatId);
        transaction.setUserVatId(QString::fromLatin1(row.vatId));
        settle();
        EXPECT_EQ(transaction.isEUUser(), row.eu);
        EXPECT_EQ(transaction.userCurrency(), row.eu ? QStringLiteral("EUR") : QStringLiteral("USD"));
        EXPECT_EQ(transaction.userHasToPayVAT(), row.vatDue);
    }
}

TEST_F(Transaction, FinalPriceFollowsCountryAndCart)
{
    const auto cart = pricedCart();
    DWPTransaction transaction(cart);
    transaction.setVatRate(19);
    transaction.setUserCountry(QStringLiteral("DE"));
    cart->setInclusionOfSaleItemAtKeyPath(QStringLiteral("2.") + cart->saleItemGroups()[2]->fullItems()[0]->uniqueID(),
                                          true);
    EXPECT_EQ(transaction.finalPrice(), 6); // three items of 2 cents, each rounded after VAT
    EXPECT_EQ(transaction.finalPriceStringValue(), QStringLiteral("€ 0.06"));

    QStringList announced;
    QObject::connect(&transaction, &DWPTransaction::keyChanged, [&](const QString& key) { announced.append(key); });
    transaction.setUserCountry(QStringLiteral("US"));
    for (const char* key :
         {"userCountry", "isEUUser", "userHasToPayVAT", "finalPrice", "finalPriceStringValue", "isCheckingVat"})
        EXPECT_TRUE(announced.contains(QString::fromLatin1(key))) << key;
    EXPECT_EQ(transaction.finalPriceStringValue(), QStringLiteral("$ 9.00"));

    announced.clear();
    cart->setInclusionOfSaleItemAtKeyPath(QStringLiteral("1.") + cart->saleItemGroups()[1]->fullItems()[1]->uniqueID(),
                                          true);
    EXPECT_EQ(announced, (QStringList{"finalPrice", "finalPriceStringValue"}));
    EXPECT_EQ(transaction.finalPrice(), 1200);
}

TEST_F(Transaction, BuyerDataIsStoredAtOnceAndStartsTheNextPurchase)
{
    {
        DWPTransaction transaction(DWPShoppingCart::shoppingCart());
        EXPECT_EQ(transaction.userCountry(), QStringLiteral("US")); // guessed from the time zone
        transaction.setUserName(QStringLiteral("Ada Buyer"));
        transaction.setUserStreet(QStringLiteral("Hauptstraße 1"));
        transaction.setUserCity(QStringLiteral("Köln"));
        transaction.setUserZipCode(QStringLiteral("50667"));
        transaction.setUserCountry(QStringLiteral("DE"));
        transaction.setUserLanguage(QStringLiteral("de"));
        transaction.setUserMail(QStringLiteral("ada@example.com"));
        transaction.setUserVatId(QStringLiteral("DE123456789"));
        transaction.setUserUsesVatId(true);
        transaction.setUserWantsNewsletter(true);
        settle();
    }
    dw::UserDefaults::resetStandard(); // read back from the file
    DWPUserDataOracle::resetRegistration();
    const auto& defaults = dw::UserDefaults::standard();
    EXPECT_EQ(defaults.stringForKey(QString::fromLatin1(dw::payment::DWPUserStreet)), QStringLiteral("Hauptstraße 1"));
    EXPECT_TRUE(defaults.boolForKey(QString::fromLatin1(dw::payment::DWPUserWantsNewsletter)));

    DWPTransaction next(DWPShoppingCart::shoppingCart());
    EXPECT_EQ(next.userName(), QStringLiteral("Ada Buyer"));
    EXPECT_EQ(next.userCity(), QStringLiteral("Köln"));
    EXPECT_EQ(next.userZipCode(), QStringLiteral("50667"));
    EXPECT_EQ(next.userCountry(), QStringLiteral("DE"));
    EXPECT_EQ(next.userLanguage(), QStringLiteral("de"));
    EXPECT_EQ(next.userMail(), QStringLiteral("ada@example.com"));
    EXPECT_EQ(next.userVatId(), QStringLiteral("DE123456789"));
    EXPECT_TRUE(next.userUsesVatId());
    EXPECT_TRUE(next.userWantsNewsletter());
}

} // namespace
