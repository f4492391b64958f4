#pragma once
// Menus filled item by item and trimmed by action name.
//
// A menu item is a QAction with these properties: "action" (the action name, such as
// "showDebugWindow:"), "target" (the QObject that receives it, or none), "tag" and
// "indentationLevel". Triggering the item calls the target's method named by the action without
// its colon, with the action as argument when the method takes a QObject* (else without one);
// an item without target sends it to the focus widget, its parents and then the application,
// whichever first has the method. Every item goes through sendAction(), where the application may
// install a dispatcher of its own (setActionDispatcher). Main thread.
//
//     dw::addItemWithTitle(menu, tr("Germany"), "siteChosen:", QString(), 77, this, 1);
//     dw::removeItemsWithTarget(fileMenu, appController, {"showDebugWindow:"});

#include <QAction>
#include <QMenu>
#include <QString>
#include <QStringList>
#include <functional>

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

// Sends an action ("paste:") to the target, or without one to the first of the focus widget, its
// parents and the application that has the method; true when a receiver took it. Goes through the
// installed dispatcher, when there is one.
bool sendAction(const QString& action, QObject* target, QObject* sender);
// The same without any dispatcher: the platform's ordinary dispatch.
bool sendActionOrdinarily(const QString& action, QObject* target, QObject* sender);
// The receiver the ordinary dispatch would choose; null when none has the method.
QObject* targetForAction(const QString& action, QObject* target);

// Replaces the dispatch of every action (the application's own, which may route some actions
// elsewhere and hand the rest to sendActionOrdinarily); an empty function restores the ordinary one.
using ActionDispatcher = std::function<bool(const QString& action, QObject* target, QObject* sender)>;
void setActionDispatcher(ActionDispatcher dispatcher);

} // namespace dw
