#include "shell/QMBPreferencesPanelController.h"

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/DWOperation/DWNSOperation.h"
#include "DWKit/QMLog.h"
#include "DWKit/widgets/NSToolbar+DWExtensions.h"
#include "DWKit/widgets/NSWindow+DWExtension.h"
#include "Operations/QMAccountManager.h"
#include "Operations/QMGetEbayDataOperation.h"
#include "Operations/QMImageUploadAdapterManager.h"
#include "Operations/QMProxyManager.h"
#include "description/QMDesignTemplate.h"
#include "description/QMDesignTemplateManager.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "model/widgets/QMCommonPrefsController.h"
#include "panels/QMOptionsWindowController.h"
#include "panels/QMReturnPolicyViewController.h"
#include "panels/QMShippingOptionsPanelController.h"
#include "platform/core/AlertPresenter.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/core/UserDefaults.h"
#include "platform/keychain/Keychain.h"
#include "shell/QMBAppController.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBUserDefaultsBinding.h"
#include "shell/QMPreferencesManager+QMBExtensions.h"
#include "shell/QMTokenPanelController.h"
#include "updater/DWUpdaterPreferencesManager.h"
#include "updater/QMUpdater.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QToolBar>
#include <QUuid>
#include <typeinfo>

namespace {

constexpr int kMinimumPaneWidth = 600;
const QString kFrameAutosaveName = QStringLiteral("Preferences");
const QString kDunmerrowSummary = QStringLiteral(
    "Your images will be uploaded to Quillmart's image server free of charge. There's a limit of %d images per "
    "auction. The images will remain on the server for 60 days.");

int runAlert(dw::AlertRequest::Style style, const char* title, const char* text,
             std::initializer_list<const char*> buttons, QWidget* window)
{
    dw::AlertRequest alert;
    alert.style = style;
    alert.messageText = dw::localized(title);
    alert.informativeText = dw::localized(text);
    for (const char* button : buttons)
        alert.buttons << dw::localized(button);
    alert.parentWindow = window;
    return dw::alertPresenter().runModal(alert).buttonIndex;
}

QString proxyProtocol(const QVariantMap& proxy)
{
    // The keychain's protocol codes of an HTTPS and an HTTP proxy.
    return proxy.value(QStringLiteral("protocol")).toString() == QLatin1String("https") ? QStringLiteral("htsx")
                                                                                        : QStringLiteral("htpx");
}

// The proxy the picture uploads go through: the HTTPS one when set, else the HTTP one.
QVariantMap currentProxy()
{
    const auto& proxies = QMProxyManager::sharedProxyManager();
    QVariantMap proxy = proxies.getHTTPProxySettingsForHTTPS(true);
    if (proxy.isEmpty())
        proxy = proxies.getHTTPProxySettingsForHTTPS(false);
    return proxy;
}

} // namespace

QMBPreferencesPanelController& QMBPreferencesPanelController::sharedPreferencesPanelController()
{
    static auto* controller = new QMBPreferencesPanelController;
    return *controller;
}

