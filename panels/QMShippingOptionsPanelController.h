#pragma once
// The shipping options panel: up to three domestic and three international services with their
// costs, flat or calculated shipping, the package, ship-to and excluded destinations, local
// pickup and discount profiles of one listing, or the default options of a site from the
// preferences. It edits a copy; the caller decides what to do with the options it returns.
//
//     auto edited = QMShippingOptionsPanelController::runSheetForWindow(window, item->shippingOptions(),
//         sites.domesticShippingServicesForSiteID(site), sites.internationalShippingServicesForSiteID(site),
//         sites.allowedShipToLocationsForSiteID(site), sites.calculatedShippingFeesAllowedForSiteWithID(site),
//         item->quantity() > 1, site, false, {}, {});
//     if (edited)
//         item->setShippingOptions(edited);
//
// A service of the options that the site's lists do not hold (an older document, another site)
// is offered under its ID and comes back unchanged unless the seller picks another one. Amounts
// are shown and typed in the seller's locale and stored locale-independently ("4.90").
//
// Main thread; the panel runs modally on its window.

#include "model/QMItemShippingOptions.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <array>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;
class QToolButton;
class QWidget;

// What the panel is opened with: the options to edit and what the site offers.
struct QMShippingOptionsPanelParameters
{
    std::shared_ptr<QMItemShippingOptions> shippingOptions;
    // The site's service descriptions ("ServiceID", "ServiceCode", "ServiceName", "isDeprecated").
    QVariantList domesticServices;
    QVariantList internationalServices;
    // The site's ship-to locations, each {"LocationID", "LocationName"}.
    QVariantList availableShipToLocations;
    bool allowsCalculatedFees = false;
    bool allowsAdditionalFees = false;
    QString siteID;
    bool invokedFromPreferencesPanel = false;
    // Group title -> list of profiles, each answering "displayName" and "profileID".
    QVariantMap flatShippingDiscountProfiles;
    QVariantMap calculatedShippingDiscountProfiles;
};

class QMShippingOptionsPanelController : public QDialog
{
    Q_OBJECT

public:
    explicit QMShippingOptionsPanelController(const QMShippingOptionsPanelParameters& parameters,
                                              QWidget* parent = nullptr);
    ~QMShippingOptionsPanelController() override;

    // New options (never the object passed in), or null when the seller cancelled. The service
    // lists are the site's service descriptions ("ServiceID", ...). Runs modally on the window.
    static std::shared_ptr<QMItemShippingOptions>
    runSheetForWindow(QWidget* parentWindow, const std::shared_ptr<QMItemShippingOptions>& shippingOptions,
                      const QVariantList& domesticServices, const QVariantList& internationalServices,
                      const QVariantList& availableShipToLocations, bool allowsCalculatedFees,
                      bool allowsAdditionalFees, const QString& siteID, bool invokedFromPreferencesPanel,
                      const QVariantMap& flatShippingDiscountProfiles,
                      const QVariantMap& calculatedShippingDiscountProfiles);
    // The services, in order, that are not deprecated or that the options use.
    static QVariantList stripUnusedServicesFromArray(const QVariantList& services,
                                                     const QMItemShippingOptions& shippingOptions);

    // Makes a copy of the options the panel's own and shows it; installing the options already
    // installed does nothing.
    void installCurrentShippingOptions(const std::shared_ptr<QMItemShippingOptions>& options);
    // The panel's options, updated from the rows, locations and exclusions shown.
    std::shared_ptr<QMItemShippingOptions> gatheredCurrentOptions();
    // Gathers, then checks the options; tells the seller what is wrong and answers false.
    bool currentOptionsAreValid();
    // When the options are valid, stores them as the site's defaults; false when not stored.
    bool makeDefaults();
    void doOK();
    void doCancel();

