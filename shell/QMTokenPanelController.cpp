#include "shell/QMTokenPanelController.h"

#include "DWKit/DWOperation/DWNSOperation.h"
#include "Operations/QMGetSessionIDOperation.h"
#include "Operations/QMOperationManager.h"
#include "platform/core/Localization.h"
#include "platform/core/UserDefaults.h"
#include "platform/widgets/DesktopServices.h"
#include "shell/QMBAppController.h"
#include "shell/QMBDefaultOperationManager.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

void QMTokenPanelController::runTokenPanelModalForAccountName(const QString& accountName, const QString& accountID,
                                                              bool allowsAccountNameEditing, QWidget* parentWindow)
{
    QMTokenPanelController panel(parentWindow);
    // The caller's name replaces the one remembered from an earlier sign-in.
    panel.setAccountName(accountName);
    panel.setAccountID(accountID);
    panel.setAllowsAccountNameEditing(allowsAccountNameEditing);
    panel.startGetSessionIDOperation();
    panel.exec();
}

QMTokenPanelController::QMTokenPanelController(QWidget* parentWindow) : QDialog(parentWindow)
{
    setObjectName(QStringLiteral("tokenPanel"));
    setWindowTitle(dw::localized("Authorize eBay Account"));
    setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);

    auto* explanation = new QLabel(
        dw::localized("Press “Authorize” to sign in to eBay in your web browser and allow Quillmart to list items "
                      "for this account. When eBay has confirmed, come back here; the token is fetched "
                      "automatically, or press “Fetch Token”."));
    explanation->setWordWrap(true);
    m_accountNameField = new QLineEdit;
    m_accountNameField->setObjectName(QStringLiteral("accountNameField"));
    m_accountNameField->setReadOnly(true);
    connect(m_accountNameField, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_accountName = text;
        updateAuthorizeButtonState();
    });
    auto* form = new QFormLayout;
    form->addRow(dw::localized("Account name:"), m_accountNameField);
    // Says why the button waits; a session that cannot be had leaves it disabled.
    m_statusField = new QLabel;
    m_statusField->setObjectName(QStringLiteral("statusField"));
    m_statusField->setWordWrap(true);
    m_statusField->setForegroundRole(QPalette::PlaceholderText);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QDialogButtonBox::Cancel);
    m_authorizeOrFetchButton = buttons->addButton(dw::localized("Authorize"), QDialogButtonBox::AcceptRole);
    m_authorizeOrFetchButton->setObjectName(QStringLiteral("authorizeOrFetchButton"));
    m_authorizeOrFetchButton->setDefault(true);
    m_authorizeOrFetchButton->setAutoDefault(true);
    // The button's meaning changes with the state; accepted() would close the panel too early.
    disconnect(buttons, &QDialogButtonBox::accepted, nullptr, nullptr);
    connect(m_authorizeOrFetchButton, &QPushButton::clicked, this, [this] {
        if (m_fetchOnPress)
            fetchToken();
        else
            authorizeForToken();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(form);
    layout->addWidget(m_statusField);
    layout->addWidget(buttons);
    setMinimumWidth(440);

    const QString remembered = dw::UserDefaults::standard().stringForKey(QStringLiteral("EbayUsername"));
    if (!remembered.isEmpty())
        setAccountName(remembered);
    updateAuthorizeButtonState();

    auto& center = dw::NotificationCenter::defaultCenter();
    m_callbackObservation =
        dw::ScopedObservation(center, center.addObserver(QLatin1String(kQMEbayTokenShouldBeFetchedNotification),
                                                         nullptr, [this](const dw::Notification&) { fetchToken(); }));
}

QMTokenPanelController::~QMTokenPanelController() = default;

void QMTokenPanelController::setAccountName(const QString& accountName)
{
    m_accountName = accountName;
    m_accountNameField->setText(accountName);
    updateAuthorizeButtonState();
}

void QMTokenPanelController::setAllowsAccountNameEditing(bool allows)
{
    m_allowsAccountNameEditing = allows;
    m_accountNameField->setReadOnly(!allows);
}

void QMTokenPanelController::startGetSessionIDOperation()
{
    auto& center = dw::NotificationCenter::defaultCenter();
    // Watch before queueing, so that a quick answer is not missed.
    m_sessionObservation = dw::ScopedObservation(
        center, center.addObserver(QLatin1String(DWNSNotificationOperation_ended), nullptr,
                                   [this](const dw::Notification& note) { operationEnded(note); }));
    m_statusField->setText(dw::localized("Connecting to eBay…"));
    m_sessionOperation = QMBDefaultOperationManager()->addGetSessionIDOperation();
}

void QMTokenPanelController::operationEnded(const dw::Notification& notification)
{
    if (!m_sessionOperation || notification.object.identity != m_sessionOperation.get())
        return;
    // A failed request leaves the session empty and the button disabled: the seller can cancel.
    m_sessionID = m_sessionOperation->sessionID();
    m_sessionOperation.reset();
    m_statusField->setText(m_sessionID.isEmpty() ? dw::localized("eBay could not be reached. Please check your "
                                                                 "internet connection, then try again.")
                                                 : QString());
    m_sessionObservation.reset();
    updateAuthorizeButtonState();
}

void QMTokenPanelController::updateAuthorizeButtonState()
{
    m_authorizeOrFetchButton->setEnabled(!m_accountName.isEmpty() && !m_sessionID.isEmpty());
}

void QMTokenPanelController::authorizeForToken()
{
    const auto application = QMBAppController::shared();
    const QString address = application ? application->authorizeURLForSessionID(m_sessionID) : QString();
    if (!address.isEmpty())
        dw::openURLOnDesktop(QUrl(address));
    m_authorizeOrFetchButton->setText(dw::localized("Fetch Token"));
    m_fetchOnPress = true;
}

void QMTokenPanelController::fetchToken()
{
    // The callback may come before the session is known (or twice): nothing to fetch then.
    if (m_sessionID.isEmpty() || !isVisible())
        return;
    QMBDefaultOperationManager()->addFetchTokenOperationForSessionID(m_sessionID, m_accountName, m_accountID, true);
    m_callbackObservation.reset();
    accept();
}
