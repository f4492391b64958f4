#pragma once
// A list of keywords with a selection: what a keyword bar shows and changes. The selection keeps
// the order of the list; a change of the list keeps the selected keywords that are still in it.
// Both changes are announced, each once per change. Main thread.
//
//     controller->setContent({"All", "Cars", "Toys"});
//     controller->setSelectedObjects({"All"});

#include <QObject>
#include <QStringList>

class QMKeywordArrayController : public QObject
{
    Q_OBJECT

public:
    explicit QMKeywordArrayController(QObject* parent = nullptr) : QObject(parent) {}

    const QStringList& arrangedObjects() const { return m_content; }
    void setContent(const QStringList& keywords);

    const QStringList& selectedObjects() const { return m_selection; }
    // Keywords not in the list are left out.
    void setSelectedObjects(const QStringList& keywords);
    void addSelectedObject(const QString& keyword);
    void removeSelectedObject(const QString& keyword);
    bool isSelected(const QString& keyword) const { return m_selection.contains(keyword); }

Q_SIGNALS:
    void arrangedObjectsChanged();
    void selectionChanged();

private:
    QStringList inListOrder(const QStringList& keywords) const;

    QStringList m_content;
    QStringList m_selection;
};
