#include "specifics/QMAttributeSetView.h"

#include "DWCoreDataEbayDataClasses/SQAttributesDatabase.h"
#include "DWKit/QMLog.h"
#include "Operations/QMSimpleAddItemRequestFactory.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/NotificationCenter.h"

#include <QScopeGuard>
#include <algorithm>

namespace {

constexpr int kEBayMotorsSiteID = 100;
constexpr quint64 kRequiredRuleType = 3;

} // namespace

QMAttributeSetView::QMAttributeSetView(QWidget* parent) : QMContainerView(parent) {}

QMAttributeSetView::~QMAttributeSetView()
{
    dw::NotificationCenter::defaultCenter().removeObserversOwnedBy(this);
}

std::optional<QMAttributeViewController::ValueList> QMAttributeSetView::storedValues(const QVariantMap& wrapper,
                                                                                     qint64 attributeID)
{
    const QVariantMap values = wrapper.value(QStringLiteral("values")).toMap();
    const auto found = values.constFind(QString::number(attributeID));
    if (found == values.constEnd())
        return std::nullopt;
    QMAttributeViewController::ValueList list;
    for (const QVariant& value : found->toList()) {
        if (const auto object = dw::archivedObjectCast<QMEbayAttributeValue>(value))
            list.append(*object);
    }
    return list;
}

void QMAttributeSetView::installViews()
{
    awakeFromNib();
    if (!m_attributeDataStore || !m_attributeSet)
        return;
    auto& center = dw::NotificationCenter::defaultCenter();
    const auto attributes =
        filterDisplayAttributesForEBayMotors(m_attributeDataStore->sortedAttributesForAttributeSet(m_attributeSet));
    QList<QWidget*> rows;
    for (const auto& attribute : attributes) {
        if (attribute->editType() == 1)
            continue;
        auto controller = QMAttributeViewController::controllerForAttribute(
            attribute, m_attributeDataStore->attributeValuesForAttribute(attribute),
            storedValues(m_attributeValuesWrapper, attribute->identifier()),
            m_attributeDataStore->attributePresentationInstructionForAttribute(attribute), m_attributeSet,
            m_attributeDataStore);
        if (!controller)
            continue;
        controller->loadNib();
        QMAttributeViewController* observed = controller.get();
        center.addObserver(
            kQMAttributeValueChangedNotification, static_cast<const void*>(observed),
            [this, observed](const dw::Notification&) { attributeValueChanged(observed); }, this);
        rows.append(controller->attributeView());
        m_attributeControllers.push_back(std::move(controller));
    }
    // Every dependency is applied to the stored selection before the rows are shown.
    for (const auto& controller : m_attributeControllers)
        controller->postValueChangedNotification();
    addManagedViews(rows);
}

QList<QMAttributeViewController*> QMAttributeSetView::attributeControllers() const
{
    QList<QMAttributeViewController*> controllers;
    for (const auto& controller : m_attributeControllers)
        controllers.append(controller.get());
    return controllers;
}

QList<QMAttributeViewController*> QMAttributeSetView::requiredAttributeControllers() const
{
    QList<QMAttributeViewController*> controllers;
    for (const auto& controller : m_attributeControllers) {
        if (controller->attribute()->hasRuleWithType(kRequiredRuleType))
            controllers.append(controller.get());
    }
    return controllers;
}

QList<QMAttributeViewController*> QMAttributeSetView::activeAttributeControllers() const
{
    QList<QMAttributeViewController*> controllers;
    for (const auto& controller : m_attributeControllers) {
        if (controller->isActive())
            controllers.append(controller.get());
    }
    return controllers;
}

QList<QWidget*> QMAttributeSetView::activeAttributeViews() const
{
    QList<QWidget*> views;
    for (QMAttributeViewController* controller : activeAttributeControllers())
        views.append(controller->attributeView());
    return views;
}

