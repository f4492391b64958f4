#include "shell/QMIntroPanelController.h"

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayAddressType.h"
#include "DWEBay2/types/EBayUserType.h"
#include "DWKit/DWOperation/DWNSOperation.h"
#include "DWKit/QMLog.h"
#include "DWKit/widgets/QMAppIconView.h"
#include "DWKit/widgets/QMBackgroundColorView.h"
#include "DWKit/widgets/QMStepsView.h"
#include "Operations/QMAccountManager.h"
#include "Operations/QMFetchTokenOperation.h"
#include "Operations/QMGetEbayDataOperation.h"
#include "Operations/QMGetEbayDataVersionsOperation.h"
#include "Operations/QMGetSessionIDOperation.h"
#include "Operations/QMOperationManager.h"
#include "model/QMAccountDataSource.h"
#include "model/QMAffiliateManager.h"
#include "model/QMCountryDescriptionManager.h"
#include "model/QMPreferencesManager.h"
#include "model/widgets/QMCommonPrefsController.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/widgets/DesktopServices.h"
#include "platform/widgets/ProgressIndicator.h"
#include "platform/widgets/ReadableColors.h"
#include "shell/QMBDefaultOperationManager.h"
#include "shell/QMBHelpViewer.h"
#include "shell/QMBUserDefaultsBinding.h"
#include "shell/QMBWebsiteLinks.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QUuid>
#include <QVBoxLayout>
#include <typeinfo>

namespace {

// The two pages of the last step: the closing text with the links, or the failed download.
constexpr int kLinksTabIndex = 0;
constexpr int kErrorTabIndex = 1;

QLabel* wrappedLabel(const QString& text, QWidget* parent = nullptr)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* errorLabel(const QString& objectName)
{
    auto* label = wrappedLabel(QString());
    label->setObjectName(objectName);
    // A red that reads on the theme's window, light or dark.
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText,
                     dw::readableTextColor(palette.color(QPalette::Window), QColor(0xb0, 0x1c, 0x1c)));
    label->setPalette(palette);
    return label;
}

QPushButton* linkButton(const QString& title, const QString& objectName)
{
    auto* button = new QPushButton(title);
    button->setObjectName(objectName);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, palette.color(QPalette::Link));
    button->setPalette(palette);
    button->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding: 2px 0; }"));
    return button;
}

// Operations are told apart by their exact class, as the application delegate does.
template<class T>
bool isExactly(const DWNSOperation* operation)
{
    return operation && typeid(*operation) == typeid(T);
}

template<class T>
bool isExactly(const dw::Notification& note)
{
    return isExactly<T>(note.object.pointer<DWNSOperation>());
}

} // namespace

void QMIntroPanelControllerDelegate::introPanelDidFinish(QMIntroPanelController&) {}

void QMIntroPanelControllerDelegate::introPanelDownloadMissingeBayDataForSiteID(QMIntroPanelController&, qint64) {}

QString QMIntroPanelControllerDelegate::introPanelAuthorizeURLForSessionID(QMIntroPanelController&, const QString&)
{
    return QString();
}

QMIntroPanelController& QMIntroPanelController::sharedQMIntroPanelController()
{
    // Kept for the life of the process: it lives on, hidden, after the seller has finished.
    static auto* assistant = new QMIntroPanelController;
    return *assistant;
}

