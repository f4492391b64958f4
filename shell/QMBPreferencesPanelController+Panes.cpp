// The panes of the preferences window and its toolbar, laid out in code.
#include "shell/QMBPreferencesPanelController.h"

#include "DWKit/widgets/NSToolbar+DWExtensions.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "model/widgets/QMCommonPrefsController.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/Localization.h"
#include "platform/widgets/ApplicationImage.h"
#include "shell/QMBUserDefaultsBinding.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// eBay's page counters (the listing's counterType).
constexpr std::pair<const char*, int> kCounters[] = {
    {"No counter", 0}, {"Basic style", 1}, {"Retro style", 2}, {"Hidden", 3}};
constexpr std::pair<const char*, int> kImageSizes[] = {{"Original size", 199},
                                                       {"1024 × 768 pixels", 200},
                                                       {"800 × 600 pixels", 201},
                                                       {"640 × 480 pixels", 202},
                                                       {"400 × 300 pixels", 203}};
constexpr std::pair<const char*, int> kUploadSystems[] = {
    {"eBay Picture Services", kQMImageUploadingSystemEPS},
    {"MobileMe", kQMImageUploadingSystemDotMac},
    {"Own FTP Server", kQMImageUploadingSystemOwnFTPServer},
    {"Own WebDAV Server", kQMImageUploadingSystemWebDAVServer},
    {"Quillmart Picture Server", kQMImageUploadingSystemDunmerrowImageServer}};

struct PaneItem
{
    const char* identifier;
    const char* label;
    const char* toolTip;
    const char* image;
};
// In pane-index order: the toolbar maps a pane index to its item through this list.
constexpr PaneItem kPaneItems[] = {
    {"General", "General", "Set General Preferences", "PrefsGeneral"},
    {"ItemDefaults", "New Templates", "Set Defaults for newly created Auction Templates", "PrefsItem"},
    {"Token", "Account", "Manage your eBay Account and the Security Token", "PrefsToken"},
    {"Categories", "Categories", "Update eBay Categories Data", "PrefsCategories"},
    {"Update", "Update", "Set Update Preferences", "PrefsUpdate"},
    {"ImageServer", "Image Server", "Set Image Server Preferences", "PrefsImageServer"},
};
// The order the toolbar shows its items in; -1 is a separator.
constexpr int kToolbarOrder[] = {0, -1, 1, 5, 2, 3, 4};

QWidget* paneWidget(const char* objectName)
{
    auto* pane = new QWidget;
    pane->setObjectName(QLatin1String(objectName));
    return pane;
}

QLabel* noteLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLabel* valueLabel(const char* objectName)
{
    auto* label = new QLabel;
    label->setObjectName(QLatin1String(objectName));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QFrame* separator()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QFormLayout* formLayout()
{
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(8);
    return form;
}

QVBoxLayout* paneLayout(QWidget* pane)
{
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(12);
    return layout;
}

// A check box in front of the control it switches on.
QWidget* switchedRow(QCheckBox* checkBox, QWidget* control)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(checkBox);
    // A control of limited width (an amount, a number of days) stays beside its check box.
    const bool narrow = control->maximumWidth() < QWIDGETSIZE_MAX;
    layout->addWidget(control, narrow ? 0 : 1);
    if (narrow)
        layout->addStretch(1);
    QObject::connect(checkBox, &QCheckBox::toggled, control, &QWidget::setEnabled);
    control->setEnabled(checkBox->isChecked());
    return row;
}

// A summary text with the button that edits it.
QWidget* summaryRow(QLabel* summary, QPushButton* button)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    summary->setWordWrap(true);
    summary->setTextFormat(Qt::PlainText);
    summary->setMinimumWidth(260);
    layout->addWidget(summary, 1);
    layout->addWidget(button, 0, Qt::AlignTop);
    return row;
}

QLineEdit* amountField(const char* objectName)
{
    auto* field = new QLineEdit;
    field->setObjectName(QLatin1String(objectName));
    field->setMaximumWidth(120);
    field->setAlignment(Qt::AlignRight);
    return field;
}

QCheckBox* checkBox(const QString& title, const char* objectName)
{
    auto* box = new QCheckBox(title);
    box->setObjectName(QLatin1String(objectName));
    return box;
}