QVariantMap QMAttributeSetView::selectedAttributeValues() const
{
    QVariantMap result;
    for (QMAttributeViewController* controller : activeAttributeControllers()) {
        const auto values = controller->selectedValues();
        if (!values)
            continue;
        QVariantList list;
        for (const QMEbayAttributeValue& value : *values)
            list.append(dw::archiveValue(std::make_shared<QMEbayAttributeValue>(value)));
        result.insert(QString::number(controller->attribute()->identifier()), list);
    }
    return result;
}

QList<QMAttributeViewController*> QMAttributeSetView::erroneousAttributeControllers() const
{
    QList<QMAttributeViewController*> erroneous;
    for (QMAttributeViewController* controller : activeAttributeControllers()) {
        controller->validateAttributeRules();
        if (controller->isErroneous())
            erroneous.append(controller);
    }
    return erroneous;
}

QMAttributeViewController* QMAttributeSetView::controllerForAttributeWithID(qint64 identifier) const
{
    for (const auto& controller : m_attributeControllers) {
        if (controller->attribute()->identifier() == identifier)
            return controller.get();
    }
    return nullptr;
}

bool QMAttributeSetView::attributeValueListContainsValueWithID(const QMAttributeViewController::ValueList& values,
                                                               qint64 identifier)
{
    return std::any_of(values.cbegin(), values.cend(), [identifier](const QMEbayAttributeValue& value) {
        return dw::integerValue(value.identifier()) == identifier;
    });
}

void QMAttributeSetView::attributeValueChanged(QMAttributeViewController* parent)
{
    if (!parent)
        return;
    if (m_changesInProgress.contains(parent)) {
        QMLog("attribute dependency cycle through attribute %@ of set %@ ends here", parent->attribute()->label(),
              m_attributeSet ? m_attributeSet->name() : QString());
        return;
    }
    m_changesInProgress.insert(parent);
    const auto done = qScopeGuard([this, parent] { m_changesInProgress.remove(parent); });

    const QMAttributeViewController::ValueList chosen =
        parent->selectedValues().value_or(QMAttributeViewController::ValueList());
    QList<QMAttributeViewController*> activated;
    QList<QMAttributeViewController*> deactivated;
    for (const auto& dependency : parent->attribute()->mergedDependencies()) {
        const auto child = dependency->childAttribute();
        QMAttributeViewController* controller = child ? controllerForAttributeWithID(child->identifier()) : nullptr;
        if (!controller)
            continue;
        const auto parentValue = dependency->parentValue();
        if (parent->isActive() && parentValue &&
            attributeValueListContainsValueWithID(chosen, parentValue->integerIdentifier())) {
            controller->setAllowedValues(
                m_attributeDataStore->attributeValuesForAttribute(controller->attribute(), dependency->childValues()));
            controller->setIsActive(true);
            controller->installAllowedValues();
            controller->installInitialValues();
            if (!activated.contains(controller))
                activated.append(controller);
            deactivated.removeAll(controller);
        } else if (!activated.contains(controller)) {
            controller->setIsActive(false);
            if (!deactivated.contains(controller))
                deactivated.append(controller);
        }
    }
    // Each post is applied at once, so the change runs down through the grandchildren.
    for (QMAttributeViewController* controller : activated + deactivated) {
        controller->updateActivityState();
        controller->postValueChangedNotification();
    }
}

QList<SQAttributePtr>
QMAttributeSetView::filterDisplayAttributesForEBayMotors(const QList<SQAttributePtr>& attributes) const
{
    if (m_siteID != kEBayMotorsSiteID || !m_attributeSet || m_attributeSet->identifier() != kQMPassengerCSSetID)
        return attributes;
    QList<SQAttributePtr> shown;
    for (const auto& attribute : attributes) {
        const qint64 identifier = attribute->identifier();
        if (identifier == kQMPassengerCSSetManufacturerAttributeID || identifier == kQMPassengerCSSetModelAttributeID)
            continue;
        const auto instruction = attribute->presentationInstruction();
        const qint64 motors = instruction ? instruction->motorsVisibilityType() : 0;
        if (motors == 1 || motors == 4)
            shown.append(attribute);
    }
    return shown;
}
