#pragma once
// The sheets and panels the document opens that run modally (category chooser, item specifics,
// shipping options, return policy, create link, fees, the error sheet, the authorization panel,
// the preferences window),
// behind a seam: by default each calls the panel's own entry point; tests install functions of
// their own, so that nothing blocks on a real dialog and they see what the document handed over.
// Main thread.
//
//     QMBDocumentPanels panels;              // every entry the real panel
//     panels.showFeePanel = [&](const QVariantMap& fees, const QString& total, QWidget*) { ... };
//     QMBDocumentPanels::ScopedInstall installed(panels);

#include "DWCoreDataEbayDataClasses/SQCategory.h"
#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

class QMEbayItem;
class QMErrorEnvelope;
class QMItemShippingOptions;
class QWidget;

struct QMBDocumentPanels
{
    QMBDocumentPanels();

    std::function<SQCategoryPtr(qint64 selectedCategoryID, qint64 siteID, QWidget* window)> showCategoryPanel;
    std::function<std::optional<QVariantMap>(
        QWidget* window, const QVariantMap& currentAttributeValues, const QStringList& characteristicSetIDs,
        const SQAttributesDatabasePtr& attributesDataBase, const SQCategoriesDatabasePtr& categoriesDataBase,
        int siteID, const std::optional<QList<SQItemSpecificPtr>>& suggestedSpecifics,
        const std::optional<QVariantMap>& initialItemSpecifics, QVariant* selectedItemSpecifics,
        const QList<std::shared_ptr<QMEbayItem>>& items)>
        showAttributePanel;
    std::function<std::shared_ptr<QMItemShippingOptions>(
        QWidget* window, const std::shared_ptr<QMItemShippingOptions>& shippingOptions,
        const QVariantList& domesticServices, const QVariantList& internationalServices,
        const QVariantList& availableShipToLocations, bool allowsCalculatedFees, bool allowsAdditionalFees,
        const QString& siteID)>
        showShippingOptionsPanel;
    std::function<bool(const QList<std::shared_ptr<QMEbayItem>>& items, QWidget* window)> showReturnPolicySheet;
    std::function<QString(const QString& selectedString, QWidget* window)> showCreateLinkPanel;
    std::function<void(const QVariantMap& fees, const QString& totalFee, QWidget* window)> showFeePanel;
    std::function<void(const std::shared_ptr<QMErrorEnvelope>& errors, QWidget* window)> displayErrorPanel;
    std::function<void(const QString& accountName, const QString& accountID, QWidget* window)> showTokenPanel;
    // The preferences window at its picture-server pane.
    std::function<void(QWidget* window)> showImageServicePreferences;

    // The functions in use: the installed ones, else the real panels.
    static const QMBDocumentPanels& current();

    class ScopedInstall
    {
    public:
        explicit ScopedInstall(const QMBDocumentPanels& panels);
        ~ScopedInstall();
        ScopedInstall(const ScopedInstall&) = delete;
        ScopedInstall& operator=(const ScopedInstall&) = delete;

    private:
        const QMBDocumentPanels* m_previous;
    };
};
