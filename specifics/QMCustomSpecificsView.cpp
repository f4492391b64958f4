#include "specifics/QMCustomSpecificsView.h"

#include "DWCoreDataEbayDataClasses/SQCategoriesDatabase.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "platform/core/NotificationCenter.h"
#include "specifics/QMCustomSpecificViewController.h"

#include <QComboBox>
#include <algorithm>

namespace {

constexpr int kOtherItemTag = 1;

QStringList valuesOf(const SQItemSpecificPtr& specific)
{
    QStringList values;
    if (specific) {
        for (const auto& value : specific->sortedItemSpecificValues())
            values.append(value->value());
    }
    return values;
}

} // namespace

QMCustomSpecificsView::QMCustomSpecificsView(QWidget* parent) : QMContainerView(parent) {}

QMCustomSpecificsView::~QMCustomSpecificsView()
{
    for (QMCustomSpecificViewController* controller : std::as_const(m_controllers))
        dw::NotificationCenter::defaultCenter().removeObserversOwnedBy(controller);
}

SQItemSpecificPtr QMCustomSpecificsView::suggestionNamed(const QString& name) const
{
    for (const auto& specific : m_suggestedSpecifics) {
        if (specific && specific->name() == name)
            return specific;
    }
    return nullptr;
}

QMCustomSpecificViewController* QMCustomSpecificsView::createControllerForSpecificName(const QString& name)
{
    const SQItemSpecificPtr suggestion = suggestionNamed(name);
    const QStringList values = valuesOf(suggestion);
    QString value;
    if (const auto stored = m_initialItemSpecifics.constFind(name); stored != m_initialItemSpecifics.constEnd())
        value = stored->toString();
    else if (!values.isEmpty())
        value = values.first();
    auto made = QMCustomSpecificViewController::specificsControllerForName(name, value, values, !suggestion,
                                                                           m_runsForMultipleTemplates);
    QMCustomSpecificViewController* controller = made.release();
    controller->setParent(this);
    controller->loadNib();
    m_controllers.append(controller);
    dw::NotificationCenter::defaultCenter().addObserver(
        kQMRemoveCustomSpecificViewControllerNotification, static_cast<const void*>(controller),
        [this, controller](const dw::Notification&) { userDidRemoveSpecific(controller); }, controller);
    return controller;
}

QMCustomSpecificViewController* QMCustomSpecificsView::specificViewControllerForSpecific(const QString& name) const
{
    for (QMCustomSpecificViewController* controller : m_controllers) {
        if (controller->specificName() == name)
            return controller;
    }
    return nullptr;
}

QList<QMCustomSpecificViewController*> QMCustomSpecificsView::specificControllers() const
{
    return m_controllers;
}

void QMCustomSpecificsView::appendRows(const QList<QMCustomSpecificViewController*>& rows)
{
    QList<QWidget*> views;
    for (QMCustomSpecificViewController* row : rows)
        views.append(row->specificView());
    addManagedViews(views);
}

void QMCustomSpecificsView::installViewsUsingSuggestions(bool useSuggestions)
{
    awakeFromNib();
    QStringList suggestedNames;
    if (useSuggestions) {
        for (const auto& specific : std::as_const(m_suggestedSpecifics))
            suggestedNames.append(specific->name());
    }
    QStringList names;
    if (!m_initialItemSpecifics.isEmpty()) {
        for (const QString& name : std::as_const(suggestedNames)) {
            if (m_initialItemSpecifics.contains(name) && !names.contains(name))
                names.append(name);
        }
        for (auto it = m_initialItemSpecifics.constBegin(); it != m_initialItemSpecifics.constEnd(); ++it) {
            if (!names.contains(it.key()))
                names.append(it.key());
        }
    } else {
        names = suggestedNames;
    }
    QList<QMCustomSpecificViewController*> rows;
    for (const QString& name : std::as_const(names))
        rows.append(createControllerForSpecificName(name));
    appendRows(rows);
    updateSpecificPopupMenu();
}

void QMCustomSpecificsView::setSpecificPopup(QComboBox* popup)
{
    if (m_specificPopup)
        disconnect(m_specificPopup, nullptr, this, nullptr);
    m_specificPopup = popup;
    if (!popup)
        return;
    connect(popup, &QComboBox::activated, this, [this](int index) {
        // The first item is the pop-up's title, not a detail.
        if (index > 0 && m_specificPopup)
            specificPopupAction(m_specificPopup->itemText(index));
    });
}

