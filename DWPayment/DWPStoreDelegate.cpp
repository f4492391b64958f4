#include "DWPayment/DWPStoreDelegate.h"

DWPStoreDelegate::~DWPStoreDelegate() = default;

QVariant DWPStoreDelegate::saleItemWantsPayload(const DWPSaleItem&, bool)
{
    return {};
}

std::optional<QByteArray> DWPStoreDelegate::shoppingCartWantsPayloadData(const DWPShoppingCart&)
{
    return std::nullopt;
}

std::optional<QString> DWPStoreDelegate::shoppingCartWantsPayloadString(const DWPShoppingCart&)
{
    return std::nullopt;
}
