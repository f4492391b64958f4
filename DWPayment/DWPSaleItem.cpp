#include "DWPayment/DWPSaleItem.h"

#include "DWPayment/NSData+Base64.h"
#include "DWPayment/NSNumber+DWPExtensions.h"
#include "DWPayment/NSString+DWPExtensions.h"

#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"

QString DWPPayloadText(const QByteArray& bytes)
{
    if (bytes.isNull())
        return QString();
    const QString text = dw::dataByEncodingBase64(bytes);
    if (text.isNull() && !bytes.isEmpty())
        throw dw::NamedException(QStringLiteral("Base64EncodingException"),
                                 QStringLiteral("encoded data is nil in spite of data != nil"));
    return text;
}

DWPSaleItem::DWPSaleItem(const QString& identifier, const QString& description, const QByteArray& payloadData)
{
    DW_PARAMETER_ASSERT(!identifier.isNull());
    m_uniqueID = dw::newUUIDString();
    DW_ASSERT(!m_uniqueID.isEmpty(), "Couldn't generate unique object ID.");
    m_itemID = identifier;
    m_itemDesc = description;
    setItemPayloadWithData(payloadData);
}

std::shared_ptr<DWPSaleItem> DWPSaleItem::saleItemWithID(const QString& identifier, const QString& description,
                                                         const QByteArray& payloadData)
{
    return std::make_shared<DWPSaleItem>(identifier, description, payloadData);
}

DWPSaleItem::DWPSaleItem(const QString& identifier, const QString& description, const QString& payload)
    : DWPSaleItem(identifier, description, payload.isNull() ? QByteArray() : payload.toUtf8())
{}

std::shared_ptr<DWPSaleItem> DWPSaleItem::saleItemWithID(const QString& identifier, const QString& description,
                                                         const QString& payload)
{
    return std::make_shared<DWPSaleItem>(identifier, description, payload);
}

void DWPSaleItem::setItemPayloadWithData(const QByteArray& bytes)
{
    m_itemPayload = DWPPayloadText(bytes);
}

void DWPSaleItem::setItemPayload(const QString& text)
{
    setItemPayloadWithData(text.isNull() ? QByteArray() : text.toUtf8());
}

qint64 DWPSaleItem::finalPriceForCurrency(const QString& currency, std::optional<qint64> vatRate) const
{
    const qint64 net = dw::integerValue(m_netPrices.value(currency).toString());
    return dw::numberByApplyingVatRate(net, vatRate, m_quantity);
}

bool DWPSaleItem::isEqual(const DWPSaleItem& other) const
{
    if (this == &other)
        return true;
    const bool samePayload = (m_itemPayload.isNull() && other.m_itemPayload.isNull()) ||
                             (!m_itemPayload.isNull() && m_itemPayload == other.m_itemPayload);
    return samePayload && m_itemID == other.m_itemID && !m_itemDesc.isNull() && !other.m_itemDesc.isNull() &&
           m_itemDesc == other.m_itemDesc && m_quantity == other.m_quantity;
}

QString DWPSaleItem::description() const
{
    return dw::format(QStringLiteral("SaleItem: name: %@, id: %@, qty: %@, prices: %@, uniqueID: %@"), m_itemDesc,
                      m_itemID, m_quantity, dw::describe(m_netPrices), m_uniqueID);
}
