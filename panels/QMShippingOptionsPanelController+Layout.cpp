// The panel's window: its tabs, the service rows and how the controls show and edit the panel's
// values.
#include "panels/QMShippingOptionsPanelController.h"

#include "panels/QMLocalizedAmounts.h"

#include "model/QMItemShippingOptions.h"
#include "model/QMSiteDescriptionManager.h"

#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWFormat.h"
#include "platform/core/KeyValueCoding.h"
#include "platform/core/Localization.h"
#include "platform/widgets/DialogButtons.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kMatrixCellCount = 12;
constexpr int kMatrixColumns = 4;
const QString kEnabled = QStringLiteral("enabled");

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

QLineEdit* newNumberField(QWidget* parent, const QString& objectName, int characters = 8)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setValidator(qm::newAmountValidator(field));
    field->setAlignment(Qt::AlignRight);
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('0')) * characters + 12);
    field->setMaximumWidth(field->minimumWidth() + 20);
    return field;
}

QLabel* newHeader(const char* title, QWidget* parent)
{
    auto* label = new QLabel(dw::localized(title), parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// A control's name on the domestic or the international tab: "domesticFlatRadio", ...
QString scopeName(QMShippingScope scope, const char* base)
{
    return QString::fromLatin1(scope == QMShippingScope::International ? "international" : "domestic") +
           QString::fromLatin1(base);
}

QString rowName(const char* base, QMShippingScope scope, int row)
{
    return scopeName(scope, base) + QString::number(row);
}

} // namespace

void QMShippingOptionsPanelController::buildWindow()
{
    m_mainTabView = new QTabWidget(this);
    m_mainTabView->setObjectName(QStringLiteral("mainTabView"));
    m_mainTabView->addTab(buildServicesTab(QMShippingScope::Domestic), dw::localized("Domestic"));
    m_mainTabView->addTab(buildServicesTab(QMShippingScope::International), dw::localized("International"));
    m_mainTabView->addTab(buildPackageTab(), dw::localized("Package"));
    m_mainTabView->addTab(buildExcludedDestinationsTab(), dw::localized("Excluded Destinations"));

    const auto buttons = dw::DialogButtons::okCancel(this);
    m_makeDefaultsButton = buttons.box->addButton(dw::localized("Save as Default"), QDialogButtonBox::ResetRole);
    m_makeDefaultsButton->setObjectName(QStringLiteral("makeDefaultsButton"));
    m_makeDefaultsButton->setToolTip(dw::localized("New listings of this site start with these shipping options."));
    // From the preferences, OK itself stores the defaults.
    m_makeDefaultsButton->setVisible(!m_invokedFromPreferencesPanel);
    connect(m_makeDefaultsButton, &QPushButton::clicked, this, [this] { makeDefaults(); });
    connect(buttons.cancel, &QPushButton::clicked, this, &QMShippingOptionsPanelController::doCancel);
    connect(buttons.ok, &QPushButton::clicked, this, &QMShippingOptionsPanelController::doOK);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_mainTabView, 1);
    layout->addWidget(buttons.box);

    m_frameAnimation = new QPropertyAnimation(this, "geometry", this);
    m_frameAnimation->setDuration(200);
    m_frameAnimation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_mainTabView, &QTabWidget::currentChanged, this, &QMShippingOptionsPanelController::resizeForTab);
}

QComboBox* QMShippingOptionsPanelController::buildInsurancePopup(QWidget* tab, const QString& objectName)
{
    auto* popup = new QComboBox(tab);
    popup->setObjectName(objectName);
    popup->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    popup->addItem(dw::localized("Not offered"), 0);
    popup->addItem(dw::localized("Optional"), 1);
    popup->addItem(dw::localized("Required"), 2);
    popup->addItem(dw::localized("Included in shipping and handling"), 3);
    return popup;
}

QRect QMShippingOptionsPanelController::windowFrameForTab(int index)
{
    // The pages of the other tabs do not hold the window at their minimum size...
    QSize largest;
    for (int i = 0; i < m_mainTabView->count(); ++i) {
        QWidget* page = m_mainTabView->widget(i);
        const auto policy = i == index ? QSizePolicy::Preferred : QSizePolicy::Ignored;
        page->setSizePolicy(policy, policy);
        if (m_mainTabView->isTabVisible(i))
            largest = largest.expandedTo(page->sizeHint());
    }
    m_mainTabView->updateGeometry();
    layout()->activate();
    // ...and the size asked for is that of this page, with the tab bar, the frame, the margins and
    // the buttons around it (the tab widget's own hint is that of its largest page).
    const QSize aroundPage = m_mainTabView->sizeHint() - largest;
    QSize tabs = m_mainTabView->widget(index)->sizeHint() + aroundPage;
    tabs.setWidth(std::max(tabs.width(), m_mainTabView->tabBar()->sizeHint().width()));
    const QSize wanted =
        (tabs + (sizeHint() - m_mainTabView->sizeHint())).expandedTo(QSize(500, 0)).expandedTo(minimumSizeHint());
    const QRect now = geometry();
    QRect frame(now.topLeft(), wanted);
    frame.moveLeft(now.left() + (now.width() - wanted.width()) / 2);
    return frame;
}