QMIntroPanelController::QMIntroPanelController(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("introPanel"));
    setWindowTitle(dw::localized("Welcome to Quillmart"));
    m_closeHandler = [] { QCoreApplication::quit(); };
    m_bindings = new QMBUserDefaultsBinding(this);

    m_tabView = new QStackedWidget;
    m_tabView->setObjectName(QStringLiteral("tabView"));
    m_tabView->addWidget(makeWelcomeStep());
    m_tabView->addWidget(makeTokenStep());
    m_tabView->addWidget(makeSiteStep());
    m_tabView->addWidget(makePayPalStep());
    m_tabView->addWidget(makeFinishStep());

    auto* steps = new QMStepsView;
    steps->setObjectName(QStringLiteral("stepsView"));
    steps->setFixedWidth(170);
    steps->setMinimumHeight(QMStepsView::kRowHeight * StepCount);
    steps->setTabView(m_tabView);
    auto* icon = new QMAppIconView;
    icon->setFixedSize(128, 128);
    auto* sidebar = new QVBoxLayout;
    sidebar->setContentsMargins(0, 8, 0, 0);
    sidebar->addWidget(steps);
    sidebar->addStretch(1);
    sidebar->addWidget(icon);

    m_progressIndicator = new dw::ProgressIndicator;
    m_progressIndicator->setObjectName(QStringLiteral("progressIndicator"));
    m_progressIndicator->setIndicatorStyle(dw::ProgressIndicator::Style::Spinning);
    m_progressIndicator->setIndeterminate(true);
    m_progressIndicator->setFixedSize(18, 18);
    m_progressIndicatorTextField = new QLabel;
    m_progressIndicatorTextField->setObjectName(QStringLiteral("progressIndicatorTextField"));
    m_prevButton = new QPushButton(dw::localized("Back"));
    m_prevButton->setObjectName(QStringLiteral("prevButton"));
    m_nextButton = new QPushButton(dw::localized("Next"));
    m_nextButton->setObjectName(QStringLiteral("nextButton"));
    m_nextButton->setDefault(true);
    m_nextButton->setAutoDefault(true);
    m_prevButton->setMinimumWidth(96);
    m_nextButton->setMinimumWidth(96);
    connect(m_prevButton, &QPushButton::clicked, this, &QMIntroPanelController::previousView);
    connect(m_nextButton, &QPushButton::clicked, this, &QMIntroPanelController::nextView);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_progressIndicator);
    buttons->addWidget(m_progressIndicatorTextField);
    buttons->addStretch(1);
    buttons->addWidget(m_prevButton);
    buttons->addWidget(m_nextButton);

    auto* right = new QVBoxLayout;
    right->addWidget(m_tabView, 1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(20);
    layout->addLayout(sidebar);
    layout->addLayout(right, 1);
    setFixedSize(760, 520);

    m_progressIndicator->hide();
    m_progressIndicatorTextField->hide();
    m_payPalErrorTextField->hide();
    m_prevButton->hide();

    auto& center = dw::NotificationCenter::defaultCenter();
    m_startedObservation = dw::ScopedObservation(
        center, center.addObserver(QLatin1String(DWNSNotificationOperation_started), nullptr,
                                   [this](const dw::Notification& note) { ebayOperationStarted(note); }));
    m_endedObservation = dw::ScopedObservation(
        center, center.addObserver(QLatin1String(DWNSNotificationOperation_ended), nullptr,
                                   [this](const dw::Notification& note) { ebayOperationEnded(note); }));
    m_accountsObservation = dw::ScopedObservation(
        center, center.addObserver(QLatin1String(kQMAccountsChangedNotification), nullptr,
                                   [this](const dw::Notification& note) { accountsChanged(note); }));
    m_callbackObservation = dw::ScopedObservation(
        center, center.addObserver(QStringLiteral("QMEbayTokenShouldBeFetched"), nullptr,
                                   [this](const dw::Notification&) { ebayTokenShouldBeFetched(); }));

    m_tabView->setCurrentIndex(m_currentViewIndex);
    setupTabViewWithIndex(m_currentViewIndex);
    setAuthorizeLater(true);
}

QMIntroPanelController::~QMIntroPanelController() = default;

QWidget* QMIntroPanelController::framedStep(const QString& identifier, const QString& title, QWidget* content)
{
    auto* frame = new QMBackgroundColorView;
    frame->setObjectName(identifier + QStringLiteral("BackgroundView"));
    // A veil of the theme's field colour (white under a light theme), on which its text reads.
    QColor veil = frame->palette().color(QPalette::Base);
    veil.setAlphaF(0.6f);
    frame->setBackGroundColor(veil);
    frame->setDrawLine(false);
    frame->setDrawFrame(true);
    frame->setLineColor(Qt::gray);
    auto* heading = new QLabel(title);
    QFont font = heading->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    font.setBold(true);
    heading->setFont(font);
    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(20, 16, 20, 16);
    inner->setSpacing(12);
    inner->addWidget(heading);
    inner->addWidget(content, 1);

    // The page's object name is its title in the steps list (ManualLocalizable).
    auto* page = new QWidget;
    page->setObjectName(identifier);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame);
    return page;
}

