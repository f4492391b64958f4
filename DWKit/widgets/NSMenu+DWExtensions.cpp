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

// Calls the method named by the action on the receiver; false when it has none.
bool sendAction(QObject* receiver, const QByteArray& method, QAction* sender)
{
    const QMetaObject* meta = receiver->metaObject();
    const int withSender =
        meta->indexOfMethod(QMetaObject::normalizedSignature(QByteArray(method + "(QObject*)").constData()));
    if (withSender >= 0)
        return meta->method(withSender).invoke(receiver, Qt::DirectConnection, Q_ARG(QObject*, sender));
    const int plain = meta->indexOfMethod(QMetaObject::normalizedSignature(QByteArray(method + "()").constData()));
    if (plain >= 0)
        return meta->method(plain).invoke(receiver, Qt::DirectConnection);
    return false;
}

void trigger(QAction* item)
{
    QByteArray method = item->property(kActionProperty).toString().toLatin1();
    if (method.endsWith(':'))
        method.chop(1);
    if (method.isEmpty())
        return;
    if (QObject* target = targetOf(item)) {
        sendAction(target, method, item);
        return;
    }
    for (QObject* receiver = QApplication::focusWidget(); receiver; receiver = receiver->parent()) {
        if (sendAction(receiver, method, item))
            return;
    }
    if (QCoreApplication::instance())
        sendAction(QCoreApplication::instance(), method, item);
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

} // namespace dw
