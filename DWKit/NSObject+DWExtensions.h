#pragma once
// Key-value operations on one model object (or dictionary).
//
// Main thread for model objects, as their setters are; any thread for maps that the caller owns.
//
//     bool changed = false;
//     dw::changeValue(*item, newState, QStringLiteral("state"), &changed);
//     dw::changeValue(*item, newTitle, QStringLiteral("title"), &changed);
//     if (changed) item->setWasChangedToYes();

#include "platform/core/KeyValueCoding.h"

#include <QStringList>
#include <QVariantList>

namespace dw {

// Sets the value for `key` only when it differs from the current one (dw::isEqualValue: 5 and
// 5.0 are the same, "5" and 5 are not; nil over nil is no change, nil over a value is), and
// then sets *wasChanged to true. The flag is never cleared, so one flag can collect several
// changes.
void changeValue(KeyValueCoding& object, const QVariant& value, const QString& key, bool* wasChanged);
void changeValue(QVariantMap& object, const QVariant& value, const QString& key, bool* wasChanged);

// The values for `keys` in key order, `undefinedMarker` standing for each nil value.
QVariantList valuesForKeysInArray(const KeyValueCoding& object, const QStringList& keys,
                                  const QVariant& undefinedMarker);
QVariantList valuesForKeysInArray(const QVariantMap& object, const QStringList& keys, const QVariant& undefinedMarker);
// The same operation: each entry is read as a plain key, not followed as a path.
QVariantList valuesForKeyPathsInArray(const KeyValueCoding& object, const QStringList& keys,
                                      const QVariant& undefinedMarker);
QVariantList valuesForKeyPathsInArray(const QVariantMap& object, const QStringList& keys,
                                      const QVariant& undefinedMarker);

} // namespace dw