void QMShippingOptionsPanelController::resizeForTab(int index)
{
    if (index < 0)
        return;
    const QRect frame = windowFrameForTab(index);
    m_frameAnimation->stop();
    // Before the window is shown only its size is set: where it opens is the parent's business.
    if (!isVisible()) {
        resize(frame.size());
        return;
    }
    m_frameAnimation->setStartValue(geometry());
    m_frameAnimation->setEndValue(frame);
    m_frameAnimation->start();
}

QWidget* QMShippingOptionsPanelController::buildServicesTab(QMShippingScope scope)
{
    const bool domestic = scope == QMShippingScope::Domestic;
    ScopePart& p = part(scope);
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);

    auto* method = new QHBoxLayout;
    method->addWidget(new QLabel(dw::localized("Shipping cost:"), tab));
    auto* flat = new QRadioButton(dw::localized("Flat: same cost to all buyers"), tab);
    flat->setObjectName(scopeName(scope, "FlatRadio"));
    auto* calculated = new QRadioButton(dw::localized("Calculated: cost varies by buyer location"), tab);
    calculated->setObjectName(scopeName(scope, "CalculatedRadio"));
    calculated->setEnabled(m_allowsCalculatedFees);
    p.shippingMethodMatrix = new QButtonGroup(tab);
    p.shippingMethodMatrix->addButton(flat, 0);
    p.shippingMethodMatrix->addButton(calculated, 1);
    method->addWidget(flat);
    method->addWidget(calculated);
    method->addStretch(1);
    layout->addLayout(method);
    connect(p.shippingMethodMatrix, &QButtonGroup::idClicked, this, [this, scope](int id) {
        if (m_showingValues)
            return;
        m_currentShippingOptions->setUsesCalculatedShipping(scope, id == 1);
        updateShippingDiscountPopup(part(scope).shippingDiscountPopup, id == 1,
                                    m_currentShippingOptions->shippingDiscountProfileID(scope));
        updateStates();
    });

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->addWidget(newHeader("Service", tab), 0, 1);
    grid->addWidget(newHeader("Cost", tab), 0, 2);
    auto* additionalHeader = newHeader("Each additional item", tab);
    grid->addWidget(additionalHeader, 0, 3, 1, 2);
    m_additionalFeeColumn << additionalHeader;
    if (domestic) {
        auto* surchargeHeader = newHeader("Surcharge", tab);
        grid->addWidget(surchargeHeader, 0, 5, 1, 2);
        m_surchargeColumn << surchargeHeader;
    } else {
        grid->addWidget(newHeader("Ships to", tab), 0, 5);
    }
    for (int row = 0; row < int(p.rowWidgets.size()); ++row)
        buildServiceRow(scope, row, grid, row + 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    p.handlingCostsField = newNumberField(tab, domestic ? QStringLiteral("packagingHandlingCostsField")
                                                        : QStringLiteral("packagingHandlingCostsInternationalField"));
    connect(p.handlingCostsField, &QLineEdit::textEdited, this, [this, scope](const QString& typed) {
        const QString amount = qm::storedAmountFromTypedText(typed);
        m_currentShippingOptions->setPackagingHandlingCosts(scope, amount.isNull() ? QStringLiteral("0") : amount);
    });
    form->addRow(dw::localized("Handling cost:"), p.handlingCostsField);
    m_calculatedOnlyWidgets << p.handlingCostsField << form->labelForField(p.handlingCostsField);
    p.shippingDiscountPopup = new QComboBox(tab);
    p.shippingDiscountPopup->setObjectName(scopeName(scope, "ShippingDiscountPopup"));
    p.shippingDiscountPopup->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(p.shippingDiscountPopup, &QComboBox::activated, this, [this, scope](int index) {
        m_currentShippingOptions->setShippingDiscountProfileID(
            scope, part(scope).shippingDiscountPopup->itemData(index).toString());
    });
    form->addRow(dw::localized("Shipping discount:"), p.shippingDiscountPopup);
    p.insuranceOptionPopup = buildInsurancePopup(tab, domestic ? QStringLiteral("insuranceOptionPopup")
                                                               : QStringLiteral("internationalInsuranceOptionPopup"));
    p.insuranceFeeField = newNumberField(tab, domestic ? QStringLiteral("insuranceFeeField")
                                                       : QStringLiteral("insuranceFeeInternationalField"));
    connect(p.insuranceOptionPopup, &QComboBox::activated, this, [this, scope](int index) {
        insuranceOptionChanged(scope, part(scope).insuranceOptionPopup->itemData(index).toInt());
    });
    connect(p.insuranceFeeField, &QLineEdit::textEdited, this, [this, scope](const QString& typed) {
        const QString amount = qm::storedAmountFromTypedText(typed);
        m_currentShippingOptions->setInsuranceFee(scope, amount.isNull() ? QStringLiteral("0") : amount);
    });
    auto* insurance = new QHBoxLayout;
    insurance->addWidget(p.insuranceOptionPopup);
    insurance->addWidget(new QLabel(dw::localized("Fee:"), tab));
    insurance->addWidget(p.insuranceFeeField);
    insurance->addStretch(1);
    form->addRow(dw::localized("Insurance:"), insurance);
    layout->addLayout(form);

    if (domestic)
        buildPickupAndTermsChoices(tab, layout);
    else
        buildShipToLocationsMatrix(tab, layout);
    layout->addStretch(1);
    return tab;
}