QMBPreferencesPanelController::QMBPreferencesPanelController(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("preferencesWindow"));
    setWindowTitle(dw::localized("Preferences"));
    setUnifiedTitleAndToolBarOnMac(true);
    auto& preferences = QMPreferencesManager::sharedInstance();
    m_feesHighlightColor = preferences.feesHighlightColor();
    m_bindings = new QMBUserDefaultsBinding(this);

    auto& center = dw::NotificationCenter::defaultCenter();
    m_operationObservation = dw::ScopedObservation(
        center, center.addObserver(QLatin1String(DWNSNotificationOperation_ended), nullptr,
                                   [this](const dw::Notification& note) { ebayOperationEnded(note); }));
    m_accountsObservation =
        dw::ScopedObservation(center, center.addObserver(QLatin1String(kQMAccountsChangedNotification), nullptr,
                                                         [this](const dw::Notification&) { updateAccountViews(); }));

    m_lastImageUploadSystemTag = int(preferences.defaultImageUploadingSystemTag());
    m_views = {makeGeneralView(),    makeItemDefaultsView(), makeTokenView(),
               makeCategoriesView(), makeUpdateView(),       makeImageServerView()};
    const char* const order[] = {"generalView",    "itemDefaultsView", "tokenView",
                                 "categoriesView", "updateView",       "imageServerView"};
    for (int index = 0; index < PaneCount; ++index)
        DW_ASSERT(m_views.value(index) && m_views.at(index)->objectName() == QLatin1String(order[index]),
                  "Wrong index");
    for (QWidget* view : std::as_const(m_views)) {
        view->setParent(this);
        view->hide();
    }
    updateImageSystemView();
    updatePaymentOptionsField();
    buildToolbar();

    // A stored pane that is no pane (a newer release's, a damaged value) opens the first.
    qint64 pane = dw::UserDefaults::standard().integerForKey(QLatin1String(kQMLastSelectedPreferencesPaneKey));
    if (pane < 0 || pane >= PaneCount)
        pane = GeneralPane;
    showPane(int(pane), false);
    selectToolbarItemForPane(m_currentPane);

    updateCategoryVersionFields();
    updateShippingOptionsField();
    updateAccountViews();
    popuplateDesignTemplatePopup();
    updateDesignTemplatePopup();
    updateReturnPolicyField();
    setFeesHighlightColor(m_feesHighlightColor);
    m_oldSiteID = preferences.defaultSiteID();
    m_oldCurrencyID = preferences.defaultCurrencyID();
    removeDotMacFromImageServicePopup();
    updateProxyViews();

    const QRect frame = dw::savedWindowFrame(kFrameAutosaveName);
    if (frame.isValid()) {
        move(frame.topLeft());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
}

QMBPreferencesPanelController::~QMBPreferencesPanelController() = default;

void QMBPreferencesPanelController::showWindow()
{
    updateAccountViews();
    if (m_lastUpdateCheckField) {
        const QDateTime last = DWUpdaterPreferencesManager::lastVersionCheckDate();
        m_lastUpdateCheckField->setText(last.isValid() ? dw::format(dw::localized("Last checked: %@"),
                                                                    QLocale().toString(last, QLocale::LongFormat))
                                                       : dw::localized("Not checked yet."));
    }
    show();
    raise();
    activateWindow();
}

QList<QMBPreferencesPanelController::OpenDocument> QMBPreferencesPanelController::openDocuments() const
{
    if (m_openDocuments)
        return m_openDocuments();
    QList<OpenDocument> documents;
    for (QMBDocument* document : QMBDocumentController::sharedDocumentController().documents()) {
        const QPointer<QMBDocument> guard(document);
        documents.append({document->item(), [guard] {
                              if (guard)
                                  guard->copyDefaultLocationSettingsToItem(guard->item());
                          }});
    }
    return documents;
}

// Panes

void QMBPreferencesPanelController::showPane(int index, bool animate)
{
    QWidget* view = m_views.value(index);
    if (!view)
        return;
    const QSize hint = view->sizeHint();
    view->resize(qMax(kMinimumPaneWidth, hint.width()), hint.height());
    dw::changeContentViewToView(this, view, animate, animate);
    // A window not shown yet has no toolbar height to measure: its toolbar's own height counts.
    if (!isVisible()) {
        const auto* toolbar = findChild<QToolBar*>(QStringLiteral("PreferencesToolBar"));
        resize(view->width(), view->height() + (toolbar ? toolbar->sizeHint().height() : 0));
    }
    m_currentPane = index;
}

void QMBPreferencesPanelController::selectToolbarItemForPane(int index)
{
    if (QAction* item = toolbarItemForPane(index))
        item->setChecked(true);
}

void QMBPreferencesPanelController::changeToViewAtIndex(int index, bool animate)
{
    if (index >= 0 && index < PaneCount && index != m_currentPane && shouldSwitchViews()) {
        willSwitchViews();
        dw::UserDefaults::standard().setInteger(index, QLatin1String(kQMLastSelectedPreferencesPaneKey));
        showPane(index, animate);
        didSwitchViews();
    }
    // A refused switch leaves the pane shown selected.
    selectToolbarItemForPane(m_currentPane);
}

