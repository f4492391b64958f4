#pragma once
// One product on sale in the store: the gateway's product ID, the display name, the net prices
// per currency once the gateway sent them, and an optional payload the host attaches.
//
// Each item gets a new UUID when it is made; the store page names items by it. Items are made
// from the catalogue (DWPSaleItemGroup) and live with their cart on one thread at a time.
//
//     auto item = DWPSaleItem::saleItemWithID(QStringLiteral("com.example.upgrade"), QStringLiteral("Upgrade"));
//     item->setNetPrices({{"EUR", "1900"}, {"USD", "2500"}});
//     qint64 cents = item->finalPriceForCurrency(QStringLiteral("EUR"), 19);   // 2261

#include "DWPayment/DWPaymentExport.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>

class DWPAYMENT_EXPORT DWPSaleItem
{
public:
    // A null identifier throws dw::InternalInconsistency. A null payload gives none.
    explicit DWPSaleItem(const QString& identifier, const QString& description = QString(),
                         const QByteArray& payloadData = QByteArray());
    static std::shared_ptr<DWPSaleItem> saleItemWithID(const QString& identifier,
                                                       const QString& description = QString(),
                                                       const QByteArray& payloadData = QByteArray());
    // The payload given as text: its UTF-8 bytes are the payload (a null text gives none).
    DWPSaleItem(const QString& identifier, const QString& description, const QString& payload);
    static std::shared_ptr<DWPSaleItem> saleItemWithID(const QString& identifier, const QString& description,
                                                       const QString& payload);

    // Currency code ("USD", "EUR") -> decimal text of whole cents.
    const QVariantMap& netPrices() const { return m_netPrices; }
    void setNetPrices(const QVariantMap& prices) { m_netPrices = prices; }
    const QString& itemDesc() const { return m_itemDesc; }
    void setItemDesc(const QString& name) { m_itemDesc = name; }
    const QString& itemInfo() const { return m_itemInfo; }
    void setItemInfo(const QString& info) { m_itemInfo = info; }
    const QString& itemID() const { return m_itemID; }
    void setItemID(const QString& identifier) { m_itemID = identifier; }
    qint64 quantity() const { return m_quantity; }
    void setQuantity(qint64 quantity) { m_quantity = quantity; }
    // Base64 text (with line breaks) of the payload bytes; null when none.
    const QString& itemPayload() const { return m_itemPayload; }
    const QString& uniqueID() const { return m_uniqueID; }

    // Null bytes or a null text clear the payload; a text is stored as its UTF-8 bytes.
    void setItemPayloadWithData(const QByteArray& bytes);
    void setItemPayload(const QString& text);

    // Gross cents for the quantity: the net price in that currency (0 when there is none), each
    // unit rounded to whole cents with the rate applied; no rate, no VAT.
    qint64 finalPriceForCurrency(const QString& currency, std::optional<qint64> vatRate) const;

    // Same product, name, payload and quantity; the UUID, info and prices are not compared. An item
    // without a name equals only itself.
    bool isEqual(const DWPSaleItem& other) const;
    QString description() const;

private:
    QVariantMap m_netPrices;
    QString m_itemDesc;
    QString m_itemInfo;
    QString m_itemID;
    qint64 m_quantity = 1;
    QString m_itemPayload;
    QString m_uniqueID;
};

using DWPSaleItemPtr = std::shared_ptr<DWPSaleItem>;

// The stored form of a payload: Base64 with line breaks; null bytes give a null text.
DWPAYMENT_EXPORT QString DWPPayloadText(const QByteArray& bytes);
