#pragma once
// The first-run assistant: welcomes the seller, authorizes the first eBay account (or lets the
// seller do that later), asks for the default eBay site and item location and whether PayPal is
// accepted under which address, and downloads the category and item-specifics data of the
// default site. Site, country, ZIP code and location are filled in from the eBay account's
// registration address where they are still empty.
//
// Five steps: 0 welcome, 1 eBay authorization, 2 site and location, 3 PayPal, 4 eBay data and
// finish. Settings go to the preferences as soon as they are entered; the account lives in the
// keychain, stored by the application delegate when the token fetch ends. Closing the window
// with its close button quits the program; finishing only hides it. Main thread.
//
//     QMIntroPanelController::showForApplication(appController);   // its delegate: finish, data
//                                                                    // download, sign-in address

#include "platform/core/NotificationCenter.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class EBayUserType;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QMBUserDefaultsBinding;
class QMCommonPrefsController;
class QMBAppController;
class QMGetSessionIDOperation;
class QMIntroPanelController;
namespace dw {
class ProgressIndicator;
}

// What the assistant asks of the application; every call has a harmless default.
class QMIntroPanelControllerDelegate
{
public:
    virtual ~QMIntroPanelControllerDelegate() = default;
    // The seller pressed Finish; the assistant's window is already hidden.
    virtual void introPanelDidFinish(QMIntroPanelController& panel);
    // The default site lacks category or item-specifics data: download what is missing, silently.
    virtual void introPanelDownloadMissingeBayDataForSiteID(QMIntroPanelController& panel, qint64 siteID);
    // The eBay sign-in address of the session; empty opens nothing.
    virtual QString introPanelAuthorizeURLForSessionID(QMIntroPanelController& panel, const QString& sessionID);
};

class QMIntroPanelController : public QWidget
{
    Q_OBJECT

public:
    enum Step { WelcomeStep = 0, TokenStep, SiteStep, PayPalStep, FinishStep, StepCount };

    // The one assistant of the process, made on first use and kept after it has finished.
    static QMIntroPanelController& sharedQMIntroPanelController();
    // Shows the shared assistant, centred, with the application delegate answering its calls.
    static void showForApplication(QMBAppController& application);

    explicit QMIntroPanelController(QWidget* parent = nullptr);
    ~QMIntroPanelController() override;

    // Held weakly.
    void setDelegate(const std::weak_ptr<QMIntroPanelControllerDelegate>& delegate) { m_delegate = delegate; }
    // What closing the window does (quitting the program unless replaced).
    void setCloseHandler(std::function<void()> handler) { m_closeHandler = std::move(handler); }

    int currentViewIndex() const { return m_currentViewIndex; }
    QString sessionID() const { return m_sessionID; }
    bool authorizeLater() const { return m_authorizeLater; }
    void setAuthorizeLater(bool later);
    bool tokenDownloaded() const { return m_tokenDownloaded; }
    bool acceptPayPal() const { return m_acceptPayPal; }
    void setAcceptPayPal(bool accept);
    QString payPalAddress() const { return m_payPalAddress; }
    void setPayPalAddress(const QString& address);

    // The actions of the buttons.
    void nextView();
    void previousView();
    void authorizeForToken();
    void createNewEbayAccount();
    void showTokenExplanation();
    void openLinkWithSenderTagAction(int tag);

    // The closing text of the last step for the given title of the Next button.
    QString messageStringForGetCategoriesTabForNextButtonTitle(const QString& title) const;

    QStackedWidget* tabView() const { return m_tabView; }
    QPushButton* prevButton() const { return m_prevButton; }
    QPushButton* nextButton() const { return m_nextButton; }
    QPushButton* authorizeButton() const { return m_authorizeButton; }
    QCheckBox* authorizeLaterCheckbox() const { return m_authorizeLaterCheckbox; }
    QLabel* passwordUsernameErrorTextField() const { return m_passwordUsernameErrorTextField; }
    QLabel* locationErrorTextField() const { return m_locationErrorTextField; }
    QLabel* payPalErrorTextField() const { return m_payPalErrorTextField; }
    QStackedWidget* getCategoriesTabView() const { return m_getCategoriesTabView; }
    QLabel* getCategoriesTabTextField() const { return m_getCategoriesTabTextField; }
    QLabel* progressIndicatorTextField() const { return m_progressIndicatorTextField; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* makeWelcomeStep();
    QWidget* makeTokenStep();
    QWidget* makeSiteStep();
    QWidget* makePayPalStep();
    QWidget* makeFinishStep();
    QWidget* framedStep(const QString& identifier, const QString& title, QWidget* content);

    void advanceToTabViewWithIndex(int index);
    void setupTabViewWithIndex(int index);
    void updateNextButtonStateForTokenTab();
    void updateAuthorizeButton();
    void updatePayPalControls();
    void startGetSessionIDOperation();
    void downloadToken();
    void downloadCategories();
    void finishIntro();
    void setAllEnabled(bool enabled);
    void commitEditing();
    bool defaultSiteDataComplete() const;
    std::shared_ptr<QMIntroPanelControllerDelegate> delegate() const { return m_delegate.lock(); }

    void ebayOperationStarted(const dw::Notification& notification);
    void ebayOperationEnded(const dw::Notification& notification);
    void accountsChanged(const dw::Notification& notification);
    void ebayTokenShouldBeFetched();
    void takeOverUserRecord(const EBayUserType& user);

    std::weak_ptr<QMIntroPanelControllerDelegate> m_delegate;
    std::function<void()> m_closeHandler;

    QStackedWidget* m_tabView = nullptr;
    QPushButton* m_prevButton = nullptr;
    QPushButton* m_nextButton = nullptr;
    QPushButton* m_authorizeButton = nullptr;
    dw::ProgressIndicator* m_progressIndicator = nullptr;
    QLabel* m_progressIndicatorTextField = nullptr;
    QLabel* m_locationErrorTextField = nullptr;
    QLabel* m_locationErrorImageView = nullptr;
    QLabel* m_passwordUsernameErrorTextField = nullptr;
    QCheckBox* m_authorizeLaterCheckbox = nullptr;
    QLabel* m_payPalErrorTextField = nullptr;
    QLabel* m_payPalLaterHint = nullptr;
    QCheckBox* m_acceptPayPalCheckbox = nullptr;
    QLineEdit* m_payPalAddressField = nullptr;
    QStackedWidget* m_getCategoriesTabView = nullptr;
    QLabel* m_getCategoriesTabTextField = nullptr;
    QStackedWidget* m_welcomePanelTabView = nullptr;
    QComboBox* m_sitePopup = nullptr;
    QComboBox* m_countryPopup = nullptr;
    QComboBox* m_regionPopup = nullptr;
    QMCommonPrefsController* m_commonPrefsController = nullptr;
    QMBUserDefaultsBinding* m_bindings = nullptr;

    int m_currentViewIndex = 0;
    QString m_sessionID;
    bool m_acceptPayPal = false;
    QString m_payPalAddress;
    bool m_authorizeLater = true;
    bool m_tokenDownloaded = false;
    std::shared_ptr<QMGetSessionIDOperation> m_sessionOperation;
    dw::ScopedObservation m_startedObservation;
    dw::ScopedObservation m_endedObservation;
    dw::ScopedObservation m_accountsObservation;
    dw::ScopedObservation m_callbackObservation;
};