void QMBPreferencesPanelController::didSwitchViews()
{
    if (m_currentPane == ItemDefaultsPane)
        updateShippingOptionsField();
    if (m_currentPane == TokenPane)
        updateAccountViews();
}

void QMBPreferencesPanelController::commitEditing()
{
    // What is being typed counts, as when the window takes the focus from the field.
    if (QWidget* focus = QApplication::focusWidget(); focus && isAncestorOf(focus))
        focus->clearFocus();
    m_bindings->commitEditing();
}

bool QMBPreferencesPanelController::shouldSwitchViews()
{
    commitEditing();
    switch (m_currentPane) {
    case GeneralPane:
        return shouldLeaveGeneralPane();
    case ImageServerPane:
        return shouldLeaveImageServerPane();
    default:
        return true;
    }
}

bool QMBPreferencesPanelController::shouldLeaveImageServerPane()
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    if (preferences.useDotMac() &&
        runAlert(dw::AlertRequest::Style::Warning, "MobileMe discontinued",
                 "MobileMe will be discontinued by Apple and is no longer available as an image service for "
                 "Quillmart.",
                 {"OK", "Cancel"}, this) == 1)
        return false;
    QString error;
    if (!storeProxyAccount(&error))
        m_proxyStatusField->setText(error);
    QMImageUploadAdapterManager::sharedInstance().clearAdapterPool();
    return true;
}

bool QMBPreferencesPanelController::shouldLeaveGeneralPane()
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    // The location first: a refusal then leaves everything as it was, and no open document is
    // converted to a new site with an empty location.
    if (preferences.defaultLocation().toString().trimmed().isEmpty()) {
        selectToolbarItemForPane(GeneralPane);
        runAlert(dw::AlertRequest::Style::Warning, "Incomplete Configuration", "Please enter your location.", {"OK"},
                 this);
        m_locationField->setFocus();
        return false;
    }

    const qint64 newSiteID = preferences.defaultSiteID();
    if (newSiteID != m_oldSiteID) {
        const QList<OpenDocument> documents = openDocuments();
        const bool anyDiffers = std::any_of(documents.cbegin(), documents.cend(), [&](const OpenDocument& document) {
            return document.item && document.item->siteID() != newSiteID;
        });
        if (anyDiffers) {
            const int answer = runAlert(
                dw::AlertRequest::Style::Warning, "Change Default Site",
                "You changed the default eBay site. Do you want to update open documents to your new eBay site or do "
                "you want to revert to your old site setting.",
                {"Update Documents", "Revert"}, this);
            if (answer == 0) {
                for (const OpenDocument& document : documents) {
                    if (!document.item || document.item->siteID() == newSiteID)
                        continue;
                    document.item->setSiteID(newSiteID);
                    if (document.copyDefaultLocationSettings)
                        document.copyDefaultLocationSettings();
                }
                m_oldSiteID = newSiteID;
                m_oldCurrencyID = preferences.defaultCurrencyID();
            } else {
                // The currency went with the site: it comes back with it.
                preferences.setDefaultSiteID(m_oldSiteID);
                preferences.setDefaultCurrencyID(m_oldCurrencyID);
                preferences.synchronize();
                m_commonPrefsController->updateSitePopup();
                m_commonPrefsController->updateCurrencyPopup();
                fillDurationPopup();
                updatePaymentOptionsField();
                updateShippingOptionsField();
                updateCategoryVersionFields();
            }
        }
    }

    const qint64 siteID = preferences.defaultSiteID();
    if (!QMCategoryDataManager::sharedQMCategoryDataManager()->completeDataAvailableForSiteID(siteID)) {
        QAction* before = m_toolbarGroup->checkedAction();
        selectToolbarItemForPane(GeneralPane);
        const int answer = runAlert(dw::AlertRequest::Style::Warning, "Missing Category Data",
                                    "Quillmart could not find the category data for the selected eBay site. Do you "
                                    "want to download it now?",
                                    {"Download", "Cancel", "Ignore"}, this);
        if (answer == 0) {
            if (const auto application = QMBAppController::shared())
                application->downloadMissingeBayDataForSiteID(siteID);
            return false;
        }
        if (answer != 2)
            return false;
        if (before)
            before->setChecked(true);
    }
    return true;
}