QWidget* QMIntroPanelController::makeWelcomeStep()
{
    m_welcomePanelTabView = new QStackedWidget;
    m_welcomePanelTabView->setObjectName(QStringLiteral("welcomePanelTabView"));
    auto* text =
        wrappedLabel(dw::localized("This assistant sets up Quillmart in a few steps:\n\n"
                                   "•  it connects Quillmart with your eBay account,\n"
                                   "•  it asks for your eBay site and where your items are,\n"
                                   "•  it asks whether you accept PayPal,\n"
                                   "•  and it downloads the eBay categories of your site.\n\n"
                                   "You can change every setting later in the preferences. Click “Next” to begin."));
    text->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_welcomePanelTabView->addWidget(text);
    m_welcomePanelTabView->setCurrentIndex(0);
    return framedStep(QStringLiteral("introWelcomeStep"), dw::localized("Welcome to Quillmart"), m_welcomePanelTabView);
}

QWidget* QMIntroPanelController::makeTokenStep()
{
    auto* content = new QWidget;
    auto* explanation = wrappedLabel(
        dw::localized("To list items, Quillmart needs your permission on eBay. Click “Authorize”: eBay’s sign-in "
                      "page opens in your web browser. Sign in there and agree. When eBay sends you back, Quillmart "
                      "fetches its access token by itself; otherwise click “Next” once you have agreed."));
    m_authorizeButton = new QPushButton(dw::localized("Authorize"));
    m_authorizeButton->setObjectName(QStringLiteral("authorizeButton"));
    connect(m_authorizeButton, &QPushButton::clicked, this, &QMIntroPanelController::authorizeForToken);
    m_authorizeLaterCheckbox = new QCheckBox(dw::localized("Authorize later (you can do so in the preferences)"));
    m_authorizeLaterCheckbox->setObjectName(QStringLiteral("authorizeLaterCheckbox"));
    connect(m_authorizeLaterCheckbox, &QCheckBox::clicked, this, &QMIntroPanelController::setAuthorizeLater);
    m_passwordUsernameErrorTextField = errorLabel(QStringLiteral("passwordUsernameErrorTextField"));
    auto* newAccount = linkButton(dw::localized("No eBay account yet? Register with eBay…"),
                                  QStringLiteral("createNewEbayAccountButton"));
    connect(newAccount, &QPushButton::clicked, this, &QMIntroPanelController::createNewEbayAccount);
    auto* why =
        linkButton(dw::localized("Why does Quillmart need this?"), QStringLiteral("showTokenExplanationButton"));
    connect(why, &QPushButton::clicked, this, &QMIntroPanelController::showTokenExplanation);

    auto* authorizeRow = new QHBoxLayout;
    authorizeRow->addWidget(m_authorizeButton);
    authorizeRow->addStretch(1);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(explanation);
    layout->addLayout(authorizeRow);
    layout->addWidget(m_passwordUsernameErrorTextField);
    layout->addStretch(1);
    layout->addWidget(m_authorizeLaterCheckbox);
    layout->addWidget(newAccount, 0, Qt::AlignLeft);
    layout->addWidget(why, 0, Qt::AlignLeft);
    return framedStep(QStringLiteral("introTokenStep"), dw::localized("Your eBay Account"), content);
}

