#pragma once
// The item-specifics sheet: one tab per attribute set of the listing's categories and, where the
// category allows them, a first tab "Custom Details" of free name/value rows with eBay's
// suggestions. OK validates every custom row and every active attribute and names the first
// problem in an alert, selecting its tab (custom rows first, then the sets in tab order); the
// sheet stays open until the input is valid or the user cancels. From the custom tab the user can
// ask eBay for recommendations, which are merged into the rows when they arrive, also while the
// sheet runs.
//
//     QVariant custom;
//     if (const auto sets = QMAttributePanelController::runSheetForWindow(window, item->attributeSets(),
//             setIDs, attributes, categories, item->siteID(), suggestions, item->customItemSpecifics(),
//             &custom, {item})) {
//         item->setAttributeSets(*sets);
//         item->setCustomItemSpecifics(custom.toMap());
//     }
//
// Main thread.

#include "DWCoreDataEbayDataClasses/SQCategory.h"
#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "platform/core/NotificationCenter.h"

#include <QComboBox>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTabWidget>
#include <QVariantMap>
#include <memory>
#include <optional>

class QMCustomSpecificsView;
class QMEbayItem;
class QPushButton;

class QMAttributePanelController : public QDialog
{
    Q_OBJECT

public:
    // The new attribute-values dictionary, or nothing when the seller cancelled (then
    // `selectedItemSpecifics` is left untouched). `suggestedSpecifics` null means the listing may
    // not use custom specifics; `selectedItemSpecifics` receives the custom specifics (an invalid
    // QVariant without a custom tab). Runs modally on the window.
    static std::optional<QVariantMap>
    runSheetForWindow(QWidget* parentWindow, const QVariantMap& currentAttributeValues,
                      const QStringList& characteristicSetIDs, const SQAttributesDatabasePtr& attributesDataBase,
                      const SQCategoriesDatabasePtr& categoriesDataBase, int siteID,
                      const std::optional<QList<SQItemSpecificPtr>>& suggestedSpecifics,
                      const std::optional<QVariantMap>& initialItemSpecifics, QVariant* selectedItemSpecifics,
                      const QList<std::shared_ptr<QMEbayItem>>& items);

    // The sheet's window without tabs; it watches the operations for recommendations from now on.
    explicit QMAttributePanelController(QWidget* parent = nullptr);
    ~QMAttributePanelController() override;

    // Builds the tabs from the values set below. Once. May ask whether to add eBay's suggestions.
    void awakeFromNib();

    // Set ID (decimal text) → {"version": the store's version, "values": attribute ID → values},
    // for every set tab that has values.
    QVariantMap selectedAttributeValues() const;
    // Name → value of the custom rows; an invalid QVariant without a custom tab.
    QVariant selectedItemSpecifics() const;

    // The buttons: OK validates and ends the sheet (Accepted) when all is valid; Cancel ends it
    // (Rejected) and keeps nothing; the third asks eBay for recommendations.
    void doOK();
    void doCancel();
    void getCurrentSpecifics();
    bool validateCustomSpecifics();
    void diplayValidationErrorPanelForAttribute(const SQAttributePtr& attribute,
                                                const SQAttributeValidationRulePtr& rule);

    QTabWidget* tabView() const { return m_tabView; }
    QWidget* addSpecificView() const { return m_addSpecificView; }
    QComboBox* specificPopup() const { return m_specificPopup; }
    QPushButton* recommendationsButton() const;
    // The custom rows; null without a custom tab.
    QMCustomSpecificsView* specificsView() const;

    const QVariantMap& currentValues() const { return m_currentValues; }
    void setCurrentValues(const QVariantMap& values) { m_currentValues = values; }
    const QStringList& characteristicSetIDs() const { return m_characteristicSetIDs; }
    void setCharacteristicSetIDs(const QStringList& ids) { m_characteristicSetIDs = ids; }
    const SQAttributesDatabasePtr& attributesDataBase() const { return m_attributesDataBase; }
    void setAttributesDataBase(const SQAttributesDatabasePtr& store) { m_attributesDataBase = store; }
    const SQCategoriesDatabasePtr& categoriesDataBase() const { return m_categoriesDataBase; }
    void setCategoriesDataBase(const SQCategoriesDatabasePtr& store) { m_categoriesDataBase = store; }
    const std::optional<QList<SQItemSpecificPtr>>& suggestedSpecifics() const { return m_suggestedSpecifics; }
    void setSuggestedSpecifics(const std::optional<QList<SQItemSpecificPtr>>& specifics)
    {
        m_suggestedSpecifics = specifics;
    }
    const std::optional<QVariantMap>& initialItemSpecifics() const { return m_initialItemSpecifics; }
    void setInitialItemSpecifics(const std::optional<QVariantMap>& specifics) { m_initialItemSpecifics = specifics; }
    int siteID() const { return m_siteID; }
    void setSiteID(int siteID) { m_siteID = siteID; }
    bool runsForMultipleTemplates() const { return m_runsForMultipleTemplates; }
    void setRunsForMultipleTemplates(bool multiple) { m_runsForMultipleTemplates = multiple; }
    const QList<std::shared_ptr<QMEbayItem>>& items() const { return m_items; }
    void setItems(const QList<std::shared_ptr<QMEbayItem>>& items) { m_items = items; }
    bool recommendationsOperationRunning() const { return m_recommendationsOperationRunning; }

Q_SIGNALS:
    void recommendationsOperationRunningChanged(bool running);

private:
    void operationStarted(const dw::Notification& notification);
    void operationEnded(const dw::Notification& notification);
    bool isRecommendationForFirstItem(const dw::Notification& notification) const;
    void setRecommendationsOperationRunning(bool running);
    QWidget* makeCustomTab();
    QWidget* makeSetTab(const SQAttributeSetPtr& set, const QString& identifier);

    QPointer<QTabWidget> m_tabView;
    QPointer<QWidget> m_addSpecificView;
    QPointer<QComboBox> m_specificPopup;
    QPointer<QPushButton> m_recommendationsButton;
    QPointer<QWidget> m_recommendationsProgress;
    QPointer<QMCustomSpecificsView> m_specificsView;

    QVariantMap m_currentValues;
    QStringList m_characteristicSetIDs;
    SQAttributesDatabasePtr m_attributesDataBase;
    SQCategoriesDatabasePtr m_categoriesDataBase;
    std::optional<QList<SQItemSpecificPtr>> m_suggestedSpecifics;
    std::optional<QVariantMap> m_initialItemSpecifics;
    int m_siteID = 0;
    bool m_runsForMultipleTemplates = false;
    QList<std::shared_ptr<QMEbayItem>> m_items;
    bool m_recommendationsOperationRunning = false;
    bool m_tabsBuilt = false;
    dw::ScopedObservation m_startedObservation;
    dw::ScopedObservation m_endedObservation;
};