void QMShippingOptionsPanelController::buildPickupAndTermsChoices(QWidget* tab, QVBoxLayout* layout)
{
    m_localPickupCheckbox = new QCheckBox(dw::localized("Local pickup only: the buyer collects the item"), tab);
    m_localPickupCheckbox->setObjectName(QStringLiteral("localPickupCheckbox"));
    connect(m_localPickupCheckbox, &QCheckBox::toggled, this, [this](bool checked) {
        if (m_showingValues)
            return;
        m_currentShippingOptions->setLocalPickupOnly(checked);
        updateStates();
    });
    m_termsSeeDescriptionCheckbox = new QCheckBox(dw::localized("Shipping terms are in the item description"), tab);
    m_termsSeeDescriptionCheckbox->setObjectName(QStringLiteral("termsSeeDescriptionCheckbox"));
    // Sites that require a domestic service do not take the terms from the description.
    m_termsSeeDescriptionCheckbox->setVisible(!m_siteRequiresDomesticShippingService);
    connect(m_termsSeeDescriptionCheckbox, &QCheckBox::toggled, this, [this](bool checked) {
        if (m_showingValues)
            return;
        m_currentShippingOptions->setShippingTermsInDescription(checked);
        updateStates();
    });
    layout->addWidget(m_localPickupCheckbox);
    layout->addWidget(m_termsSeeDescriptionCheckbox);
}

void QMShippingOptionsPanelController::buildShipToLocationsMatrix(QWidget* tab, QVBoxLayout* layout)
{
    auto* destinations = new QGroupBox(dw::localized("Ships to (all international services)"), tab);
    m_shipToLocationsMatrix = new QWidget(destinations);
    m_shipToLocationsMatrix->setObjectName(QStringLiteral("shipTolocationsMatrix"));
    auto* matrix = new QGridLayout(m_shipToLocationsMatrix);
    matrix->setContentsMargins(0, 0, 0, 0);
    auto* box = new QVBoxLayout(destinations);
    box->addWidget(m_shipToLocationsMatrix);
    layout->addWidget(destinations);
    fillShipToLocationsMatrix();
}

