#pragma once
// The shipping options panel: domestic and international services, costs, package, locations,
// pickup, freight and discounts of one listing (or of the preference defaults).

#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <memory>

class QMItemShippingOptions;
class QWidget;

class QMShippingOptionsPanelController
{
public:
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
};