QWidget* QMIntroPanelController::makeSiteStep()
{
    auto* content = new QWidget;
    m_sitePopup = new QComboBox;
    m_sitePopup->setObjectName(QStringLiteral("sitePopup"));
    m_countryPopup = new QComboBox;
    m_countryPopup->setObjectName(QStringLiteral("countryPopup"));
    m_regionPopup = new QComboBox;
    m_regionPopup->setObjectName(QStringLiteral("regionPopup"));
    auto* zipField = new QLineEdit;
    zipField->setObjectName(QStringLiteral("zipCodeField"));
    auto* locationField = new QLineEdit;
    locationField->setObjectName(QStringLiteral("locationField"));
    locationField->setPlaceholderText(dw::localized("Town or area, as buyers should see it"));
    m_bindings->bindText(zipField, QStringLiteral("zipCode"));
    m_bindings->bindText(locationField, QStringLiteral("location"));

    m_commonPrefsController = new QMCommonPrefsController(this);
    m_commonPrefsController->setSitePopup(m_sitePopup);
    m_commonPrefsController->setCountryPopup(m_countryPopup);
    m_commonPrefsController->setRegionPopup(m_regionPopup);
    m_commonPrefsController->setLocationTextField(locationField);
    m_commonPrefsController->awakeFromNib();

    m_locationErrorImageView = new QLabel;
    m_locationErrorImageView->setObjectName(QStringLiteral("locationErrorImageView"));
    m_locationErrorImageView->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    m_locationErrorTextField = errorLabel(QStringLiteral("locationErrorTextField"));
    m_locationErrorTextField->setText(dw::localized("Please enter the location of your items."));
    auto* errorRow = new QHBoxLayout;
    errorRow->addWidget(m_locationErrorImageView);
    errorRow->addWidget(m_locationErrorTextField, 1);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(dw::localized("eBay site:"), m_sitePopup);
    form->addRow(dw::localized("Country:"), m_countryPopup);
    form->addRow(dw::localized("Region:"), m_regionPopup);
    form->addRow(dw::localized("ZIP code:"), zipField);
    form->addRow(dw::localized("Item location:"), locationField);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(wrappedLabel(dw::localized(
        "Choose the eBay site on which you sell and tell buyers where your items are. New listings start with "
        "these settings.")));
    layout->addLayout(form);
    layout->addLayout(errorRow);
    layout->addStretch(1);
    return framedStep(QStringLiteral("introSiteStep"), dw::localized("eBay Site and Item Location"), content);
}

QWidget* QMIntroPanelController::makePayPalStep()
{
    auto* content = new QWidget;
    m_acceptPayPalCheckbox = new QCheckBox(dw::localized("I accept PayPal"));
    m_acceptPayPalCheckbox->setObjectName(QStringLiteral("acceptPayPalCheckbox"));
    connect(m_acceptPayPalCheckbox, &QCheckBox::toggled, this, &QMIntroPanelController::setAcceptPayPal);
    m_payPalAddressField = new QLineEdit;
    m_payPalAddressField->setObjectName(QStringLiteral("payPalAddressField"));
    m_payPalAddressField->setPlaceholderText(dw::localized("name@example.com"));
    connect(m_payPalAddressField, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_payPalAddress = text; });
    m_payPalErrorTextField = errorLabel(QStringLiteral("payPalErrorTextField"));
    m_payPalErrorTextField->setText(dw::localized("Please enter the e-mail address of your PayPal account."));
    m_payPalLaterHint = wrappedLabel(
        dw::localized("Your PayPal address is kept with your eBay account. As you authorize Quillmart later, enter it "
                      "in the Account preferences once your account is authorized."));
    m_payPalLaterHint->setObjectName(QStringLiteral("payPalLaterHint"));
    m_payPalLaterHint->setForegroundRole(QPalette::PlaceholderText);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(dw::localized("PayPal address:"), m_payPalAddressField);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(wrappedLabel(
        dw::localized("Buyers on eBay like to pay with PayPal. If you accept it, Quillmart offers PayPal in your new "
                      "listings and fills in your PayPal address.")));
    layout->addWidget(m_acceptPayPalCheckbox);
    layout->addLayout(form);
    layout->addWidget(m_payPalErrorTextField);
    layout->addWidget(m_payPalLaterHint);
    layout->addStretch(1);
    updatePayPalControls();
    return framedStep(QStringLiteral("introPayPalStep"), dw::localized("PayPal"), content);
}

