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
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>

namespace {

constexpr const char* kTagProperty = "udiTag";
constexpr const char* kShownProperty = "udiShown"; // a control that grows the form is (being) shown
// What the form grows by when the status line or the VAT fields appear.
constexpr int kFormSpacing = 6;
constexpr int kStatusLineGrowth = 30;
constexpr int kVatBoxGrowth = 33;
constexpr int kFadeMilliseconds = 200;

// Fades a control in (after showing it) or out (then hides it).
void fade(QWidget* widget, bool in, const std::function<void()>& done = {})
{
    auto* effect = new QGraphicsOpacityEffect(widget);
    widget->setGraphicsEffect(effect);
    if (in)
        widget->show();
    auto* animation = new QPropertyAnimation(effect, "opacity", widget);
    animation->setDuration(kFadeMilliseconds);
    animation->setStartValue(in ? 0.0 : 1.0);
    animation->setEndValue(in ? 1.0 : 0.0);
    QObject::connect(animation, &QPropertyAnimation::finished, widget, [widget, in, done] {
        widget->setGraphicsEffect(nullptr);
        if (!in && !widget->property(kShownProperty).toBool()) // unless it was asked back meanwhile
            widget->hide();
        if (done)
            done();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}
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
    // The form keeps the line's room, so a status coming and going does not move the fields.
    QSizePolicy policy = label->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    label->setSizePolicy(policy);
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
    outer->setSpacing(kFormSpacing);
    m_totalImageView1 = totalBox(&m_totalText1);
    outer->addWidget(m_totalImageView1);
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
            // Editing clears the field's indicator and what its check said.
            if (auto* image = qobject_cast<QLabel*>(udiElement(DWPUDIIndicator, tag))) {
                image->clear();
                image->setProperty(kIndicatorProperty, QString());
            }
            setStatus(qobject_cast<QLabel*>(udiElement(DWPUDIStatusText, tag)), QString());
        });
        return edit;
    };
    row("Name:", DWPUDINameTag, lineEdit(DWPUDINameTag, &DWPTransaction::setUserName), false);
    // Every edit reaches the transaction at once, which checks the address again (only the latest
    // check counts); the result shows when the buyer leaves the field or the check answers.
    auto* mail = lineEdit(DWPUDIMailTag, &DWPTransaction::setUserMail);
    connect(mail, &QLineEdit::editingFinished, this, &DWPPaySheetController::showMailResult);
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

    // One line, so that the form grows by a fixed amount when it appears.
    m_vatUserDataBox = new QFrame;
    m_vatUserDataBox->setFixedHeight(kVatBoxGrowth - kFormSpacing);
    auto* vatLayout = new QHBoxLayout(m_vatUserDataBox);
    vatLayout->setContentsMargins(0, 0, 0, 0);
    auto* usesVat = new QCheckBox(DWPLocalized("Company VAT ID:"));
    usesVat->setObjectName(QStringLiteral("usesVatId"));
    connect(usesVat, &QCheckBox::toggled, this, [this](bool on) {
        if (m_transaction)
            m_transaction->setUserUsesVatId(on);
    });
    vatLayout->addWidget(usesVat);
    auto* vatEdit = lineEdit(DWPUDIVatTag, &DWPTransaction::setUserVatId);
    connect(vatEdit, &QLineEdit::editingFinished, this, &DWPPaySheetController::showVatResult);
    vatLayout->addWidget(vatEdit, 2);
    vatLayout->addWidget(indicator(DWPUDIVatTag));
    vatLayout->addWidget(spinner(DWPUDIVatTag));
    vatLayout->addWidget(statusText(DWPUDIVatTag), 3);
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
    m_udiStatusTextField->setFixedHeight(kStatusLineGrowth - kFormSpacing);
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

bool DWPPaySheetController::isValidUDITag(int tag)
{
    return tag >= DWPUDINameTag && tag < DWPUDIEndTag;
}

