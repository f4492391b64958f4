// The pay sheet's buyer-data form: its fields by tag, their checks, indicators and status line,
// the VAT fields and the terms line.
#include "DWPayment/DWPPaySheetController.h"

#include "DWPayment/DWPGateway.h"
#include "DWPayment/DWPLog.h"
#include "DWPayment/DWPMailTester.h"
#include "DWPayment/DWPStoreWidgets.h"

#include "platform/core/DWAssert.h"
#include "platform/widgets/ReadableColors.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr const char* kTagProperty = "udiTag";
constexpr const char* kKindProperty = "udiKind";
constexpr const char* kIndicatorProperty = "udiIndicator";

template<typename T>
T* tagged(T* widget, int tag, DWPUDIElementKind kind)
{
    widget->setProperty(kTagProperty, tag);
    widget->setProperty(kKindProperty, int(kind));
    return widget;
}

QLabel* indicator(int tag)
{
    auto* label = tagged(new QLabel, tag, DWPUDIIndicator);
    label->setFixedSize(18, 18);
    return label;
}

QProgressBar* spinner(int tag)
{
    auto* bar = tagged(new QProgressBar, tag, DWPUDISpinner);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setFixedSize(40, 10);
    bar->hide();
    return bar;
}

// A status text takes room only while it says something.
void setStatus(QLabel* label, const QString& text)
{
    if (!label)
        return;
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

QLabel* statusText(int tag)
{
    auto* label = tagged(new QLabel, tag, DWPUDIStatusText);
    label->hide();
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    return label;
}

} // namespace