QWidget* QMIntroPanelController::makeFinishStep()
{
    m_getCategoriesTabView = new QStackedWidget;
    m_getCategoriesTabView->setObjectName(QStringLiteral("getCategoriesTabView"));

    auto* links = new QWidget;
    links->setObjectName(QStringLiteral("links"));
    m_getCategoriesTabTextField = wrappedLabel(QString());
    m_getCategoriesTabTextField->setObjectName(QStringLiteral("getCategoriesTabTextField"));
    m_getCategoriesTabTextField->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* linksLayout = new QVBoxLayout(links);
    linksLayout->setContentsMargins(0, 0, 0, 0);
    linksLayout->addWidget(m_getCategoriesTabTextField);
    linksLayout->addStretch(1);
    const std::pair<const char*, int> linkTitles[] = {
        {"Quillmart on the social network", 0},
        {"Quillmart support", 1},
        {"The Quillmart users’ group", 2},
    };
    for (const auto& [title, tag] : linkTitles) {
        auto* button = linkButton(dw::localized(title), QStringLiteral("link%1Button").arg(tag));
        connect(button, &QPushButton::clicked, this, [this, tag = tag] { openLinkWithSenderTagAction(tag); });
        linksLayout->addWidget(button, 0, Qt::AlignLeft);
    }

    auto* error = new QWidget;
    error->setObjectName(QStringLiteral("error"));
    auto* errorLayout = new QVBoxLayout(error);
    errorLayout->setContentsMargins(0, 0, 0, 0);
    auto* errorText = errorLabel(QStringLiteral("getCategoriesErrorTextField"));
    errorText->setText(
        dw::localized("The eBay category data of your site could not be downloaded. Please check your internet "
                      "connection. You can download the data later in the preferences (Categories); click “Finish” "
                      "to start using Quillmart now."));
    errorLayout->addWidget(errorText);
    errorLayout->addStretch(1);

    m_getCategoriesTabView->insertWidget(kLinksTabIndex, links);
    m_getCategoriesTabView->insertWidget(kErrorTabIndex, error);
    m_getCategoriesTabView->setCurrentIndex(kLinksTabIndex);
    return framedStep(QStringLiteral("introFinishStep"), dw::localized("eBay Data"), m_getCategoriesTabView);
}

void QMIntroPanelController::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (m_closeHandler)
        m_closeHandler();
}

void QMIntroPanelController::setAuthorizeLater(bool later)
{
    m_authorizeLater = later;
    m_authorizeLaterCheckbox->setChecked(later);
    // The session is asked for as soon as the seller means to authorize now.
    if (!later && m_sessionID.isEmpty() && !m_sessionOperation)
        startGetSessionIDOperation();
    updateAuthorizeButton();
    if (m_currentViewIndex == TokenStep)
        updateNextButtonStateForTokenTab();
}

void QMIntroPanelController::setAcceptPayPal(bool accept)
{
    m_acceptPayPal = accept;
    if (m_acceptPayPalCheckbox->isChecked() != accept)
        m_acceptPayPalCheckbox->setChecked(accept);
    updatePayPalControls();
}

void QMIntroPanelController::setPayPalAddress(const QString& address)
{
    m_payPalAddress = address;
    if (m_payPalAddressField->text() != address)
        m_payPalAddressField->setText(address);
}

void QMIntroPanelController::updatePayPalControls()
{
    const auto accounts = QMAccountDataSource::installed();
    const bool hasAccount = accounts && !accounts->defaultAccountID().isEmpty();
    // Without an account the address would belong to nobody: it is asked for once one exists.
    m_payPalAddressField->setEnabled(m_acceptPayPal && hasAccount);
    m_payPalLaterHint->setVisible(m_acceptPayPal && !hasAccount);
}