void QMBPreferencesPanelController::closeEvent(QCloseEvent* event)
{
    if (isVisible() && !shouldSwitchViews()) {
        event->ignore();
        return;
    }
    windowWillClose();
    event->accept();
}

void QMBPreferencesPanelController::windowWillClose()
{
    commitEditing();
    dw::saveWindowFrame(this, kFrameAutosaveName);
}

// Account

QString QMBPreferencesPanelController::accountID() const
{
    return m_accountDescription.value(QStringLiteral("accountID")).toString();
}

void QMBPreferencesPanelController::updateAccountViews()
{
    const auto accounts = QMAccountManager::sharedQMAccountManager();
    const QList<QVariantMap> descriptions = accounts->accountDescriptions();
    // Several accounts are possible (authorized with an earlier release, or by hand): the default
    // one is shown, and the others are left as they are.
    QVariantMap shown;
    if (!descriptions.isEmpty()) {
        shown = accounts->accountDescriptionForAccountID(accounts->defaultAccountID());
        if (shown.isEmpty())
            shown = descriptions.first();
    }
    m_accountDescription = shown;
    const bool hasAccount = !shown.isEmpty();
    m_accountNameField->setText(hasAccount ? shown.value(QStringLiteral("name")).toString()
                                           : dw::localized("No account authorized yet"));
    const QDateTime date = shown.value(QStringLiteral("modDate")).toDateTime();
    m_tokenDownloadDateField->setText(
        hasAccount && date.isValid() ? QLocale().toString(date.date(), QLocale::LongFormat) + QStringLiteral(", ") +
                                           QLocale().toString(date.time(), QLocale::ShortFormat)
                                     : QString());
    m_accountCountField->setVisible(descriptions.size() > 1);
    m_accountCountField->setText(
        dw::format(dw::localized("%ld eBay accounts are authorized; the default account is shown."),
                   qlonglong(descriptions.size())));
    m_authorizeButton->setText(hasAccount ? dw::localized("Refresh...") : dw::localized("Authorize..."));
    m_deleteAccountButton->setEnabled(hasAccount);
    m_paypalAddressTextField->setEnabled(hasAccount);
    m_paypalAddressTextField->setReadOnly(!hasAccount);
    m_paypalEmailAddress = hasAccount ? accounts->payPalAddressForAccountID(accountID()) : QString();
    if (!m_paypalAddressTextField->hasFocus())
        m_paypalAddressTextField->setText(m_paypalEmailAddress);
}

void QMBPreferencesPanelController::setPaypalEmailAddress(const QString& address)
{
    if (m_paypalEmailAddress == address)
        return;
    m_paypalEmailAddress = address;
    if (!accountID().isEmpty())
        QMAccountManager::sharedQMAccountManager()->setPayPalAddress(address, accountID());
}

void QMBPreferencesPanelController::deleteAccount()
{
    const QString account = accountID();
    if (account.isEmpty()) {
        QApplication::beep();
        return;
    }
    if (runAlert(dw::AlertRequest::Style::Warning, "Delete Account?",
                 "Are you sure want to delete the selected eBay Account?", {"Delete", "Cancel"}, this) == 0)
        QMAccountManager::sharedQMAccountManager()->removeAccountWithAccountID(account);
}

void QMBPreferencesPanelController::refreshToken()
{
    const QString account = accountID();
    if (!account.isEmpty()) {
        QMTokenPanelController::runTokenPanelModalForAccountName(
            QMAccountManager::sharedQMAccountManager()->nameForAccountID(account), account, false, this);
    } else {
        QMTokenPanelController::runTokenPanelModalForAccountName(
            dw::localized("New Account"), QUuid::createUuid().toString(QUuid::WithoutBraces), true, this);
    }
}

// New Templates

void QMBPreferencesPanelController::updatePaymentOptionsField()
{
    const auto& preferences = QMPreferencesManager::sharedInstance();
    QStringList options;
    for (const QVariant& option : preferences.defaultPaymentOptions())
        options << option.toString();
    const QString summary = QMSiteDescriptionManager::sharedInstance().paymentOptionNameStringForOptions(
        options, preferences.defaultSiteID());
    m_defaultPaymentOptionsField->setText(summary.isEmpty() ? dw::localized("None") : summary);
}

