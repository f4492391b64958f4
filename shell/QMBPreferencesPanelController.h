#pragma once
// The preferences window: one window with a toolbar of six panes that edit the application-wide
// settings: the default eBay site and item location (General), the defaults every new listing
// starts with and their sheets (New Templates), the eBay account and its token (Account), the
// category data of the default site (Categories), the updater's settings (Update) and the
// picture-upload system with the proxy's account (Image Server).
//
// Leaving a pane runs its checks first: above all, a changed default site offers to update the
// open documents or to revert, missing category data offers its download, and an empty item
// location keeps the seller on the General pane (closing the window runs the same checks).
// Controls not filled here are bound to their user defaults; pending edits are committed before
// a pane is left and when the window closes. Passwords typed here go to the keychain, never to
// the user defaults.
//
// One controller for the process, made on first use and never destroyed while the program runs.
// Main thread.
//
//     auto& preferences = QMBPreferencesPanelController::sharedPreferencesPanelController();
//     preferences.showWindow();
//     preferences.changeToViewAtIndex(QMBPreferencesPanelController::ImageServerPane, true);

#include "platform/core/NotificationCenter.h"

#include <QColor>
#include <QList>
#include <QMainWindow>
#include <QVariantMap>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QMBUserDefaultsBinding;
class QMCommonPrefsController;
class QMEbayItem;

inline constexpr const char* kQMHighlightableTextFieldStateNotification = "QMHighlightableTextFieldStateNotification";
inline constexpr const char* kQMImageUploadSystemDidChangeNotification = "ImageUploadSystemDidChangeNotification";
inline constexpr const char* kQMLastSelectedPreferencesPaneKey = "QMLastSelectedPreferencesPane";

class QMBPreferencesPanelController : public QMainWindow
{
    Q_OBJECT

public:
    // Pane index = toolbar item tag = position in views().
    enum Pane { GeneralPane = 0, ItemDefaultsPane, TokenPane, CategoriesPane, UpdatePane, ImageServerPane, PaneCount };

    // A listing of an open document, and how that document takes over the location defaults.
    struct OpenDocument
    {
        std::shared_ptr<QMEbayItem> item;
        std::function<void()> copyDefaultLocationSettings;
    };
    using OpenDocuments = std::function<QList<OpenDocument>()>;

    static QMBPreferencesPanelController& sharedPreferencesPanelController();

    // Builds the window and restores the last pane ("QMLastSelectedPreferencesPane").
    explicit QMBPreferencesPanelController(QWidget* parent = nullptr);
    ~QMBPreferencesPanelController() override;

    // Shows the window and brings it to the front.
    void showWindow();

    // The open documents, front-most first (the document controller's unless replaced).
    void setOpenDocuments(OpenDocuments documents) { m_openDocuments = std::move(documents); }

    // Switches panes when the leave-pane check allows it; the toolbar then shows the pane shown.
    void changeToViewAtIndex(int index, bool animate);
    int currentPaneIndex() const { return m_currentPane; }
    QWidget* paneAtIndex(int index) const { return m_views.value(index); }
    QAction* toolbarItemForPane(int index) const;
    // The leave-pane check of the pane shown; false keeps it.
    bool shouldSwitchViews();
    void willSwitchViews() {}
    void didSwitchViews();

    // Account pane.
    void updateAccountViews();
    QVariantMap accountDescription() const { return m_accountDescription; }
    QString accountID() const;
    QString paypalEmailAddress() const { return m_paypalEmailAddress; }
    // Also stores the address for the shown account, when there is one.
    void setPaypalEmailAddress(const QString& address);
    void deleteAccount();
    void refreshToken();

    // New Templates pane.
    void showPaymentPanel();
    void showShippingOptionsPanel();
    void editReturnPoliciesAction();
    void popuplateDesignTemplatePopup();
    void updateDesignTemplatePopup();
    void designTemplatePopupChanged();
    void postHighlightableTextFieldStateNotification();
    QColor feesHighlightColor() const { return m_feesHighlightColor; }
    // Also stores the colour in the preferences.
    void setFeesHighlightColor(const QColor& color);