void QMIntroPanelController::nextView()
{
    QMLog("currentViewIndex: %i", m_currentViewIndex);
    switch (m_currentViewIndex) {
    case WelcomeStep:
        advanceToTabViewWithIndex(TokenStep);
        break;
    case TokenStep:
        if (m_authorizeLater || m_tokenDownloaded) {
            advanceToTabViewWithIndex(SiteStep);
        } else {
            downloadToken();
            m_nextButton->setEnabled(false);
            m_authorizeButton->setEnabled(false);
        }
        break;
    case SiteStep:
        commitEditing();
        if (!QMPreferencesManager::sharedInstance().defaultLocation().toString().trimmed().isEmpty()) {
            advanceToTabViewWithIndex(PayPalStep);
        } else {
            m_locationErrorTextField->show();
            m_locationErrorImageView->show();
        }
        break;
    case PayPalStep: {
        commitEditing();
        if (m_acceptPayPal && m_payPalAddressField->isEnabled() && m_payPalAddress.trimmed().isEmpty()) {
            m_payPalErrorTextField->show();
            break;
        }
        m_prevButton->hide();
        m_nextButton->setText(dw::localized("Finish"));
        m_getCategoriesTabTextField->setText(messageStringForGetCategoriesTabForNextButtonTitle(m_nextButton->text()));
        const bool complete = defaultSiteDataComplete();
        m_nextButton->setEnabled(complete);
        if (!complete)
            downloadCategories();
        advanceToTabViewWithIndex(FinishStep);
        break;
    }
    case FinishStep:
        finishIntro();
        break;
    default:
        advanceToTabViewWithIndex(m_currentViewIndex + 1);
        break;
    }
}

void QMIntroPanelController::previousView()
{
    if (m_currentViewIndex > 0)
        advanceToTabViewWithIndex(m_currentViewIndex - 1);
}

void QMIntroPanelController::advanceToTabViewWithIndex(int index)
{
    setupTabViewWithIndex(index);
    m_currentViewIndex = index;
    m_tabView->setCurrentIndex(index);
}

void QMIntroPanelController::setupTabViewWithIndex(int index)
{
    switch (index) {
    case WelcomeStep:
        m_prevButton->hide();
        break;
    case TokenStep:
        // Set before the index changes: the Next state depends on the token step only.
        m_currentViewIndex = TokenStep;
        updateNextButtonStateForTokenTab();
        break;
    case SiteStep:
        m_prevButton->show();
        m_locationErrorTextField->hide();
        m_locationErrorImageView->hide();
        break;
    case PayPalStep:
        m_payPalErrorTextField->hide();
        updatePayPalControls();
        m_nextButton->setEnabled(true);
        break;
    case FinishStep:
        if (m_authorizeLaterCheckbox->isChecked() && defaultSiteDataComplete())
            m_nextButton->setText(dw::localized("Finish"));
        break;
    default:
        break;
    }
}

void QMIntroPanelController::updateNextButtonStateForTokenTab()
{
    m_nextButton->setEnabled(m_authorizeLater || m_tokenDownloaded);
}

bool QMIntroPanelController::defaultSiteDataComplete() const
{
    return QMCategoryDataManager::sharedQMCategoryDataManager()->completeDataAvailableForSiteID(
        QMPreferencesManager::sharedInstance().defaultSiteID());
}

void QMIntroPanelController::commitEditing()
{
    m_bindings->commitEditing();
}

void QMIntroPanelController::startGetSessionIDOperation()
{
    m_sessionOperation = QMBDefaultOperationManager()->addGetSessionIDOperation();
}

void QMIntroPanelController::updateAuthorizeButton()
{
    // Usable once the session has been asked for and has come back, with or without an ID.
    m_authorizeButton->setEnabled(!m_authorizeLater && !m_sessionOperation);
}

void QMIntroPanelController::authorizeForToken()
{
    // The session could not be had: this press asks for it again.
    if (m_sessionID.isEmpty()) {
        m_passwordUsernameErrorTextField->clear();
        startGetSessionIDOperation();
        updateAuthorizeButton();
        return;
    }
    const auto receiver = delegate();
    const QString address = receiver ? receiver->introPanelAuthorizeURLForSessionID(*this, m_sessionID) : QString();
    if (!address.isEmpty())
        dw::openURLOnDesktop(QUrl(address));
    m_authorizeButton->setEnabled(false);
    m_nextButton->setEnabled(true);
}