QWidget* DWPPaySheetController::buildBuyerInputStep()
{
    m_buyerInputStep = new QWidget;
    auto* outer = new QVBoxLayout(m_buyerInputStep);
    auto* heading = new QLabel(DWPLocalized("Please enter your address. We need it for your invoice."));
    heading->setWordWrap(true);
    outer->addWidget(heading);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto row = [&](const char* caption, int tag, QWidget* input, bool withStatus) {
        auto* line = new QHBoxLayout;
        line->addWidget(input, 1);
        line->addWidget(indicator(tag));
        if (withStatus) {
            auto* column = new QVBoxLayout;
            column->addLayout(line);
            auto* statusLine = new QHBoxLayout;
            statusLine->addWidget(statusText(tag), 1);
            statusLine->addWidget(spinner(tag));
            column->addLayout(statusLine);
            form->addRow(DWPLocalized(caption), column);
        } else {
            form->addRow(DWPLocalized(caption), line);
        }
    };
    auto lineEdit = [this](int tag, void (DWPTransaction::*setter)(const QString&)) {
        auto* edit = tagged(new QLineEdit, tag, DWPUDIInput);
        connect(edit, &QLineEdit::textEdited, this, [this, setter](const QString& text) {
            if (m_transaction)
                (m_transaction.get()->*setter)(text);
        });
        connect(edit, &QLineEdit::textEdited, this, [this, tag] {
            // Beginning to edit clears the field's indicator.
            if (auto* image = qobject_cast<QLabel*>(udiElement(DWPUDIIndicator, tag))) {
                image->clear();
                image->setProperty(kIndicatorProperty, QString());
            }
        });
        return edit;
    };
    row("Name:", DWPUDINameTag, lineEdit(DWPUDINameTag, &DWPTransaction::setUserName), false);
    // The address is checked when the buyer leaves the field, not at every key.
    auto* mail = tagged(new QLineEdit, DWPUDIMailTag, DWPUDIInput);
    connect(mail, &QLineEdit::editingFinished, this, [this, mail] {
        if (m_transaction && m_transaction->userMail() != mail->text())
            m_transaction->setUserMail(mail->text());
    });
    row("E-mail:", DWPUDIMailTag, mail, true);
    m_countriesPopup = tagged(new QComboBox, DWPUDICountryTag, DWPUDIInput);
    connect(m_countriesPopup, &QComboBox::activated, this, [this] {
        if (m_transaction)
            m_transaction->setUserCountry(m_countriesPopup->currentData().toString());
    });
    row("Country:", DWPUDICountryTag, m_countriesPopup, false);
    row("Street:", DWPUDIStreetTag, lineEdit(DWPUDIStreetTag, &DWPTransaction::setUserStreet), false);
    row("City:", DWPUDICityTag, lineEdit(DWPUDICityTag, &DWPTransaction::setUserCity), false);
    row("ZIP code:", DWPUDIZipCodeTag, lineEdit(DWPUDIZipCodeTag, &DWPTransaction::setUserZipCode), false);
    outer->addLayout(form);

    m_vatUserDataBox = new QGroupBox(DWPLocalized("Company in the EU"));
    auto* vatLayout = new QVBoxLayout(m_vatUserDataBox);
    auto* usesVat = new QCheckBox(DWPLocalized("I buy for my company and give its VAT ID:"));
    usesVat->setObjectName(QStringLiteral("usesVatId"));
    connect(usesVat, &QCheckBox::toggled, this, [this](bool on) {
        if (m_transaction)
            m_transaction->setUserUsesVatId(on);
    });
    vatLayout->addWidget(usesVat);
    auto* vatLine = new QHBoxLayout;
    auto* vatEdit = tagged(new QLineEdit, DWPUDIVatTag, DWPUDIInput);
    connect(vatEdit, &QLineEdit::editingFinished, this, [this, vatEdit] {
        if (m_transaction && m_transaction->userVatId() != vatEdit->text())
            m_transaction->setUserVatId(vatEdit->text());
    });
    vatLine->addWidget(vatEdit, 1);
    vatLine->addWidget(indicator(DWPUDIVatTag));
    vatLayout->addLayout(vatLine);
    auto* vatStatus = new QHBoxLayout;
    vatStatus->addWidget(statusText(DWPUDIVatTag), 1);
    vatStatus->addWidget(spinner(DWPUDIVatTag));
    vatLayout->addLayout(vatStatus);
    m_vatUserDataBox->hide();
    outer->addWidget(m_vatUserDataBox);

    auto* terms = new QHBoxLayout;
    m_tacCheckbox = tagged(new QCheckBox, DWPUDITacTag, DWPUDICheckbox);
    connect(m_tacCheckbox, &QCheckBox::toggled, this, [this] {
        if (auto* image = qobject_cast<QLabel*>(udiElement(DWPUDIIndicator, DWPUDITacTag))) {
            image->clear();
            image->setProperty(kIndicatorProperty, QString());
        }
    });
    m_tacTextField = new DWPLinkTextField;
    m_tacTextField->setClickDelegate([this](DWPLinkTextField*, bool onLink) {
        if (!onLink)
            m_tacCheckbox->toggle();
    });
    terms->addWidget(m_tacCheckbox);
    terms->addWidget(m_tacTextField, 1);
    terms->addWidget(indicator(DWPUDITacTag));
    outer->addLayout(terms);

    auto* newsletter = new QHBoxLayout;
    m_newsletterCheckbox = tagged(new QCheckBox(DWPLocalized("Send me the newsletter with news and offers.")),
                                  DWPUDINewsletterTag, DWPUDICheckbox);
    connect(m_newsletterCheckbox, &QCheckBox::toggled, this, [this](bool on) {
        if (m_transaction)
            m_transaction->setUserWantsNewsletter(on);
    });
    newsletter->addWidget(m_newsletterCheckbox);
    outer->addLayout(newsletter);

    m_udiStatusTextField = new QLabel;
    m_udiStatusTextField->setWordWrap(true);
    // A red that reads on the theme's window, light or dark.
    QPalette statusColours = m_udiStatusTextField->palette();
    statusColours.setColor(QPalette::WindowText,
                           dw::readableTextColor(statusColours.color(QPalette::Window), QColor(0xa0, 0x10, 0x10)));
    m_udiStatusTextField->setPalette(statusColours);
    m_udiStatusTextField->hide();
    outer->addWidget(m_udiStatusTextField);
    outer->addStretch(1);
    return m_buyerInputStep;
}

void DWPPaySheetController::loadBuyerFieldsFromTransaction()
{
    const struct
    {
        int tag;
        QString value;
    } fields[] = {
        {DWPUDINameTag, m_transaction->userName()},       {DWPUDIMailTag, m_transaction->userMail()},
        {DWPUDIStreetTag, m_transaction->userStreet()},   {DWPUDICityTag, m_transaction->userCity()},
        {DWPUDIZipCodeTag, m_transaction->userZipCode()}, {DWPUDIVatTag, m_transaction->userVatId()},
    };
    for (const auto& field : fields)
        if (auto* edit = qobject_cast<QLineEdit*>(udiElement(DWPUDIInput, field.tag)))
            edit->setText(field.value);
    if (auto* usesVat = m_vatUserDataBox->findChild<QCheckBox*>(QStringLiteral("usesVatId")))
        usesVat->setChecked(m_transaction->userUsesVatId());
    const QSignalBlocker blocker(m_newsletterCheckbox);
    m_newsletterCheckbox->setChecked(m_transaction->userWantsNewsletter());
}

