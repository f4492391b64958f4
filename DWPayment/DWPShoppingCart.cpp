#include "DWPayment/DWPShoppingCart.h"

#include "DWPayment/DWPLog.h"
#include "DWPayment/DWPStoreDelegate.h"
#include "DWPayment/NSString+DWPExtensions.h"

#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/NotificationCenter.h"

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

std::shared_ptr<DWPShoppingCart> DWPShoppingCart::shoppingCart()
{
    return std::make_shared<DWPShoppingCart>();
}

std::shared_ptr<DWPShoppingCart>
DWPShoppingCart::shoppingCartFromPropertyList(const QVariant& propertyList, DWPStoreDelegate* delegate, QString* error)
{
    if (propertyList.typeId() != QMetaType::QVariantList) {
        qCWarning(lcPayment).noquote() << dw::format(
            QStringLiteral("%@ couldn't create shoppingCartFromPropertyList: %@"), QStringLiteral("DWPShoppingCart"),
            dw::describe(propertyList));
        setError(error, QStringLiteral("The store's catalogue is not a list of groups."));
        return nullptr;
    }
    const QVariantList groups = propertyList.toList();
    auto cart = shoppingCart();
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const QVariant& element = groups[i];
        if (element.typeId() != QMetaType::QVariantMap) {
            qCWarning(lcPayment).noquote() << dw::format(
                QStringLiteral("WARNING: bad format for saleItemGroup: %@\n in property list: %@\nexpected: "
                               "NSDictionary -- got: %@"),
                dw::describe(element), dw::describe(propertyList), QString::fromLatin1(element.typeName()));
            setError(error,
                     dw::format(QStringLiteral("The store's catalogue is damaged: group %ld is not a dictionary."),
                                long(i + 1)));
            return nullptr;
        }
        QString reason;
        auto group = DWPSaleItemGroup::groupFromDict(element, delegate, &reason);
        if (!group) {
            setError(error, dw::format(QStringLiteral("The store's catalogue is damaged: in group %ld, %@."),
                                       long(i + 1), reason));
            return nullptr;
        }
        cart->addSaleItemGroup(group);
    }
    if (delegate) {
        if (const auto data = delegate->shoppingCartWantsPayloadData(*cart))
            cart->setPayloadWithData(*data);
        else if (const auto text = delegate->shoppingCartWantsPayloadString(*cart))
            cart->setPayload(*text);
    }
    return cart;
}

void DWPShoppingCart::addSaleItemGroup(const DWPSaleItemGroupPtr& group)
{
    DW_PARAMETER_ASSERT(group != nullptr);
    m_saleItemGroups.append(group);
}

void DWPShoppingCart::addSaleItem(const DWPSaleItemPtr& item)
{
    DW_PARAMETER_ASSERT(item != nullptr);
    m_singleSaleItems.append(item);
}

void DWPShoppingCart::removeSaleItem(const DWPSaleItem& item)
{
    m_singleSaleItems.removeIf([&](const DWPSaleItemPtr& candidate) { return candidate->isEqual(item); });
}

void DWPShoppingCart::removeAllSaleItems()
{
    m_singleSaleItems.clear();
}

QList<DWPSaleItemPtr> DWPShoppingCart::saleItems() const
{
    QList<DWPSaleItemPtr> items = m_singleSaleItems;
    for (const auto& group : m_saleItemGroups)
        items += group->selectedSaleItems();
    return items;
}

QList<DWPSaleItemPtr> DWPShoppingCart::allSaleItems() const
{
    QList<DWPSaleItemPtr> items = m_singleSaleItems;
    for (const auto& group : m_saleItemGroups)
        items += group->fullItems();
    return items;
}

bool DWPShoppingCart::isEmpty() const
{
    return saleItems().isEmpty();
}

QStringList DWPShoppingCart::productIds() const
{
    QStringList ids;
    for (const auto& item : allSaleItems()) {
        DW_ASSERT(!item->itemID().isNull(), "itemID must not be nil");
        ids.append(item->itemID());
    }
    return ids;
}

