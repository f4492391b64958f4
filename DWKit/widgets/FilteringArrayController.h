#pragma once
// A list model filtered by a search text: only rows whose object contains the text, ignoring
// case, are shown; the source's order (and any sorting set on the controller) is kept.
//
// A row's object is the source's data in objectRole() (Qt::DisplayRole unless set): a string is
// kept when it contains the search text; an object with a title (a QObject with a "title"
// property, or a model object with a "title" key) when its title does; any other object only
// when the delegate says so. An empty search text shows every row. A search field's text changes
// go to setSearchString() and its edits to search(), which re-arranges the rows. Main thread.
//
//     auto* filtered = new FilteringArrayController(window);
//     filtered->setSourceModel(categories);
//     connect(searchField, &QLineEdit::textChanged, filtered, [=](const QString& text) {
//         filtered->setSearchString(text);
//         filtered->search(searchField);
//     });

#include <QSortFilterProxyModel>
#include <QVariantList>

class FilteringArrayController;

class FilteringArrayControllerDelegate
{
public:
    virtual ~FilteringArrayControllerDelegate() = default;
    // Whether to keep an object that is neither a string nor titled.
    virtual bool arrayController(FilteringArrayController* controller, const QVariant& shouldDisplayFilteredItem) = 0;
};

class FilteringArrayController : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit FilteringArrayController(QObject* parent = nullptr);

    // Re-arranges the rows; a search field (QLineEdit) as sender gets the focus and keeps its
    // cursor and selection.
    void search(QObject* sender);
    // The objects that the search text lets through, in their order.
    QVariantList arrangeObjects(const QVariantList& objects) const;

    QString searchString() const { return m_searchString; }
    void setSearchString(const QString& searchString) { m_searchString = searchString; }
    // Kept for the layouts; matching always ignores case.
    int searchOption() const { return m_searchOption; }
    void setSearchOption(int option) { m_searchOption = option; }
    // Not owned.
    FilteringArrayControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(FilteringArrayControllerDelegate* delegate) { m_delegate = delegate; }
    int objectRole() const { return m_objectRole; }
    void setObjectRole(int role) { m_objectRole = role; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    bool keeps(const QVariant& object) const;

    QString m_searchString;
    int m_searchOption = 0;
    FilteringArrayControllerDelegate* m_delegate = nullptr;
    int m_objectRole = Qt::DisplayRole;
};
