#include "panels/QMShippingOptionsPanelController.h"

#include "model/QMEBayBussinessLogic.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"

#include "platform/core/AlertPresenter.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

namespace {

const QString kEnabled = QStringLiteral("enabled");
const QString kServiceID = QStringLiteral("ServiceID");

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

QString text(const QVariant& value)
{
    return value.toString();
}

// A fee that the row does not hold goes to the options as "0".
QString feeOrZero(const QVariantMap& row, const char* name)
{
    const QString fee = row.value(key(name)).toString();
    return fee.isEmpty() ? QStringLiteral("0") : fee;
}

QString serviceIDAt(const QVariantList& services, const QVariantMap& row)
{
    const int index = row.value(key(kQMShippingOptions_serviceIndex)).toInt();
    if (index < 0 || index >= services.size())
        return QString();
    return text(services.at(index).toMap().value(kServiceID));
}

// A service the site's list does not hold (a document of an older version or of another site)
// stays selectable under its ID, so that saving the panel does not swap it for the first service.
void addUnknownService(QVariantList& services, const QString& serviceID)
{
    if (serviceID.isEmpty() || QMSiteDescriptionManager::hasOfShippingServiceWithID(serviceID, services))
        return;
    services << QVariantMap{
        {kServiceID, serviceID},
        {QStringLiteral("ServiceCode"), QString()},
        {QStringLiteral("ServiceName"), dw::format(dw::localized("Unknown service (ID %@)"), serviceID)},
    };
}

// The panel's dictionary of a row of the options (a disabled row with no service past their last
// one). The site's list of services takes an unknown service of the row.
QVariantMap installedRow(QMShippingScope scope, const QMItemShippingOptions& o, int i, QVariantList& services)
{
    const bool domestic = scope == QMShippingScope::Domestic;
    if (i >= o.shippingServiceCount(scope)) {
        QVariantMap row{{kEnabled, false},
                        {key(kQMShippingOptions_serviceIndex), 0},
                        {key(kQMShippingOptions_serviceFee), QStringLiteral("0")},
                        {key(kQMShippingOptions_useServiceAdditionalFee), false},
                        {key(kQMShippingOptions_serviceAdditionalFee), QStringLiteral("0")}};
        if (domestic) {
            row.insert(key(kQMShippingOptions_useSurchargeFee), false);
            row.insert(key(kQMShippingOptions_surchargeFee), QStringLiteral("0"));
        } else {
            row.insert(key(kQMShipToLocations), QStringList());
        }
        return row;
    }
    const QString id = o.idOfShippingServiceAtIndex(scope, i);
    addUnknownService(services, id);
    const QString fee = o.feeForShippingServiceAtIndex(scope, i);
    const QString additional = o.additionalFeeForShippingServiceAtIndex(scope, i);
    QVariantMap row{
        {kEnabled, true},
        {key(kQMShippingOptions_serviceIndex),
         int(QMSiteDescriptionManager::indexOfShippingServiceWithID(id, services))},
        {key(kQMShippingOptions_serviceFee), fee},
        {key(kQMShippingOptions_useServiceAdditionalFee), o.usesAdditionalFeeForShippingServiceAtIndex(scope, i)},
        {key(kQMShippingOptions_serviceAdditionalFee), additional.isNull() ? fee : additional}};
    if (domestic) {
        row.insert(key(kQMShippingOptions_useSurchargeFee), o.usesSurchargeFeeForDomesticShippingServiceAtIndex(i));
        const QString surcharge = o.surchargeFeeForDomesticShippingServiceAtIndex(i);
        if (!surcharge.isNull())
            row.insert(key(kQMShippingOptions_surchargeFee), surcharge);
    } else {
        row.insert(key(kQMUsesShipToLocations), o.usesSpecialShipToLocationsForInternationalServiceAtIndex(i));
        row.insert(key(kQMShipToLocations), o.shipToLocationsForInternationalServiceAtIndex(i));
    }
    return row;
}

} // namespace

