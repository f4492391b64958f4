#include "shell/QMBDocument.h"

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/QMAlertPanels.h"
#include "DWKit/gui/NSImage+DWExtensions.h"
#include "Operations/QMOperationManager.h"
#include "description/QMPreviewImageCache.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayImageTransformerHooks.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMSiteDescriptionManager.h"
#include "platform/core/Localization.h"
#include "productsearch/QMProductSearchPanelController.h"
#include "shell/QMBAppController.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBDocumentPanels.h"
#include "shell/QMBFileChooser.h"
#include "shell/QMBSettingsPane.h"
#include "shell/QMBSettingsPaneController.h"

#include <QFile>
#include <QImageReader>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

namespace {

bool confirm(QWidget* window, const char* title, const char* text, const char* defaultButton)
{
    dw::AlertRequest alert;
    alert.messageText = dw::localized(title);
    alert.informativeText = dw::localized(text);
    alert.parentWindow = window;
    return dw::runAlertPanel(alert, dw::localized(defaultButton), dw::localized("Cancel"), QString()) == 1;
}

void inform(QWidget* window, const char* title, const char* text)
{
    dw::AlertRequest alert;
    alert.messageText = dw::localized(title);
    alert.informativeText = dw::localized(text);
    alert.parentWindow = window;
    dw::runAlertPanel(alert, dw::localized("OK"), QString(), QString());
}

// The picture file types Qt can read, for the open sheet.
QString pictureNameFilter()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    return dw::localized("Pictures (%1)").arg(patterns.join(u' '));
}

} // namespace

void QMBDocument::choosePrimaryCategory()
{
    letUserSelectCategoryField(0, m_item);
}

void QMBDocument::chooseSecondaryCategory()
{
    letUserSelectCategoryField(1, m_item);
}

void QMBDocument::removeCategory2()
{
    m_item->setCategory2(0);
    setItemWasChanged(true);
    updateInterfaceAfterCategoryChange();
}

void QMBDocument::editItemAttributes()
{
    const auto manager = QMCategoryDataManager::sharedQMCategoryDataManager();
    const qint64 siteID = m_item->siteID();
    if (!manager->completeDataAvailableForSiteID(siteID)) {
        if (confirm(this, "Missing Attributes Data",
                    "Quillmart could not find the attributes data for the selected eBay site. Do you want to download "
                    "it now?",
                    "Download")) {
            if (const auto controller = QMBAppController::shared())
                controller->downloadMissingeBayDataForSiteID(siteID);
        }
        return;
    }
    const QList<qint64> categoryIDs = QMBDocument::categoryIDsOf(*m_item);
    QStringList setIDs;
    if (!categoryIDs.isEmpty()) {
        for (qint64 id : manager->characteristicSetIDsForCategoryIDs(categoryIDs, siteID))
            setIDs << QString::number(id);
    }
    std::optional<QList<SQItemSpecificPtr>> suggested;
    if (m_item->canUseCustomSpecifics())
        suggested = manager->sortedSuggestedCustomItemSpecificsForCategoryIDs(categoryIDs, siteID);
    if (setIDs.isEmpty() && !suggested) {
        inform(this, "No Attribute Set Found", "For the selected categories, no attibute sets could be found.");
        return;
    }
    QVariant selectedSpecifics;
    const auto result = QMBDocumentPanels::current().showAttributePanel(
        this, m_item->attributeSets(), setIDs, manager->attributesDatabaseForForSiteID(siteID),
        manager->categoriesDatabaseForForSiteID(siteID), int(siteID), suggested, m_item->customItemSpecifics(),
        &selectedSpecifics, {m_item});
    if (!result)
        return;
    m_item->setAttributeSets(*result);
    m_item->setCustomItemSpecifics(selectedSpecifics.toMap());
    updateAttributeSetNamesForItem(m_item);
    setItemWasChanged(true);
    updateAuctionWebViewForItem(m_item);
}

void QMBDocument::removeAttributes()
{
    if (!confirm(this, "Remove Template Attributes",
                 "Are you sure you want to remove all the attributes information for the selected template?",
                 "Remove Attributes"))
        return;
    m_item->removeAttributes();
    m_item->setCustomItemSpecifics(QVariantMap());
    // The names shown stay those of the categories' sets; only the values are gone.
    updateAttributeSetNamesForItem(m_item);
    m_settingsPaneController->setCurrentItemAllowsAttributeRemoval(false);
    setItemWasChanged(true);
}

void QMBDocument::getFeesFromEBay()
{
    verifyItemWithEBay(m_item, true);
}

void QMBDocument::verifyAuction()
{
    verifyItemWithEBay(m_item, false);
}

