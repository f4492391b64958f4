#pragma once
// The presenter of the document's settings pane: it fills the pane's controls from the listing
// and from the current-listing values it keeps (currency name, allowed upgrades and payment
// options, shipping controls, return-policy name, item-specifics names), and writes back what the
// seller changes in the value controls, never while it fills them. It follows the listing's
// keyChanged, so an edit made elsewhere (the preview's editor, a panel) shows at once. Which
// conditions, upgrades and payment options a listing has, and whether its shipping is simple enough
// for the pane's own controls, are the model's business rules (QMEBayBussinessLogic).
//
// The pane's command buttons (choose a category, add pictures, the shipping sheet, ...) are the
// document's: it connects them to its own commands. A value changed here marks the listing changed
// and says so (listingMarkedChanged), so that the document shows its edited mark. One per
// document, a child of it; it needs no document and no window, so tests make it with a bare pane.
// Main thread.
//
//     QMBSettingsPane pane;
//     QMBSettingsPaneController controller(&pane);
//     controller.setItem(item);
//     controller.connectSettingsPane();
//     controller.updateInterfaceForItem();

#include <QObject>
#include <QSet>
#include <QString>
#include <QVariantList>
#include <memory>

class QMBSettingsPane;
class QMEbayImage;
class QMEbayItem;

class QMBSettingsPaneController : public QObject
{
    Q_OBJECT

public:
    // The pane is the caller's and outlives the controller.
    explicit QMBSettingsPaneController(QMBSettingsPane* pane, QObject* parent = nullptr);
    ~QMBSettingsPaneController() override;

    QMBSettingsPane* pane() const { return m_pane; }
    // The listing the pane shows and edits. A new one is followed in place of the old once the pane
    // is connected; the controls are filled again by updateInterfaceForItem().
    const std::shared_ptr<QMEbayItem>& item() const { return m_item; }
    void setItem(std::shared_ptr<QMEbayItem> item);

    // Ties the value controls to the listing and follows the listing's changes. Once.
    void connectSettingsPane();
    // Every control filled from the listing again.
    void updateInterfaceForItem();
    void updateTextFields();
    void updateProductField();

    // Categories and item specifics: the category fields (paths cached in the listing) and the
    // names of the item-specifics sets, then the conditions.
    void updateInterfaceAfterCategoryChange();
    void computeAndUpdateCategoryPathFieldsForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateCategoryPathFieldsForItem(const std::shared_ptr<QMEbayItem>& item);
    void computeAndUpdateAttributeSetNamesForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateAttributeSetNamesForItem(const std::shared_ptr<QMEbayItem>& item);
    // "Category not set" for 0, the cached path, or "Category not found" (also for an empty path).
    static QString categoryFieldValueForSiteID(qint64 siteID, qint64 categoryID);

    // Pictures. The list shows before any picture is decoded: thumbnails it lacks are made off the
    // main thread and each shows as it comes (pictureThumbnailMade).
    void updatePicturesList();
    // Also while the pictures of a document just read wait for their files.
    bool makingThumbnails() const;
    // The pictures selected in the list, in list order.
    QList<std::shared_ptr<QMEbayImage>> selectedImages() const;
    void setSelectedImages(const QList<std::shared_ptr<QMEbayImage>>& pictures);

    // Current-listing values. Setters of values mark the listing changed; those of the shipping
    // values edit the listing.
    QString currentItemAttributeSetNames() const { return m_currentItemAttributeSetNames; }
    void setCurrentItemAttributeSetNames(const QString& names);
    bool currentItemAllowsAttributeRemoval() const { return m_currentItemAllowsAttributeRemoval; }
    void setCurrentItemAllowsAttributeRemoval(bool allows);
    bool currentItemHasSecondCategory() const { return m_currentItemHasSecondCategory; }
    void setCurrentItemHasSecondCategory(bool hasSecondCategory);
    QString currentItemCurrency() const { return m_currentItemCurrency; }
    void setCurrentItemCurrency(const QString& currency);
    QVariantList allowedListingEnhancements() const { return m_allowedListingEnhancements; }
    void setAllowedListingEnhancements(const QVariantList& enhancements);
    QVariantList allowedPaymentOptions() const { return m_allowedPaymentOptions; }
    void setAllowedPaymentOptions(const QVariantList& options);
    bool currentItemDomesticShippingEnabled() const { return m_currentItemDomesticShippingEnabled; }
    void setCurrentItemDomesticShippingEnabled(bool enabled);
    QString currentItemDomesticShippingFee() const { return m_currentItemDomesticShippingFee; }
    void setCurrentItemDomesticShippingFee(const QString& fee);
    int currentItemDomesticServiceIndex() const { return m_currentItemDomesticServiceIndex; }
    void setCurrentItemDomesticServiceIndex(int index);
    QString currentItemShippingSummary() const { return m_currentItemShippingSummary; }
    void setCurrentItemShippingSummary(const QString& summary);
    QVariantList currentItemAllowedServices() const { return m_currentItemAllowedServices; }
    void setCurrentItemAllowedServices(const QVariantList& services);
    QString currentReturnPolicyAcceptedName() const { return m_currentReturnPolicyAcceptedName; }
    void setCurrentReturnPolicyAcceptedName(const QString& name);

    void updateCurrencyForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateListingEnhancementsForItem(const std::shared_ptr<QMEbayItem>& item);
    void updatePaymentOptionsFieldForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateDurationPopupForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateCounterTypePopupForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateShippingControlsCurrentItem();
    void updateReturnPolicyNameForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateConditionPopupForItem(const std::shared_ptr<QMEbayItem>& item);
    // The counter chosen in the pop-up becomes the listing's.
    void takeCounterTypeFromPopup();
    // The tool tip of a listing upgrade; null for one without.
    static QString tooltipForListingEnhancement(const QString& optionID);

Q_SIGNALS:
    // A value of the pane marked the listing changed.
    void listingMarkedChanged();
    // The pane took the height of its contents again; the column that stacks it realigns.
    void paneRefitted();
    // The thumbnail of the picture file at the path was made and shows in the pictures list.
    void pictureThumbnailMade(const QString& picturePath);

private:
    void updateSettingsPaneForKey(const QString& key);
    void markListingChanged();
    void refitSettingsPane();
    // Thumbnails the pictures list lacks are made on a pool of their own, never on the main
    // thread: decoding a document's camera pictures would hold up its window.
    void makeThumbnailLater(const QMEbayImage& picture);
    void showThumbnail(const QString& picturePath, const QImage& thumbnail);
    // A current-listing value changes the listing's mark only when it really changes.
    template<class T>
    void setCurrentValue(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        markListingChanged();
    }

    QMBSettingsPane* m_pane;
    std::shared_ptr<QMEbayItem> m_item;
    QMetaObject::Connection m_itemConnection;
    bool m_connected = false;
    bool m_updatingControls = false;
    QSet<QString> m_thumbnailsInFlight;

    QString m_currentItemAttributeSetNames;
    bool m_currentItemAllowsAttributeRemoval = false;
    bool m_currentItemHasSecondCategory = false;
    QString m_currentItemCurrency;
    QVariantList m_allowedListingEnhancements;
    QVariantList m_allowedPaymentOptions;
    bool m_currentItemDomesticShippingEnabled = false;
    QString m_currentItemDomesticShippingFee;
    int m_currentItemDomesticServiceIndex = 0;
    QString m_currentItemShippingSummary;
    QVariantList m_currentItemAllowedServices;
    QString m_currentReturnPolicyAcceptedName;
};
