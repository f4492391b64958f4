#pragma once
// What the buyer may buy and has chosen: the catalogue's groups, items that are always bought, and
// the host's payload for the whole order.
//
// The store page names an item by its key path "<group index>.<item UUID>". Each inclusion change
// is announced on the default notification centre with the cart as object:
// "__DWPShoppingCartWillChange__" before and "__DWPShoppingCartDidChange__" after, also when the
// group's rules leave the selection as it was. Totals round every item to whole cents on its own
// before the sum. A cart is used on one thread at a time.
//
//     QString error;
//     auto cart = DWPShoppingCart::shoppingCartFromPropertyList(catalogue, delegate, &error);
//     if (!cart) return fail(error);               // the catalogue was malformed
//     cart->setInclusionOfSaleItemAtKeyPath(QStringLiteral("1.") + uuid, true);
//     qint64 cents = *cart->totalForCurrency(QStringLiteral("EUR"), 19);

#include "DWPayment/DWPSaleItemGroup.h"

#include <QStringList>

class DWPStoreDelegate;

inline constexpr const char* kDWPShoppingCartWillChangeNotification = "__DWPShoppingCartWillChange__";
inline constexpr const char* kDWPShoppingCartDidChangeNotification = "__DWPShoppingCartDidChange__";

class DWPAYMENT_EXPORT DWPShoppingCart
{
public:
    DWPShoppingCart() = default;
    static std::shared_ptr<DWPShoppingCart> shoppingCart();

    // A cart of the catalogue's groups (a parsed property list), with the delegate's payloads;
    // nullptr and a clear `error` when the catalogue is malformed (no array, a group that is no
    // valid group).
    static std::shared_ptr<DWPShoppingCart>
    shoppingCartFromPropertyList(const QVariant& propertyList, DWPStoreDelegate* delegate, QString* error = nullptr);

    const QList<DWPSaleItemPtr>& singleSaleItems() const { return m_singleSaleItems; }
    void setSingleSaleItems(const QList<DWPSaleItemPtr>& items) { m_singleSaleItems = items; }
    const QList<DWPSaleItemGroupPtr>& saleItemGroups() const { return m_saleItemGroups; }
    void setSaleItemGroups(const QList<DWPSaleItemGroupPtr>& groups) { m_saleItemGroups = groups; }

    void addSaleItemGroup(const DWPSaleItemGroupPtr& group);
    void addSaleItem(const DWPSaleItemPtr& item);
    // Removes every single item equal to `item` (DWPSaleItem::isEqual).
    void removeSaleItem(const DWPSaleItem& item);
    void removeAllSaleItems();

    // The chosen items: the single items, then each group's selection, group after group.
    QList<DWPSaleItemPtr> saleItems() const;
    // Everything on offer: the single items, then every group's items.
    QList<DWPSaleItemPtr> allSaleItems() const;
    bool isEmpty() const;
    QStringList productIds() const;

    // Product ID -> {"default_name", "usd", "eur", ...} as the gateway sends it. Sets every item's
    // net prices and, where it has none, its name. False with `error`, and nothing changed, when
    // an item's product has no entry or the entry lacks a price.
    [[nodiscard]] bool updateSaleItemsWithProductInfos(const QVariantMap& productInfos, QString* error = nullptr);

    // Whole cents of the chosen items; nullopt for a null currency.
    std::optional<qint64> totalForCurrency(const QString& currency, std::optional<qint64> vatRate) const;
    // "EUR 1234.56" (the locale's decimal separator).
    QString totalStringValueForCurrency(const QString& currency, std::optional<qint64> vatRate) const;

    DWPSaleItemGroupPtr saleItemGroupAtKeyPath(const QString& keyPath) const;
    DWPSaleItemPtr saleItemAtKeyPath(const QString& keyPath, DWPSaleItemGroupPtr* containingGroup = nullptr) const;
    // Selects or deselects the named item by its group's rules and announces the change; a path
    // that names nothing is logged and changes nothing.
    void setInclusionOfSaleItemAtKeyPath(const QString& keyPath, bool state);

    // Base64 text (with line breaks) of the order payload; null when none.
    const QString& payload() const { return m_payload; }
    void setPayloadWithData(const QByteArray& bytes);
    void setPayload(const QString& text);

    QString description() const;

private:
    QList<DWPSaleItemPtr> m_singleSaleItems;
    QList<DWPSaleItemGroupPtr> m_saleItemGroups;
    QString m_payload;
};

using DWPShoppingCartPtr = std::shared_ptr<DWPShoppingCart>;
