#include "description/MiscMergeModelKeys.h"

#include "description/MiscMerge/MiscMergeValues.h"

#include "model/QMEbayItem.h"

#include <QSet>

void registerModelKeyPresence()
{
    static const bool registered = [] {
        miscmerge::addKeyPresenceTest([](const dw::KeyValueCoding& object, const QString& key) -> std::optional<bool> {
            const auto* item = dynamic_cast<const QMEbayItem*>(&object);
            if (!item)
                return std::nullopt;
            static const QSet<QString> fieldNames = [] {
                QSet<QString> names;
                for (const QMEbayItemField& field : QMEbayItem::fields())
                    names.insert(field.name);
                return names;
            }();
            // The listing's computed keys are not listed anywhere; they count as present when
            // they answer.
            return fieldNames.contains(key) || item->valueForKey(key).isValid();
        });
        return true;
    }();
    (void)registered;
}
