// Shows the sheets that edit a listing's terms, filled as the document fills them, for looking at
// them on a screen of their own (screenshots):
//     terms_panels_preview shipping SITE [TAB]   the shipping options panel of that site, on tab 0-3
//     terms_panels_preview returns SITE          the return policy sheet
//     terms_panels_preview payment SITE          the payment options sheet
//     terms_panels_preview fees                  the fee panel of two verified listings
//     terms_panels_preview link                  the create-link sheet
#include "panels/QMCreateLinkPanelController.h"
#include "panels/QMFeePanelController.h"
#include "panels/QMOptionsWindowController.h"
#include "panels/QMReturnPolicyViewController.h"
#include "panels/QMShippingOptionsPanelController.h"

#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMSiteDescriptionManager.h"
#include "tests/support/program/PreviewProgram.h"

#include <QApplication>
#include <QTabWidget>
#include <QTimer>

namespace {

std::shared_ptr<QMItemShippingOptions> sampleOptions(const QVariantList& domestic, const QVariantList& international)
{
    auto options = std::make_shared<QMItemShippingOptions>();
    auto id = [](const QVariantList& services, int index) {
        return services.value(index).toMap().value(QStringLiteral("ServiceID")).toString();
    };
    if (domestic.size() > 1) {
        options->addDomesticShippingServiceWithID(id(domestic, 0), QStringLiteral("4.90"), true,
                                                  QStringLiteral("1.50"));
        options->addDomesticShippingServiceWithID(id(domestic, 1), QStringLiteral("12.00"), false, QStringLiteral("0"));
    }
    if (!international.isEmpty()) {
        options->addInternationalShippingServiceWithID(id(international, 0), QStringLiteral("16.99"), false,
                                                       QStringLiteral("0"));
        options->setShipToLocations({QStringLiteral("Europe"), QStringLiteral("US")});
    }
    options->setExcludeLocations({QStringLiteral("Africa"), QStringLiteral("PO Box")});
    options->setPackagePounds(QStringLiteral("1"));
    options->setPackageOunces(QStringLiteral("8"));
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dw::test::startPreviewProgram();
    const QString which = argc > 1 ? QString::fromUtf8(argv[1]) : QStringLiteral("shipping");
    const QString site = argc > 2 ? QString::fromUtf8(argv[2]) : QStringLiteral("0");
    const int tab = argc > 3 ? QString::fromUtf8(argv[3]).toInt() : 0;
    const auto& sites = QMSiteDescriptionManager::sharedInstance();

    QTimer::singleShot(0, [&] {
        if (which == QLatin1String("shipping")) {
            const QVariantList domestic = sites.domesticShippingServicesForSiteID(site);
            const QVariantList international = sites.internationalShippingServicesForSiteID(site);
            QMShippingOptionsPanelParameters parameters;
            parameters.shippingOptions = sampleOptions(domestic, international);
            parameters.domesticServices = domestic;
            parameters.internationalServices = international;
            parameters.availableShipToLocations = sites.allowedShipToLocationsForSiteID(site);
            parameters.allowsCalculatedFees = sites.calculatedShippingFeesAllowedForSiteWithID(site);
            parameters.allowsAdditionalFees = true;
            parameters.siteID = site;
            QMShippingOptionsPanelController panel(parameters);
            panel.findChild<QTabWidget*>(QStringLiteral("mainTabView"))->setCurrentIndex(tab);
            panel.exec();
        } else if (which == QLatin1String("returns")) {
            auto item = std::make_shared<QMEbayItem>();
            item->setSiteID(site.toInt());
            item->setReturnPolicyAccepted(true);
            item->setReturnPolicyDescription(QStringLiteral("Returns within 14 days in the original packaging."));
            QMReturnPolicyViewController::runSheetForItems({item}, nullptr);
        } else if (which == QLatin1String("payment")) {
            QMOptionsWindowController::runSheetForWindow(
                nullptr, {QStringLiteral("PayPalAccepted"), QStringLiteral("COD")},
                sites.allowedPaymentOptionsForSiteID(site.toLongLong()), false);
        } else if (which == QLatin1String("fees")) {
            const QVariantMap fees{
                {QStringLiteral("A"),
                 QVariantMap{{QStringLiteral("uniqueID"), QStringLiteral("A")},
                             {QStringLiteral("title"), QStringLiteral("Brass table lamp, 1920s, working")},
                             {QStringLiteral("Insertion Fee"), QStringLiteral("US Dollar 0.50")},
                             {QStringLiteral("GalleryPlus Fee"), QStringLiteral("US Dollar 0.35")},
                             {QStringLiteral("Subtitle Fee"), QStringLiteral("US Dollar 0.50")},
                             {QStringLiteral("Listing Fee"), QStringLiteral("US Dollar 1.35")}}},
                {QStringLiteral("B"),
                 QVariantMap{{QStringLiteral("uniqueID"), QStringLiteral("B")},
                             {QStringLiteral("title"), QStringLiteral("Canon AE-1 Program")},
                             {QStringLiteral("Insertion Fee"), QStringLiteral("US Dollar 0.50")},
                             {QStringLiteral("ExtendedDuration Fee"), QStringLiteral("US Dollar 0.40")},
                             {QStringLiteral("AuctionLength Fee"), QStringLiteral("US Dollar 0.40")},
                             {QStringLiteral("Listing Fee"), QStringLiteral("US Dollar 0.90")}}},
            };
            QMFeePanelController::showFeePanelForFeeDictionary(fees, QStringLiteral("US Dollar 2.25"), nullptr);
        } else {
            QMCreateLinkPanelController::showCreateLinkPanelForSelectedString(QStringLiteral("our shop"), nullptr);
        }
        QCoreApplication::quit();
    });
    return app.exec();
}
