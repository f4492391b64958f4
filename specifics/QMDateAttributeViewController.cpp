#include "specifics/QMDateAttributeViewController.h"

#include "DWCoreDataEbayDataClasses/SQAttributesDatabase.h"
#include "specifics/QMKeyViewTextField.h"

#include <QComboBox>
#include <QHBoxLayout>

void QMDateAttributeViewController::buildControls(QHBoxLayout* controlArea)
{
    QWidget* row = attributeView();
    m_dayPopup = new QComboBox(row);
    m_dayPopup->setObjectName(QStringLiteral("dayPopup"));
    for (int day = 1; day <= 31; ++day)
        m_dayPopup->addItem(QString::number(day));
    m_monthPopup = new QComboBox(row);
    m_monthPopup->setObjectName(QStringLiteral("monthPopup"));
    m_yearPopup = new QComboBox(row);
    m_yearPopup->setObjectName(QStringLiteral("yearPopup"));
    m_yearField = new QMKeyViewTextField(row);
    m_yearField->setObjectName(QStringLiteral("yearField"));
    m_yearField->setPlaceholderText(QStringLiteral("YYYY"));
    m_yearField->setMaxLength(4);
    m_yearField->setFixedWidth(m_yearField->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    for (QWidget* part : {static_cast<QWidget*>(m_dayPopup), static_cast<QWidget*>(m_monthPopup),
                          static_cast<QWidget*>(m_yearPopup), static_cast<QWidget*>(m_yearField)})
        controlArea->addWidget(part);
    controlArea->addStretch();
    for (QComboBox* popup : {m_dayPopup.data(), m_monthPopup.data(), m_yearPopup.data()})
        connect(popup, &QComboBox::activated, this, &QMDateAttributeViewController::popupChanged);
}

QString QMDateAttributeViewController::dateFormat() const
{
    const QString format = attribute()->dateFormat();
    return format == QLatin1String("c") ? QStringLiteral("D-M-Y") : format;
}

bool QMDateAttributeViewController::hasDayPopup() const
{
    return dateFormat().toLower().contains(QLatin1Char('d'));
}

bool QMDateAttributeViewController::hasMonthPopup() const
{
    return dateFormat().toLower().contains(QLatin1Char('m'));
}

bool QMDateAttributeViewController::hasYearPopup() const
{
    return dateFormat().toLower().contains(QLatin1Char('y'));
}

bool QMDateAttributeViewController::hasYearField() const
{
    return attribute()->dateFormat() == QLatin1String("c") || allowedValues().isEmpty();
}

void QMDateAttributeViewController::awakeFromNib()
{
    m_dayPopup->setVisible(hasDayPopup());
    m_monthPopup->setVisible(hasMonthPopup());
    m_yearField->setVisible(hasYearField());
    m_yearPopup->setVisible(!hasYearField() && hasYearPopup());
    if (hasMonthPopup()) {
        m_monthPopup->clear();
        const QString format = dateFormat();
        if (dataStore() && format.contains(QLatin1Char('m')))
            m_monthPopup->addItems(dataStore()->monthAscendingShort());
        if (dataStore() && format.contains(QLatin1Char('M')))
            m_monthPopup->addItems(dataStore()->monthAscendingLong());
    }
    QMAttributeViewController::awakeFromNib();
}

void QMDateAttributeViewController::installAllowedValues()
{
    m_yearPopup->clear();
    for (const auto& value : allowedValues())
        m_yearPopup->addItem(value->name());
}

void QMDateAttributeViewController::installInitialValues()
{
    if (!initialValues() || initialValues()->isEmpty())
        return;
    const QString stored = initialValues()->first().name();
    const bool yearShown = hasYearField() || hasYearPopup();
    if (yearShown && stored.size() >= 4) {
        const QString year = stored.left(4);
        if (hasYearField()) {
            m_yearField->setText(year);
        } else if (const int index = m_yearPopup->findText(year, Qt::MatchExactly | Qt::MatchCaseSensitive);
                   index >= 0) {
            m_yearPopup->setCurrentIndex(index);
        }
    }
    // Parts out of range leave the pop-up as it was.
    const auto select = [](QComboBox* popup, const QString& digits) {
        bool ok = false;
        const int number = digits.toInt(&ok);
        if (ok && number >= 1 && number <= popup->count())
            popup->setCurrentIndex(number - 1);
    };
    if (hasMonthPopup() && stored.size() >= 6)
        select(m_monthPopup, stored.mid(4, 2));
    if (hasDayPopup() && stored.size() >= 8)
        select(m_dayPopup, stored.mid(6, 2));
}

std::optional<QMAttributeViewController::ValueList> QMDateAttributeViewController::selectedValues() const
{
    QString value;
    QString display;
    if (hasYearField()) {
        const QString year = m_yearField->text();
        if (year.size() != 4)
            return ValueList();
        value = display = year;
    } else if (hasYearPopup()) {
        const QString year = m_yearPopup->currentText();
        if (year == QLatin1String("-"))
            return ValueList();
        value = display = year;
    }
    const auto append = [&](const QComboBox* popup) {
        value += QStringLiteral("%1").arg(popup->currentIndex() + 1, 2, 10, QLatin1Char('0'));
        if (!display.isEmpty())
            display += QLatin1Char('-');
        display += popup->currentText();
    };
    if (hasMonthPopup())
        append(m_monthPopup);
    if (hasDayPopup())
        append(m_dayPopup);
    QMEbayAttributeValue date(QStringLiteral("0"), value);
    date.setDisplayName(display);
    return ValueList{date};
}

void QMDateAttributeViewController::popupChanged()
{
    postValueChangedNotification();
}

void QMDateAttributeViewController::updateActivityState()
{
    for (QWidget* part : {static_cast<QWidget*>(m_dayPopup), static_cast<QWidget*>(m_monthPopup),
                          static_cast<QWidget*>(m_yearPopup), static_cast<QWidget*>(m_yearField)}) {
        if (part)
            part->setEnabled(isActive());
    }
}