QMShippingOptionsPanelController::QMShippingOptionsPanelController(const QMShippingOptionsPanelParameters& parameters,
                                                                   QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("shippingOptionsPanel"));
    setWindowTitle(dw::localized("Shipping Options"));
    const auto options =
        parameters.shippingOptions ? parameters.shippingOptions : std::make_shared<QMItemShippingOptions>();

    part(QMShippingScope::Domestic).services = stripUnusedServicesFromArray(parameters.domesticServices, *options);
    part(QMShippingScope::International).services =
        stripUnusedServicesFromArray(parameters.internationalServices, *options);
    m_availableShipToLocations = parameters.availableShipToLocations;
    m_allowsCalculatedFees = parameters.allowsCalculatedFees;
    // The site is known before the options are installed: installing asks the site's rules.
    m_siteID = parameters.siteID;
    m_invokedFromPreferencesPanel = parameters.invokedFromPreferencesPanel;
    m_allowsAdditionalFees = parameters.allowsAdditionalFees;
    m_flatShippingDiscountProfiles = parameters.flatShippingDiscountProfiles;
    m_calculatedShippingDiscountProfiles = parameters.calculatedShippingDiscountProfiles;
    m_flatShippingDiscountAvailable = !m_flatShippingDiscountProfiles.isEmpty();
    m_calculatedShippingDiscountAvailable = !m_calculatedShippingDiscountProfiles.isEmpty();

    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const qint64 site = dw::integerValue(m_siteID);
    if (sites.metricShippingUnitsUsedOnSiteWithID(site)) {
        m_weightMayorUnit = QStringLiteral("kg");
        m_weightMinorUnit = QStringLiteral("g");
        m_lengthUnit = QStringLiteral("cm");
    } else {
        m_weightMayorUnit = dw::localized("lbs.");
        m_weightMinorUnit = dw::localized("oz.");
        m_lengthUnit = dw::localized("inch");
    }
    m_siteRequiresDomesticShippingService = sites.oneDomesticShippingServiceRequiredOnSiteWithID(site);

    buildWindow();
    installCurrentShippingOptions(options);
    resizeForTab(0);
}

void QMShippingOptionsPanelController::insuranceOptionChanged(QMShippingScope scope, int option)
{
    m_currentShippingOptions->setInsuranceOption(scope, option);
    m_currentShippingOptions->setNeedsInsuranceFee(scope, true);
    updateStates();
}

QMShippingOptionsPanelController::~QMShippingOptionsPanelController() = default;

std::shared_ptr<QMItemShippingOptions> QMShippingOptionsPanelController::runSheetForWindow(
    QWidget* parentWindow, const std::shared_ptr<QMItemShippingOptions>& shippingOptions,
    const QVariantList& domesticServices, const QVariantList& internationalServices,
    const QVariantList& availableShipToLocations, bool allowsCalculatedFees, bool allowsAdditionalFees,
    const QString& siteID, bool invokedFromPreferencesPanel, const QVariantMap& flatShippingDiscountProfiles,
    const QVariantMap& calculatedShippingDiscountProfiles)
{
    QMShippingOptionsPanelController panel({.shippingOptions = shippingOptions,
                                            .domesticServices = domesticServices,
                                            .internationalServices = internationalServices,
                                            .availableShipToLocations = availableShipToLocations,
                                            .allowsCalculatedFees = allowsCalculatedFees,
                                            .allowsAdditionalFees = allowsAdditionalFees,
                                            .siteID = siteID,
                                            .invokedFromPreferencesPanel = invokedFromPreferencesPanel,
                                            .flatShippingDiscountProfiles = flatShippingDiscountProfiles,
                                            .calculatedShippingDiscountProfiles = calculatedShippingDiscountProfiles},
                                           parentWindow);
    panel.setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);
    if (panel.exec() != QDialog::Accepted)
        return nullptr;
    return panel.gatheredCurrentOptions();
}

QVariantList
QMShippingOptionsPanelController::stripUnusedServicesFromArray(const QVariantList& services,
                                                               const QMItemShippingOptions& shippingOptions)
{
    QVariantList kept;
    for (const QVariant& entry : services) {
        const QVariantMap service = entry.toMap();
        if (!service.value(key(kQMShippingOptions_isDeprecated)).toBool() ||
            shippingOptions.usesShippingServiceWithID(dw::integerValue(text(service.value(kServiceID)))))
            kept << entry;
    }
    return kept;
}

void QMShippingOptionsPanelController::installCurrentShippingOptions(
    const std::shared_ptr<QMItemShippingOptions>& options)
{
    if (!options || options == m_installedOptions)
        return;
    m_installedOptions = options;
    m_currentShippingOptions = options->copy();
    const QMItemShippingOptions& o = *m_currentShippingOptions;

    for (const QMShippingScope scope : {QMShippingScope::Domestic, QMShippingScope::International}) {
        ScopePart& p = part(scope);
        p.rows.clear();
        for (int i = 0; i < int(p.rowWidgets.size()); ++i)
            p.rows << installedRow(scope, o, i, p.services);
    }

    m_locationNames.clear();
    m_selectedLocationNames.clear();
    for (const QVariant& entry : m_availableShipToLocations) {
        const QVariantMap location = entry.toMap();
        const QString name = text(location.value(QStringLiteral("LocationName")));
        m_locationNames << name;
        if (o.shipToLocations().contains(text(location.value(QStringLiteral("LocationID")))))
            m_selectedLocationNames << name;
    }

    if (m_siteRequiresDomesticShippingService)
        m_currentShippingOptions->setShippingTermsInDescription(false);
    m_excludeLocations = o.excludeLocations();

    showCurrentValues();
}