void QMCustomSpecificsView::updateSpecificPopupMenu()
{
    if (!m_specificPopup)
        return;
    QComboBox* popup = m_specificPopup;
    popup->clear();
    popup->addItem(dw::localized("Choose Detail"));
    for (const auto& specific : std::as_const(m_suggestedSpecifics)) {
        const QString name = specific->name();
        if (specificViewControllerForSpecific(name))
            continue;
        // Each title is held once: a second one moves the item to the end.
        if (const int existing = popup->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive); existing > 0)
            popup->removeItem(existing);
        popup->addItem(name);
    }
    if (popup->count() >= 2)
        popup->insertSeparator(popup->count());
    popup->addItem(dw::localized("Other"), kOtherItemTag);
    popup->setCurrentIndex(0);
}

void QMCustomSpecificsView::specificPopupAction(const QString& title)
{
    QMCustomSpecificViewController* row = createControllerForSpecificName(title);
    appendRows({row});
    scrollManagedViewToVisible(row->specificView());
    updateSpecificPopupMenu();
}

void QMCustomSpecificsView::userDidRemoveSpecific(QMCustomSpecificViewController* controller)
{
    if (!m_controllers.contains(controller))
        return;
    dw::NotificationCenter::defaultCenter().removeObserversOwnedBy(controller);
    m_controllers.removeAll(controller);
    QWidget* view = controller->specificView();
    removeManagedView(view);
    // The row's own button is still sending its click: both go once it has returned.
    if (view)
        view->deleteLater();
    controller->deleteLater();
    updateSpecificPopupMenu();
}

QVariantMap QMCustomSpecificsView::selectedItemSpecifics() const
{
    QVariantMap specifics;
    for (QMCustomSpecificViewController* controller : m_controllers) {
        if (controller->valueActivated())
            specifics.insert(controller->specificName(), controller->value());
    }
    return specifics;
}

void QMCustomSpecificsView::addGetItemRecommendations(const QVariantMap& recommendations,
                                                      const std::shared_ptr<SQCategoriesDatabase>& categoriesDataBase)
{
    if (!categoriesDataBase)
        dw::raiseInternalInconsistency(QStringLiteral("Invalid parameter not satisfying: nil != inCategoriesDataBase"),
                                       __FILE__, __LINE__);
    mergeSuggestedSpecifics(recommendations, categoriesDataBase);
    QStringList newNames;
    for (auto it = recommendations.constBegin(); it != recommendations.constEnd(); ++it) {
        if (QMCustomSpecificViewController* row = specificViewControllerForSpecific(it.key())) {
            row->setSuggestedValues(it.value().toStringList());
            row->updateValueComboBox();
        } else {
            newNames.append(it.key());
        }
    }
    QList<QMCustomSpecificViewController*> rows;
    for (const QString& name : std::as_const(newNames))
        rows.append(createControllerForSpecificName(name));
    appendRows(rows);
    updateSpecificPopupMenu();
}

void QMCustomSpecificsView::mergeSuggestedSpecifics(const QVariantMap& recommendations,
                                                    const std::shared_ptr<SQCategoriesDatabase>& categoriesDataBase)
{
    deleteSpecificsFromContext(categoriesDataBase);
    QList<SQItemSpecificPtr> merged = m_suggestedSpecifics;
    qint64 index = 0;
    for (auto it = recommendations.constBegin(); it != recommendations.constEnd(); ++it, ++index) {
        const auto recommended =
            categoriesDataBase->insertAdditionalItemSpecific(index, it.key(), it.value().toStringList());
        if (!recommended)
            continue;
        const auto same = std::find_if(merged.begin(), merged.end(), [&](const SQItemSpecificPtr& specific) {
            return specific && specific->name() == it.key();
        });
        if (same != merged.end())
            *same = recommended;
        else
            merged.append(recommended);
    }
    m_suggestedSpecifics = merged;
}

void QMCustomSpecificsView::deleteSpecificsFromContext(const std::shared_ptr<SQCategoriesDatabase>& categoriesDataBase)
{
    if (categoriesDataBase)
        categoriesDataBase->deleteAdditionalItemSpecifics();
}
