#pragma once
// The objects a carousel shows: the list as given, the same objects arranged (sorted by name when
// a sort key is set), the selection (the object in front) and the enabled index (the object in
// use, outlined). Indexes are always indexes of the arranged objects; callers that hold a list in
// another order ask arrangedIndexOfObject() rather than reuse their own index.
//
//     controller->setSortKeyPath("name");
//     controller->setContent(designs);
//     controller->setEnabledIndex(controller->arrangedIndexOfObject(current));
//
// A new content selects the first object (none when empty) and clears the enabled index: an index
// into the old list means nothing in the new one. Main thread.

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

class QMDesignTemplate;

class QMFlowViewArrayController : public QObject
{
    Q_OBJECT

public:
    using ObjectPtr = std::shared_ptr<QMDesignTemplate>;
    static constexpr qsizetype NotFound = -1;

    explicit QMFlowViewArrayController(QObject* parent = nullptr) : QObject(parent) {}

    const QList<ObjectPtr>& content() const { return m_content; }
    void setContent(const QList<ObjectPtr>& content);
    const QList<ObjectPtr>& arrangedObjects() const { return m_arranged; }
    qsizetype count() const { return m_arranged.size(); }
    ObjectPtr objectAtIndex(qsizetype index) const;
    qsizetype arrangedIndexOfObject(const ObjectPtr& object) const;

    // Ascending, ignoring case; empty keeps the given order.
    QString sortKeyPath() const { return m_sortKeyPath; }
    void setSortKeyPath(const QString& keyPath);

    qsizetype selectionIndex() const { return m_selectionIndex; }
    // An index outside the arranged objects clears the selection.
    void setSelectionIndex(qsizetype index);
    ObjectPtr selectedObject() const { return objectAtIndex(m_selectionIndex); }
    bool canSelectPrevious() const { return m_selectionIndex != NotFound && m_selectionIndex > 0; }
    bool canSelectNext() const { return m_selectionIndex != NotFound && m_selectionIndex + 1 < count(); }

    qsizetype enabledIndex() const { return m_enabledIndex; }
    // An index outside the arranged objects means none.
    void setEnabledIndex(qsizetype index);

Q_SIGNALS:
    void arrangedObjectsChanged();
    void selectionChanged();
    void enabledIndexChanged();

private:
    void rearrange();

    QList<ObjectPtr> m_content;
    QList<ObjectPtr> m_arranged;
    QString m_sortKeyPath;
    qsizetype m_selectionIndex = NotFound;
    qsizetype m_enabledIndex = NotFound;
};