std::shared_ptr<QMItemShippingOptions> QMShippingOptionsPanelController::gatheredCurrentOptions()
{
    QMItemShippingOptions& o = *m_currentShippingOptions;
    for (const QMShippingScope scope : {QMShippingScope::Domestic, QMShippingScope::International}) {
        const ScopePart& p = part(scope);
        o.removeAllServices(scope);
        for (const QVariantMap& row : p.rows) {
            if (!row.value(kEnabled).toBool())
                continue;
            const QString id = serviceIDAt(p.services, row);
            if (id.isEmpty())
                continue;
            const QString fee = feeOrZero(row, kQMShippingOptions_serviceFee);
            const bool useAdditionalFee = row.value(key(kQMShippingOptions_useServiceAdditionalFee)).toBool();
            const QString additionalFee = feeOrZero(row, kQMShippingOptions_serviceAdditionalFee);
            if (scope == QMShippingScope::Domestic) {
                o.addDomesticShippingServiceWithID(id, fee, useAdditionalFee, additionalFee,
                                                   row.value(key(kQMShippingOptions_useSurchargeFee)).toBool(),
                                                   feeOrZero(row, kQMShippingOptions_surchargeFee));
                continue;
            }
            o.addInternationalShippingServiceWithID(id, fee, useAdditionalFee, additionalFee);
            const qsizetype index = o.internationalShippingServiceCount() - 1;
            o.setUsesSpecialShipToLocations(row.value(key(kQMUsesShipToLocations)).toBool(), index);
            o.setShipToLocations(row.value(key(kQMShipToLocations)).toStringList(), index);
        }
    }

    QStringList shipTo;
    for (const QString& name : m_selectedLocationNames) {
        for (const QVariant& entry : m_availableShipToLocations) {
            const QVariantMap location = entry.toMap();
            if (text(location.value(QStringLiteral("LocationName"))) == name) {
                shipTo << text(location.value(QStringLiteral("LocationID")));
                break;
            }
        }
    }
    o.setShipToLocations(shipTo);
    o.setExcludeLocations(m_excludeLocations);
    return m_currentShippingOptions;
}

void QMShippingOptionsPanelController::alert(const char* title, const char* message)
{
    dw::AlertRequest request;
    request.messageText = dw::localized(title);
    request.informativeText = dw::localized(message);
    request.buttons = {dw::localized("OK")};
    request.parentWindow = this;
    dw::alertPresenter().runModal(request);
}

bool QMShippingOptionsPanelController::currentOptionsAreValid()
{
    const QMItemShippingOptions& o = *gatheredCurrentOptions();
    if (o.localPickupOnly())
        return true;
    if (o.internationalShippingServiceCount() > 0 && o.shipToLocations().isEmpty()) {
        alert("Missing Shipping Destination", "If you are offering international shipping services, you have to "
                                              "specify at least one international shipping destination.");
        return false;
    }
    if (o.usesCalculatedShipping() && o.shipFromZipCode().isEmpty()) {
        alert("Missing ZIP Code", "Please specify an originating ZIP Code if you want to use calculated shipping.");
        return false;
    }
    if (o.usesCalculatedShipping() && (o.packagePounds().isEmpty() || o.packageOunces().isEmpty() ||
                                       dw::doubleValue(o.packagePounds()) + dw::doubleValue(o.packageOunces()) == 0)) {
        alert("Missing Package Weight", "Please specify the package weight if you want to use calculated shipping.");
        return false;
    }
    if (o.hasDuplicatedService()) {
        alert("Duplicated shipping service",
              "Each domestic or international shipping service can only be specified once.");
        return false;
    }
    if (o.hasDomesticShippingServiceWithID(kQMFreightShippingServiceID) && !o.isFreightShipping()) {
        dw::AlertRequest request;
        request.messageText = dw::localized("Freight Shipping Warning");
        request.informativeText =
            dw::localized("You have selected a special freight shipping mode which might not be combined with other "
                          "shipping services. eBay therefore might reject your listing. Do you want to continue?");
        request.buttons = {dw::localized("Continue"), dw::localized("Cancel")};
        request.parentWindow = this;
        return dw::alertPresenter().runModal(request).buttonIndex == 0;
    }
    return true;
}

