#include "description/DesignChooser/QMKeywordArrayController.h"

QStringList QMKeywordArrayController::inListOrder(const QStringList& keywords) const
{
    QStringList ordered;
    for (const QString& keyword : m_content) {
        if (keywords.contains(keyword) && !ordered.contains(keyword))
            ordered.append(keyword);
    }
    return ordered;
}

void QMKeywordArrayController::setContent(const QStringList& keywords)
{
    if (keywords == m_content)
        return;
    m_content = keywords;
    const QStringList kept = inListOrder(m_selection);
    Q_EMIT arrangedObjectsChanged();
    if (kept != m_selection) {
        m_selection = kept;
        Q_EMIT selectionChanged();
    }
}

void QMKeywordArrayController::setSelectedObjects(const QStringList& keywords)
{
    const QStringList selection = inListOrder(keywords);
    if (selection == m_selection)
        return;
    m_selection = selection;
    Q_EMIT selectionChanged();
}

void QMKeywordArrayController::addSelectedObject(const QString& keyword)
{
    setSelectedObjects(m_selection + QStringList{keyword});
}

void QMKeywordArrayController::removeSelectedObject(const QString& keyword)
{
    QStringList selection = m_selection;
    selection.removeAll(keyword);
    setSelectedObjects(selection);
}
