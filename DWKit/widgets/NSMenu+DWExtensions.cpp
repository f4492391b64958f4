#include "DWKit/widgets/NSMenu+DWExtensions.h"

#include "DWKit/widgets/NSToolbar+DWExtensions.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWFormat.h"

#include <QApplication>
#include <QKeySequence>
#include <QMetaMethod>

namespace dw {

namespace {

QObject* targetOf(const QAction* item)
{
    return item->property(kTargetProperty).value<QObject*>();
}

QKeySequence keySequenceFor(const QString& keyEquivalent)
{
    if (keyEquivalent.size() != 1)
        return {};
    const QChar key = keyEquivalent.at(0);
    if (key.isLetter() && key.isUpper())
        return QKeySequence(QStringLiteral("Ctrl+Shift+") + key);
    return QKeySequence(QStringLiteral("Ctrl+") + key.toUpper());
}

QByteArray methodName(const QString& action)
{
    QByteArray method = action.toLatin1();
    if (method.endsWith(':'))
        method.chop(1);
    return method;
}

int methodIndex(const QObject* receiver, const QByteArray& method, bool withSender)
{
    const QByteArray signature = method + (withSender ? "(QObject*)" : "()");
    return receiver->metaObject()->indexOfMethod(QMetaObject::normalizedSignature(signature.constData()));
}

bool respondsToAction(const QObject* receiver, const QByteArray& method)
{
    return methodIndex(receiver, method, true) >= 0 || methodIndex(receiver, method, false) >= 0;
}

// Calls the method named by the action on the receiver; false when it has none.
bool invokeAction(QObject* receiver, const QByteArray& method, QObject* sender)
{
    const QMetaObject* meta = receiver->metaObject();
    const int withSender = methodIndex(receiver, method, true);
    if (withSender >= 0)
        return meta->method(withSender).invoke(receiver, Qt::DirectConnection, Q_ARG(QObject*, sender));
    const int plain = methodIndex(receiver, method, false);
    if (plain >= 0)
        return meta->method(plain).invoke(receiver, Qt::DirectConnection);
    return false;
}

ActionDispatcher& installedDispatcher()
{
    static ActionDispatcher dispatcher;
    return dispatcher;
}

void trigger(QAction* item)
{
    const QString action = item->property(kActionProperty).toString();
    if (methodName(action).isEmpty())
        return;
    sendAction(action, targetOf(item), item);
}

} // namespace

QAction* addItemWithTitle(QMenu* menu, const QString& title, const QString& action, const QString& keyEquivalent,
                          qint64 tag, QObject* target, int indentationLevel)
{
    if (!menu)
        return nullptr;
    QAction* item = menu->addAction(title);
    item->setProperty(kActionProperty, action);
    item->setProperty(kTargetProperty, QVariant::fromValue<QObject*>(target));
    item->setProperty(kTagProperty, tag);
    item->setProperty(kIndentationLevelProperty, indentationLevel);
    item->setShortcut(keySequenceFor(keyEquivalent));
    QObject::connect(item, &QAction::triggered, item, [item] { trigger(item); });
    return item;
}

QAction* lastItem(const QMenu* menu)
{
    if (!menu || menu->actions().isEmpty())
        return nullptr;
    return menu->actions().constLast();
}

void removeItemsWithTarget(QMenu* menu, const QObject* target, const QStringList& actions)
{
    if (!menu)
        return;
    for (const QString& name : actions) {
        QAction* found = nullptr;
        for (QAction* item : menu->actions()) {
            if (item->property(kActionProperty).toString() != name)
                continue;
            if (target && targetOf(item) != target)
                continue;
            found = item;
            break;
        }
        if (!found) {
            consoleWrite(dw::format("could not find menu item with action: %@", name));
            continue;
        }
        menu->removeAction(found);
        if (found->parent() == menu)
            found->deleteLater();
    }
}

void removeItemsWithActions(QMenu* menu, const QStringList& actions)
{
    removeItemsWithTarget(menu, nullptr, actions);
}

QObject* targetForAction(const QString& action, QObject* target)
{
    const QByteArray method = methodName(action);
    if (method.isEmpty())
        return nullptr;
    if (target)
        return respondsToAction(target, method) ? target : nullptr;
    for (QObject* receiver = QApplication::focusWidget(); receiver; receiver = receiver->parent()) {
        if (respondsToAction(receiver, method))
            return receiver;
    }
    QObject* application = QCoreApplication::instance();
    return application && respondsToAction(application, method) ? application : nullptr;
}

bool sendActionOrdinarily(const QString& action, QObject* target, QObject* sender)
{
    QObject* receiver = targetForAction(action, target);
    return receiver && invokeAction(receiver, methodName(action), sender);
}

bool sendAction(const QString& action, QObject* target, QObject* sender)
{
    if (const ActionDispatcher& dispatcher = installedDispatcher())
        return dispatcher(action, target, sender);
    return sendActionOrdinarily(action, target, sender);
}

void setActionDispatcher(ActionDispatcher dispatcher)
{
    installedDispatcher() = std::move(dispatcher);
}

} // namespace dw
