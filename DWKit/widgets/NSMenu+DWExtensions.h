#pragma once
// Menus filled item by item and trimmed by action name.
//
// A menu item is a QAction with these properties: "action" (the action name, such as
// "showDebugWindow:"), "target" (the QObject that receives it, or none), "tag" and
// "indentationLevel". Triggering the item calls the target's method named by the action without
// its colon, with the action as argument when the method takes a QObject* (else without one);
// an item without target sends it to the focus widget, its parents and then the application,
// whichever first has the method. Main thread.
//
//     dw::addItemWithTitle(menu, tr("Germany"), "siteChosen:", QString(), 77, this, 1);
//     dw::removeItemsWithTarget(fileMenu, appController, {"showDebugWindow:"});

#include <QAction>
#include <QMenu>
#include <QString>
#include <QStringList>

namespace dw {

inline constexpr const char* kActionProperty = "action";
inline constexpr const char* kTargetProperty = "target";
inline constexpr const char* kIndentationLevelProperty = "indentationLevel";

// Appends an item and returns it (owned by the menu). A key equivalent is one character, sent
// with Ctrl; an upper-case letter adds Shift.
QAction* addItemWithTitle(QMenu* menu, const QString& title, const QString& action, const QString& keyEquivalent,
                          qint64 tag, QObject* target, int indentationLevel);

// The menu's last item; null for an empty menu.
QAction* lastItem(const QMenu* menu);

// For each action name in order, removes the first item with that action and that target, or
// logs "could not find menu item with action: <name>". At most one item per name. A null target
// matches items of any target.
void removeItemsWithTarget(QMenu* menu, const QObject* target, const QStringList& actions);
void removeItemsWithActions(QMenu* menu, const QStringList& actions);

} // namespace dw