QWidget* QMShippingOptionsPanelController::buildPackageTab()
{
    auto* tab = new QWidget;
    m_packageTab = tab;
    auto* layout = new QVBoxLayout(tab);
    auto* note = new QLabel(dw::localized("With calculated shipping, eBay works out the cost from the package and "
                                          "where it ships from."),
                            tab);
    note->setWordWrap(true);
    layout->addWidget(note);

    m_packageBox = new QWidget(tab);
    m_packageBox->setObjectName(QStringLiteral("packageBox"));
    auto* form = new QFormLayout(m_packageBox);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setContentsMargins(0, 0, 0, 0);
    m_shippingPackagesPopup = new QComboBox(m_packageBox);
    m_shippingPackagesPopup->setObjectName(QStringLiteral("shippingPackagesPopup"));
    m_shippingPackagesPopup->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(m_shippingPackagesPopup, &QComboBox::activated, this, [this](int index) {
        m_currentShippingOptions->setShippingType(m_shippingPackagesPopup->itemData(index).toLongLong());
    });
    form->addRow(dw::localized("Package type:"), m_shippingPackagesPopup);

    auto measureSetter = [this](void (QMItemShippingOptions::*setter)(const QString&)) {
        return [this, setter](const QString& typed) {
            const QString measure = qm::storedMeasureFromTypedText(typed);
            (m_currentShippingOptions.get()->*setter)(measure.isNull() ? QStringLiteral("") : measure);
        };
    };
    auto* dimensions = new QHBoxLayout;
    auto addDimension = [&](const char* title, const QString& name,
                            void (QMItemShippingOptions::*setter)(const QString&)) {
        auto* field = newNumberField(m_packageBox, name, 5);
        connect(field, &QLineEdit::textEdited, this, measureSetter(setter));
        auto* label = new QLabel(dw::localized(title), m_packageBox);
        label->setBuddy(field);
        dimensions->addWidget(label);
        dimensions->addWidget(field);
        auto* unit = new QLabel(m_packageBox);
        m_lengthUnitLabels << unit;
        dimensions->addWidget(unit);
        dimensions->addSpacing(8);
        return field;
    };
    m_packageLengthField =
        addDimension("Length", QStringLiteral("packageLengthField"), &QMItemShippingOptions::setPackageLength);
    m_packageWidthField =
        addDimension("Width", QStringLiteral("packageWidthField"), &QMItemShippingOptions::setPackageWidth);
    m_packageDepthField =
        addDimension("Depth", QStringLiteral("packageDepthField"), &QMItemShippingOptions::setPackageDepth);
    dimensions->addStretch(1);
    form->addRow(dw::localized("Dimensions:"), dimensions);

    auto* weight = new QHBoxLayout;
    m_packagePoundsField = newNumberField(m_packageBox, QStringLiteral("packagePoundsField"), 5);
    connect(m_packagePoundsField, &QLineEdit::textEdited, this,
            measureSetter(&QMItemShippingOptions::setPackagePounds));
    m_weightMayorUnitLabel = new QLabel(m_packageBox);
    m_packageOuncesField = newNumberField(m_packageBox, QStringLiteral("packageOuncesField"), 5);
    connect(m_packageOuncesField, &QLineEdit::textEdited, this,
            measureSetter(&QMItemShippingOptions::setPackageOunces));
    m_weightMinorUnitLabel = new QLabel(m_packageBox);
    weight->addWidget(m_packagePoundsField);
    weight->addWidget(m_weightMayorUnitLabel);
    weight->addSpacing(8);
    weight->addWidget(m_packageOuncesField);
    weight->addWidget(m_weightMinorUnitLabel);
    weight->addStretch(1);
    form->addRow(dw::localized("Weight:"), weight);

    m_shipFromZipField = new QLineEdit(m_packageBox);
    m_shipFromZipField->setObjectName(QStringLiteral("shipFromZipField"));
    m_shipFromZipField->setMaxLength(16);
    m_shipFromZipField->setMaximumWidth(m_shipFromZipField->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 12);
    connect(m_shipFromZipField, &QLineEdit::textEdited, this,
            [this](const QString& zip) { m_currentShippingOptions->setShipFromZipCode(zip.trimmed()); });
    form->addRow(dw::localized("Ships from ZIP code:"), m_shipFromZipField);

    layout->addWidget(m_packageBox);
    layout->addStretch(1);
    fillPackagesPopup();
    return tab;
}

QWidget* QMShippingOptionsPanelController::buildExcludedDestinationsTab()
{
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(
        new QLabel(dw::localized("Buyers in the ticked regions and countries cannot buy the item:"), tab));
    m_locationFilterField = new QLineEdit(tab);
    m_locationFilterField->setObjectName(QStringLiteral("locationFilterField"));
    m_locationFilterField->setPlaceholderText(dw::localized("Search"));
    m_locationFilterField->setClearButtonEnabled(true);
    connect(m_locationFilterField, &QLineEdit::textChanged, this, [this] { reloadExcludeLocations(); });
    m_excludeLocationsTableView = new QListWidget(tab);
    m_excludeLocationsTableView->setObjectName(QStringLiteral("excludeLocationsTableView"));
    m_excludeLocationsTableView->setSelectionMode(QAbstractItemView::NoSelection);
    connect(m_excludeLocationsTableView, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        excludeLocationToggled(item->data(Qt::UserRole).toString(), item->checkState() == Qt::Checked);
    });
    m_locationCountField = new QLabel(tab);
    m_locationCountField->setObjectName(QStringLiteral("locationCountField"));
    layout->addWidget(m_locationFilterField);
    layout->addWidget(m_excludeLocationsTableView, 1);
    layout->addWidget(m_locationCountField);
    return tab;
}

