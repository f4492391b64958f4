#include "DWKit/widgets/FilteringArrayController.h"

#include "platform/core/KeyValueCoding.h"

#include <QLineEdit>

namespace {

// The title of an object that has one; nullopt for objects without a title.
std::optional<QString> titleOf(const QVariant& object)
{
    if (object.canConvert<QObject*>() && object.typeId() != QMetaType::QString) {
        if (const QObject* item = object.value<QObject*>()) {
            const QVariant title = item->property("title");
            if (title.isValid())
                return title.toString();
            return std::nullopt;
        }
    }
    if (dw::objectFromValue(object)) {
        const QVariant title = dw::valueForKey(object, QStringLiteral("title"));
        if (title.isValid())
            return title.toString();
    }
    return std::nullopt;
}

} // namespace

FilteringArrayController::FilteringArrayController(QObject* parent) : QSortFilterProxyModel(parent) {}

bool FilteringArrayController::keeps(const QVariant& object) const
{
    if (m_searchString.isEmpty())
        return true;
    if (object.typeId() == QMetaType::QString)
        return object.toString().contains(m_searchString, Qt::CaseInsensitive);
    if (const std::optional<QString> title = titleOf(object))
        return title->contains(m_searchString, Qt::CaseInsensitive);
    return m_delegate && m_delegate->arrayController(const_cast<FilteringArrayController*>(this), object);
}

QVariantList FilteringArrayController::arrangeObjects(const QVariantList& objects) const
{
    if (m_searchString.isEmpty())
        return objects;
    QVariantList kept;
    for (const QVariant& object : objects) {
        if (keeps(object))
            kept.append(object);
    }
    return kept;
}

bool FilteringArrayController::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (m_searchString.isEmpty() || !sourceModel())
        return true;
    return keeps(sourceModel()->index(sourceRow, 0, sourceParent).data(m_objectRole));
}

void FilteringArrayController::search(QObject* sender)
{
    auto* field = qobject_cast<QLineEdit*>(sender);
    const int cursor = field ? field->cursorPosition() : 0;
    const int selectionStart = field ? field->selectionStart() : -1;
    const int selectionLength = field ? field->selectionLength() : 0;
    invalidateFilter();
    if (!field)
        return;
    field->setFocus(Qt::OtherFocusReason);
    if (selectionStart >= 0 && selectionLength > 0)
        field->setSelection(selectionStart, selectionLength);
    else
        field->setCursorPosition(cursor);
}
