#include "panels/QMSimpleStartAuctionPanelController.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/DWOperation/DWNSOperationEnvelopeQueue.h"
#include "Operations/QMAccountManager.h"
#include "Operations/QMOperationManager.h"
#include "Operations/QMVerifyAddItemOperation.h"
#include "Operations/QMVerifyAddItemOperationEnvelope.h"
#include "description/QMPreviewImageCache.h"
#include "model/QMEbayItem.h"
#include "model/QMErrorEnvelope.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/widgets/ApplicationImage.h"
#include "platform/widgets/ProgressIndicator.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <typeinfo>

namespace {

QList<QMSimpleStartAuctionPanelController*>& visiblePanelController()
{
    static QList<QMSimpleStartAuctionPanelController*> sheets;
    return sheets;
}

} // namespace

QList<QMSimpleStartAuctionPanelController*> QMSimpleStartAuctionPanelController::visiblePanelControllers()
{
    return visiblePanelController();
}

QMSimpleStartAuctionPanelController* QMSimpleStartAuctionPanelController::displayStartAuctionPanelForTemplates(
    const QList<std::shared_ptr<QMEbayItem>>& templates, QWidget* parentWindow,
    std::shared_ptr<QMOperationManager> operationManager)
{
    auto* sheet = new QMSimpleStartAuctionPanelController(
        templates, parentWindow,
        operationManager ? std::move(operationManager) : QMOperationManager::sharedQMOperationManager());
    visiblePanelController().append(sheet);
    sheet->m_window->setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);
    sheet->m_window->open();
    sheet->m_window->raise();
    sheet->m_window->activateWindow();
    sheet->m_startAuctionsButton->setFocus();
    return sheet;
}

QMSimpleStartAuctionPanelController::QMSimpleStartAuctionPanelController(
    const QList<std::shared_ptr<QMEbayItem>>& templates, QWidget* parentWindow,
    std::shared_ptr<QMOperationManager> operationManager)
    : m_templates(templates), m_operationManager(std::move(operationManager))
{
    buildWindow(parentWindow);
    awakeFromNib();
}

QMSimpleStartAuctionPanelController::~QMSimpleStartAuctionPanelController()
{
    m_observations.clear();
    visiblePanelController().removeAll(this);
    if (m_window) {
        m_window->hide();
        m_window->deleteLater();
    }
}

void QMSimpleStartAuctionPanelController::buildWindow(QWidget* parentWindow)
{
    auto* window = new QDialog(parentWindow ? parentWindow->window() : nullptr);
    m_window = window;
    window->setObjectName(QStringLiteral("startAuctionsPanel"));
    window->setWindowTitle(dw::localized("Start Auctions"));

    auto* icon = new QLabel(window);
    icon->setPixmap(dw::applicationPixmap(QStringLiteral("QuillmartBig"), QSize(64, 64)));
    icon->setFixedSize(64, 64);

    m_primaryMessageField = new QLabel(window);
    m_primaryMessageField->setObjectName(QStringLiteral("primaryMessageField"));
    m_primaryMessageField->setWordWrap(true);
    m_primaryMessageField->setTextFormat(Qt::PlainText);
    QFont bold = m_primaryMessageField->font();
    bold.setBold(true);
    m_primaryMessageField->setFont(bold);
    m_secondaryMessageField = new QLabel(window);
    m_secondaryMessageField->setObjectName(QStringLiteral("secondaryMessageField"));
    m_secondaryMessageField->setWordWrap(true);
    m_secondaryMessageField->setTextFormat(Qt::PlainText);

    m_errorImageView = new QLabel(window);
    m_errorImageView->setObjectName(QStringLiteral("errorImageView"));
    m_errorImageView->setFixedSize(20, 20);
    m_statusMessageField = new QLabel(window);
    m_statusMessageField->setObjectName(QStringLiteral("statusMessageField"));
    m_statusMessageField->setTextFormat(Qt::PlainText);
    m_progressIndicator = new dw::ProgressIndicator(window);
    m_progressIndicator->setObjectName(QStringLiteral("progressIndicator"));
    m_progressIndicator->setIndicatorStyle(dw::ProgressIndicator::Style::Spinning);
    m_progressIndicator->setFixedSize(16, 16);
    m_errorInfoButton = new QToolButton(window);
    m_errorInfoButton->setObjectName(QStringLiteral("errorInfoButton"));
    m_errorInfoButton->setAutoRaise(true);
    m_errorInfoButton->setText(dw::localized("Details…"));

    auto* cancelButton = new QPushButton(dw::localized("Cancel"), window);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_startAuctionsButton = new QPushButton(window);
    m_startAuctionsButton->setObjectName(QStringLiteral("startAuctionsButton"));
    m_startAuctionsButton->setDefault(true);

    auto* status = new QHBoxLayout;
    status->setSpacing(6);
    status->addWidget(m_errorImageView);
    status->addWidget(m_statusMessageField);
    status->addWidget(m_progressIndicator);
    status->addWidget(m_errorInfoButton);
    status->addStretch();

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_primaryMessageField);
    texts->addWidget(m_secondaryMessageField);
    texts->addSpacing(8);
    texts->addLayout(status);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    buttons->addWidget(m_startAuctionsButton);

    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->addLayout(top);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    window->setMinimumWidth(480);

    connect(m_startAuctionsButton, &QPushButton::clicked, this, &QMSimpleStartAuctionPanelController::doOK);
    connect(cancelButton, &QPushButton::clicked, this, &QMSimpleStartAuctionPanelController::doCancel);
    connect(m_errorInfoButton, &QToolButton::clicked, this,
            &QMSimpleStartAuctionPanelController::errorInfoButtonClicked);
    // Escape and the window's close button cancel, as the Cancel button does.
    connect(window, &QDialog::rejected, this, [this] {
        if (!m_ended)
            doCancel();
    });
}