void QMBPreferencesPanelController::showPaymentPanel()
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    QStringList selected;
    for (const QVariant& option : preferences.defaultPaymentOptions())
        selected << option.toString();
    const auto chosen = QMOptionsWindowController::runSheetForWindow(
        this, selected,
        QMSiteDescriptionManager::sharedInstance().allowedPaymentOptionsForSiteID(preferences.defaultSiteID()), true);
    if (!chosen)
        return;
    QVariantList options;
    for (const QString& option : *chosen)
        options << option;
    preferences.setDefaultPaymentOptions(options);
    updatePaymentOptionsField();
}

void QMBPreferencesPanelController::updateShippingOptionsField()
{
    const auto& preferences = QMPreferencesManager::sharedInstance();
    const auto options = preferences.defaultShippingOptionsForSiteID(preferences.defaultSiteIDAsString());
    const QString summary = options ? options->summary() : QString();
    m_defaultShippingOptionsField->setText(summary.isEmpty() ? dw::localized("No shipping options set") : summary);
}

void QMBPreferencesPanelController::showShippingOptionsPanel()
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const QString site = preferences.defaultSiteIDAsString();
    const auto edited = QMShippingOptionsPanelController::runSheetForWindow(
        this, preferences.defaultShippingOptionsForSiteID(site), sites.domesticShippingServicesForSiteID(site),
        sites.internationalShippingServicesForSiteID(site), sites.allowedShipToLocationsForSiteID(site),
        sites.calculatedShippingFeesAllowedForSiteWithID(site), true, site, true, {}, {});
    if (!edited)
        return;
    if (!preferences.setDefaultShippingOptions(edited, site))
        runAlert(dw::AlertRequest::Style::Warning, "Shipping Options Not Saved",
                 "The default shipping options could not be written. Please check that there is room on the disk, "
                 "then try again.",
                 {"OK"}, this);
    updateShippingOptionsField();
}

void QMBPreferencesPanelController::updateReturnPolicyField()
{
    // The field tells what a new listing gets: its return policy comes from these defaults.
    m_defaultReturnPolicyField->setText(QMPreferencesManager::sharedInstance().returnPolicyAccepted()
                                            ? dw::localized("Accepted")
                                            : dw::localized("Not accepted"));
}

void QMBPreferencesPanelController::editReturnPoliciesAction()
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    const auto item = QMBPreferences::standardEbayItemPlain(preferences);
    if (!QMReturnPolicyViewController::runSheetForItems({item}, this))
        return;
    preferences.setReturnPolicyAccepted(item->returnPolicyAccepted());
    preferences.setReturnPolicyDescription(item->returnPolicyDescription());
    preferences.setReturnPolicyReturnsWithinOption(item->returnPolicyReturnsWithinOption());
    preferences.setReturnPolicyShippingCostPaidByOption(item->returnPolicyShippingCostPaidByOption());
    preferences.setReturnPolicyRefundOption(item->returnPolicyRefundOption());
    updateReturnPolicyField();
}

void QMBPreferencesPanelController::popuplateDesignTemplatePopup()
{
    m_designTemplatePopup->clear();
    for (const auto& design : QMDesignTemplateManager::sharedInstance().designTemplates())
        m_designTemplatePopup->addItem(design->name(), design->identifier());
}

void QMBPreferencesPanelController::updateDesignTemplatePopup()
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    const auto& manager = QMDesignTemplateManager::sharedInstance();
    const QString identifier = preferences.defaultDesignTemplateIdentifier().toString();
    const qsizetype index = identifier.isEmpty() ? -1 : manager.indexOfTemplateWithIdentifier(identifier);
    if (index >= 0 && index < m_designTemplatePopup->count()) {
        m_designTemplatePopup->setCurrentIndex(int(index));
        return;
    }
    // Without templates there is nothing to choose.
    if (manager.designTemplates().isEmpty())
        return;
    preferences.setDefaultDesignTemplateIdentifier(manager.designTemplates().first()->identifier());
    preferences.setDefaultUseDesignTemplate(false);
    m_designTemplatePopup->setCurrentIndex(0);
}

