#pragma once
// The list of a listing's custom item specifics (free name/value pairs): one row per specific, a
// pop-up outside the list from which rows are added (the names eBay suggests for the category
// that have no row yet, and "Other" for a name of the user's own), and the merge of eBay's item
// recommendations, which become new rows or new suggested values of existing rows.
//
// The suggestions are the category's item specifics (SQItemSpecific objects in display order);
// recommendations are kept in the categories store's in-memory store and replace suggestions of
// the same name. Invalid rows (no name, no value, a name twice) are allowed while editing; the
// sheet reports them on OK. Main thread.
//
//     auto* list = new QMCustomSpecificsView(tab);
//     list->awakeFromNib();
//     list->setSuggestedSpecifics(suggestions);
//     list->setInitialItemSpecifics(item->customItemSpecifics());
//     list->setSpecificPopup(addPopup);
//     list->installViewsUsingSuggestions(false);
//     ...
//     item->setCustomItemSpecifics(list->selectedItemSpecifics());

#include "DWCoreDataEbayDataClasses/SQCategory.h"
#include "DWKit/widgets/QMContainerView.h"

#include <QPointer>
#include <QVariantMap>
#include <memory>

#include <QComboBox>
class QMCustomSpecificViewController;
class SQCategoriesDatabase;

class QMCustomSpecificsView : public QMContainerView
{
    Q_OBJECT

public:
    explicit QMCustomSpecificsView(QWidget* parent = nullptr);
    ~QMCustomSpecificsView() override;

    // The first rows: with stored specifics, those (suggested names first, in suggestion order);
    // without, the suggestions when `useSuggestions`, else none. Once.
    void installViewsUsingSuggestions(bool useSuggestions);
    // The pop-up that adds rows (not owned); its items are rebuilt here.
    void setSpecificPopup(QComboBox* popup);
    QComboBox* specificPopup() const { return m_specificPopup; }
    // Adds a row named after the chosen pop-up item and scrolls it into view.
    void specificPopupAction(const QString& title);
    // "Choose Detail", the suggested names without a row, a separator, "Other" (tag 1).
    void updateSpecificPopupMenu();
    // A new row for the name (not yet in the list): the suggestion's values, the stored value or
    // else the first suggested value, a fixed name exactly when the name is suggested.
    QMCustomSpecificViewController* createControllerForSpecificName(const QString& name);
    QMCustomSpecificViewController* specificViewControllerForSpecific(const QString& name) const;
    void userDidRemoveSpecific(QMCustomSpecificViewController* controller);
    // Name → value of every activated row, in row order (a later row wins over an earlier one of
    // the same name).
    QVariantMap selectedItemSpecifics() const;
    QList<QMCustomSpecificViewController*> specificControllers() const;

    // Merges eBay's recommendations (name → QStringList of values): an existing row of a name gets
    // the values in its list, a new name becomes a row at the end. The store must not be null.
    void addGetItemRecommendations(const QVariantMap& recommendations,
                                   const std::shared_ptr<SQCategoriesDatabase>& categoriesDataBase);
    void mergeSuggestedSpecifics(const QVariantMap& recommendations,
                                 const std::shared_ptr<SQCategoriesDatabase>& categoriesDataBase);
    static void deleteSpecificsFromContext(const std::shared_ptr<SQCategoriesDatabase>& categoriesDataBase);

    const QList<SQItemSpecificPtr>& suggestedSpecifics() const { return m_suggestedSpecifics; }
    void setSuggestedSpecifics(const QList<SQItemSpecificPtr>& specifics) { m_suggestedSpecifics = specifics; }
    const QVariantMap& initialItemSpecifics() const { return m_initialItemSpecifics; }
    void setInitialItemSpecifics(const QVariantMap& specifics) { m_initialItemSpecifics = specifics; }
    bool runsForMultipleTemplates() const { return m_runsForMultipleTemplates; }
    void setRunsForMultipleTemplates(bool multiple) { m_runsForMultipleTemplates = multiple; }

private:
    SQItemSpecificPtr suggestionNamed(const QString& name) const;
    void appendRows(const QList<QMCustomSpecificViewController*>& rows);

    QList<SQItemSpecificPtr> m_suggestedSpecifics;
    QVariantMap m_initialItemSpecifics;
    QPointer<QComboBox> m_specificPopup;
    QList<QMCustomSpecificViewController*> m_controllers; // children of the list
    bool m_runsForMultipleTemplates = false;
};