void QMShippingOptionsPanelController::buildServiceRow(QMShippingScope scope, int row, QGridLayout* grid, int line)
{
    QWidget* parent = grid->parentWidget();
    ServiceRowWidgets& w = part(scope).rowWidgets[row];
    w.enabled = new QCheckBox(QString::number(row + 1), parent);
    w.enabled->setObjectName(rowName("ServiceCheckbox", scope, row));
    w.service = new QComboBox(parent);
    w.service->setObjectName(rowName("ServicePopup", scope, row));
    w.service->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    w.service->setMinimumContentsLength(26);
    w.service->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    w.fee = newNumberField(parent, rowName("FeeField", scope, row));
    w.useAdditionalFee = new QCheckBox(parent);
    w.useAdditionalFee->setObjectName(rowName("AdditionalFeeCheckbox", scope, row));
    w.additionalFee = newNumberField(parent, rowName("AdditionalFeeField", scope, row));
    m_additionalFeeColumn << w.useAdditionalFee << w.additionalFee;
    grid->addWidget(w.enabled, line, 0);
    grid->addWidget(w.service, line, 1);
    grid->addWidget(w.fee, line, 2);
    grid->addWidget(w.useAdditionalFee, line, 3);
    grid->addWidget(w.additionalFee, line, 4);
    if (scope == QMShippingScope::International) {
        w.shipTo = new QToolButton(parent);
        w.shipTo->setObjectName(QStringLiteral("shipToLocationsPopup%1").arg(row + 1));
        w.shipTo->setPopupMode(QToolButton::InstantPopup);
        w.shipTo->setToolButtonStyle(Qt::ToolButtonTextOnly);
        w.shipTo->setMinimumWidth(w.shipTo->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 12);
        w.shipTo->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        w.shipToMenu = new QMenu(w.shipTo);
        w.shipToMenu->setObjectName(QStringLiteral("shipToLocationsMenu%1").arg(row + 1));
        for (const QVariant& entry : m_availableShipToLocations) {
            const QVariantMap location = entry.toMap();
            QAction* action = w.shipToMenu->addAction(location.value(QStringLiteral("LocationName")).toString());
            const QString id = location.value(QStringLiteral("LocationID")).toString();
            action->setData(id);
            action->setCheckable(true);
            connect(action, &QAction::triggered, this, [this, row, id] { shipToLocationItemAction(row, id); });
        }
        connect(w.shipToMenu, &QMenu::aboutToShow, this, [this, row] { updateShipToMenu(row); });
        w.shipTo->setMenu(w.shipToMenu);
        grid->addWidget(w.shipTo, line, 5);
    } else {
        w.useSurchargeFee = new QCheckBox(parent);
        w.useSurchargeFee->setObjectName(rowName("SurchargeCheckbox", scope, row));
        w.surchargeFee = newNumberField(parent, rowName("SurchargeField", scope, row));
        m_surchargeColumn << w.useSurchargeFee << w.surchargeFee;
        grid->addWidget(w.useSurchargeFee, line, 5);
        grid->addWidget(w.surchargeFee, line, 6);
    }
    connectServiceRow(scope, row);
}

void QMShippingOptionsPanelController::connectServiceRow(QMShippingScope scope, int row)
{
    ServiceRowWidgets& w = part(scope).rowWidgets[row];
    auto amountSetter = [this, scope, row](const char* name) {
        return [this, scope, row, name](const QString& typed) {
            const QString amount = qm::storedAmountFromTypedText(typed);
            rowChanged(scope, row, key(name), amount.isNull() ? QVariant() : QVariant(amount));
        };
    };
    auto flagSetter = [this, scope, row](const QString& name) {
        return [this, scope, row, name](bool checked) { rowChanged(scope, row, name, checked); };
    };
    connect(w.enabled, &QCheckBox::toggled, this, flagSetter(kEnabled));
    connect(w.service, &QComboBox::currentIndexChanged, this, [this, scope, row](int index) {
        rowChanged(scope, row, key(kQMShippingOptions_serviceIndex), qMax(index, 0));
    });
    connect(w.fee, &QLineEdit::textEdited, this, amountSetter(kQMShippingOptions_serviceFee));
    connect(w.useAdditionalFee, &QCheckBox::toggled, this, flagSetter(key(kQMShippingOptions_useServiceAdditionalFee)));
    connect(w.additionalFee, &QLineEdit::textEdited, this, amountSetter(kQMShippingOptions_serviceAdditionalFee));
    if (w.useSurchargeFee) {
        connect(w.useSurchargeFee, &QCheckBox::toggled, this, flagSetter(key(kQMShippingOptions_useSurchargeFee)));
        connect(w.surchargeFee, &QLineEdit::textEdited, this, amountSetter(kQMShippingOptions_surchargeFee));
    }
}