QString DWPPaySheetController::tagToName(int tag)
{
    static const char* const names[] = {
        "name", "e-mail", "country", "street", "city", "zip code", "VAT", "Terms & Conditions", "newsletter"};
    return isValidUDITag(tag) ? QString::fromLatin1(names[tag - DWPUDINameTag]) : QString();
}

QString DWPPaySheetController::stateToName(int state)
{
    switch (state) {
    case DWPUDIError:
        return QStringLiteral("error");
    case DWPUDIValid:
        return QStringLiteral("valid");
    case DWPUDIWarning:
        return QStringLiteral("warning");
    default:
        return QStringLiteral("__error: undefined state__");
    }
}

QWidget* DWPPaySheetController::udiElement(DWPUDIElementKind kind, int tag) const
{
    if (!isValidUDITag(tag)) {
        qCWarning(lcPayment).noquote() << QStringLiteral("WARNING: called udiElement for invalid tag: %1").arg(tag);
        return nullptr;
    }
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
            << QStringLiteral("there should be at most one UDI element for element: %1 and tag: %2 (%3)")
                   .arg(kind)
                   .arg(tag)
                   .arg(tagToName(tag));
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
    return m_udiStatusTextField->text();
}

bool DWPPaySheetController::isUDIStatusLineShown() const
{
    return !m_udiStatusTextField->isHidden();
}

void DWPPaySheetController::setStatusLine(const QString& text)
{
    m_udiStatusTextField->setText(text);
    if (!text.isEmpty())
        growFormShowing(m_udiStatusTextField, kStatusLineGrowth);
    else
        shrinkFormHiding(m_udiStatusTextField, kStatusLineGrowth);
}

bool DWPPaySheetController::isFormOnScreen() const
{
    return m_step == 1 && !m_isChangingStep && m_buyerInputStep->isVisible();
}

void DWPPaySheetController::growFormShowing(QWidget* control, int growth)
{
    // The control counts as shown from here on, while it is still fading in.
    if (control->property(kShownProperty).toBool())
        return;
    control->setProperty(kShownProperty, true);
    QWidget* form = m_buyerInputStep;
    if (!isFormOnScreen()) {
        control->show();
        form->resize(form->width(), form->height() + growth);
        return;
    }
    // The window makes room first; then the control fades in.
    resizeWindowForFormBy(growth);
    const QPointer<QWidget> target(control);
    QTimer::singleShot(kFrameAnimationMilliseconds, this, [target] {
        if (target && target->property(kShownProperty).toBool())
            fade(target, true);
    });
}

void DWPPaySheetController::shrinkFormHiding(QWidget* control, int growth)
{
    if (!control->property(kShownProperty).toBool())
        return;
    control->setProperty(kShownProperty, false);
    QWidget* form = m_buyerInputStep;
    if (!isFormOnScreen()) {
        control->hide();
        form->resize(form->width(), form->height() - growth);
        return;
    }
    // The control fades out first; then the window gives its room back.
    const QPointer<DWPPaySheetController> self(this);
    fade(control, false, [self, growth] {
        if (self && self->isFormOnScreen())
            self->resizeWindowForFormBy(-growth);
    });
}

void DWPPaySheetController::resizeWindowForFormBy(int delta)
{
    // A change while another one animates adds to where that one goes.
    QRect frame;
    if (m_frameAnimation->state() == QAbstractAnimation::Running) {
        frame = m_frameAnimation->endValue().toRect();
        frame.setHeight(frame.height() + delta);
    } else {
        const QSize size(m_buyerInputStep->width(), m_buyerInputStep->height() + delta);
        frame = calculateFrameToResizePlaceHolderViewToFitFrameRect(QRect(QPoint(), size));
    }
    animateWindowFrame(frame);
}

void DWPPaySheetController::showVATFields()
{
    growFormShowing(m_vatUserDataBox, kVatBoxGrowth);
}

void DWPPaySheetController::hideVATFields()
{
    shrinkFormHiding(m_vatUserDataBox, kVatBoxGrowth);
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