void QMBDocument::startAuction()
{
    startTemplates({m_item}, true);
}

void QMBDocument::addImage()
{
    const QStringList paths =
        QMBFileChooser::chooseFilesToOpen(this, dw::localized("Add Pictures"), pictureNameFilter(), true);
    for (const QString& path : paths)
        addAndBackupImageImageURL(QUrl::fromLocalFile(path).toString());
    reloadAuctionPreview();
}

void QMBDocument::showMediaBrowserAction()
{
    if (const auto controller = QMBAppController::shared())
        controller->toggleMediaBrowser();
    else
        addImage();
}

void QMBDocument::reloadAuctionPreview()
{
    updateAuctionWebViewForItem(m_item);
}

void QMBDocument::showShippingOptionsPanel()
{
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const QString site = QString::number(m_item->siteID());
    const auto options = QMBDocumentPanels::current().showShippingOptionsPanel(
        this, m_item->shippingOptions(), sites.domesticShippingServicesForSiteID(site),
        sites.internationalShippingServicesForSiteID(site), sites.allowedShipToLocationsForSiteID(site),
        sites.calculatedShippingFeesAllowedForSiteWithID(site), m_item->useQuantity() && m_item->quantity() > 1, site);
    if (!options)
        return;
    m_item->setShippingOptions(options);
    setItemWasChanged(true);
    updateShippingControlsCurrentItem();
}

void QMBDocument::webviewAddSubtitleAction()
{
    if (!m_item->subTitle().isEmpty())
        return;
    m_item->setSubTitle(dw::localized("Subtitle"));
    reloadAuctionPreview();
}

void QMBDocument::webviewRemoveSubtitleAction()
{
    m_item->setSubTitle(QString());
    reloadAuctionPreview();
}

void QMBDocument::webviewInsertLinkAction()
{
    if (m_item->itemDescriptionAsString().isEmpty())
        return;
    const QString link = QMBDocumentPanels::current().showCreateLinkPanel(selectedDescriptionString(), this);
    if (!link.isEmpty())
        replaceDescriptionSelectionWithMarkup(QStringLiteral(" %1 ").arg(link));
}

void QMBDocument::deleteImageFromRepresendetObject(const std::shared_ptr<QMEbayImage>& picture)
{
    if (!picture)
        return;
    removeeBayImages({picture});
    reloadAuctionPreview();
}

void QMBDocument::makeGalleryImage()
{
    const auto selected = m_settingsPaneController->selectedImages();
    if (selected.isEmpty())
        return;
    m_item->toggleGalleryImage(selected.first());
    setItemWasChanged(true);
    m_settingsPaneController->updatePicturesList();
    updateListingEnhancementsForItem(m_item);
    reloadAuctionPreview();
}

bool QMBDocument::pictureFileIsShared(const QString& path) const
{
    for (const QMBDocument* other : QMBDocumentController::sharedDocumentController().documents()) {
        if (other == this)
            continue;
        for (const auto& picture : other->item()->images()) {
            if (picture->isFileBased() && picture->imageFilePath() == path)
                return true;
        }
    }
    return false;
}

void QMBDocument::rotateImages(int tag)
{
    // Tag 0 turns clockwise, any other counter-clockwise (the kit's angles turn counter-clockwise).
    const double angle = tag != 0 ? 90.0 : -90.0;
    for (const auto& picture : m_settingsPaneController->selectedImages()) {
        if (picture->isURLBased())
            continue;
        const QString path = picture->imageFilePath();
        // A file that cannot be read as a picture is left as it is: writing back what did not
        // decode would replace the seller's file with an empty picture.
        const QImage image(path);
        if (image.isNull())
            continue;
        // Documents that show the same bytes share one copy of them: turning the picture in one
        // must not turn it in the others, so the turned picture goes to a file of its own.
        QString target = path;
        if (pictureFileIsShared(path)) {
            target = QMEbayImageTransformerHooks::installed()->uniqueTemporaryJPEGImageFileName();
            if (target.isNull())
                continue;
        }
        if (!dw::writeAsJPEGToPath(dw::rotateByAngle(image, angle), target))
            continue;
        if (target != path) {
            picture->setImageFilePath(target);
            picture->setThumbFilePath(QString());
        } else if (!picture->storedThumbFilePath().isEmpty()) {
            // The thumbnail file shows the picture as it was. One made beside the picture is
            // removed, so that the pictures list makes it again from the turned picture; any other
            // (not ours to rewrite) is let go, and the list makes a thumbnail in memory.
            const QString thumbnail = picture->thumbFilePath();
            if (thumbnail == QMEbayImage::thumbnailPathForImageAtPath(path))
                QFile::remove(thumbnail);
            else
                picture->setThumbFilePath(QString());
        }
        // The preview's scaled copy shows the picture as it was.
        QMPreviewImageCache::sharedCache().removeValidImageID(path);
        picture->setImage(QImage());
        picture->setThumbImage(QImage());
        picture->unloadImage();
    }
    setItemWasChanged(true);
    m_settingsPaneController->updatePicturesList();
    reloadAuctionPreview();
}

