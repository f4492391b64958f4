#pragma once
// Toolbar items by identifier and tag. An item is a QAction of the toolbar whose object name is
// its identifier and whose "tag" property holds its integer tag; selecting an item checks it
// (selectable items are checkable actions, usually in an exclusive group). Main thread.
//
//     if (!dw::selectItemWithTag(toolbar, lastPane))
//         dw::selectItemWithTag(toolbar, 0);

#include <QAction>
#include <QString>
#include <QToolBar>

namespace dw {

// The "tag" property of toolbar, menu and pop-up items.
inline constexpr const char* kTagProperty = "tag";

QAction* itemWithIdentifier(const QToolBar* toolbar, const QString& identifier);

// Selects the item that carries the identifier of the first item with the tag; false (and the
// selection unchanged) when no item has the tag.
bool selectItemWithTag(QToolBar* toolbar, qint64 tag);

} // namespace dw