    // The row dictionaries (kQMShippingOptions_ keys plus "enabled"), 0 to 2, and the services the
    // rows' pop-ups offer, of the domestic or the international tab.
    const QVariantMap& row(QMShippingScope scope, int row) const { return part(scope).rows.at(row); }
    const QVariantList& services(QMShippingScope scope) const { return part(scope).services; }
    const QVariantMap& domesticRow(int row) const { return this->row(QMShippingScope::Domestic, row); }
    const QVariantMap& internationalRow(int row) const { return this->row(QMShippingScope::International, row); }
    const QVariantList& domesticServices() const { return services(QMShippingScope::Domestic); }
    const QVariantList& internationalServices() const { return services(QMShippingScope::International); }
    const QStringList& locationNames() const { return m_locationNames; }
    const QStringList& selectedLocationNames() const { return m_selectedLocationNames; }
    const QStringList& excludeLocations() const { return m_excludeLocations; }
    const std::shared_ptr<QMItemShippingOptions>& currentShippingOptions() const { return m_currentShippingOptions; }
    const QString& lengthUnit() const { return m_lengthUnit; }
    const QString& weightMayorUnit() const { return m_weightMayorUnit; }
    const QString& weightMinorUnit() const { return m_weightMinorUnit; }

    // Derived states that enable parts of the panel.
    bool canSelectShippingDestinations() const;
    // A discount profile can be chosen when the seller has one for the tab's kind of costs.
    bool canSelectShippingDiscount(QMShippingScope scope) const;
    bool canSelectDomesticShippingDiscount() const { return canSelectShippingDiscount(QMShippingScope::Domestic); }
    bool canSelectInternationalShippingDiscount() const
    {
        return canSelectShippingDiscount(QMShippingScope::International);
    }
    bool shippingSurchargeVisible() const;
    bool surchargeForDomesticServiceAvailable(int row) const;
    bool siteRequiresDomesticShippingService() const { return m_siteRequiresDomesticShippingService; }

    // Adds the location to the international row's own ship-to locations, or removes it.
    void shipToLocationItemAction(int internationalRow, const QString& locationID);
    // The insurance pop-ups chose an option (0 not offered, 1 optional, 2 required, 3 included in
    // shipping and handling; 1 and 2 take a fee): the options take it and the fee follows.
    void insuranceOptionChanged(QMShippingScope scope, int option);
    void insuranceOptionPopupChanged(int option) { insuranceOptionChanged(QMShippingScope::Domestic, option); }
    void internationalInsuranceOptionPopupChanged(int option)
    {
        insuranceOptionChanged(QMShippingScope::International, option);
    }
    // The window's frame for a main tab: as large as that tab's own controls need (at least 500
    // wide), with the top edge and the horizontal centre of the present frame. Every change of tab
    // moves the window there, animated.
    QRect windowFrameForTab(int index);
    // The text of the excluded-destinations count for a number of excluded destinations.
    static QString excludedLocationsCountText(qsizetype count);

private:
    struct ServiceRowWidgets
    {
        QCheckBox* enabled = nullptr;
        QComboBox* service = nullptr;
        QLineEdit* fee = nullptr;
        QCheckBox* useAdditionalFee = nullptr;
        QLineEdit* additionalFee = nullptr;
        QCheckBox* useSurchargeFee = nullptr;
        QLineEdit* surchargeFee = nullptr;
        QToolButton* shipTo = nullptr;
        QMenu* shipToMenu = nullptr;
    };

    // The values and controls of one tab of services, the domestic or the international one.
    struct ScopePart
    {
        // The site's services that the rows' pop-ups offer.
        QVariantList services;
        // The row dictionaries, one per row of controls.
        QList<QVariantMap> rows;
        std::array<ServiceRowWidgets, 3> rowWidgets;
        QButtonGroup* shippingMethodMatrix = nullptr;
        QLineEdit* handlingCostsField = nullptr;
        QComboBox* shippingDiscountPopup = nullptr;
        QComboBox* insuranceOptionPopup = nullptr;
        QLineEdit* insuranceFeeField = nullptr;
    };
    ScopePart& part(QMShippingScope scope) { return m_parts[scope == QMShippingScope::International]; }
    const ScopePart& part(QMShippingScope scope) const { return m_parts[scope == QMShippingScope::International]; }

