#include "DWPayment/DWPShoppingCart.h"
#include "DWPayment/DWPStoreDelegate.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/NotificationCenter.h"
#include "tests/support/TemporaryXdg.h"

#include <gtest/gtest.h>

namespace {

QVariant catalogue()
{
    const auto value = dw::plist::read(dw::test::fixture(QStringLiteral("DWPayment/Catalogue.plist")));
    return value ? *value : QVariant();
}

QStringList names(const QList<DWPSaleItemPtr>& items)
{
    QStringList result;
    for (const auto& item : items)
        result.append(item->itemDesc());
    return result;
}

QString keyPath(int group, const DWPSaleItemPtr& item)
{
    return QString::number(group) + u'.' + item->uniqueID();
}

QVariantMap productInfos(const QString& eur)
{
    QVariantMap infos;
    for (const char* id :
         {"licence.single", "licence.family", "extra.templates", "extra.support", "upgrade.a", "upgrade.b"})
        infos.insert(QString::fromLatin1(id), QVariantMap{{QStringLiteral("default_name"), QStringLiteral("Default")},
                                                          {QStringLiteral("usd"), QStringLiteral("300")},
                                                          {QStringLiteral("eur"), eur}});
    return infos;
}

class PayloadDelegate : public DWPStoreDelegate
{
public:
    QVariant saleItemWantsPayload(const DWPSaleItem& item, bool) override
    {
        return item.itemID() == QLatin1String("upgrade.a") ? QVariant(QByteArray("licence key")) : QVariant();
    }
    std::optional<QString> shoppingCartWantsPayloadString(const DWPShoppingCart&) override
    {
        return QStringLiteral("order payload");
    }
};

TEST(ShoppingCart, CatalogueGivesGroupsWithTheirPreselection)
{
    PayloadDelegate delegate;
    const auto cart = DWPShoppingCart::shoppingCartFromPropertyList(catalogue(), &delegate);
    ASSERT_NE(cart, nullptr);
    ASSERT_EQ(cart->saleItemGroups().size(), 3);
    const auto& licence = cart->saleItemGroups()[0];
    EXPECT_EQ(licence->name(), QStringLiteral("Licence")); // "EN" answers the "en" fallback
    EXPECT_EQ(licence->selectionType(), DWPRadioSelectionType);
    EXPECT_EQ(licence->fullItems()[1]->itemInfo(), QStringLiteral("Up to five computers"));
    EXPECT_TRUE(licence->fullItems()[1]->itemDesc().isNull());
    EXPECT_EQ(names(cart->saleItems()), (QStringList{"Single seat", "Templates"}));
    EXPECT_TRUE(cart->saleItemGroups()[2]->selectedSaleItems().isEmpty());
    EXPECT_EQ(cart->productIds(), (QStringList{"licence.single", "licence.family", "extra.templates", "extra.support",
                                               "licence.single", "upgrade.a", "upgrade.b"}));

    EXPECT_EQ(cart->saleItemGroups()[2]->fullItems()[0]->itemPayload(), QStringLiteral("bGljZW5jZSBrZXk=\n"));
    EXPECT_TRUE(cart->saleItemGroups()[2]->fullItems()[1]->itemPayload().isNull());
    EXPECT_EQ(cart->payload(), QStringLiteral("b3JkZXIgcGF5bG9hZA==\n"));
    cart->setPayload(QString());
    EXPECT_TRUE(cart->payload().isNull());
}

TEST(ShoppingCart, KeyPathTogglesFollowTheGroupRules)
{
    const auto cart = DWPShoppingCart::shoppingCartFromPropertyList(catalogue(), nullptr);
    ASSERT_NE(cart, nullptr);
    int willChange = 0;
    int didChange = 0;
    auto& center = dw::NotificationCenter::defaultCenter();
    dw::ScopedObservation will(center, center.addObserver(QString::fromLatin1(kDWPShoppingCartWillChangeNotification),
                                                          cart.get(), [&](const dw::Notification&) { ++willChange; }));
    dw::ScopedObservation did(center, center.addObserver(QString::fromLatin1(kDWPShoppingCartDidChangeNotification),
                                                         cart.get(), [&](const dw::Notification&) { ++didChange; }));
    const auto licence = cart->saleItemGroups()[0]->fullItems();
    const auto extras = cart->saleItemGroups()[1]->fullItems();
    const auto upgrade = cart->saleItemGroups()[2]->fullItems();

    cart->setInclusionOfSaleItemAtKeyPath(keyPath(0, licence[1]), true);  // radio: replaces
    cart->setInclusionOfSaleItemAtKeyPath(keyPath(0, licence[1]), false); // radio: cannot deselect
    cart->setInclusionOfSaleItemAtKeyPath(keyPath(1, extras[0]), false);  // checkbox: off
    cart->setInclusionOfSaleItemAtKeyPath(keyPath(1, extras[1]), true);
    cart->setInclusionOfSaleItemAtKeyPath(keyPath(1, extras[1]), true);  // already on
    cart->setInclusionOfSaleItemAtKeyPath(keyPath(2, upgrade[1]), true); // first choice in a radio group
    EXPECT_EQ(names(cart->saleItems()), (QStringList{QString(), "Support", "B"}));
    EXPECT_EQ(willChange, 6);
    EXPECT_EQ(didChange, 6);

    // Paths that name nothing change nothing and announce nothing.
    for (const QString& path : QStringList{QStringLiteral("7.") + upgrade[0]->uniqueID(), keyPath(1, upgrade[0]),
                                           QStringLiteral("1.2.3"), QStringLiteral("nonsense"), QString()})
        cart->setInclusionOfSaleItemAtKeyPath(path, true);
    EXPECT_EQ(didChange, 6);
    EXPECT_EQ(cart->saleItemAtKeyPath(keyPath(1, extras[2])), extras[2]);
    EXPECT_EQ(cart->saleItemGroupAtKeyPath(QStringLiteral("x.y")), cart->saleItemGroups()[0]); // text reads as 0

    cart->saleItemGroups()[1]->resetSelectedItemsToPreselection();
    EXPECT_EQ(names(cart->saleItemGroups()[1]->selectedSaleItems()), QStringList{"Templates"});
}

TEST(ShoppingCart, TotalsRoundEachItemBeforeTheSum)
{
    const auto cart = DWPShoppingCart::shoppingCartFromPropertyList(catalogue(), nullptr);
    ASSERT_NE(cart, nullptr);
    ASSERT_TRUE(cart->updateSaleItemsWithProductInfos(productInfos(QStringLiteral("2"))));
    EXPECT_EQ(cart->saleItemGroups()[0]->fullItems()[1]->itemDesc(), QStringLiteral("Default"));
    EXPECT_EQ(cart->saleItemGroups()[0]->fullItems()[0]->itemDesc(), QStringLiteral("Single seat"));
    cart->setInclusionOfSaleItemAtKeyPath(keyPath(2, cart->saleItemGroups()[2]->fullItems()[0]), true);

    // Three items of 2 net cents: 2.38 each rounds to 2, so 6, where the rounded sum of 7.14 gives 7.
    EXPECT_EQ(cart->totalForCurrency(QStringLiteral("EUR"), 19), 6);
    EXPECT_EQ(cart->totalForCurrency(QStringLiteral("USD"), std::nullopt), 900);
    EXPECT_EQ(cart->totalForCurrency(QString(), 19), std::nullopt);
    EXPECT_EQ(cart->totalStringValueForCurrency(QStringLiteral("usd"), std::nullopt), QStringLiteral("USD 0.00"));
    EXPECT_EQ(cart->totalStringValueForCurrency(QStringLiteral("USD"), 7), QStringLiteral("USD 9.63"));

    QString error;
    QVariantMap withoutPrice = productInfos(QStringLiteral("5"));
    withoutPrice[QStringLiteral("upgrade.b")] = QVariantMap{{QStringLiteral("usd"), QStringLiteral("1")}};
    EXPECT_FALSE(cart->updateSaleItemsWithProductInfos(withoutPrice, &error));
    EXPECT_TRUE(error.contains(QLatin1String("upgrade.b")));
    EXPECT_EQ(cart->totalForCurrency(QStringLiteral("EUR"), std::nullopt), 6); // nothing changed
    EXPECT_TRUE(DWPShoppingCart::shoppingCart()->isEmpty());
}

TEST(ShoppingCart, MalformedCataloguesGiveNoCartAndAClearError)
{
    const QVariantMap group = catalogue().toList().at(1).toMap();
    auto with = [&](const char* key, const QVariant& value) {
        QVariantMap changed = group;
        if (value.isValid())
            changed.insert(QString::fromLatin1(key), value);
        else
            changed.remove(QString::fromLatin1(key));
        return QVariant(QVariantList{changed});
    };
    const struct
    {
        const char* name;
        QVariant catalogue;
    } rows[] = {
        {"root is a dictionary", QVariant(group)},
        {"root is missing", QVariant()},
        {"group is a text", QVariant(QVariantList{QStringLiteral("group")})},
        {"unknown selection type", with("selectionType", QStringLiteral("several"))},
        {"no items", with("fullItems", QVariantList{})},
        {"item is a text", with("fullItems", QVariantList{QStringLiteral("item")})},
        {"item without id",
         with("fullItems", QVariantList{QVariantMap{{QStringLiteral("name"), QStringLiteral("x")}}})},
        {"no name", with("name", QVariant())},
        {"name in no usable language", with("name", QVariantMap{{QStringLiteral("fr"), QStringLiteral("Nom")}})},
        {"no description", with("description", QVariant())},
        {"relative picture", with("imageURL", QStringLiteral("extras.png"))},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QString error;
        EXPECT_EQ(DWPShoppingCart::shoppingCartFromPropertyList(row.catalogue, nullptr, &error), nullptr);
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_NE(DWPShoppingCart::shoppingCartFromPropertyList(QVariantList{}, nullptr), nullptr);
}

TEST(ShoppingCart, ItemsEqualByProductNamePayloadAndQuantity)
{
    const auto a = DWPSaleItem::saleItemWithID(QStringLiteral("p"), QStringLiteral("Name"), QByteArray("x"));
    const auto b = DWPSaleItem::saleItemWithID(QStringLiteral("p"), QStringLiteral("Name"));
    b->setItemPayload(QStringLiteral("x"));
    EXPECT_NE(a->uniqueID(), b->uniqueID());
    EXPECT_TRUE(a->isEqual(*b));
    // A text payload is stored as the Base64 of its UTF-8 bytes, like the same bytes.
    const auto text = DWPSaleItem::saleItemWithID(QStringLiteral("p"), QStringLiteral("Name"), QStringLiteral("x"));
    EXPECT_TRUE(a->isEqual(*text));
    EXPECT_EQ(DWPSaleItem::saleItemWithID(QStringLiteral("p"), QString(), QStringLiteral("é"))->itemPayload(),
              QStringLiteral("w6k=\n"));
    EXPECT_TRUE(DWPSaleItem::saleItemWithID(QStringLiteral("p"), QString(), QString())->itemPayload().isNull());
    b->setQuantity(2);
    EXPECT_FALSE(a->isEqual(*b));
    const auto unnamed = DWPSaleItem::saleItemWithID(QStringLiteral("p"));
    EXPECT_FALSE(unnamed->isEqual(*DWPSaleItem::saleItemWithID(QStringLiteral("p"))));
    EXPECT_TRUE(unnamed->isEqual(*unnamed));

    DWPShoppingCart cart;
    cart.addSaleItem(a);
    cart.addSaleItem(DWPSaleItem::saleItemWithID(QStringLiteral("q"), QStringLiteral("Other")));
    cart.removeSaleItem(*DWPSaleItem::saleItemWithID(QStringLiteral("p"), QStringLiteral("Name"), QByteArray("x")));
    EXPECT_EQ(names(cart.saleItems()), QStringList{"Other"});
}

} // namespace
