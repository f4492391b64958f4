#pragma once
// The start-listings sheet: asks whether to upload the listings, warns about those uploaded
// before, and at once verifies them with eBay to show the listing fees (summed per currency).
// Document-modal, without a modal loop: it answers with a notification whose object is the
// sheet, "QMStartTemplates" (user info "templates": QVariant::fromValue of the
// QList<std::shared_ptr<QMEbayItem>>, "accountID": text) or "QStartTemplatesPanelCanceldNotification",
// and deletes itself.
//
// The sheet follows only its own verify run: another sheet's run, or a verify run started
// elsewhere, never touches its totals. The verify run and the upload use the preferences' default
// account. Main thread.
//
//     auto* sheet = QMSimpleStartAuctionPanelController::displayStartAuctionPanelForTemplates(items, window);
//     center.addObserver(kQMStartTemplatesNotification, sheet, [](const dw::Notification& n) { ... });

#include <QList>
#include <QObject>
#include <QPointer>
#include <memory>

#include "platform/core/NotificationCenter.h"

class QDialog;
class QLabel;
class QMEbayItem;
class QMOperationManager;
class QMVerifyAddItemOperationEnvelope;
class QPushButton;
class QToolButton;
class QWidget;
namespace dw {
class ProgressIndicator;
}

inline constexpr const char* kQMStartTemplatesNotification = "QMStartTemplates";
inline constexpr const char* kQMStartTemplatesPanelCanceledNotification = "QStartTemplatesPanelCanceldNotification";
inline constexpr const char* kQMPreviewTemplatesNotification = "QMPreviewTemplates";
inline constexpr const char* kQMVerifyTemplatesNotification = "QMVerifyTemplatesNotification";
inline constexpr const char* kQMGetFeesForTemplatesNotification = "QMGetFeesForTemplatesNotification";

class QMSimpleStartAuctionPanelController : public QObject
{
    Q_OBJECT

public:
    enum ReturnCode { Start = 0, Cancel = 1, Preview = 2, VerifyWithErrors = 3, GetFees = 4 };

    // Opens the sheet on the window and returns at once; the sheet deletes itself when it ends.
    // The verify run goes through `operationManager` (the shared one when null).
    static QMSimpleStartAuctionPanelController*
    displayStartAuctionPanelForTemplates(const QList<std::shared_ptr<QMEbayItem>>& templates, QWidget* parentWindow,
                                         std::shared_ptr<QMOperationManager> operationManager = nullptr);
    // The sheets on screen.
    static QList<QMSimpleStartAuctionPanelController*> visiblePanelControllers();

    ~QMSimpleStartAuctionPanelController() override;

    const QList<std::shared_ptr<QMEbayItem>>& templates() const { return m_templates; }
    QDialog* window() const { return m_window; }
    // The default account of the preferences.
    QString selectedAccountID() const;

    // Both set and different: the empty text (mixed currencies); either null: the new value.
    const QString& currency() const { return m_currency; }
    void setCurrency(const QString& currency);
    float totalFeeSoFar() const { return m_totalFeeSoFar; }
    bool receivedVerificationErrors() const { return m_receivedVerificationErrors; }
    const std::shared_ptr<QMVerifyAddItemOperationEnvelope>& verifyEnvelope() const { return m_verifyEnvelope; }

    void doOK();
    void doCancel();
    void errorInfoButtonClicked();
    // Ends the sheet: hides it, posts the code's notification (nothing for a code outside 0 to 4)
    // and deletes the sheet later.
    void endSheet(int returnCode);

protected:
    QMSimpleStartAuctionPanelController(const QList<std::shared_ptr<QMEbayItem>>& templates, QWidget* parentWindow,
                                        std::shared_ptr<QMOperationManager> operationManager);

private:
    void buildWindow(QWidget* parentWindow);
    void awakeFromNib();
    void registerNotifications();
    void startVerifiyTemplatesWithAccountID(const QString& accountID);
    void ebayOperationEnvelopeAdded(const dw::Notification& notification);
    void ebayOperationEnvelopeFinished(const dw::Notification& notification);
    void ebayOperationEnded(const dw::Notification& notification);
    bool isOwnEnvelope(const dw::Notification& notification) const;
    QString feeText(const char* format) const;

    QList<std::shared_ptr<QMEbayItem>> m_templates;
    std::shared_ptr<QMOperationManager> m_operationManager;
    std::shared_ptr<QMVerifyAddItemOperationEnvelope> m_verifyEnvelope;
    QPointer<QDialog> m_window;
    QLabel* m_primaryMessageField = nullptr;
    QLabel* m_secondaryMessageField = nullptr;
    QLabel* m_statusMessageField = nullptr;
    QPushButton* m_startAuctionsButton = nullptr;
    dw::ProgressIndicator* m_progressIndicator = nullptr;
    bool m_receivedVerificationErrors = false;
    float m_totalFeeSoFar = 0;
    QToolButton* m_errorInfoButton = nullptr;
    QLabel* m_errorImageView = nullptr;
    QString m_currency;
    bool m_ended = false;
    std::vector<dw::ScopedObservation> m_observations;
};
