#pragma once
// One group of the store's catalogue: a heading, a text, a picture and products of which the buyer
// picks exactly one (radio) or any number (checkbox).
//
// The catalogue is a property list: an array of group dictionaries with "selectionType" ("radio"
// or "checkbox"), "fullItems" (item dictionaries with "id", optional "name", "info" and
// "selected"), "name", "description" and "imageURL". Texts may be language-variant dictionaries
// (NSDictionary+DWPExtension.h). groupFromDict() reads one group; bad data gives nullptr and a
// clear error, never an exception. Selections change on one thread at a time.
//
//     QString error;
//     auto group = DWPSaleItemGroup::groupFromDict(dict, nullptr, &error);
//     if (!group) return fail(error);
//     group->setInclusionOfSaleItemWithUUID(uuid, true);

#include "DWPayment/DWPSaleItem.h"

#include <QList>
#include <QSet>
#include <QUrl>
#include <optional>

class DWPStoreDelegate;

enum DWPSelectionType : qint32 {
    DWPInvalidSelectionType = 0,
    DWPRadioSelectionType = 1,
    DWPCheckboxSelectionType = 2,
};

class DWPAYMENT_EXPORT DWPSaleItemGroup
{
public:
    // Preconditions (each throws dw::InternalInconsistency): a name, a description, a valid URL, at
    // least one item, a valid selection type. The selection starts empty.
    DWPSaleItemGroup(const QString& name, const QString& description, const QUrl& imageURL,
                     DWPSelectionType selectionType, const QList<DWPSaleItemPtr>& fullItems);

    // A group read from the catalogue with its preselection applied; nullptr with `error` set when
    // the dictionary is not a valid group.
    static std::shared_ptr<DWPSaleItemGroup> groupFromDict(const QVariant& dict, DWPStoreDelegate* delegate,
                                                           QString* error = nullptr);
    static DWPSelectionType selectionTypeFromString(const QString& text);
    // The items of a "fullItems" list; nullopt with `error` set when it is not a non-empty list of
    // item dictionaries that each name a product. The unique IDs of items marked "selected" are
    // added to `selectedItemUUIDs` when given.
    static std::optional<QList<DWPSaleItemPtr>> saleItemsFromPropertyList(const QVariant& list,
                                                                          DWPStoreDelegate* delegate,
                                                                          QSet<QString>* selectedItemUUIDs,
                                                                          QString* error = nullptr);

    const QString& name() const { return m_name; }
    const QString& description() const { return m_description; }
    const QUrl& imageURL() const { return m_imageURL; }
    DWPSelectionType selectionType() const { return m_selectionType; }
    const QList<DWPSaleItemPtr>& fullItems() const { return m_fullItems; }
    const QSet<QString>& selectedSaleItemsUUIDs() const { return m_selectedSaleItemsUUIDs; }
    const QSet<QString>& selectedFullItemUUIDs() const { return m_selectedFullItemUUIDs; }
    void setSelectedFullItemUUIDs(const QSet<QString>& uuids) { m_selectedFullItemUUIDs = uuids; }

    DWPSaleItemPtr saleItemAtWithUUID(const QString& uuid) const;
    // Selecting in a radio group replaces the selection; deselecting there changes nothing (a radio
    // choice changes only by choosing another item) and logs a warning.
    void setInclusionOfSaleItemWithUUID(const QString& uuid, bool state);
    // The selected items in catalogue order.
    QList<DWPSaleItemPtr> selectedSaleItems() const;
    // Back to the catalogue's preselection (in a radio group marked twice, the later item wins).
    void resetSelectedItemsToPreselection();

private:
    QString m_name;
    QString m_description;
    QUrl m_imageURL;
    DWPSelectionType m_selectionType = DWPInvalidSelectionType;
    QList<DWPSaleItemPtr> m_fullItems;
    QSet<QString> m_selectedSaleItemsUUIDs;
    QSet<QString> m_selectedFullItemUUIDs;
};

using DWPSaleItemGroupPtr = std::shared_ptr<DWPSaleItemGroup>;
