#include "description/DesignChooser/QMFlowViewArrayController.h"

#include "description/DesignChooser/QMDesignTemplate+ImageView.h"
#include "description/QMDesignTemplate.h"

#include <algorithm>

void QMFlowViewArrayController::setContent(const QList<ObjectPtr>& content)
{
    m_content = content;
    rearrange();
    m_enabledIndex = NotFound;
    m_selectionIndex = m_arranged.isEmpty() ? NotFound : 0;
    Q_EMIT arrangedObjectsChanged();
    Q_EMIT selectionChanged();
    Q_EMIT enabledIndexChanged();
}

void QMFlowViewArrayController::rearrange()
{
    m_arranged.clear();
    for (const ObjectPtr& object : std::as_const(m_content)) {
        if (object)
            m_arranged.append(object);
    }
    if (m_sortKeyPath.isEmpty())
        return;
    std::stable_sort(m_arranged.begin(), m_arranged.end(), [this](const ObjectPtr& a, const ObjectPtr& b) {
        return qm::valueForKeyPath(*a, m_sortKeyPath)
                   .toString()
                   .compare(qm::valueForKeyPath(*b, m_sortKeyPath).toString(), Qt::CaseInsensitive) < 0;
    });
}

QMFlowViewArrayController::ObjectPtr QMFlowViewArrayController::objectAtIndex(qsizetype index) const
{
    return index >= 0 && index < m_arranged.size() ? m_arranged.at(index) : nullptr;
}

qsizetype QMFlowViewArrayController::arrangedIndexOfObject(const ObjectPtr& object) const
{
    if (!object)
        return NotFound;
    const qsizetype index = m_arranged.indexOf(object);
    return index < 0 ? NotFound : index;
}

void QMFlowViewArrayController::setSortKeyPath(const QString& keyPath)
{
    if (keyPath == m_sortKeyPath)
        return;
    const ObjectPtr selected = selectedObject();
    const ObjectPtr enabled = objectAtIndex(m_enabledIndex);
    m_sortKeyPath = keyPath;
    rearrange();
    // The same objects stay selected and enabled at their new places.
    m_selectionIndex = arrangedIndexOfObject(selected);
    m_enabledIndex = arrangedIndexOfObject(enabled);
    Q_EMIT arrangedObjectsChanged();
    Q_EMIT selectionChanged();
    Q_EMIT enabledIndexChanged();
}

void QMFlowViewArrayController::setSelectionIndex(qsizetype index)
{
    if (index < 0 || index >= m_arranged.size())
        index = NotFound;
    if (index == m_selectionIndex)
        return;
    m_selectionIndex = index;
    Q_EMIT selectionChanged();
}

void QMFlowViewArrayController::setEnabledIndex(qsizetype index)
{
    if (index < 0 || index >= m_arranged.size())
        index = NotFound;
    if (index == m_enabledIndex)
        return;
    m_enabledIndex = index;
    Q_EMIT enabledIndexChanged();
}
