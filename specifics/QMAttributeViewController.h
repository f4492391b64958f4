#pragma once
// One row of an attribute set view: the controller of one eBay attribute, which holds the
// attribute, the values its control offers and the listing's stored values, builds the row (the
// label, the control, the message under it), tracks whether the attribute is active and whether
// its input breaks a validation rule, and announces every change of the input with
// "AttributeValueChangedNotification" (object: the controller) on the default notification
// centre, synchronously.
//
// The factory picks the kind by the attribute's type and input type (QMAttributeViewControllers.h
// has the six kinds). A controller reports the user's choice with selectedValues(): nullopt for
// "no value at all" (an empty text field, which leaves the attribute out of the set's values), an
// empty list for "nothing chosen". Main thread.
//
//     auto controller = QMAttributeViewController::controllerForAttribute(
//         attribute, store->attributeValuesForAttribute(attribute), stored,
//         store->attributePresentationInstructionForAttribute(attribute), set, store);
//     if (controller) {
//         controller->loadNib();
//         column->addManagedViews({controller->attributeView()});
//     }

#include "DWCoreDataEbayDataClasses/SQAttribute.h"
#include "model/QMEbayAttributeValue.h"

#include <QColor>
#include <QLabel>
#include <QList>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

class QHBoxLayout;
class SQAttributesDatabase;

inline const QString kQMAttributeValueChangedNotification = QStringLiteral("AttributeValueChangedNotification");

// The manufacturer and model attributes of the passenger-vehicle set (kQMPassengerCSSetID), which
// the eBay Motors site never shows in it.
inline constexpr qint64 kQMPassengerCSSetManufacturerAttributeID = 39;
inline constexpr qint64 kQMPassengerCSSetModelAttributeID = 41;

class QMAttributeViewController : public QObject
{
    Q_OBJECT

public:
    using ValueList = QList<QMEbayAttributeValue>;
    using StorePtr = std::shared_ptr<SQAttributesDatabase>;

    // The controller for the attribute's kind; null, with one log line, for an input type this
    // program does not know.
    static std::unique_ptr<QMAttributeViewController>
    controllerForAttribute(const SQAttributePtr& attribute, const QList<SQAttributeValuePtr>& allowedValues,
                           const std::optional<ValueList>& initialValues,
                           const SQAttributePresentationInstructionPtr& presentationInstruction,
                           const SQAttributeSetPtr& attributeSet, const StorePtr& dataStore);

    // Active exactly when the attribute's visibility is 1.
    QMAttributeViewController(SQAttributePtr attribute, QList<SQAttributeValuePtr> allowedValues,
                              std::optional<ValueList> initialValues,
                              SQAttributePresentationInstructionPtr presentationInstruction,
                              SQAttributeSetPtr attributeSet, StorePtr dataStore);
    ~QMAttributeViewController() override;

    // Builds the row and fills it (awakeFromNib()). Once.
    void loadNib();
    // The name of the kind's row layout.
    virtual QString nibName() const = 0;
    // Label and message, then installAllowedValues(), installInitialValues(), updateActivityState().
    virtual void awakeFromNib();
    virtual void installAllowedValues() {}
    virtual void installInitialValues() {}
    virtual std::optional<ValueList> selectedValues() const { return std::nullopt; }
    // Enables the principal control while the attribute is active.
    virtual void updateActivityState();
    void postValueChangedNotification();
    // Runs the attribute's rules on the current choice; the first rule that fails makes the
    // attribute erroneous (red label) and is kept as lastErroneousRule().
    void validateAttributeRules();

    // The row; owned by whichever column shows it (or by the controller until then).
    QWidget* attributeView() const { return m_attributeView; }
    QLabel* labelTextField() const { return m_labelTextField; }
    QLabel* bottomMessageField() const { return m_bottomMessageField; }
    QWidget* principalControl() const { return m_principalControl; }

    const SQAttributePtr& attribute() const { return m_attribute; }
    const QList<SQAttributeValuePtr>& allowedValues() const { return m_allowedValues; }
    void setAllowedValues(const QList<SQAttributeValuePtr>& values) { m_allowedValues = values; }
    const std::optional<ValueList>& initialValues() const { return m_initialValues; }
    const SQAttributePresentationInstructionPtr& presentationInstruction() const { return m_presentationInstruction; }
    const SQAttributeSetPtr& attributeSet() const { return m_attributeSet; }
    const StorePtr& dataStore() const { return m_dataStore; }

    bool isActive() const { return m_isActive; }
    void setIsActive(bool active) { m_isActive = active; }
    bool isErroneous() const { return m_isErroneous; }
    void setIsErroneous(bool erroneous);
    bool isRequired() const { return m_isRequired; }
    void setIsRequired(bool required) { m_isRequired = required; }
    // Invalid: the theme's text colour.
    QColor labelColor() const { return m_labelColor; }
    void setLabelColor(const QColor& color);
    const SQAttributeValidationRulePtr& lastErroneousRule() const { return m_lastErroneousRule; }

    // A chosen value copied from an allowed value: its identifier as an integer in decimal, its
    // name and display name.
    static QMEbayAttributeValue valueFromAllowedValue(const SQAttributeValue& value);
    // The title a control shows for an allowed value: its display name, else its name.
    static QString titleOfValue(const SQAttributeValue& value);

protected:
    // Builds the kind's controls into the row's control area and names the principal control.
    virtual void buildControls(QHBoxLayout* controlArea) = 0;
    void setPrincipalControl(QWidget* control) { m_principalControl = control; }

private:
    SQAttributePtr m_attribute;
    QList<SQAttributeValuePtr> m_allowedValues;
    std::optional<ValueList> m_initialValues;
    SQAttributePresentationInstructionPtr m_presentationInstruction;
    SQAttributeSetPtr m_attributeSet;
    StorePtr m_dataStore;
    bool m_isActive = false;
    bool m_isErroneous = false;
    bool m_isRequired = false;
    QColor m_labelColor;
    SQAttributeValidationRulePtr m_lastErroneousRule;

    QPointer<QWidget> m_attributeView;
    QPointer<QLabel> m_labelTextField;
    QPointer<QLabel> m_bottomMessageField;
    QPointer<QWidget> m_principalControl;
};