void QMShippingOptionsPanelController::fillServicePopups()
{
    auto fill = [](QComboBox* popup, const QVariantList& services) {
        const QSignalBlocker blocker(popup);
        popup->clear();
        int widest = 0;
        for (const QVariant& entry : services) {
            const QString name = entry.toMap().value(QStringLiteral("ServiceName")).toString();
            popup->addItem(name);
            widest = qMax(widest, popup->fontMetrics().horizontalAdvance(name));
        }
        // The closed pop-up keeps the row narrow; its list shows the names in full.
        popup->view()->setMinimumWidth(widest + 40);
    };
    for (ScopePart& p : m_parts) {
        for (ServiceRowWidgets& w : p.rowWidgets)
            fill(w.service, p.services);
    }
}

void QMShippingOptionsPanelController::fillPackagesPopup()
{
    if (!m_allowsCalculatedFees)
        return;
    const QVariantList packages =
        QMSiteDescriptionManager::sharedInstance().allowedShippingPackagesForSiteID(dw::integerValue(m_siteID));
    if (packages.isEmpty())
        return;
    const QSignalBlocker blocker(m_shippingPackagesPopup);
    m_shippingPackagesPopup->clear();
    for (const QVariant& entry : packages) {
        const QVariantMap package = entry.toMap();
        m_shippingPackagesPopup->addItem(dw::localized(package.value(QStringLiteral("description")).toString()),
                                         package.value(QStringLiteral("shippingType")).toLongLong());
        m_shippingPackagesPopup->setItemData(m_shippingPackagesPopup->count() - 1,
                                             package.value(QStringLiteral("shippingPackage")), Qt::UserRole + 1);
    }
}

void QMShippingOptionsPanelController::fillShipToLocationsMatrix()
{
    auto* grid = static_cast<QGridLayout*>(m_shipToLocationsMatrix->layout());
    const int count = qMax<int>(kMatrixCellCount, m_locationNames.isEmpty() ? int(m_availableShipToLocations.size())
                                                                            : int(m_locationNames.size()));
    for (int cell = 0; cell < count; ++cell) {
        const QString name =
            cell < m_availableShipToLocations.size()
                ? m_availableShipToLocations.at(cell).toMap().value(QStringLiteral("LocationName")).toString()
                : QString();
        auto* box = new QCheckBox(name, m_shipToLocationsMatrix);
        box->setObjectName(QStringLiteral("shipToLocationCell%1").arg(cell));
        connect(box, &QCheckBox::toggled, this, [this, cell](bool checked) { locationCellToggled(cell, checked); });
        grid->addWidget(box, cell / kMatrixColumns, cell % kMatrixColumns);
        m_shipToLocationCells << box;
    }
}

void QMShippingOptionsPanelController::updateShippingDiscountPopup(QComboBox* popup, bool calculated,
                                                                   const QString& selectedProfileID)
{
    const QVariantMap& profiles = calculated ? m_calculatedShippingDiscountProfiles : m_flatShippingDiscountProfiles;
    const QSignalBlocker blocker(popup);
    popup->clear();
    auto* model = qobject_cast<QStandardItemModel*>(popup->model());
    for (auto group = profiles.begin(); group != profiles.end(); ++group) {
        popup->addItem(group.key());
        // Group titles only head their profiles; they cannot be chosen.
        if (model)
            model->item(popup->count() - 1)->setEnabled(false);
        for (const QVariant& profile : group.value().toList()) {
            popup->addItem(QStringLiteral("  ") + dw::valueForKey(profile, QStringLiteral("displayName")).toString(),
                           dw::valueForKey(profile, QStringLiteral("profileID")).toString());
        }
    }
    int selected = 0;
    if (!selectedProfileID.isEmpty()) {
        for (int i = 0; i < popup->count(); ++i) {
            if (popup->itemData(i).toString() == selectedProfileID && model && model->item(i)->isEnabled())
                selected = i;
        }
    }
    popup->setCurrentIndex(selected);
}

void QMShippingOptionsPanelController::updateShipToMenu(int row)
{
    const ScopePart& international = part(QMShippingScope::International);
    const QStringList locations = international.rows.at(row).value(key(kQMShipToLocations)).toStringList();
    for (QAction* action : international.rowWidgets[row].shipToMenu->actions()) {
        action->setChecked(locations.contains(action->data().toString()));
        action->setEnabled(true);
    }
}