bool DWPShoppingCart::updateSaleItemsWithProductInfos(const QVariantMap& productInfos, QString* error)
{
    // Checked before anything changes: an item priced in one currency only would sell for nothing
    // in the other.
    const QList<DWPSaleItemPtr> items = allSaleItems();
    for (const auto& item : items) {
        const QVariant info = productInfos.value(item->itemID());
        const QVariantMap fields = info.toMap();
        if (info.typeId() != QMetaType::QVariantMap) {
            setError(error, dw::format(QStringLiteral("couldn't find product info for productID: %@"), item->itemID()));
            return false;
        }
        if (!fields.contains(QStringLiteral("usd")) || !fields.contains(QStringLiteral("eur"))) {
            setError(error, dw::format(QStringLiteral("product info for productID %@ lacks a price"), item->itemID()));
            return false;
        }
    }
    for (const auto& item : items) {
        const QVariantMap fields = productInfos.value(item->itemID()).toMap();
        if (item->itemDesc().isNull())
            item->setItemDesc(fields.value(QStringLiteral("default_name")).toString());
        item->setNetPrices({{QStringLiteral("USD"), fields.value(QStringLiteral("usd")).toString()},
                            {QStringLiteral("EUR"), fields.value(QStringLiteral("eur")).toString()}});
    }
    return true;
}

std::optional<qint64> DWPShoppingCart::totalForCurrency(const QString& currency, std::optional<qint64> vatRate) const
{
    if (currency.isNull())
        return std::nullopt;
    qint64 total = 0;
    for (const auto& item : saleItems())
        total += item->finalPriceForCurrency(currency, vatRate);
    return total;
}

QString DWPShoppingCart::totalStringValueForCurrency(const QString& currency, std::optional<qint64> vatRate) const
{
    const auto total = totalForCurrency(currency, vatRate);
    return currency.toUpper() + u' ' + dw::currencyValue(QString::number(total.value_or(0)));
}

DWPSaleItemGroupPtr DWPShoppingCart::saleItemGroupAtKeyPath(const QString& keyPath) const
{
    const QStringList parts = keyPath.split(u'.');
    if (parts.size() != 2) {
        qCWarning(lcPayment).noquote() << dw::format(
            QStringLiteral("ERROR - invalid path for sale item group item: %@"), keyPath);
        return nullptr;
    }
    const qint64 index = dw::integerValue(parts[0]);
    if (index < 0 || index >= m_saleItemGroups.size())
        return nullptr;
    return m_saleItemGroups[qsizetype(index)];
}

DWPSaleItemPtr DWPShoppingCart::saleItemAtKeyPath(const QString& keyPath, DWPSaleItemGroupPtr* containingGroup) const
{
    const auto group = saleItemGroupAtKeyPath(keyPath);
    if (!group) {
        qCWarning(lcPayment).noquote() << dw::format(QStringLiteral("WARNING - couldn't find group for path: %@"),
                                                     keyPath);
        return nullptr;
    }
    const QStringList parts = keyPath.split(u'.');
    if (parts.size() != 2) {
        qCWarning(lcPayment).noquote() << dw::format(QStringLiteral("ERROR - invalid path for shopping cart item: %@"),
                                                     keyPath);
        return nullptr;
    }
    auto item = group->saleItemAtWithUUID(parts[1]);
    if (!item) {
        qCWarning(lcPayment).noquote() << dw::format(
            QStringLiteral("WARNING - couldn't find shopping cart item for path: %@"), keyPath);
        return nullptr;
    }
    if (containingGroup)
        *containingGroup = group;
    return item;
}

void DWPShoppingCart::setInclusionOfSaleItemAtKeyPath(const QString& keyPath, bool state)
{
    DWPSaleItemGroupPtr group;
    const auto item = saleItemAtKeyPath(keyPath, &group);
    if (!item)
        return;
    auto& center = dw::NotificationCenter::defaultCenter();
    center.post(QString::fromLatin1(kDWPShoppingCartWillChangeNotification), dw::NotificationObject::of(this));
    group->setInclusionOfSaleItemWithUUID(item->uniqueID(), state);
    center.post(QString::fromLatin1(kDWPShoppingCartDidChangeNotification), dw::NotificationObject::of(this));
}

void DWPShoppingCart::setPayloadWithData(const QByteArray& bytes)
{
    m_payload = DWPPayloadText(bytes);
}

void DWPShoppingCart::setPayload(const QString& text)
{
    setPayloadWithData(text.isNull() ? QByteArray() : text.toUtf8());
}

QString DWPShoppingCart::description() const
{
    auto describeItems = [](const QList<DWPSaleItemPtr>& items) {
        QStringList lines;
        for (const auto& item : items)
            lines.append(item->description());
        return QStringLiteral("(\n    ") + lines.join(QStringLiteral(",\n    ")) + QStringLiteral("\n)");
    };
    const QList<DWPSaleItemPtr> all = allSaleItems();
    return dw::format(QStringLiteral("%@ containing %lu items and %lu groups:\nallSaleItems = %@\n--\n(selected) "
                                     "saleItems = %@"),
                      QStringLiteral("DWPShoppingCart"), qulonglong(all.size()), qulonglong(m_saleItemGroups.size()),
                      describeItems(all), describeItems(saleItems()));
}
