#pragma once
// What the store asks of its host while it builds the cart from the catalogue. Every operation is
// optional: the base class answers "nothing to say", and the store then attaches no payload.
// Called on the thread that builds the cart.

#include "DWPayment/DWPaymentExport.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>

class DWPSaleItem;
class DWPShoppingCart;

class DWPAYMENT_EXPORT DWPStoreDelegate
{
public:
    virtual ~DWPStoreDelegate();

    // A payload for a new sale item: a QString (stored as its UTF-8 bytes) or a QByteArray; any
    // other value is logged and ignored; nil gives no payload.
    virtual QVariant saleItemWantsPayload(const DWPSaleItem& item, bool isUpgrade);

    // A payload for the whole order. When the first answers (even with null bytes) the second is
    // not asked.
    virtual std::optional<QByteArray> shoppingCartWantsPayloadData(const DWPShoppingCart& cart);
    virtual std::optional<QString> shoppingCartWantsPayloadString(const DWPShoppingCart& cart);
};
