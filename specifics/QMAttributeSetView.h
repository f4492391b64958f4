#pragma once
// One eBay attribute set in a tab of the item-specifics sheet: a scrolling column with one row per
// attribute of the set, each made and driven by an attribute controller, in the store's display
// order. The view applies the set's attribute dependencies as the user chooses: a parent value
// that a dependency names activates the child and narrows its values to those the dependency
// allows; every other child of that parent is deactivated, and so, in turn, are its children.
// Rows of inactive attributes stay, disabled; they count neither in the result nor in validation.
//
// A dependency cycle in the store's data is cut where it comes back to an attribute whose change
// is still being applied (with a log line), so a change always ends. Main thread.
//
//     auto* view = new QMAttributeSetView(tab);
//     view->setAttributeDataStore(store);
//     view->setAttributeSet(store->attributeSetWithIdentifier(1785));
//     view->setSiteID(77);
//     view->setAttributeValuesWrapper(item->attributeForSetID(QStringLiteral("1785")));
//     view->installViews();
//     ...
//     if (view->erroneousAttributeControllers().isEmpty())
//         values.insert(QStringLiteral("1785"), view->selectedAttributeValues());

#include "DWKit/widgets/QMContainerView.h"
#include "specifics/QMAttributeViewController.h"

#include <QSet>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <vector>

class QMAttributeSetView : public QMContainerView
{
    Q_OBJECT

public:
    explicit QMAttributeSetView(QWidget* parent = nullptr);
    ~QMAttributeSetView() override;

    // Makes the controllers and their rows, applies every dependency to the stored selection and
    // shows the rows. Once, after the store, set, site and stored values are given.
    void installViews();

    QList<QMAttributeViewController*> attributeControllers() const;
    // Those whose attribute has a "required" rule (type 3), active or not.
    QList<QMAttributeViewController*> requiredAttributeControllers() const;
    QList<QMAttributeViewController*> activeAttributeControllers() const;
    QList<QWidget*> activeAttributeViews() const;
    // Attribute ID (decimal text) → the chosen values (a QVariantList of archived
    // QMEbayAttributeValue objects), for every active attribute that reports values (an empty
    // list included).
    QVariantMap selectedAttributeValues() const;
    // Validates every active attribute; those that then break a rule, in display order.
    QList<QMAttributeViewController*> erroneousAttributeControllers() const;
    // Applies the dependencies of the controller's attribute to its current choice.
    void attributeValueChanged(QMAttributeViewController* controller);
    QMAttributeViewController* controllerForAttributeWithID(qint64 identifier) const;
    static bool attributeValueListContainsValueWithID(const QMAttributeViewController::ValueList& values,
                                                      qint64 identifier);
    // On the eBay Motors site (100) the passenger-vehicle set shows neither manufacturer nor model,
    // and only the attributes whose Motors visibility type is 1 or 4; otherwise all.
    QList<SQAttributePtr> filterDisplayAttributesForEBayMotors(const QList<SQAttributePtr>& attributes) const;

    const SQAttributeSetPtr& attributeSet() const { return m_attributeSet; }
    void setAttributeSet(const SQAttributeSetPtr& set) { m_attributeSet = set; }
    const QMAttributeViewController::StorePtr& attributeDataStore() const { return m_attributeDataStore; }
    void setAttributeDataStore(const QMAttributeViewController::StorePtr& store) { m_attributeDataStore = store; }
    // The listing's stored entry for this set: {"version", "values": {attribute ID: values}}.
    const QVariantMap& attributeValuesWrapper() const { return m_attributeValuesWrapper; }
    void setAttributeValuesWrapper(const QVariantMap& wrapper) { m_attributeValuesWrapper = wrapper; }
    int siteID() const { return m_siteID; }
    void setSiteID(int siteID) { m_siteID = siteID; }

    // The stored values of one attribute in a set's entry; nullopt when there are none.
    static std::optional<QMAttributeViewController::ValueList> storedValues(const QVariantMap& wrapper,
                                                                            qint64 attributeID);

private:
    SQAttributeSetPtr m_attributeSet;
    QMAttributeViewController::StorePtr m_attributeDataStore;
    QVariantMap m_attributeValuesWrapper;
    int m_siteID = 0;
    std::vector<std::unique_ptr<QMAttributeViewController>> m_attributeControllers;
    // Controllers whose change is being applied right now; a cascade that comes back to one of
    // them is a cycle in the store's dependencies.
    QSet<const QMAttributeViewController*> m_changesInProgress;
};
