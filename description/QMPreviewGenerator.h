#pragma once
// The preview page of a listing as the document window shows it: the page template merged with
// the listing's fields, its description in its design template, its pictures, its item specifics
// and its shipping costs, as a buyer will see the listing on eBay.
//
// One generator serves one build of the page: made for the listing (which prepares scaled local
// copies of the picture files and the item-specifics rows), asked for htmlPreview(), dropped.
// While the page is merged the generator is the merge object of the template engine, so its keys
// (see valueForKey) are what the page template may ask for; a key beginning with "QM" is a text of
// the page, looked up in the table "ManualLocalizable".
//
// The listing itself is never changed: the page shows a copy of it whose pictures carry the
// addresses of their preview copies, and pictureForPageAddress() leads from an address in the
// page back to the listing's own picture.
//
//     auto generator = QMPreviewGenerator::previewGeneratorForItem(item);
//     view->loadPreviewHTML(generator->htmlPreview());
//
// Main thread.

#include "description/MiscMerge/MiscMergeValues.h"

#include "platform/core/KeyValueCoding.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>

class QMEbayImage;
class QMEbayItem;

class QMPreviewGenerator : public dw::KeyValueCoding,
                           public MiscMergeKeyedObject,
                           public std::enable_shared_from_this<QMPreviewGenerator>
{
public:
    static std::shared_ptr<QMPreviewGenerator> previewGeneratorForItem(const std::shared_ptr<QMEbayItem>& item);
    // Prepares the picture copies and the item-specifics rows at once. A null listing is a
    // programming error (DW_ASSERT).
    explicit QMPreviewGenerator(const std::shared_ptr<QMEbayItem>& item);
    ~QMPreviewGenerator() override;

    // The page: the page template ("previewTemplate" of the preferences store) merged with this
    // generator. Empty when there is no template.
    QString htmlPreview();

    // The description as the page shows it, with the given cache choice; writes no desktop copy.
    QString convertedItemDescriptionUsingCache(bool useCache) const;

    const std::shared_ptr<QMEbayItem>& item() const { return m_item; }
    // The listing as the page shows it: a copy whose pictures carry their preview addresses.
    const std::shared_ptr<QMEbayItem>& previewItem() const { return m_previewItem; }
    const QStringList& imageURLs() const { return m_imageURLs; }
    const QVariantList& attributeSets() const { return m_attributeSets; }
    // The page's copies of the first existing picture and of the gallery picture.
    const std::shared_ptr<QMEbayImage>& firstImage() const { return m_firstImage; }
    const std::shared_ptr<QMEbayImage>& galleryImage() const { return m_galleryImage; }
    bool resolveSecondaryPlaceholders() const { return m_resolveSecondaryPlaceholders; }
    void setResolveSecondaryPlaceholders(bool value) { m_resolveSecondaryPlaceholders = value; }
    // The page's own scripts carry it ("scriptNonce"); its security policy runs no other script.
    // Random, one per generator and so one per page load.
    const QString& scriptNonce() const { return m_scriptNonce; }

    // The listing's own picture shown under an address of the page: a preview address, or the
    // stored address of an address picture or an uploaded one. Null for any other address.
    std::shared_ptr<QMEbayImage> pictureForPageAddress(const QString& address) const;
    // The address under which the page shows one of the listing's pictures; null when it shows none.
    QString pageAddressForPicture(const QMEbayImage& picture) const;

    // The item-specifics rows for attribute sets and custom specifics (see the .cpp); public for
    // the tests, which have no attribute store.
    static QVariantList rowRepresentationForSets(const QVariantList& sets, const QVariantMap& customSpecifics);

    // Text of the title, subtitle or any other plain text for the page: markup characters escaped,
    // characters above 127 as numeric references, line feeds as "<br>".
    static QString htmlTextForString(const QString& text);

    QVariant valueForKey(const QString& key) const override;
    bool setValueForKey(const QVariant&, const QString&) override { return false; }
    bool hasMiscMergeKey(const QString& key) const override;

private:
    void computeImageURLsForItem();
    void computeAttributesDataForItem();
    QString shippingOptions() const;
    QString convertedItemDescription() const;

    std::shared_ptr<QMEbayItem> m_item;
    std::shared_ptr<QMEbayItem> m_previewItem;
    QStringList m_imageURLs;
    QVariantList m_attributeSets;
    std::shared_ptr<QMEbayImage> m_firstImage;
    std::shared_ptr<QMEbayImage> m_galleryImage;
    bool m_resolveSecondaryPlaceholders = false;
    QString m_scriptNonce;
    // Page address of each shown picture, and the listing's picture behind each page copy.
    QHash<QString, std::shared_ptr<QMEbayImage>> m_pictureForAddress;
    QHash<const QMEbayImage*, QString> m_addressForPicture;
};
