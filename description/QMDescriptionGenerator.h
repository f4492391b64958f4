#pragma once
// The description of a listing as eBay receives it and the preview shows it: the seller's text,
// the pictures, the videos and the footer, laid into the listing's design template when it uses
// one, every placeholder resolved, and a hidden version marker at the end.
//
// While a description is built the generator is the merge object of the template engine, so its
// keys are what designs and descriptions may ask for: description, item, auctionImages,
// auctionImageURLs, auctionImageCaptions, allAuctionImagesExceptFirst, imageStartElement,
// imageEndElement, preferences (a few harmless settings, never credentials), textblocks,
// QMLayoutNotDefined, QMLayoutEnabled_<Layout>, forEditingPreview and showAllImages.
//
//     QString html = QMDescriptionGenerator::descriptionForItem(item, true, true, true, true,
//                                                               false, false, true);
//
// Main thread. A listing without a unique ID is a programming error (DW_ASSERT).

#include "description/MiscMerge/MiscMergeValues.h"

#include "platform/core/KeyValueCoding.h"

#include <QString>
#include <memory>

class QMEbayItem;
class QMEbayImage;

// The drop-zone wrapper of a picture in the editing preview.
extern const char* const kQMDescriptionDropableImageStartElement;
extern const char* const kQMDescriptionDropableImageEndElement;

class QMDescriptionGenerator : public dw::KeyValueCoding,
                               public MiscMergeKeyedObject,
                               public std::enable_shared_from_this<QMDescriptionGenerator>
{
public:
    QMDescriptionGenerator() = default;

    // The only entry point other code calls.
    static QString descriptionForItem(const std::shared_ptr<QMEbayItem>& item, bool includeImages, bool includingVideos,
                                      bool includeFooter, bool includeDesignTemplate, bool forEditingPreview,
                                      bool useCache, bool resolveSecondaryPlaceholders);

    // Makes the generator what the add-item request builder sends to eBay (through the model's
    // QMItemDescriptionSource): pictures, videos, footer and design included, secondary
    // placeholders resolved. Once per process is enough; later calls do nothing.
    static void installAsItemDescriptionSource();

    // The description without design template for the generator's item.
    QString descriptionIncludingImages(bool includeImages, bool includingVideos, bool includeFooter) const;

    // The generator building a description of the listing on this thread, if any.
    static void setDescriptionGenerator(QMDescriptionGenerator* generator, const QMEbayItem& item);
    static void removeDescriptionGeneratorForItem(const QMEbayItem& item);
    static QMDescriptionGenerator* descriptionGeneratorForItem(const QMEbayItem& item);

    // The hidden version marker appended to every description.
    static QString quillmartIndicatorString();
    // The product-page link in the default footer, replaced by the store link on most sites.
    static QString productPageAnchor();

    const QString& description() const { return m_description; }
    void setDescription(const QString& description) { m_description = description; }
    const std::shared_ptr<QMEbayItem>& item() const { return m_item; }
    void setItem(std::shared_ptr<QMEbayItem> item) { m_item = std::move(item); }
    bool forEditingPreview() const { return m_forEditingPreview; }
    void setForEditingPreview(bool value) { m_forEditingPreview = value; }
    bool showAllImages() const { return m_showAllImages; }
    void setShowAllImages(bool value) { m_showAllImages = value; }

    QList<std::shared_ptr<QMEbayImage>> auctionImages() const;
    QStringList auctionImageURLs() const;

    QVariant valueForKey(const QString& key) const override;
    bool setValueForKey(const QVariant&, const QString&) override { return false; }
    bool hasMiscMergeKey(const QString& key) const override;

private:
    QString merge(const QString& text, const QString& start, const QString& end);

    QString m_description;
    std::shared_ptr<QMEbayItem> m_item;
    bool m_forEditingPreview = false;
    bool m_showAllImages = false;
};