QPushButton* pushButton(const QString& title, const char* objectName)
{
    auto* button = new QPushButton(title);
    button->setObjectName(QLatin1String(objectName));
    return button;
}

} // namespace

void QMBPreferencesPanelController::buildToolbar()
{
    auto* toolbar = new QToolBar;
    toolbar->setObjectName(QStringLiteral("PreferencesToolBar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setIconSize(QSize(32, 32));
    m_toolbarGroup = new QActionGroup(this);
    m_toolbarGroup->setExclusive(true);
    for (const int index : kToolbarOrder) {
        if (index < 0) {
            toolbar->addSeparator();
            continue;
        }
        const PaneItem& item = kPaneItems[index];
        auto* action = new QAction(dw::localized(item.label), toolbar);
        action->setObjectName(QLatin1String(item.identifier));
        action->setToolTip(dw::localized(item.toolTip));
        action->setIcon(dw::applicationIcon(QLatin1String(item.image)));
        action->setCheckable(true);
        action->setProperty(dw::kTagProperty, index);
        m_toolbarGroup->addAction(action);
        toolbar->addAction(action);
        // A click on an item asks for its pane; the check may refuse and put the selection back.
        connect(action, &QAction::triggered, this, [this, index] { changeToViewAtIndex(index, true); });
    }
    addToolBar(Qt::TopToolBarArea, toolbar);
}

QAction* QMBPreferencesPanelController::toolbarItemForPane(int index) const
{
    if (index < 0 || index >= PaneCount)
        return nullptr;
    return dw::itemWithIdentifier(findChild<QToolBar*>(QStringLiteral("PreferencesToolBar")),
                                  QLatin1String(kPaneItems[index].identifier));
}

QWidget* QMBPreferencesPanelController::makeGeneralView()
{
    auto* pane = paneWidget("generalView");
    m_sitePopup = new QComboBox;
    m_sitePopup->setObjectName(QStringLiteral("sitePopup"));
    auto* currencyPopup = new QComboBox;
    currencyPopup->setObjectName(QStringLiteral("currencyPopup"));
    auto* countryPopup = new QComboBox;
    countryPopup->setObjectName(QStringLiteral("countryPopup"));
    auto* regionPopup = new QComboBox;
    regionPopup->setObjectName(QStringLiteral("regionPopup"));
    auto* zipField = new QLineEdit;
    zipField->setObjectName(QStringLiteral("zipCodeField"));
    zipField->setMaximumWidth(160);
    m_locationField = new QLineEdit;
    m_locationField->setObjectName(QStringLiteral("locationField"));
    m_locationField->setPlaceholderText(dw::localized("Town or area, as buyers should see it"));
    m_bindings->bindText(zipField, QStringLiteral("zipCode"));
    m_bindings->bindText(m_locationField, QStringLiteral("location"));

    m_commonPrefsController = new QMCommonPrefsController(this);
    m_commonPrefsController->setSitePopup(m_sitePopup);
    m_commonPrefsController->setCurrencyPopup(currencyPopup);
    m_commonPrefsController->setCountryPopup(countryPopup);
    m_commonPrefsController->setRegionPopup(regionPopup);
    m_commonPrefsController->setLocationTextField(m_locationField);
    m_commonPrefsController->awakeFromNib();
    // Durations, payment and shipping summaries and the category versions follow the site.
    connect(m_sitePopup, &QComboBox::activated, this, [this] {
        fillDurationPopup();
        updatePaymentOptionsField();
        updateShippingOptionsField();
        updateCategoryVersionFields();
    });

    auto* markFees =
        checkBox(dw::localized("Mark the fields of options that cost extra fees"), "markExtraFeesCheckbox");
    m_bindings->bindCheckBox(markFees, QStringLiteral("markExtraFees"));
    connect(markFees, &QCheckBox::toggled, this,
            &QMBPreferencesPanelController::postHighlightableTextFieldStateNotification);
    m_feesColorButton = pushButton(dw::localized("Colour…"), "feesHighlightColorButton");
    connect(m_feesColorButton, &QPushButton::clicked, this, [this] {
        const QColor color = QColorDialog::getColor(m_feesHighlightColor, this, dw::localized("Fee Highlight Colour"));
        if (color.isValid())
            setFeesHighlightColor(color);
    });
    auto* feesRow = new QWidget;
    auto* feesLayout = new QHBoxLayout(feesRow);
    feesLayout->setContentsMargins(0, 0, 0, 0);
    feesLayout->addWidget(markFees);
    feesLayout->addWidget(m_feesColorButton);
    feesLayout->addStretch(1);

    auto* form = formLayout();
    form->addRow(dw::localized("eBay site:"), m_sitePopup);
    form->addRow(dw::localized("Currency:"), currencyPopup);
    form->addRow(dw::localized("Country:"), countryPopup);
    form->addRow(dw::localized("Region:"), regionPopup);
    form->addRow(dw::localized("ZIP code:"), zipField);
    form->addRow(dw::localized("Item location:"), m_locationField);
    auto* layout = paneLayout(pane);
    layout->addWidget(noteLabel(dw::localized("The eBay site you sell on and where your items are. New listings "
                                              "start with these settings.")));
    layout->addLayout(form);
    layout->addWidget(separator());
    layout->addWidget(feesRow);
    layout->addStretch(1);
    return pane;
}

void QMBPreferencesPanelController::fillDurationPopup()
{
    const auto& preferences = QMPreferencesManager::sharedInstance();
    const QVariantMap durations =
        QMSiteDescriptionManager::sharedInstance().itemDurationForSiteID(preferences.defaultSiteIDAsString());
    QList<std::pair<qint64, QString>> items;
    for (auto it = durations.cbegin(); it != durations.cend(); ++it) {
        // "GTC" (until cancelled) is kept as 1000 days, as listings store it.
        const qint64 days = it.key() == QLatin1String("GTC") ? 1000 : dw::integerValue(it.key());
        items.append({days, dw::localized(it.value().toString(), "ManualLocalizable")});
    }
    std::sort(items.begin(), items.end());
    m_durationPopup->clear();
    for (const auto& [days, title] : items)
        m_durationPopup->addItem(title, QVariant(qlonglong(days)));
    m_bindings->refresh();
}

QWidget* QMBPreferencesPanelController::makeItemDefaultsView()
{
    auto* pane = paneWidget("itemDefaultsView");
    m_durationPopup = new QComboBox;
    m_durationPopup->setObjectName(QStringLiteral("durationPopup"));
    m_bindings->bindTag(m_durationPopup, QStringLiteral("defaultDuration"));
    fillDurationPopup();

    auto* useStartingBid = checkBox(QString(), "useStartingBidCheckbox");
    auto* startingBid = amountField("minimumBidField");
    m_bindings->bindCheckBox(useStartingBid, QStringLiteral("useStartingBid"));
    m_bindings->bindAmount(startingBid, QStringLiteral("defaultMinimumBid"));
    auto* useBuyItNow = checkBox(QString(), "useBuyItNowCheckbox");
    auto* buyItNow = amountField("buyItNowPriceField");
    m_bindings->bindCheckBox(useBuyItNow, QStringLiteral("useBuyItNow"));
    m_bindings->bindAmount(buyItNow, QStringLiteral("defaultBuyItNowPrice"));
    auto* reservedPriceCheckbox = checkBox(QString(), "reservedPriceCheckbox");
    auto* reservedPriceTextField = amountField("reservedPriceTextField");
    m_bindings->bindCheckBox(reservedPriceCheckbox, QStringLiteral("useReservePrice"));
    m_bindings->bindAmount(reservedPriceTextField, QStringLiteral("reservePrice"));
    auto* privateListing =
        checkBox(dw::localized("Private listing (bidders stay anonymous)"), "privateAuctionCheckbox");
    m_bindings->bindCheckBox(privateListing, QStringLiteral("defaultPrivateAuction"));
    auto* useDispatchTime = checkBox(QString(), "useDispatchTimeMaxCheckbox");
    auto* dispatchTime = new QSpinBox;
    dispatchTime->setObjectName(QStringLiteral("dispatchTimeMaxField"));
    dispatchTime->setRange(0, 30);
    dispatchTime->setSuffix(dw::localized(" business days"));
    dispatchTime->setMaximumWidth(160);
    m_bindings->bindCheckBox(useDispatchTime, QStringLiteral("useDispatchTimeMax"));
    m_bindings->bindInteger(dispatchTime, QStringLiteral("dispatchTimeMax"));
    auto* counterPopup = new QComboBox;
    counterPopup->setObjectName(QStringLiteral("counterPopup"));
    for (const auto& [title, tag] : kCounters)
        counterPopup->addItem(dw::localized(title), tag);
    m_bindings->bindTag(counterPopup, QStringLiteral("CounterType"));

    m_defaultPaymentOptionsField = valueLabel("defaultPaymentOptionsField");
    auto* payment = pushButton(dw::localized("Edit…"), "showPaymentPanelButton");
    connect(payment, &QPushButton::clicked, this, &QMBPreferencesPanelController::showPaymentPanel);
    m_defaultShippingOptionsField = valueLabel("defaultShippingOptionsField");
    auto* shipping = pushButton(dw::localized("Edit…"), "showShippingOptionsPanelButton");
    connect(shipping, &QPushButton::clicked, this, &QMBPreferencesPanelController::showShippingOptionsPanel);
    m_defaultReturnPolicyField = valueLabel("defaultReturnPolicyField");
    auto* returns = pushButton(dw::localized("Edit…"), "editReturnPoliciesButton");
    connect(returns, &QPushButton::clicked, this, &QMBPreferencesPanelController::editReturnPoliciesAction);

    auto* useDesign = checkBox(QString(), "useDesignTemplateCheckbox");
    m_bindings->bindCheckBox(useDesign, QStringLiteral("defaultUseDesignTemplate"));
    m_designTemplatePopup = new QComboBox;
    m_designTemplatePopup->setObjectName(QStringLiteral("designTemplatePopup"));
    connect(m_designTemplatePopup, &QComboBox::activated, this,
            &QMBPreferencesPanelController::designTemplatePopupChanged);

    auto* form = formLayout();
    form->addRow(dw::localized("Duration:"), m_durationPopup);
    form->addRow(dw::localized("Starting bid:"), switchedRow(useStartingBid, startingBid));
    form->addRow(dw::localized("Buy It Now price:"), switchedRow(useBuyItNow, buyItNow));
    auto* reservedPriceCaption = new QLabel(dw::localized("Reserve price:"));
    reservedPriceCaption->setObjectName(QStringLiteral("reservedPriceCaption"));
    form->addRow(reservedPriceCaption, switchedRow(reservedPriceCheckbox, reservedPriceTextField));
    form->addRow(dw::localized("Handling time:"), switchedRow(useDispatchTime, dispatchTime));
    form->addRow(dw::localized("Page counter:"), counterPopup);
    form->addRow(QString(), privateListing);
    form->addRow(dw::localized("Design template:"), switchedRow(useDesign, m_designTemplatePopup));
    auto* terms = formLayout();
    terms->addRow(dw::localized("Payment:"), summaryRow(m_defaultPaymentOptionsField, payment));
    terms->addRow(dw::localized("Shipping:"), summaryRow(m_defaultShippingOptionsField, shipping));
    terms->addRow(dw::localized("Returns:"), summaryRow(m_defaultReturnPolicyField, returns));

    auto* layout = paneLayout(pane);
    layout->addWidget(noteLabel(dw::localized("Every new listing starts with these settings.")));
    layout->addLayout(form);
    layout->addWidget(separator());
    layout->addLayout(terms);
    layout->addStretch(1);
    return pane;
}

QWidget* QMBPreferencesPanelController::makeTokenView()
{
    auto* pane = paneWidget("tokenView");
    m_accountNameField = valueLabel("accountNameField");
    m_tokenDownloadDateField = valueLabel("tokenDownloadDateField");
    m_accountCountField = noteLabel(QString());
    m_accountCountField->setObjectName(QStringLiteral("accountCountField"));
    m_authorizeButton = pushButton(dw::localized("Authorize..."), "authorizeButton");
    connect(m_authorizeButton, &QPushButton::clicked, this, &QMBPreferencesPanelController::refreshToken);
    m_deleteAccountButton = pushButton(dw::localized("Delete Account"), "deleteAccountButton");
    connect(m_deleteAccountButton, &QPushButton::clicked, this, &QMBPreferencesPanelController::deleteAccount);
    m_paypalAddressTextField = new QLineEdit;
    m_paypalAddressTextField->setObjectName(QStringLiteral("paypalAddressTextField"));
    m_paypalAddressTextField->setPlaceholderText(dw::localized("name@example.com"));
    connect(m_paypalAddressTextField, &QLineEdit::editingFinished, this,
            [this] { setPaypalEmailAddress(m_paypalAddressTextField->text().trimmed()); });

    auto* buttons = new QWidget;
    auto* buttonsLayout = new QHBoxLayout(buttons);
    buttonsLayout->setContentsMargins(0, 0, 0, 0);
    buttonsLayout->addWidget(m_authorizeButton);
    buttonsLayout->addWidget(m_deleteAccountButton);
    buttonsLayout->addStretch(1);
    auto* form = formLayout();
    form->addRow(dw::localized("eBay account:"), m_accountNameField);
    form->addRow(dw::localized("Token obtained:"), m_tokenDownloadDateField);
    form->addRow(QString(), m_accountCountField);
    form->addRow(QString(), buttons);
    form->addRow(dw::localized("PayPal address:"), m_paypalAddressTextField);
    auto* layout = paneLayout(pane);
    layout->addWidget(noteLabel(dw::localized(
        "Quillmart lists your items with an access token that eBay issues when you authorize Quillmart for your "
        "account. The token is kept in your keyring. Refresh it when eBay no longer accepts it.")));
    layout->addLayout(form);
    layout->addStretch(1);
    return pane;
}

QWidget* QMBPreferencesPanelController::makeCategoriesView()
{
    auto* pane = paneWidget("categoriesView");
    m_categorySiteField = valueLabel("categorySiteField");
    m_categoryTreeVersionField = valueLabel("categoryTreeVersionField");
    m_csMappingsVersionField = valueLabel("csMappingsVersionField");
    m_attributeDataVersionField = valueLabel("attributeDataVersionField");
    auto* interval = new QSpinBox;
    interval->setObjectName(QStringLiteral("categoriesCheckIntervalField"));
    interval->setRange(1, 365);
    interval->setSuffix(dw::localized(" days"));
    interval->setMaximumWidth(120);
    m_bindings->bindInteger(interval, QStringLiteral("categoriesCheckInterval"));
    auto* check = pushButton(dw::localized("Check Now"), "checkForCategoriesButton");
    connect(check, &QPushButton::clicked, this, &QMBPreferencesPanelController::checkForCategories);
    auto* warnings = pushButton(dw::localized("Show All Warnings"), "showAllWarningsButton");
    connect(warnings, &QPushButton::clicked, this, &QMBPreferencesPanelController::showAllWarnings);

    auto* form = formLayout();
    form->addRow(dw::localized("eBay site:"), m_categorySiteField);
    form->addRow(dw::localized("Category tree version:"), m_categoryTreeVersionField);
    form->addRow(dw::localized("Item specifics mappings:"), m_csMappingsVersionField);
    form->addRow(dw::localized("Item specifics data:"), m_attributeDataVersionField);
    form->addRow(dw::localized("Look for new data every:"), interval);
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(check);
    checkRow->addStretch(1);
    form->addRow(QString(), checkRow);
    auto* layout = paneLayout(pane);
    layout->addWidget(noteLabel(dw::localized(
        "Quillmart keeps eBay’s categories and item specifics of your site on this computer. A version of 0 means "
        "that the data has not been downloaded yet.")));
    layout->addLayout(form);
    layout->addWidget(separator());
    layout->addWidget(noteLabel(dw::localized("Warnings you chose not to see again appear again after this:")));
    layout->addWidget(warnings, 0, Qt::AlignLeft);
    layout->addStretch(1);
    updateCategoryVersionFields();
    return pane;
}

QWidget* QMBPreferencesPanelController::makeUpdateView()
{
    auto* pane = paneWidget("updateView");
    auto* checkAtStart =
        checkBox(dw::localized("Look for new versions when Quillmart starts"), "shouldCheckForUpdatesCheckbox");
    m_bindings->bindCheckBox(checkAtStart, QStringLiteral("shouldCheckForUpdates"));
    auto* background = checkBox(dw::localized("Download and install new versions without asking"),
                                "updaterDownloadInBackgroundCheckbox");
    m_bindings->bindCheckBox(background, QStringLiteral("updaterDownloadInBackground"));
    auto* systemInfo = checkBox(dw::localized("Include anonymous system information (system and program version)"),
                                "includeSystemInformationCheckbox");
    m_bindings->bindCheckBox(systemInfo, QStringLiteral("shouldIncludeSystemInformationForUpdates"));
    m_lastUpdateCheckField = valueLabel("lastUpdateCheckField");
    auto* check = pushButton(dw::localized("Check Now"), "checkForUpdatesButton");
    connect(check, &QPushButton::clicked, this, &QMBPreferencesPanelController::checkForUpdates);
    auto* row = new QHBoxLayout;
    row->addWidget(check);
    row->addWidget(m_lastUpdateCheckField, 1);

    auto* layout = paneLayout(pane);
    layout->addWidget(checkAtStart);
    layout->addWidget(background);
    layout->addWidget(systemInfo);
    layout->addWidget(separator());
    layout->addLayout(row);
    layout->addStretch(1);
    return pane;
}

void QMBPreferencesPanelController::fillImageSizePopup(bool forDunmerrowServer)
{
    m_serverImageSizePopup->clear();
    for (const auto& [title, tag] : kImageSizes) {
        // The maker's server takes no picture larger than 800 × 600.
        if (forDunmerrowServer && (tag == 199 || tag == 200))
            continue;
        m_serverImageSizePopup->addItem(dw::localized(title), tag);
    }
}

QWidget* QMBPreferencesPanelController::makeImageServerView()
{
    auto* pane = paneWidget("imageServerView");
    m_imageUploadSystemPopup = new QComboBox;
    m_imageUploadSystemPopup->setObjectName(QStringLiteral("imageUploadSystemPopup"));
    for (const auto& [title, tag] : kUploadSystems)
        m_imageUploadSystemPopup->addItem(dw::localized(title), tag);
    m_bindings->bindTag(m_imageUploadSystemPopup, QStringLiteral("ImageUploadingSystem"));
    connect(m_imageUploadSystemPopup, &QComboBox::activated, this,
            &QMBPreferencesPanelController::imageUploadSystemDidChange);
    m_imageSystemSummaryTextField = noteLabel(QString());
    m_imageSystemSummaryTextField->setObjectName(QStringLiteral("imageSystemSummaryTextField"));
    m_imageSystemSummaryTextField->setForegroundRole(QPalette::WindowText);
    m_imageSystemSummaryTextField->setMinimumHeight(m_imageSystemSummaryTextField->fontMetrics().lineSpacing() * 3);
    m_serverImageSizePopup = new QComboBox;
    m_serverImageSizePopup->setObjectName(QStringLiteral("serverImageSizePopup"));
    fillImageSizePopup(false);
    m_bindings->bindTag(m_serverImageSizePopup, QStringLiteral("ImageSizePopupTag"));

    m_proxyServerField = valueLabel("proxyServerField");
    m_proxyUserField = new QLineEdit;
    m_proxyUserField->setObjectName(QStringLiteral("proxyUserField"));
    m_proxyPasswordField = new QLineEdit;
    m_proxyPasswordField->setObjectName(QStringLiteral("proxyPasswordField"));
    m_proxyPasswordField->setEchoMode(QLineEdit::Password);
    m_proxyStatusField = noteLabel(QString());
    m_proxyStatusField->setObjectName(QStringLiteral("proxyStatusField"));
    for (QLineEdit* field : {m_proxyUserField, m_proxyPasswordField}) {
        connect(field, &QLineEdit::editingFinished, this, [this] {
            QString error;
            if (!storeProxyAccount(&error))
                m_proxyStatusField->setText(error);
        });
    }
    auto* proxy = new QGroupBox(dw::localized("Proxy"));
    proxy->setObjectName(QStringLiteral("proxyBox"));
    auto* proxyForm = formLayout();
    proxyForm->addRow(dw::localized("Proxy server:"), m_proxyServerField);
    proxyForm->addRow(dw::localized("User name:"), m_proxyUserField);
    proxyForm->addRow(dw::localized("Password:"), m_proxyPasswordField);
    proxyForm->addRow(QString(), m_proxyStatusField);
    proxy->setLayout(proxyForm);

    auto* form = formLayout();
    form->addRow(dw::localized("Upload pictures to:"), m_imageUploadSystemPopup);
    form->addRow(QString(), m_imageSystemSummaryTextField);
    form->addRow(dw::localized("Picture size:"), m_serverImageSizePopup);
    auto* layout = paneLayout(pane);
    layout->addLayout(form);
    layout->addWidget(proxy);
    layout->addStretch(1);
    return pane;
}