QWidget* DWPPaySheetController::udiElement(DWPUDIElementKind kind, int tag) const
{
    QWidget* found = nullptr;
    int count = 0;
    for (QWidget* widget : dw::deepSubviews(m_buyerInputStep)) {
        if (widget->property(kTagProperty).toInt() == tag && widget->property(kKindProperty).isValid() &&
            widget->property(kKindProperty).toInt() == int(kind)) {
            if (!found)
                found = widget;
            ++count;
        }
    }
    if (count > 1)
        qCWarning(lcPayment).noquote()
            << QStringLiteral("there should be at most one UDI element for element: %1 and tag: %2").arg(kind).arg(tag);
    return found;
}

int DWPPaySheetController::validateUDIForTag(int tag) const
{
    const auto* input = qobject_cast<const QLineEdit*>(udiElement(DWPUDIInput, tag));
    const QString text = input ? input->text() : QString();
    switch (tag) {
    case DWPUDINameTag: {
        if (text.isEmpty() || m_nameBlacklist.contains(text.toLower()))
            return DWPUDIError;
        for (const QChar c : text)
            if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))
                return DWPUDIValid;
        return DWPUDIError;
    }
    case DWPUDIMailTag:
        if (!m_transaction || m_transaction->isCheckingMail())
            return DWPUDIError;
        if (m_transaction->isMailValid())
            return DWPUDIValid;
        return DWPMailTester::isPlausibleMailAddress(m_transaction->userMail()) ? DWPUDIWarning : DWPUDIError;
    case DWPUDICountryTag:
    case DWPUDINewsletterTag:
        return DWPUDIValid;
    case DWPUDIVatTag:
        if (!m_transaction || m_transaction->isCheckingVat())
            return DWPUDIError;
        if (!m_transaction->isEUUser() || m_transaction->userCountry() == u"DE" || !m_transaction->userUsesVatId() ||
            m_transaction->isVatValid())
            return DWPUDIValid;
        return m_transaction->vatErrorOnServer() ? DWPUDIWarning : DWPUDIError;
    case DWPUDITacTag:
        return m_tacCheckbox->isChecked() ? DWPUDIValid : DWPUDIError;
    default:
        return text.isEmpty() ? DWPUDIError : DWPUDIValid;
    }
}

int DWPPaySheetController::validateUDI(QVariantMap* detailedResults) const
{
    int overall = DWPUDIValid;
    for (int tag = DWPUDINameTag; tag < DWPUDIEndTag; ++tag) {
        const int state = validateUDIForTag(tag);
        if (detailedResults)
            detailedResults->insert(QString::number(tag), state);
        if (state != DWPUDIValid && overall != DWPUDIError)
            overall = state;
    }
    return overall;
}

void DWPPaySheetController::showUDIStatusIndicatorsForTag(int tag, int state)
{
    auto* image = qobject_cast<QLabel*>(udiElement(DWPUDIIndicator, tag));
    if (!image)
        return;
    if (tag == DWPUDIMailTag) {
        showMailResult();
        return;
    }
    if (tag == DWPUDIVatTag) {
        showVatResult();
        return;
    }
    const bool warning = state == DWPUDIWarning;
    image->setPixmap(
        style()->standardIcon(warning ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxCritical).pixmap(16, 16));
    image->setProperty(kIndicatorProperty, warning ? QStringLiteral("warning") : QStringLiteral("error"));
}

namespace {
void setIndicator(QLabel* image, QStyle* style, const QString& kind)
{
    if (!image)
        return;
    if (kind.isEmpty())
        image->clear();
    else
        image->setPixmap(
            style->standardIcon(kind == u"warning" ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxCritical)
                .pixmap(16, 16));
    image->setProperty(kIndicatorProperty, kind);
}
} // namespace

void DWPPaySheetController::showMailResult()
{
    if (!m_transaction)
        return;
    auto* image = qobject_cast<QLabel*>(udiElement(DWPUDIIndicator, DWPUDIMailTag));
    auto* bar = udiElement(DWPUDISpinner, DWPUDIMailTag);
    auto* status = qobject_cast<QLabel*>(udiElement(DWPUDIStatusText, DWPUDIMailTag));
    if (m_transaction->isCheckingMail()) {
        setIndicator(image, style(), QString());
        if (bar)
            bar->show();
        return;
    }
    if (bar)
        bar->hide();
    const QString kind = m_transaction->isMailValid()                                       ? QString()
                         : DWPMailTester::isPlausibleMailAddress(m_transaction->userMail()) ? QStringLiteral("warning")
                                                                                            : QStringLiteral("error");
    setIndicator(image, style(), kind);
    setStatus(status, m_transaction->mailStatusString());
}

