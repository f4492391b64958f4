#pragma once
// The authorization panel: authorizes the program for one eBay account outside the first-run
// assistant. It asks eBay for a sign-in session, opens eBay's sign-in page in the browser with its
// one button, and when the browser comes back through the sign-in callback (or the seller presses
// the button again) queues the token fetch and closes. The application delegate stores the token
// when the fetch ends.
//
//     QMTokenPanelController::runTokenPanelModalForAccountName(dw::localized("New Account"),
//                                                              QUuid::createUuid().toString(QUuid::WithoutBraces),
//                                                              true, window);

#include "platform/core/NotificationCenter.h"

#include <QDialog>
#include <QString>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QMGetSessionIDOperation;

class QMTokenPanelController : public QDialog
{
    Q_OBJECT

public:
    // Runs the panel modally and returns when it has closed.
    static void runTokenPanelModalForAccountName(const QString& accountName, const QString& accountID,
                                                 bool allowsAccountNameEditing, QWidget* parentWindow = nullptr);

    explicit QMTokenPanelController(QWidget* parentWindow = nullptr);
    ~QMTokenPanelController() override;

    QString sessionID() const { return m_sessionID; }
    QString accountName() const { return m_accountName; }
    void setAccountName(const QString& accountName);
    QString accountID() const { return m_accountID; }
    void setAccountID(const QString& accountID) { m_accountID = accountID; }
    bool allowsAccountNameEditing() const { return m_allowsAccountNameEditing; }
    void setAllowsAccountNameEditing(bool allows);

    QLineEdit* accountNameField() const { return m_accountNameField; }
    QLabel* statusField() const { return m_statusField; }
    QPushButton* authorizeOrFetchButton() const { return m_authorizeOrFetchButton; }

    // Queues the session request and watches for its end.
    void startGetSessionIDOperation();
    // Opens the sign-in page and turns the button into "Fetch Token".
    void authorizeForToken();
    // Queues the token fetch and ends the panel.
    void fetchToken();
    void updateAuthorizeButtonState();

private:
    void operationEnded(const dw::Notification& notification);

    QLineEdit* m_accountNameField = nullptr;
    QLabel* m_statusField = nullptr;
    QPushButton* m_authorizeOrFetchButton = nullptr;
    QString m_sessionID;
    QString m_accountName;
    QString m_accountID;
    bool m_allowsAccountNameEditing = false;
    bool m_fetchOnPress = false;
    std::shared_ptr<QMGetSessionIDOperation> m_sessionOperation;
    dw::ScopedObservation m_sessionObservation;
    dw::ScopedObservation m_callbackObservation;
};