void QMSimpleStartAuctionPanelController::awakeFromNib()
{
    registerNotifications();

    const auto count = m_templates.size();
    if (count >= 2) {
        m_primaryMessageField->setText(
            dw::format(dw::localized("Are you sure you want to upload the %lu selected auction(s) to eBay?"), count));
        m_startAuctionsButton->setText(dw::format(dw::localized("Start %lu Auctions"), count));
    } else {
        m_primaryMessageField->setText(dw::localized("Are you sure you want to upload the selected auction to eBay?"));
        m_startAuctionsButton->setText(dw::localized("Start Auction"));
    }

    qsizetype uploaded = 0;
    for (const auto& item : std::as_const(m_templates)) {
        if (item && item->itemState() == QMEbayItemStateAddedTemplate)
            ++uploaded;
    }
    if (uploaded == 1 && count == 1)
        m_secondaryMessageField->setText(
            dw::localized("The selected template has been uploaded to eBay at least once before."));
    else if (uploaded == 1)
        m_secondaryMessageField->setText(
            dw::localized("One selected template has been uploaded to eBay at least once before."));
    else if (uploaded >= 2)
        m_secondaryMessageField->setText(
            dw::format(dw::localized("Of the selected templates, %lu have been uploaded to eBay at least once before."),
                       uploaded));
    else
        m_secondaryMessageField->setText(QString());
    m_secondaryMessageField->setVisible(!m_secondaryMessageField->text().isEmpty());

    m_errorInfoButton->hide();
    m_errorImageView->clear();
    startVerifiyTemplatesWithAccountID(selectedAccountID());
}

void QMSimpleStartAuctionPanelController::registerNotifications()
{
    auto& center = dw::NotificationCenter::defaultCenter();
    const auto observe = [&](const char* name,
                             void (QMSimpleStartAuctionPanelController::*handler)(const dw::Notification&)) {
        m_observations.emplace_back(center, center.addObserver(QLatin1String(name), nullptr,
                                                               [this, handler](const dw::Notification& notification) {
                                                                   (this->*handler)(notification);
                                                               }));
    };
    observe(kDWNSOperationEnvelopeQueueEnvelope_added,
            &QMSimpleStartAuctionPanelController::ebayOperationEnvelopeAdded);
    observe(kDWNSOperationEnvelopeQueueEnvelope_finished,
            &QMSimpleStartAuctionPanelController::ebayOperationEnvelopeFinished);
    observe(DWNSNotificationOperation_ended, &QMSimpleStartAuctionPanelController::ebayOperationEnded);
}

QString QMSimpleStartAuctionPanelController::selectedAccountID() const
{
    return QMPreferencesManager::sharedInstance().defaultAccountID();
}

void QMSimpleStartAuctionPanelController::startVerifiyTemplatesWithAccountID(const QString& accountID)
{
    const auto accounts = QMAccountManager::sharedQMAccountManager();
    const QString payPal = accounts->payPalAddressForAccountID(accountID);
    const QString skype = accounts->skypeIDForAccountID(accountID);
    for (const auto& item : std::as_const(m_templates)) {
        if (!item)
            continue;
        item->setPayPalAddress(payPal.isNull() ? QStringLiteral("") : payPal);
        if (item->useSkypeChat() || item->useSkypeVoice())
            item->setSkypeID(skype.isNull() ? QStringLiteral("") : skype);
    }
    m_receivedVerificationErrors = false;
    if (m_operationManager)
        m_verifyEnvelope = m_operationManager->addVerifyAddItemOperationsForEbayItems(m_templates, accountID, QString(),
                                                                                      false, false, true);
    m_progressIndicator->show();
    m_progressIndicator->startAnimation();
    m_statusMessageField->setText(dw::localized("Retrieving listing fee"));
}

bool QMSimpleStartAuctionPanelController::isOwnEnvelope(const dw::Notification& notification) const
{
    const auto envelope =
        notification.userInfo.value(QLatin1String(kDWNSUserInfoKeyEnvelope)).value<DWNSOperationEnvelopePtr>();
    // Exactly a verify envelope from a start sheet, and this sheet's own: every open sheet hears
    // every run, and another sheet's run must not reset or end this one.
    return envelope && typeid(*envelope) == typeid(QMVerifyAddItemOperationEnvelope) &&
           static_cast<const QMVerifyAddItemOperationEnvelope&>(*envelope).runningFromStartAuctionsPanel() &&
           envelope == m_verifyEnvelope;
}