void QMIntroPanelController::downloadToken()
{
    m_passwordUsernameErrorTextField->clear();
    QMBDefaultOperationManager()->addFetchTokenOperationForSessionID(
        m_sessionID, dw::localized("Default Account"), QUuid::createUuid().toString(QUuid::WithoutBraces), true);
}

void QMIntroPanelController::ebayTokenShouldBeFetched()
{
    if (m_currentViewIndex == TokenStep)
        nextView();
}

void QMIntroPanelController::accountsChanged(const dw::Notification& notification)
{
    const QString error = notification.userInfo.value(QStringLiteral("error")).toString();
    if (!error.isEmpty()) {
        m_tokenDownloaded = false;
        m_passwordUsernameErrorTextField->setText(error);
        return;
    }
    m_tokenDownloaded = true;
    m_passwordUsernameErrorTextField->clear();
    if (m_currentViewIndex == TokenStep)
        nextView();
}

void QMIntroPanelController::createNewEbayAccount()
{
    const QString address = QMAffiliateManager::sharedInstance().registerNewUserURLForSiteID(
        QMPreferencesManager::sharedInstance().defaultSiteID());
    if (!address.isEmpty())
        dw::openURLOnDesktop(QUrl(address));
}

void QMIntroPanelController::showTokenExplanation()
{
    QMBHelpViewer::showHelpPage(QStringLiteral("Authorizing Quillmart"), this);
}

void QMIntroPanelController::openLinkWithSenderTagAction(int tag)
{
    QString address;
    switch (tag) {
    case 0:
        address = QMBWebsiteLinks::socialNetworkPage();
        break;
    case 1:
        address = QMBWebsiteLinks::websitePage(QStringLiteral("/Quillmart/Support.html"));
        break;
    case 2:
        address = QMBWebsiteLinks::userGroupPage(QStringLiteral("/group/Quillmart_Users/"));
        break;
    default:
        QMLog("Unknown sender tag in %@", QStringLiteral("openLinkWithSenderTagAction"));
        return;
    }
    if (!address.isEmpty())
        dw::openURLOnDesktop(QUrl(address));
}

void QMIntroPanelController::setAllEnabled(bool enabled)
{
    m_prevButton->setEnabled(enabled);
    m_nextButton->setEnabled(enabled);
    m_authorizeButton->setEnabled(enabled && !m_authorizeLater && !m_sessionOperation);
}

void QMIntroPanelController::ebayOperationStarted(const dw::Notification& notification)
{
    QString text;
    if (isExactly<QMGetEbayDataVersionsOperation>(notification) || isExactly<QMGetEbayDataOperation>(notification))
        text = dw::localized("Getting Categories…");
    else if (isExactly<QMFetchTokenOperation>(notification))
        text = dw::localized("Getting eBay token…");
    else
        return;
    setAllEnabled(false);
    m_progressIndicatorTextField->setText(text);
    m_progressIndicatorTextField->show();
    m_progressIndicator->show();
    m_progressIndicator->startAnimation();
}

void QMIntroPanelController::ebayOperationEnded(const dw::Notification& notification)
{
    const auto operation = notification.object.shared<DWNSOperation>();
    if (!operation)
        return;
    if (operation == m_sessionOperation) {
        m_sessionID = m_sessionOperation->sessionID();
        m_sessionOperation.reset();
        if (m_sessionID.isEmpty() && !m_authorizeLater)
            m_passwordUsernameErrorTextField->setText(
                dw::localized("Quillmart could not reach eBay. Please check your internet connection, then click "
                              "“Authorize” to try again."));
        updateAuthorizeButton();
        return;
    }
    if (isExactly<QMGetEbayDataOperation>(operation.get())) {
        if (std::static_pointer_cast<QMGetEbayDataOperation>(operation)->errorOccurred())
            m_getCategoriesTabView->setCurrentIndex(kErrorTabIndex);
        else
            QMPreferencesManager::sharedInstance().setCategoriesLastCheckDate(QDateTime::currentDateTime());
    } else if (isExactly<QMFetchTokenOperation>(operation.get())) {
        const auto fetch = std::static_pointer_cast<QMFetchTokenOperation>(operation);
        if (fetch->errorOccurred()) {
            m_passwordUsernameErrorTextField->setText(
                dw::localized("An error occurred while trying to get your access token. Please check whether you have "
                              "authorized Quillmart properly on the eBay site. To try again, click “Authorize”."));
        } else if (const auto user = fetch->getUserType()) {
            takeOverUserRecord(*user);
        }
    } else if (!isExactly<QMGetEbayDataVersionsOperation>(operation.get())) {
        return;
    }
    setAllEnabled(true);
    if (m_currentViewIndex == TokenStep)
        updateNextButtonStateForTokenTab();
    m_progressIndicator->stopAnimation();
    m_progressIndicator->hide();
    m_progressIndicatorTextField->hide();
}