void QMBPreferencesPanelController::designTemplatePopupChanged()
{
    if (m_designTemplatePopup->currentIndex() >= 0)
        QMPreferencesManager::sharedInstance().setDefaultDesignTemplateIdentifier(m_designTemplatePopup->currentData());
}

void QMBPreferencesPanelController::postHighlightableTextFieldStateNotification()
{
    dw::NotificationCenter::defaultCenter().post(
        QLatin1String(kQMHighlightableTextFieldStateNotification), dw::NotificationObject::of(this),
        {{QStringLiteral("state"), QMPreferencesManager::sharedInstance().markExtraFees()}});
}

void QMBPreferencesPanelController::setFeesHighlightColor(const QColor& color)
{
    m_feesHighlightColor = color;
    auto& preferences = QMPreferencesManager::sharedInstance();
    if (preferences.feesHighlightColor() != color)
        preferences.setFeesHighlightColor(color);
    QPixmap swatch(14, 14);
    swatch.fill(color);
    QPainter(&swatch).drawRect(0, 0, 13, 13);
    m_feesColorButton->setIcon(QIcon(swatch));
}

// Categories and Update

void QMBPreferencesPanelController::updateCategoryVersionFields()
{
    const qint64 siteID = QMPreferencesManager::sharedInstance().defaultSiteID();
    const auto manager = QMCategoryDataManager::sharedQMCategoryDataManager();
    const qint64 attributes = manager->attributesDataVersionForSiteID(siteID);
    m_categorySiteField->setText(
        dw::localized(QMSiteDescriptionManager::sharedInstance().sitenameForSiteID(siteID), "ManualLocalizable"));
    m_categoryTreeVersionField->setText(QString::number(manager->categoryTreeVersionForSiteID(siteID)));
    m_csMappingsVersionField->setText(QString::number(attributes));
    m_attributeDataVersionField->setText(QString::number(attributes));
}

void QMBPreferencesPanelController::ebayOperationEnded(const dw::Notification& notification)
{
    const DWNSOperation* operation = notification.object.pointer<DWNSOperation>();
    if (!operation || typeid(*operation) != typeid(QMGetEbayDataOperation))
        return;
    if (!static_cast<const QMGetEbayDataOperation*>(operation)->errorOccurred())
        updateCategoryVersionFields();
}

void QMBPreferencesPanelController::checkForCategories()
{
    const auto application = QMBAppController::shared();
    if (!application || !application->checkCategoryTreeVersionSilent(false))
        runAlert(dw::AlertRequest::Style::Warning, "No Connection to the Internet",
                 "Make sure you can connect to the Internet, then try again.", {"OK"}, this);
}

void QMBPreferencesPanelController::showAllWarnings()
{
    QMPreferencesManager::sharedInstance().showAllWarnings();
}

void QMBPreferencesPanelController::checkForUpdates()
{
    QMUpdater::sharedUpdater().checkForUpdates();
}

// Image Server

void QMBPreferencesPanelController::updateImageSystemView()
{
    auto& defaults = dw::UserDefaults::standard();
    QString summary;
    switch (m_lastImageUploadSystemTag) {
    case kQMImageUploadingSystemDunmerrowImageServer:
        summary = dw::format(dw::localized(kDunmerrowSummary), 20);
        break;
    case kQMImageUploadingSystemDotMac:
        summary = dw::localized("MobileMe is deprecated by Apple and is no longer available as an image service in "
                                "Quillmart. Please use any other available image service.");
        break;
    default:
        summary = dw::localized("eBay will host the images until the auction ends. Quillmart will upload the pictures "
                                "to eBay. Please note eBay will charge you an extra fee for EPS.");
        break;
    }
    m_imageSystemSummaryTextField->setText(summary);
    m_canSelectImageSize = m_lastImageUploadSystemTag == kQMImageUploadingSystemDunmerrowImageServer;
    if (m_canSelectImageSize) {
        const qint64 sizeTag = defaults.integerForKey(QStringLiteral("ImageSizePopupTag"));
        if (sizeTag == 199 || sizeTag == 200)
            defaults.setInteger(201, QStringLiteral("ImageSizePopupTag"));
    }
    fillImageSizePopup(m_canSelectImageSize);
    m_serverImageSizePopup->setEnabled(m_canSelectImageSize);
    m_bindings->refresh();
}