void QMShippingOptionsPanelController::updateShipToButton(int row)
{
    const ScopePart& international = part(QMShippingScope::International);
    const QVariantMap& service = international.rows.at(row);
    const QStringList locations = service.value(key(kQMShipToLocations)).toStringList();
    QStringList names;
    for (const QVariant& entry : m_availableShipToLocations) {
        const QVariantMap location = entry.toMap();
        if (locations.contains(location.value(QStringLiteral("LocationID")).toString()))
            names << location.value(QStringLiteral("LocationName")).toString();
    }
    QString title;
    if (!service.value(key(kQMUsesShipToLocations)).toBool() || names.isEmpty())
        title = dw::localized("Same as below");
    else if (names.size() == 1)
        title = names.first();
    else
        title = dw::format(dw::localized("%d locations"), int(names.size()));
    QToolButton* button = international.rowWidgets[row].shipTo;
    button->setText(title);
    button->setToolTip(names.join(QStringLiteral(", ")));
    updateShipToMenu(row);
}

void QMShippingOptionsPanelController::showCurrentValues()
{
    m_showingValues = true;
    const QMItemShippingOptions& o = *m_currentShippingOptions;
    fillServicePopups();
    const auto selectOption = [](QComboBox* popup, qint64 option) {
        const int index = popup->findData(int(option));
        popup->setCurrentIndex(index < 0 ? 0 : index);
    };
    for (const QMShippingScope scope : {QMShippingScope::Domestic, QMShippingScope::International}) {
        ScopePart& p = part(scope);
        for (int row = 0; row < int(p.rowWidgets.size()); ++row) {
            const QVariantMap& values = p.rows.at(row);
            ServiceRowWidgets& w = p.rowWidgets[row];
            w.enabled->setChecked(values.value(kEnabled).toBool());
            w.service->setCurrentIndex(
                w.service->count() > 0
                    ? qBound(0, values.value(key(kQMShippingOptions_serviceIndex)).toInt(), w.service->count() - 1)
                    : -1);
            w.fee->setText(qm::typedTextFromStoredAmount(values.value(key(kQMShippingOptions_serviceFee)).toString()));
            w.useAdditionalFee->setChecked(values.value(key(kQMShippingOptions_useServiceAdditionalFee)).toBool());
            w.additionalFee->setText(
                qm::typedTextFromStoredAmount(values.value(key(kQMShippingOptions_serviceAdditionalFee)).toString()));
            if (w.useSurchargeFee) {
                w.useSurchargeFee->setChecked(values.value(key(kQMShippingOptions_useSurchargeFee)).toBool());
                const QVariant surcharge = values.value(key(kQMShippingOptions_surchargeFee));
                w.surchargeFee->setText(surcharge.isValid() ? qm::typedTextFromStoredAmount(surcharge.toString())
                                                            : QString());
            }
            if (w.shipTo)
                updateShipToButton(row);
        }
        p.shippingMethodMatrix->button(o.usesCalculatedShipping(scope) ? 1 : 0)->setChecked(true);
        p.handlingCostsField->setText(qm::typedTextFromStoredAmount(o.packagingHandlingCosts(scope)));
        updateShippingDiscountPopup(p.shippingDiscountPopup, o.usesCalculatedShipping(scope),
                                    o.shippingDiscountProfileID(scope));
        selectOption(p.insuranceOptionPopup, o.insuranceOption(scope));
        p.insuranceFeeField->setText(qm::typedTextFromStoredAmount(o.insuranceFee(scope)));
    }
    m_localPickupCheckbox->setChecked(o.localPickupOnly());
    m_termsSeeDescriptionCheckbox->setChecked(o.shippingTermsInDescription());
    for (int cell = 0; cell < m_shipToLocationCells.size(); ++cell) {
        m_shipToLocationCells.at(cell)->setChecked(cell < m_locationNames.size() &&
                                                   m_selectedLocationNames.contains(m_locationNames.at(cell)));
    }

    for (int i = 0; i < m_shippingPackagesPopup->count(); ++i) {
        if (m_shippingPackagesPopup->itemData(i).toLongLong() == o.shippingType())
            m_shippingPackagesPopup->setCurrentIndex(i);
    }
    m_packageLengthField->setText(qm::typedTextFromStoredMeasure(o.packageLength()));
    m_packageWidthField->setText(qm::typedTextFromStoredMeasure(o.packageWidth()));
    m_packageDepthField->setText(qm::typedTextFromStoredMeasure(o.packageDepth()));
    m_packagePoundsField->setText(qm::typedTextFromStoredMeasure(o.packagePounds()));
    m_packageOuncesField->setText(qm::typedTextFromStoredMeasure(o.packageOunces()));
    m_shipFromZipField->setText(o.shipFromZipCode());
    for (QLabel* unit : m_lengthUnitLabels)
        unit->setText(m_lengthUnit);
    m_weightMayorUnitLabel->setText(m_weightMayorUnit);
    m_weightMinorUnitLabel->setText(m_weightMinorUnit);

    for (QWidget* widget : m_additionalFeeColumn)
        widget->setVisible(m_allowsAdditionalFees);
    for (QWidget* widget : m_surchargeColumn)
        widget->setVisible(shippingSurchargeVisible());
    reloadExcludeLocations();
    m_showingValues = false;
    updateStates();
}

