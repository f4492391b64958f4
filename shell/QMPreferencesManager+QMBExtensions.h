#pragma once
// What the application adds to the preferences store: the new listing every new document starts
// with, made from the item defaults, and the category the seller chose last. Main thread.
//
//     auto item = QMBPreferences::standardEbayItemPlain(QMPreferencesManager::sharedInstance());

#include <QtGlobal>
#include <memory>

class QMEbayItem;
class QMPreferencesManager;

namespace QMBPreferences {

// A new listing from the preference defaults: marked changed, with a new unique ID.
std::shared_ptr<QMEbayItem> standardEbayItemPlain(const QMPreferencesManager& preferences);

// The user default "lastUsedCategoryID" (0 when none was chosen).
qint64 lastUsedCategoryID(const QMPreferencesManager& preferences);
void setLastUsedCategoryID(QMPreferencesManager& preferences, qint64 categoryID);

} // namespace QMBPreferences