void QMBPreferencesPanelController::imageUploadSystemDidChange()
{
    if (m_lastImageUploadSystemTag == kQMImageUploadingSystemDotMac)
        removeDotMacFromImageServicePopup();
    m_lastImageUploadSystemTag = m_imageUploadSystemPopup->currentData().toInt();
    updateImageSystemView();
    if (m_currentPane == ImageServerPane)
        showPane(ImageServerPane, true);
    dw::NotificationCenter::defaultCenter().post(QLatin1String(kQMImageUploadSystemDidChangeNotification),
                                                 dw::NotificationObject::of(this));
}

void QMBPreferencesPanelController::removeDotMacFromImageServicePopup()
{
    // Systems that this program no longer offers stay in the pop-up only while they are the
    // stored choice, so that the pane shows what is set; once another is chosen they go.
    const qint64 stored = QMPreferencesManager::sharedInstance().defaultImageUploadingSystemTag();
    for (const int tag : {int(kQMImageUploadingSystemDotMac), int(kQMImageUploadingSystemOwnFTPServer),
                          int(kQMImageUploadingSystemWebDAVServer)}) {
        const int index = m_imageUploadSystemPopup->findData(tag);
        if (stored != tag && index > 0)
            m_imageUploadSystemPopup->removeItem(index);
    }
    m_bindings->refresh();
}

void QMBPreferencesPanelController::updateProxyViews()
{
    const QVariantMap proxy = currentProxy();
    const bool hasProxy = !proxy.isEmpty();
    m_proxyServerField->setText(hasProxy ? dw::format(QStringLiteral("%@://%@:%ld"),
                                                      proxy.value(QStringLiteral("protocol")).toString(),
                                                      proxy.value(QStringLiteral("host")).toString(),
                                                      qlonglong(proxy.value(QStringLiteral("port")).toLongLong()))
                                         : dw::localized("No proxy is set up on this computer."));
    m_proxyUserField->setEnabled(hasProxy);
    m_proxyPasswordField->setEnabled(hasProxy);
    m_proxyUserField->setText(proxy.value(QStringLiteral("name")).toString());
    // The stored password stays in the keyring; the field only takes a new one.
    m_proxyPasswordField->clear();
    m_proxyPasswordField->setPlaceholderText(
        proxy.contains(QStringLiteral("password")) ? dw::localized("Kept in your keyring") : QString());
    m_proxyStatusField->setText(hasProxy ? dw::localized("Pictures are uploaded through this proxy. Its account is "
                                                         "kept in your keyring.")
                                         : QString());
}

bool QMBPreferencesPanelController::storeProxyAccount(QString* error)
{
    const QVariantMap proxy = currentProxy();
    if (proxy.isEmpty())
        return true;
    const QString storedName = proxy.value(QStringLiteral("name")).toString();
    const QString name = m_proxyUserField->text().trimmed();
    QString password = m_proxyPasswordField->text();
    if (name == storedName && password.isEmpty())
        return true;
    if (password.isEmpty())
        password = proxy.value(QStringLiteral("password")).toString();
    if (name.isEmpty() || password.isEmpty()) {
        if (error)
            *error = dw::localized("Please enter both the user name and the password of the proxy.");
        return false;
    }
    dw::Keychain::InternetKey key;
    key.server = proxy.value(QStringLiteral("host")).toString();
    key.account = name;
    key.protocol = proxyProtocol(proxy);
    key.port = proxy.value(QStringLiteral("port")).toInt();
    QString failure;
    if (!dw::Keychain::setInternetPassword(key, password, dw::format(dw::localized("Proxy %@"), key.server),
                                           &failure)) {
        if (error)
            *error = dw::format(dw::localized("Error while accessing the Keychain: %@"), failure);
        return false;
    }
    // The proxy answers with the first account found for its host: the replaced one goes.
    if (!storedName.isEmpty() && storedName != name) {
        key.account = storedName;
        dw::Keychain::removeInternetPassword(key);
    }
    updateProxyViews();
    return true;
}
