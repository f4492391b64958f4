#pragma once
// The item-specifics sheet: one tab per attribute set of the listing's categories and, where the
// category allows them, a first tab of custom specifics with eBay's suggestions.

#include "DWCoreDataEbayDataClasses/SQCategory.h"
#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"

#include <QList>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <optional>

class QMEbayItem;
class QWidget;

class QMAttributePanelController
{
public:
    // The new attribute-values dictionary, or nothing when the seller cancelled (then
    // `selectedItemSpecifics` is left untouched). `suggestedSpecifics` null means the listing may
    // not use custom specifics; `selectedItemSpecifics` receives the custom specifics (an invalid
    // QVariant without a custom tab). Runs modally on the window.
    static std::optional<QVariantMap>
    runSheetForWindow(QWidget* parentWindow, const QVariantMap& currentAttributeValues,
                      const QStringList& characteristicSetIDs, const SQAttributesDatabasePtr& attributesDataBase,
                      const SQCategoriesDatabasePtr& categoriesDataBase, int siteID,
                      const std::optional<QList<SQItemSpecificPtr>>& suggestedSpecifics,
                      const std::optional<QVariantMap>& initialItemSpecifics, QVariant* selectedItemSpecifics,
                      const QList<std::shared_ptr<QMEbayItem>>& items);
};