    // Categories and Update panes.
    void updateCategoryVersionFields();
    void checkForCategories();
    void showAllWarnings();
    void checkForUpdates();

    // Image Server pane.
    void updateImageSystemView();
    void imageUploadSystemDidChange();
    void removeDotMacFromImageServicePopup();
    int lastImageUploadSystemTag() const { return m_lastImageUploadSystemTag; }
    bool canSelectImageSize() const { return m_canSelectImageSize; }
    // The proxy account typed in the pane, stored in the keychain for the proxy shown; false with
    // the reason when the keychain refused it (the old account stays).
    [[nodiscard]] bool storeProxyAccount(QString* error = nullptr);

    qint64 oldSiteID() const { return m_oldSiteID; }
    QMCommonPrefsController* commonPrefsController() const { return m_commonPrefsController; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Pane construction (QMBPreferencesPanelController+Panes.cpp).
    QWidget* makeGeneralView();
    QWidget* makeItemDefaultsView();
    QWidget* makeTokenView();
    QWidget* makeCategoriesView();
    QWidget* makeUpdateView();
    QWidget* makeImageServerView();
    void buildToolbar();
    void fillDurationPopup();
    void fillImageSizePopup(bool forDunmerrowServer);
    void updateProxyViews();

    bool shouldLeaveGeneralPane();
    bool shouldLeaveImageServerPane();
    void selectToolbarItemForPane(int index);
    void showPane(int index, bool animate);
    void windowWillClose();
    void commitEditing();
    void updatePaymentOptionsField();
    void updateShippingOptionsField();
    void updateReturnPolicyField();
    void ebayOperationEnded(const dw::Notification& notification);
    QList<OpenDocument> openDocuments() const;

    QList<QWidget*> m_views;
    QActionGroup* m_toolbarGroup = nullptr;
    QMBUserDefaultsBinding* m_bindings = nullptr;
    QMCommonPrefsController* m_commonPrefsController = nullptr;
    OpenDocuments m_openDocuments;
    int m_currentPane = -1;

    // General.
    QComboBox* m_sitePopup = nullptr;
    QLineEdit* m_locationField = nullptr;
    QPushButton* m_feesColorButton = nullptr;
    // New Templates.
    QComboBox* m_durationPopup = nullptr;
    QLabel* m_defaultPaymentOptionsField = nullptr;
    QLabel* m_defaultShippingOptionsField = nullptr;
    QLabel* m_defaultReturnPolicyField = nullptr;
    QComboBox* m_designTemplatePopup = nullptr;
    // Account.
    QLabel* m_accountNameField = nullptr;
    QLabel* m_tokenDownloadDateField = nullptr;
    QLabel* m_accountCountField = nullptr;
    QPushButton* m_authorizeButton = nullptr;
    QPushButton* m_deleteAccountButton = nullptr;
    QLineEdit* m_paypalAddressTextField = nullptr;
    // Categories.
    QLabel* m_categorySiteField = nullptr;
    QLabel* m_categoryTreeVersionField = nullptr;
    QLabel* m_csMappingsVersionField = nullptr;
    QLabel* m_attributeDataVersionField = nullptr;
    // Update.
    QLabel* m_lastUpdateCheckField = nullptr;
    // Image Server.
    QComboBox* m_imageUploadSystemPopup = nullptr;
    QComboBox* m_serverImageSizePopup = nullptr;
    QLabel* m_imageSystemSummaryTextField = nullptr;
    QLabel* m_proxyServerField = nullptr;
    QLineEdit* m_proxyUserField = nullptr;
    QLineEdit* m_proxyPasswordField = nullptr;
    QLabel* m_proxyStatusField = nullptr;

    bool m_canSelectImageSize = false;
    int m_lastImageUploadSystemTag = 0;
    QVariantMap m_accountDescription;
    QString m_paypalEmailAddress;
    QColor m_feesHighlightColor;
    qint64 m_oldSiteID = 0;
    qint64 m_oldCurrencyID = 0;
    dw::ScopedObservation m_operationObservation;
    dw::ScopedObservation m_accountsObservation;
};