void QMIntroPanelController::takeOverUserRecord(const EBayUserType& user)
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    // An account of the US site (0) sets the US site too; only names eBay does not use (-1) leave
    // the seller's choice as it was.
    const int siteID = QMFetchTokenOperation::siteIDForEbaySiteCode(user.site());
    if (siteID >= 0) {
        preferences.setDefaultSiteID(siteID);
        m_commonPrefsController->updateSitePopup();
        // The currency follows the site.
        m_commonPrefsController->sitePopupChanged(m_sitePopup);
    }
    if (const auto address = user.registrationAddress()) {
        const QString countryID =
            QMCountryDescriptionManager::sharedInstance().countryIDForCountryAbb(address->country());
        if (!countryID.isEmpty()) {
            preferences.setDefaultCountryID(countryID.toLongLong());
            m_commonPrefsController->updateCountryPopup();
            m_commonPrefsController->countryPopupChanged(m_countryPopup);
        }
        if (preferences.defaultZIPCode().isEmpty() && !address->postalCode().isEmpty())
            preferences.setDefaultZIPCode(address->postalCode());
        if (preferences.defaultLocation().toString().isEmpty() && !address->cityName().isEmpty())
            preferences.setDefaultLocation(address->cityName());
    }
    m_commonPrefsController->updateRegionPopup();
    preferences.synchronize();
}

void QMIntroPanelController::downloadCategories()
{
    if (const auto receiver = delegate())
        receiver->introPanelDownloadMissingeBayDataForSiteID(*this,
                                                             QMPreferencesManager::sharedInstance().defaultSiteID());
}

QString QMIntroPanelController::messageStringForGetCategoriesTabForNextButtonTitle(const QString& title) const
{
    QString message;
    auto paragraph = [&message](const QString& text) { message += text + QStringLiteral("\n\n"); };
    if (!m_authorizeLater)
        paragraph(dw::localized("Quillmart successfully downloaded the access token from the eBay server."));
    paragraph(dw::localized("You have successfully set up Quillmart."));
    paragraph(dw::localized("For further options see the preferences panel."));
    paragraph(dw::format(dw::localized("Press “%@” to start using Quillmart."), title));
    return message;
}

void QMIntroPanelController::finishIntro()
{
    if (m_acceptPayPal) {
        const auto accounts = QMAccountDataSource::installed();
        const QString accountID = accounts ? accounts->defaultAccountID() : QString();
        // With the authorization postponed there is no account to keep the address with.
        if (!accountID.isEmpty() && !m_payPalAddress.trimmed().isEmpty())
            QMAccountManager::sharedQMAccountManager()->setPayPalAddress(m_payPalAddress.trimmed(), accountID);
        auto& preferences = QMPreferencesManager::sharedInstance();
        QVariantList options = preferences.defaultPaymentOptions();
        if (!options.contains(QStringLiteral("PayPalAccepted"))) {
            options.append(QStringLiteral("PayPalAccepted"));
            preferences.setDefaultPaymentOptions(options);
        }
    }
    m_startedObservation.reset();
    m_endedObservation.reset();
    m_accountsObservation.reset();
    m_callbackObservation.reset();
    hide();
    if (const auto receiver = delegate())
        receiver->introPanelDidFinish(*this);
}
