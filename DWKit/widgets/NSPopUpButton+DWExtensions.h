#pragma once
// Pop-up buttons are combo boxes whose item data (Qt::UserRole) is the item's tag; an item may
// also carry a represented object (kRepresentedObjectRole).
//
// A pop-up can be bound to a property of another object ("selectedTag", "selectedObject",
// "selectedIndex" or "selectedValue", the title): the pop-up then shows the property's value and
// writes the user's choice back. updateBinding() re-establishes a binding after the items were
// rebuilt, so that the pop-up shows the bound value again. The bound object is a model object
// (dw::KeyValueCoding; it announces changes with a keyChanged(QString) signal) or any QObject
// whose property of that name has a NOTIFY signal. Main thread.
//
//     dw::bind(conditionPopUp, "selectedTag", listingController, "conditionID");
//     rebuildConditionItems(conditionPopUp);
//     dw::updateBinding(conditionPopUp, "selectedTag");

#include <QComboBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace dw {

inline constexpr int kRepresentedObjectRole = Qt::UserRole + 1;

// Selects the item whose represented object equals `object`; with none, nothing is selected.
void selectItemRepresentingObject(QComboBox* popUp, const QVariant& object);

struct BindingInfo
{
    QPointer<QObject> observedObject;
    QString keyPath;
    QVariantMap options;
};

// Binds the pop-up's `binding` to `keyPath` of `observed`, replacing an earlier
// binding of that name; the pop-up shows the value at once. Unknown binding names and a missing
// object are caller errors (DW_ASSERT).
void bind(QComboBox* popUp, const QString& binding, QObject* observed, const QString& keyPath,
          const QVariantMap& options = {});
void unbind(QComboBox* popUp, const QString& binding);
std::optional<BindingInfo> infoForBinding(const QComboBox* popUp, const QString& binding);

// Unbinds and binds again with the same object, key path and options. The name must not be
// empty: DW_ASSERT "Invalid parameter not satisfying: 0 < [inBinding length]". A name without a
// binding does nothing.
void updateBinding(QComboBox* popUp, const QString& binding);

} // namespace dw