bool QMShippingOptionsPanelController::makeDefaults()
{
    if (!currentOptionsAreValid())
        return false;
    if (QMPreferencesManager::sharedInstance().setDefaultShippingOptions(gatheredCurrentOptions()->copy(), m_siteID))
        return true;
    // The store reports nothing itself; the seller must not believe the defaults were kept.
    alert("Could Not Save Defaults", "The default shipping options could not be saved.");
    return false;
}

void QMShippingOptionsPanelController::doOK()
{
    if (currentOptionsAreValid())
        accept();
}

void QMShippingOptionsPanelController::doCancel()
{
    reject();
}

bool QMShippingOptionsPanelController::canSelectShippingDestinations() const
{
    if (m_currentShippingOptions->shippingTermsInDescription())
        return true;
    for (const QVariantMap& row : part(QMShippingScope::International).rows) {
        if (row.value(kEnabled).toBool())
            return true;
    }
    return false;
}

bool QMShippingOptionsPanelController::canSelectShippingDiscount(QMShippingScope scope) const
{
    return m_currentShippingOptions->usesCalculatedShipping(scope) ? m_calculatedShippingDiscountAvailable
                                                                   : m_flatShippingDiscountAvailable;
}

bool QMShippingOptionsPanelController::shippingSurchargeVisible() const
{
    return QMEBayBussinessLogic::shippingSurchargeAvailableOnSiteWithID(dw::integerValue(m_siteID),
                                                                        QStringLiteral("UPS"));
}

bool QMShippingOptionsPanelController::surchargeForDomesticServiceAvailable(int row) const
{
    const ScopePart& domestic = part(QMShippingScope::Domestic);
    if (row < 0 || row >= domestic.rows.size())
        return false;
    const QVariantMap& service = domestic.rows.at(row);
    const int index = service.value(key(kQMShippingOptions_serviceIndex)).toInt();
    const QString code = index >= 0 && index < domestic.services.size()
                             ? text(domestic.services.at(index).toMap().value(QStringLiteral("ServiceCode")))
                             : QString();
    return QMEBayBussinessLogic::shippingSurchargeAvailableOnSiteWithID(dw::integerValue(m_siteID), code) &&
           !m_currentShippingOptions->usesCalculatedShipping() && service.value(kEnabled).toBool() &&
           !m_currentShippingOptions->localPickupOnly();
}

void QMShippingOptionsPanelController::shipToLocationItemAction(int internationalRow, const QString& locationID)
{
    QList<QVariantMap>& rows = part(QMShippingScope::International).rows;
    if (internationalRow < 0 || internationalRow >= rows.size())
        return;
    QVariantMap& row = rows[internationalRow];
    QStringList locations = row.value(key(kQMShipToLocations)).toStringList();
    if (locations.contains(locationID))
        locations.removeAll(locationID);
    else
        locations << locationID;
    row.insert(key(kQMShipToLocations), locations);
    // A row with locations of its own ships there; without any, it ships where the listing does.
    row.insert(key(kQMUsesShipToLocations), !locations.isEmpty());
    updateShipToButton(internationalRow);
}

QString QMShippingOptionsPanelController::excludedLocationsCountText(qsizetype count)
{
    if (count == 0)
        return dw::localized("No shipping destinations excluded.");
    if (count == 1)
        return dw::localized("One shipping destination excluded.");
    return dw::format(dw::localized("%d shipping destination excluded."), int(count));
}

void QMShippingOptionsPanelController::rowChanged(QMShippingScope scope, int row, const QString& name,
                                                  const QVariant& value)
{
    if (m_showingValues)
        return;
    QList<QVariantMap>& rows = part(scope).rows;
    if (value.isValid())
        rows[row].insert(name, value);
    else
        rows[row].remove(name);
    updateStates();
}

void QMShippingOptionsPanelController::locationCellToggled(int cell, bool checked)
{
    if (m_showingValues || cell >= m_locationNames.size())
        return;
    const QString name = m_locationNames.at(cell);
    QStringList selected;
    // Kept in the order of the site's list, whatever order the seller ticks them in.
    for (const QString& location : m_locationNames) {
        if (location == name ? checked : m_selectedLocationNames.contains(location))
            selected << location;
    }
    m_selectedLocationNames = selected;
}

void QMShippingOptionsPanelController::excludeLocationToggled(const QString& code, bool checked)
{
    if (m_showingValues)
        return;
    if (checked && !m_excludeLocations.contains(code))
        m_excludeLocations << code;
    else if (!checked)
        m_excludeLocations.removeAll(code);
    updateExcludeLocationsCount();
}