void QMBDocument::layoutNameChangedInThumbnailView(const QString& layoutName)
{
    m_item->setDesignLayoutName(layoutName);
    reloadAuctionPreview();
}

void QMBDocument::editReturnPoliciesAction()
{
    if (!QMBDocumentPanels::current().showReturnPolicySheet({m_item}, this))
        return;
    updateReturnPolicyNameForItem(m_item);
    setItemWasChanged(true);
}

void QMBDocument::counterPopupAction()
{
    m_settingsPaneController->takeCounterTypeFromPopup();
}

void QMBDocument::showPreFilledPanel()
{
    if (!defaultItemValidator().checkIfTokenExists())
        return;
    const QList<qint64> categoryIDs = QMBDocument::categoryIDsOf(*m_item);
    const bool catalogEnabled =
        !categoryIDs.isEmpty() && !QMCategoryDataManager::sharedQMCategoryDataManager()
                                       ->searchCharacteristicSetsForCategoryIDs(categoryIDs, m_item->siteID())
                                       .isEmpty();
    if (!catalogEnabled) {
        inform(this, "No catalog information available",
               "You cannot link your listing with a product from eBay's catalog, because the selected categories are "
               "not catalog-enabled.");
        return;
    }
    QPointer<QMBDocument> self(this);
    QMProductSearchPanelController::showPanelForItem(
        m_item,
        [self](const std::shared_ptr<QMEbayItem>& item, const QStringList& queryStrings) {
            if (self)
                self->defaultOperationManager()->addGetProductSearchResultsOperationForItem(*item, queryStrings);
        },
        this,
        [self](const QList<std::shared_ptr<QMEbayItem>>& changed) {
            if (self && !changed.isEmpty()) {
                self->setItemWasChanged(true);
                self->m_settingsPaneController->updateProductField();
                self->reloadAuctionPreview();
            }
        });
}

void QMBDocument::removeProductInfo()
{
    if (!confirm(this, "Remove Product", "Are you sure you want to remove all the product information for item?",
                 "Remove"))
        return;
    m_item->setProductID(QString());
    m_item->setListWithProductID(false);
    m_item->setPrefilledProductTitle(QString());
    setItemWasChanged(true);
}

void QMBDocument::connectSettingsPaneCommands()
{
    QMBSettingsPane* pane = m_settingsPane;
    connect(pane->categoryButton, &QPushButton::clicked, this, &QMBDocument::choosePrimaryCategory);
    connect(pane->category2Button, &QPushButton::clicked, this, &QMBDocument::chooseSecondaryCategory);
    connect(pane->removeCategory2Button, &QToolButton::clicked, this, &QMBDocument::removeCategory2);
    connect(pane->editAttributesButton, &QPushButton::clicked, this, &QMBDocument::editItemAttributes);
    connect(pane->removeAttributesButton, &QToolButton::clicked, this, &QMBDocument::removeAttributes);
    connect(pane->productSearchButton, &QPushButton::clicked, this, &QMBDocument::showPreFilledPanel);
    connect(pane->removeProductButton, &QToolButton::clicked, this, &QMBDocument::removeProductInfo);
    connect(pane->addImageButton, &QPushButton::clicked, this, &QMBDocument::addImage);
    connect(pane->removeImageButton, &QToolButton::clicked, this, [this] {
        if (removeeBayImages(m_settingsPaneController->selectedImages()))
            reloadAuctionPreview();
    });
    connect(pane->galleryImageButton, &QToolButton::clicked, this, &QMBDocument::makeGalleryImage);
    connect(pane->rotateClockwiseButton, &QToolButton::clicked, this, [this] { rotateImages(0); });
    connect(pane->rotateCounterClockwiseButton, &QToolButton::clicked, this, [this] { rotateImages(1); });
    connect(pane->mediaBrowserButton, &QPushButton::clicked, this, &QMBDocument::showMediaBrowserAction);
    connect(pane->shippingOptionsButton, &QPushButton::clicked, this, &QMBDocument::showShippingOptionsPanel);
    connect(pane->returnPolicyButton, &QPushButton::clicked, this, &QMBDocument::editReturnPoliciesAction);
}