void DWPPaySheetController::showVatResult()
{
    if (!m_transaction)
        return;
    auto* image = qobject_cast<QLabel*>(udiElement(DWPUDIIndicator, DWPUDIVatTag));
    auto* bar = udiElement(DWPUDISpinner, DWPUDIVatTag);
    auto* status = qobject_cast<QLabel*>(udiElement(DWPUDIStatusText, DWPUDIVatTag));
    if (!m_transaction->userUsesVatId()) {
        setIndicator(image, style(), QString());
        setStatus(status, QString());
        if (bar)
            bar->hide();
        return;
    }
    if (m_transaction->isCheckingVat()) {
        setIndicator(image, style(), QString());
        if (bar)
            bar->show();
        return;
    }
    if (bar)
        bar->hide();
    const QString kind = m_transaction->isVatValid()         ? QString()
                         : m_transaction->vatErrorOnServer() ? QStringLiteral("warning")
                                                             : QStringLiteral("error");
    setIndicator(image, style(), kind);
    setStatus(status, m_transaction->vatStatusString());
}

int DWPPaySheetController::showUDIStatusIndicators(bool show)
{
    for (int tag = DWPUDINameTag; tag < DWPUDIEndTag; ++tag) {
        setIndicator(qobject_cast<QLabel*>(udiElement(DWPUDIIndicator, tag)), style(), QString());
        setStatus(qobject_cast<QLabel*>(udiElement(DWPUDIStatusText, tag)), QString());
    }
    if (!show) {
        setStatusLine(QString());
        return DWPUDIValid;
    }
    QVariantMap details;
    const int overall = validateUDI(&details);
    for (int tag = DWPUDINameTag; tag < DWPUDIEndTag; ++tag) {
        const int state = details.value(QString::number(tag)).toInt();
        if (state != DWPUDIValid)
            showUDIStatusIndicatorsForTag(tag, state);
    }

    QString text;
    auto stateOf = [&details](int tag) { return details.value(QString::number(tag)).toInt(); };
    if (overall == DWPUDIWarning) {
        const bool vat = stateOf(DWPUDIVatTag) == DWPUDIWarning;
        const bool mail = stateOf(DWPUDIMailTag) == DWPUDIWarning;
        const QString what = vat && mail ? DWPLocalized("some of the fields")
                             : vat       ? DWPLocalized("the VAT ID")
                                         : DWPLocalized("the mail address");
        text = DWPLocalized("We could not verify %1. If you are sure that your input is correct, click on the “Next "
                            "Step” button again.")
                   .arg(what);
    } else if (overall == DWPUDIError) {
        bool onlyTerms = stateOf(DWPUDITacTag) != DWPUDIValid;
        for (int tag = DWPUDINameTag; tag < DWPUDIEndTag; ++tag)
            if (tag != DWPUDITacTag && stateOf(tag) != DWPUDIValid)
                onlyTerms = false;
        text = onlyTerms ? DWPLocalized("You have to accept the Terms & Conditions to continue.")
                         : DWPLocalized("Please fill out all of the fields with valid inputs.");
    }
    setStatusLine(text);
    return overall;
}

QString DWPPaySheetController::udiStatusText() const
{
    return m_udiStatusTextField->isHidden() ? QString() : m_udiStatusTextField->text();
}

bool DWPPaySheetController::isUDIStatusLineShown() const
{
    return !m_udiStatusTextField->isHidden();
}

void DWPPaySheetController::setStatusLine(const QString& text)
{
    m_udiStatusTextField->setText(text);
    m_udiStatusTextField->setVisible(!text.isEmpty());
}

void DWPPaySheetController::showVATFields()
{
    m_vatUserDataBox->show();
}

void DWPPaySheetController::hideVATFields()
{
    m_vatUserDataBox->hide();
}

bool DWPPaySheetController::areVATFieldsShown() const
{
    return !m_vatUserDataBox->isHidden();
}

void DWPPaySheetController::localizeStringsInWindow()
{
    DW_ASSERT(m_tacTextField, "You forgot to bind the Terms & Conditions NSTextField to its outlet");
    QUrl terms = dw::payment::storeBaseURL();
    terms.setPath(QStringLiteral("/About/AGB.html"));
    const bool german = m_transaction && m_transaction->userLanguage().toLower() == u"de";
    terms.setFragment(german ? QStringLiteral("AGB") : QStringLiteral("Terms"));
    m_tacTextField->setStringValue(DWPLocalized("I accept the %@."), DWPLocalized("Terms & Conditions"),
                                   terms.toString());
    m_tacTextField->setURLToolTip(DWPLocalized("Click to see."));
}
