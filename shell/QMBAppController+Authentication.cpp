// The application delegate's side of an eBay sign-in: the sign-in address, the callback that the
// desktop hands over when eBay sends the browser back, and the storing of the fetched token.
#include "shell/QMBAppController.h"

#include "DWEBay2/types/EBayUserType.h"
#include "DWKit/NSBundle+DWExtensions.h"
#include "DWKit/NSString+DWExtensions.h"
#include "Operations/QMAccountManager.h"
#include "Operations/QMFetchTokenOperation.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "platform/core/AlertPresenter.h"
#include "platform/core/Bundle.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/Localization.h"
#include "shell/QMBSingleInstance.h"

#include <QApplication>
#include <QWidget>

namespace {

// The program's one localization: the language the sign-in page is asked to come back in.
constexpr const char* kPreferredLocalization = "en";

QString bundleIdentifier()
{
    const QString identifier =
        dw::Bundle::mainBundle().infoDictionary().value(QStringLiteral("CFBundleIdentifier")).toString();
    return identifier.isEmpty() ? QStringLiteral("org.quillmart.Vodar") : identifier;
}

// The scheme and the host of an address as written: a host of a scheme of our own keeps its case
// (QUrl would lower it), and the comparison with the callback host is exact. Null parts when the
// address has no "scheme://" form.
struct AddressParts
{
    QString scheme;
    QString host;
};

AddressParts partsOf(const QString& address)
{
    const qsizetype separator = address.indexOf(QLatin1String("://"));
    if (separator <= 0)
        return {};
    AddressParts parts;
    parts.scheme = address.left(separator);
    const qsizetype start = separator + 3;
    qsizetype end = start;
    while (end < address.size() && address.at(end) != u'/' && address.at(end) != u'?' && address.at(end) != u'#')
        ++end;
    QString authority = address.mid(start, end - start);
    authority = authority.mid(authority.lastIndexOf(u'@') + 1);
    const qsizetype port = authority.lastIndexOf(u':');
    parts.host = port >= 0 ? authority.left(port) : authority;
    return parts;
}

} // namespace

QString QMBAppController::authorizeURLForSessionID(const QString& sessionID) const
{
    const QString parameters =
        QStringLiteral("QMVersion=%1&QMLanguage=%2").arg(dw::bundleVersion(), QLatin1String(kPreferredLocalization));
    const QString ruparams = dw::stringByAddingURLPercentEscapesIncludingReservedCharacters(parameters);
    const auto& preferences = QMPreferencesManager::sharedInstance();
    const QString base = QMSiteDescriptionManager::sharedInstance().authorizeURLForSiteID(
        preferences.defaultSiteID(), preferences.isRunningInSandbox());
    return base +
           QStringLiteral("?SignIn&RuName=%1&SessID=%2&ruparams=%3").arg(preferences.ruName(), sessionID, ruparams);
}

QString QMBAppController::callbackHost()
{
    return bundleIdentifier() + QStringLiteral(".gettoken");
}

void QMBAppController::registerForAuthenticationUrlProtocol(QMBSingleInstance* instance)
{
    if (!instance)
        return;
    connect(instance, &QMBSingleInstance::argumentsReceived, this, [this](const QStringList& arguments) {
        openFilesAndURLs(arguments, [this, arguments](int) { bringWindowForward(arguments.isEmpty()); });
    });
}

void QMBAppController::bringWindowForward(bool mayOpenUntitled)
{
    // The seller comes back from the browser (or started the program again): show the window that
    // waits, the sign-in panel when one is open.
    QWidget* front = QApplication::activeModalWidget();
    if (!front) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window->isWindow()) {
                front = window;
                break;
            }
        }
    }
    if (front) {
        front->raise();
        front->activateWindow();
    } else if (mayOpenUntitled && applicationShouldOpenUntitledFile() && m_services.openUntitledDocument) {
        // Started again while no window is on screen (the last document was closed): as the
        // platform reopens an application, an untitled document, or the program stays unseen.
        m_services.openUntitledDocument();
    }
}

bool QMBAppController::openUrl(const QString& address)
{
    const AddressParts parts = partsOf(address);
    if (parts.scheme.compare(QLatin1String(kQMCallbackURLScheme), Qt::CaseInsensitive) != 0 ||
        parts.host != callbackHost()) {
        // Scheme and host only: the rest of an address may carry a token.
        dw::consoleWrite(
            QStringLiteral("Ignored the address of scheme \"%1\" and host \"%2\": not the sign-in callback")
                .arg(parts.scheme, parts.host));
        return false;
    }
    dw::NotificationCenter::defaultCenter().post(QLatin1String(kQMEbayTokenShouldBeFetchedNotification));
    return true;
}

void QMBAppController::handleFetchTokenOperation(const QMFetchTokenOperation& operation)
{
    if (shouldDisplayErrorForOperation(operation)) {
        showFirstErrorFromEnvelope(operation.errorEnvelope());
        return;
    }
    // A token whose GetUser failed is kept under the name the seller gave.
    QString accountName;
    if (const auto user = operation.getUserType())
        accountName = user->userID();
    if (accountName.isEmpty())
        accountName = operation.accountName();
    const QString token = operation.token();
    const QString accountID = operation.accountID();
    if (token.isEmpty() || accountID.isEmpty() || accountName.isEmpty())
        return;
    QString error;
    if (QMAccountManager::sharedQMAccountManager()->insertToken(token, accountID, accountName, &error))
        return;
    if (m_introWindowIsShown) {
        dw::consoleWrite(QStringLiteral("Error while saving token in the keychain: %1").arg(error));
        return;
    }
    dw::AlertRequest alert;
    alert.style = dw::AlertRequest::Style::Critical;
    alert.messageText = dw::localized("Keychain Error");
    alert.informativeText = error;
    alert.buttons = {dw::localized("OK")};
    dw::queueAlert(alert);
}