void QMShippingOptionsPanelController::updateStates()
{
    const QMItemShippingOptions& o = *m_currentShippingOptions;
    for (const QMShippingScope scope : {QMShippingScope::Domestic, QMShippingScope::International}) {
        ScopePart& p = part(scope);
        const bool calculated = o.usesCalculatedShipping(scope);
        for (int row = 0; row < int(p.rowWidgets.size()); ++row) {
            const QVariantMap& values = p.rows.at(row);
            ServiceRowWidgets& w = p.rowWidgets[row];
            const bool enabled = values.value(kEnabled).toBool();
            w.service->setEnabled(enabled);
            // With calculated shipping eBay works the costs out; the typed ones would not count.
            w.fee->setEnabled(enabled && !calculated);
            w.useAdditionalFee->setEnabled(enabled && !calculated);
            w.additionalFee->setEnabled(enabled && !calculated &&
                                        values.value(key(kQMShippingOptions_useServiceAdditionalFee)).toBool());
            if (w.useSurchargeFee) {
                const bool surcharge = surchargeForDomesticServiceAvailable(row);
                w.useSurchargeFee->setEnabled(surcharge);
                w.surchargeFee->setEnabled(surcharge && values.value(key(kQMShippingOptions_useSurchargeFee)).toBool());
            }
            if (w.shipTo)
                w.shipTo->setEnabled(enabled);
        }
        p.handlingCostsField->setEnabled(calculated);
        p.insuranceFeeField->setEnabled(o.needsInsuranceFee(scope));
        p.shippingDiscountPopup->setEnabled(canSelectShippingDiscount(scope));
    }
    m_packageBox->setEnabled(o.needsPackageInfo());
    // Without calculated shipping on the site, handling costs and the package mean nothing to eBay;
    // options brought from another site that use it still show them, so they can be switched off.
    const bool calculatedInUse = m_allowsCalculatedFees || o.needsPackageInfo();
    for (QWidget* widget : m_calculatedOnlyWidgets)
        widget->setVisible(calculatedInUse);
    m_mainTabView->setTabVisible(m_mainTabView->indexOf(m_packageTab), calculatedInUse);
    updateLocationMatrixCells();
}

void QMShippingOptionsPanelController::updateLocationMatrixCells()
{
    const bool destinations = canSelectShippingDestinations();
    for (int cell = 0; cell < m_shipToLocationCells.size(); ++cell) {
        QCheckBox* box = m_shipToLocationCells.at(cell);
        const bool used = cell < m_locationNames.size();
        box->setEnabled(destinations && used);
        // Cells past the site's locations keep their place in the grid but show nothing.
        QSizePolicy policy = box->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        box->setSizePolicy(policy);
        box->setVisible(used);
    }
}

void QMShippingOptionsPanelController::reloadExcludeLocations()
{
    const bool showing = m_showingValues;
    m_showingValues = true;
    m_excludeLocationsTableView->clear();
    const QVariantList locations =
        QMSiteDescriptionManager::sharedInstance().excludeLocationsForSiteID(m_siteID, m_locationFilterField->text());
    for (const QVariant& entry : locations) {
        const QVariantMap location = entry.toMap();
        const QString code = location.value(QStringLiteral("code")).toString();
        auto* item =
            new QListWidgetItem(location.value(QStringLiteral("name")).toString(), m_excludeLocationsTableView);
        item->setData(Qt::UserRole, code);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(m_excludeLocations.contains(code) ? Qt::Checked : Qt::Unchecked);
    }
    m_showingValues = showing;
    updateExcludeLocationsCount();
}

void QMShippingOptionsPanelController::updateExcludeLocationsCount()
{
    m_locationCountField->setText(excludedLocationsCountText(m_excludeLocations.size()));
}