    // Building the window (QMShippingOptionsPanelController+Layout.cpp).
    void buildWindow();
    QWidget* buildServicesTab(QMShippingScope scope);
    void buildPickupAndTermsChoices(QWidget* tab, class QVBoxLayout* layout);
    void buildShipToLocationsMatrix(QWidget* tab, class QVBoxLayout* layout);
    QWidget* buildPackageTab();
    QWidget* buildExcludedDestinationsTab();
    void buildServiceRow(QMShippingScope scope, int row, class QGridLayout* grid, int line);
    QComboBox* buildInsurancePopup(QWidget* tab, const QString& objectName);
    void resizeForTab(int index);
    void connectServiceRow(QMShippingScope scope, int row);
    void fillServicePopups();
    void fillPackagesPopup();
    void fillShipToLocationsMatrix();
    void updateShippingDiscountPopup(QComboBox* popup, bool calculated, const QString& selectedProfileID);
    void updateShipToButton(int row);
    void updateShipToMenu(int row);
    void showCurrentValues();
    void updateStates();
    void updateLocationMatrixCells();
    void reloadExcludeLocations();
    void updateExcludeLocationsCount();

    void rowChanged(QMShippingScope scope, int row, const QString& key, const QVariant& value);
    void locationCellToggled(int cell, bool checked);
    void excludeLocationToggled(const QString& code, bool checked);
    void alert(const char* title, const char* message);

    std::shared_ptr<QMItemShippingOptions> m_currentShippingOptions;
    std::shared_ptr<QMItemShippingOptions> m_installedOptions;
    QVariantList m_availableShipToLocations;
    QStringList m_locationNames;
    QStringList m_selectedLocationNames;
    std::array<ScopePart, 2> m_parts;
    bool m_allowsCalculatedFees = false;
    bool m_allowsAdditionalFees = false;
    QString m_siteID;
    bool m_invokedFromPreferencesPanel = false;
    bool m_flatShippingDiscountAvailable = false;
    bool m_calculatedShippingDiscountAvailable = false;
    QVariantMap m_flatShippingDiscountProfiles;
    QVariantMap m_calculatedShippingDiscountProfiles;
    QString m_lengthUnit;
    QString m_weightMayorUnit;
    QString m_weightMinorUnit;
    bool m_siteRequiresDomesticShippingService = false;
    QStringList m_excludeLocations;
    bool m_showingValues = false;

    QTabWidget* m_mainTabView = nullptr;
    QList<QWidget*> m_additionalFeeColumn;
    QList<QWidget*> m_surchargeColumn;
    QList<QWidget*> m_calculatedOnlyWidgets;
    QWidget* m_packageTab = nullptr;
    class QPropertyAnimation* m_frameAnimation = nullptr;
    QCheckBox* m_localPickupCheckbox = nullptr;
    QCheckBox* m_termsSeeDescriptionCheckbox = nullptr;
    QWidget* m_shipToLocationsMatrix = nullptr;
    QList<QCheckBox*> m_shipToLocationCells;
    QWidget* m_packageBox = nullptr;
    QComboBox* m_shippingPackagesPopup = nullptr;
    QLineEdit* m_packageLengthField = nullptr;
    QLineEdit* m_packageWidthField = nullptr;
    QLineEdit* m_packageDepthField = nullptr;
    QLineEdit* m_packagePoundsField = nullptr;
    QLineEdit* m_packageOuncesField = nullptr;
    QLineEdit* m_shipFromZipField = nullptr;
    QList<QLabel*> m_lengthUnitLabels;
    QLabel* m_weightMayorUnitLabel = nullptr;
    QLabel* m_weightMinorUnitLabel = nullptr;
    QLineEdit* m_locationFilterField = nullptr;
    QListWidget* m_excludeLocationsTableView = nullptr;
    QLabel* m_locationCountField = nullptr;
    QPushButton* m_makeDefaultsButton = nullptr;
};
