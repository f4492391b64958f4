#pragma once
// Carts and transactions priced as the gateway would price them, and the store page's XSLT that
// the fake gateway hands out.

#include "StoreChecksFixture.h"

#include "platform/archive/PropertyList.h"

#include <QFile>

namespace dw::test {

inline QByteArray storePageXslt()
{
    QFile file(QString::fromLocal8Bit(qgetenv("QV_TEST_DATA")) +
               QStringLiteral("/../../tools/dwp-fake-gateway/store-page.xslt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    return file.readAll();
}

// The fixture catalogue, every product at `usd` and `eur` cents.
inline DWPShoppingCartPtr pricedCatalogueCart(const char* usd = "1000", const char* eur = "1000")
{
    const auto catalogue = dw::plist::read(fixture(QStringLiteral("DWPayment/Catalogue.plist")));
    auto cart = DWPShoppingCart::shoppingCartFromPropertyList(catalogue.value_or(QVariant()), nullptr);
    EXPECT_NE(cart, nullptr);
    QVariantMap infos;
    for (const QString& id : cart->productIds())
        infos.insert(id, QVariantMap{{QStringLiteral("usd"), QString::fromLatin1(usd)},
                                     {QStringLiteral("eur"), QString::fromLatin1(eur)}});
    EXPECT_TRUE(cart->updateSaleItemsWithProductInfos(infos));
    return cart;
}

inline void fillBuyer(DWPTransaction& transaction, const QString& country)
{
    transaction.setUserName(QStringLiteral("Dunmerrow's <Shop> & Co"));
    transaction.setUserStreet(QStringLiteral("1 Quay Lane"));
    transaction.setUserCity(QStringLiteral("Harbourtown"));
    transaction.setUserZipCode(QStringLiteral("12345"));
    transaction.setUserCountry(country);
    transaction.setUserLanguage(QStringLiteral("en"));
    transaction.setUserMail(QStringLiteral("seller@example.com"));
    transaction.setUserWantsNewsletter(true);
}

} // namespace dw::test