void QMSimpleStartAuctionPanelController::ebayOperationEnvelopeAdded(const dw::Notification& notification)
{
    if (!isOwnEnvelope(notification))
        return;
    m_totalFeeSoFar = 0;
    m_errorInfoButton->hide();
}

void QMSimpleStartAuctionPanelController::ebayOperationEnded(const dw::Notification& notification)
{
    const auto operation = notification.object.shared<DWNSOperation>();
    if (!operation || typeid(*operation) != typeid(QMVerifyAddItemOperation) || !m_verifyEnvelope ||
        !m_verifyEnvelope->operations().contains(operation))
        return;
    const auto& verify = static_cast<const QMVerifyAddItemOperation&>(*operation);
    if (!verify.runningFromStartAuctionsPanel())
        return;
    // After a verification the preview makes its copies of the listings' pictures anew.
    for (const auto& item : std::as_const(m_templates)) {
        if (item)
            QMPreviewImageCache::sharedCache().invalidateImageIDsForItem(*item);
    }
    const auto errors = verify.errorEnvelope();
    if ((!errors || !errors->hasError()) && !m_receivedVerificationErrors) {
        m_totalFeeSoFar += verify.listingFee();
        setCurrency(verify.currencyName());
        m_statusMessageField->setText(feeText("(Fees so far: %1$@ %2$@)"));
    } else {
        m_receivedVerificationErrors = true;
    }
}

void QMSimpleStartAuctionPanelController::ebayOperationEnvelopeFinished(const dw::Notification& notification)
{
    if (!isOwnEnvelope(notification))
        return;
    if (m_receivedVerificationErrors) {
        m_statusMessageField->setText(dw::localized("Error from eBay received"));
        m_errorInfoButton->setToolTip(dw::localized("Show eBay's errors"));
        m_errorInfoButton->show();
        m_errorImageView->setPixmap(dw::applicationPixmap(QStringLiteral("StartAuctionsPanel-InfoRed")));
    } else {
        m_errorInfoButton->setToolTip(dw::localized("Show the listing fees"));
        m_errorInfoButton->show();
        m_statusMessageField->setText(feeText("Listing fees: %1$@ %2$@"));
        m_errorImageView->setPixmap(dw::applicationPixmap(QStringLiteral("StartAuctionsPanel-InfoBlue")));
    }
    m_progressIndicator->hide();
    m_progressIndicator->stopAnimation();
}

QString QMSimpleStartAuctionPanelController::feeText(const char* format) const
{
    return dw::format(dw::localized(format), m_currency, dw::format("%.2f", double(m_totalFeeSoFar)));
}

void QMSimpleStartAuctionPanelController::setCurrency(const QString& currency)
{
    if (!m_currency.isNull() && !currency.isNull()) {
        if (m_currency != currency)
            m_currency = QStringLiteral("");
        return;
    }
    m_currency = currency;
}

void QMSimpleStartAuctionPanelController::doOK()
{
    endSheet(Start);
}

void QMSimpleStartAuctionPanelController::doCancel()
{
    endSheet(Cancel);
}

void QMSimpleStartAuctionPanelController::errorInfoButtonClicked()
{
    endSheet(m_receivedVerificationErrors ? VerifyWithErrors : GetFees);
}

void QMSimpleStartAuctionPanelController::endSheet(int returnCode)
{
    if (m_ended)
        return;
    m_ended = true;
    // The run goes on in the queue; what it reports later is no longer this sheet's business.
    m_observations.clear();
    if (m_window)
        m_window->hide();

    const QString accountID = selectedAccountID();
    QVariantMap withTemplates{{QStringLiteral("templates"), QVariant::fromValue(m_templates)}};
    QVariantMap withAccount = withTemplates;
    // A missing account ends the dictionary at "templates", as it always has.
    if (!accountID.isNull())
        withAccount.insert(QStringLiteral("accountID"), accountID);
    auto& center = dw::NotificationCenter::defaultCenter();
    const auto self = dw::NotificationObject::of(this);
    switch (returnCode) {
    case Start:
        center.post(QLatin1String(kQMStartTemplatesNotification), self, withAccount);
        break;
    case Cancel:
        center.post(QLatin1String(kQMStartTemplatesPanelCanceledNotification), self);
        break;
    case Preview:
        center.post(QLatin1String(kQMPreviewTemplatesNotification), self, withTemplates);
        break;
    case VerifyWithErrors:
        center.post(QLatin1String(kQMVerifyTemplatesNotification), self, withAccount);
        break;
    case GetFees:
        center.post(QLatin1String(kQMGetFeesForTemplatesNotification), self, withAccount);
        break;
    default:
        break;
    }
    DW_ASSERT(visiblePanelController().contains(this), "All visible controllers must be in visiblePanelController");
    visiblePanelController().removeAll(this);
    deleteLater();
}
