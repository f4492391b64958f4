#include "specifics/QMSingleCheckboxAttributeViewController.h"

#include "platform/core/DWAssert.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <functional>

namespace {

// The value's name, which toggles the checkbox when clicked, as the box's own title would.
class ClickableLabel final : public QLabel
{
public:
    ClickableLabel(QWidget* parent, std::function<void()> clicked) : QLabel(parent), m_clicked(std::move(clicked)) {}

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QLabel::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_clicked();
    }

private:
    std::function<void()> m_clicked;
};

} // namespace

void QMSingleCheckboxAttributeViewController::buildControls(QHBoxLayout* controlArea)
{
    m_checkbox = new QCheckBox(attributeView());
    m_checkbox->setObjectName(QStringLiteral("checkbox"));
    m_nameField = new ClickableLabel(attributeView(), [this] {
        // An inactive attribute's box is disabled; its name does not change it either.
        if (m_checkbox->isEnabled())
            nameFieldClicked();
    });
    m_nameField->setObjectName(QStringLiteral("nameField"));
    controlArea->addWidget(m_checkbox);
    controlArea->addWidget(m_nameField, 1);
    connect(m_checkbox, &QCheckBox::clicked, this, &QMSingleCheckboxAttributeViewController::checkboxClicked);
    setPrincipalControl(m_checkbox);
}

void QMSingleCheckboxAttributeViewController::installAllowedValues()
{
    DW_ASSERT(allowedValues().size() <= 1, "more than one possible value for checkbox attributed detected");
    if (allowedValues().isEmpty())
        return;
    const QString title = titleOfValue(*allowedValues().first());
    m_nameField->setText(title);
    m_nameField->setToolTip(title);
}

void QMSingleCheckboxAttributeViewController::installInitialValues()
{
    if (!initialValues() || initialValues()->isEmpty() || allowedValues().isEmpty())
        return;
    if (initialValues()->first().identifier() == allowedValues().first()->identifier())
        m_checkbox->setChecked(true);
}

void QMSingleCheckboxAttributeViewController::checkboxClicked()
{
    postValueChangedNotification();
}

void QMSingleCheckboxAttributeViewController::nameFieldClicked()
{
    m_checkbox->setChecked(!m_checkbox->isChecked());
    postValueChangedNotification();
}

std::optional<QMAttributeViewController::ValueList> QMSingleCheckboxAttributeViewController::selectedValues() const
{
    if (!m_checkbox || !m_checkbox->isChecked() || allowedValues().isEmpty())
        return ValueList();
    return ValueList{valueFromAllowedValue(*allowedValues().first())};
}
