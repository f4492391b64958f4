#include "DWPayment/DWPSaleItemGroup.h"

#include "DWPayment/DWPLog.h"
#include "DWPayment/DWPStoreDelegate.h"
#include "DWPayment/NSDictionary+DWPExtension.h"

#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"

#include <typeinfo>

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// A catalogue text: a plain text or its variant for the user's languages; null when absent or
// not a text.
QString localizedText(const QVariantMap& dict, const QString& key)
{
    const QVariant value = dw::localizedObjectForKey(dict, key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

} // namespace

DWPSaleItemGroup::DWPSaleItemGroup(const QString& name, const QString& description, const QUrl& imageURL,
                                   DWPSelectionType selectionType, const QList<DWPSaleItemPtr>& fullItems)
{
    DW_ASSERT(!name.isNull(), "Invalid parameter not satisfying: theName");
    DW_ASSERT(!description.isNull(), "Invalid parameter not satisfying: theDescription");
    DW_ASSERT(imageURL.isValid(),
              "Invalid parameter not satisfying: theImageURL && [theImageURL isKindOfClass:[NSURL class]]");
    DW_ASSERT(!fullItems.isEmpty(), "Invalid parameter not satisfying: theFullItems && [theFullItems count] > 0");
    DW_PARAMETER_ASSERT(selectionType != DWPInvalidSelectionType);
    m_name = name;
    m_description = description;
    m_imageURL = imageURL;
    m_selectionType = selectionType;
    m_fullItems = fullItems;
}

DWPSelectionType DWPSaleItemGroup::selectionTypeFromString(const QString& text)
{
    if (text == QLatin1String("radio"))
        return DWPRadioSelectionType;
    if (text == QLatin1String("checkbox"))
        return DWPCheckboxSelectionType;
    qCWarning(lcPayment).noquote() << dw::format(QStringLiteral("Did not get valid selectionType, but: >%@<"), text);
    return DWPInvalidSelectionType;
}

std::optional<QList<DWPSaleItemPtr>> DWPSaleItemGroup::saleItemsFromPropertyList(const QVariant& list,
                                                                                 DWPStoreDelegate* delegate,
                                                                                 QSet<QString>* selectedItemUUIDs,
                                                                                 QString* error)
{
    if (list.typeId() != QMetaType::QVariantList || list.toList().isEmpty()) {
        setError(error, QStringLiteral("a group's \"fullItems\" is not a list of at least one item"));
        return std::nullopt;
    }
    const QVariantList elements = list.toList();
    QList<DWPSaleItemPtr> items;
    for (const QVariant& element : elements) {
        if (element.typeId() != QMetaType::QVariantMap) {
            qCWarning(lcPayment).noquote() << dw::format(
                QStringLiteral("bad format for saleItem (expected: NSDictionary, got: %@): %@\n in property list: %@"),
                QString::fromLatin1(element.typeName()), dw::describe(element), dw::describe(list));
            setError(error, QStringLiteral("an item of a group is not a dictionary"));
            return std::nullopt;
        }
        const QVariantMap dict = element.toMap();
        const QString identifier = localizedText(dict, QStringLiteral("id"));
        if (identifier.isEmpty()) {
            setError(error, QStringLiteral("an item of a group has no \"id\""));
            return std::nullopt;
        }
        auto item = DWPSaleItem::saleItemWithID(identifier, localizedText(dict, QStringLiteral("name")));
        item->setItemInfo(localizedText(dict, QStringLiteral("info")));
        if (delegate) {
            const QVariant payload = delegate->saleItemWantsPayload(*item, false);
            if (payload.typeId() == QMetaType::QString)
                item->setItemPayload(payload.toString());
            else if (payload.typeId() == QMetaType::QByteArray)
                item->setItemPayloadWithData(payload.toByteArray());
            else if (payload.isValid())
                qCWarning(lcPayment).noquote()
                    << dw::format(QStringLiteral("WARNING: expected NSString or NSData from delegate's (%@) "
                                                 "saleItemGroupWantsPayloadForSaleItem: -- got (%@): %@"),
                                  QString::fromLatin1(typeid(*delegate).name()),
                                  QString::fromLatin1(payload.typeName()), dw::describe(payload));
        }
        items.append(item);
        const QVariant selected = dict.value(QStringLiteral("selected"));
        if (selectedItemUUIDs && selected.typeId() == QMetaType::Bool && selected.toBool())
            selectedItemUUIDs->insert(item->uniqueID());
    }
    return items;
}

std::shared_ptr<DWPSaleItemGroup> DWPSaleItemGroup::groupFromDict(const QVariant& value, DWPStoreDelegate* delegate,
                                                                  QString* error)
{
    if (value.typeId() != QMetaType::QVariantMap) {
        setError(error, QStringLiteral("a group is not a dictionary"));
        return nullptr;
    }
    const QVariantMap dict = value.toMap();
    const DWPSelectionType type = selectionTypeFromString(dict.value(QStringLiteral("selectionType")).toString());
    if (type == DWPInvalidSelectionType) {
        setError(error, QStringLiteral("a group's \"selectionType\" is neither \"radio\" nor \"checkbox\""));
        return nullptr;
    }
    QSet<QString> preselected;
    const auto items =
        saleItemsFromPropertyList(dict.value(QStringLiteral("fullItems")), delegate, &preselected, error);
    if (!items)
        return nullptr;
    const QString name = localizedText(dict, QStringLiteral("name"));
    const QString description = localizedText(dict, QStringLiteral("description"));
    const QUrl imageURL(localizedText(dict, QStringLiteral("imageURL")), QUrl::StrictMode);
    if (name.isNull() || description.isNull()) {
        setError(error, QStringLiteral("a group has no \"name\" or no \"description\""));
        return nullptr;
    }
    if (!imageURL.isValid() || imageURL.isRelative()) {
        setError(error, QStringLiteral("a group's \"imageURL\" is not an absolute address"));
        return nullptr;
    }
    auto group = std::make_shared<DWPSaleItemGroup>(name, description, imageURL, type, *items);
    group->setSelectedFullItemUUIDs(preselected);
    group->resetSelectedItemsToPreselection();
    return group;
}

DWPSaleItemPtr DWPSaleItemGroup::saleItemAtWithUUID(const QString& uuid) const
{
    for (const auto& item : m_fullItems) {
        if (item->uniqueID() == uuid)
            return item;
    }
    return nullptr;
}

void DWPSaleItemGroup::setInclusionOfSaleItemWithUUID(const QString& uuid, bool state)
{
    if (state) {
        if (m_selectedSaleItemsUUIDs.contains(uuid) || !saleItemAtWithUUID(uuid))
            return;
        if (m_selectionType == DWPRadioSelectionType)
            m_selectedSaleItemsUUIDs.clear();
        m_selectedSaleItemsUUIDs.insert(uuid);
    } else if (m_selectionType == DWPRadioSelectionType) {
        qCWarning(lcPayment) << "WARNING - cannot deselect items in a radio group; just select a new item";
    } else {
        m_selectedSaleItemsUUIDs.remove(uuid);
    }
}

QList<DWPSaleItemPtr> DWPSaleItemGroup::selectedSaleItems() const
{
    QList<DWPSaleItemPtr> result;
    for (const auto& item : m_fullItems) {
        if (m_selectedSaleItemsUUIDs.contains(item->uniqueID()))
            result.append(item);
    }
    return result;
}

void DWPSaleItemGroup::resetSelectedItemsToPreselection()
{
    m_selectedSaleItemsUUIDs.clear();
    for (const auto& item : m_fullItems) {
        if (m_selectedFullItemUUIDs.contains(item->uniqueID()))
            setInclusionOfSaleItemWithUUID(item->uniqueID(), true);
    }
}
