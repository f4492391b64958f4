#include "description/QMDescriptionGenerator.h"

#include "description/MiscMerge/MiscMergeEngine.h"
#include "description/MiscMerge/MiscMergeTemplate.h"
#include "description/MiscMergeModelKeys.h"
#include "description/QMAttributedStringToHTMLConverter.h"
#include "description/QMDescriptionHTMLSanitizer.h"
#include "description/QMDesignTemplateManager.h"
#include "description/QMTextBlockManager.h"
#include "description/QMWebEditingProxyEbayItem.h"

#include "DWKit/NSBundle+DWExtensions.h"
#include "DWKit/QMLog.h"

#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMItemDescriptionSource.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "model/QMYTVideo.h"

#include "platform/core/Bundle.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/UserDefaults.h"

#include <QHash>
#include <functional>

// The page allows no inline handlers: its editing script finds the wrappers by their classes and
// handles their drags, drops and delete button itself (resources/enciphered/previewJavascript.js).
const char* const kQMDescriptionDropableImageStartElement =
    "<span class=\"imgUrlSpan\" style=\"position: relative;\"><span class=\"imgUrlSpanCloseButton\" "
    "title=\"Delete image\"></span>";
const char* const kQMDescriptionDropableImageEndElement = "</span>";

namespace {

const QString kLayoutPrefix = QStringLiteral("QMLayoutEnabled_");

// What designs may read of the preferences: settings a buyer may see anyway. Account names, IDs,
// tokens, passwords and server settings stay out of reach of a downloaded design.
class TemplatePreferences : public dw::KeyValueCoding, public MiscMergeKeyedObject
{
public:
    using Getter = std::function<QVariant(const QMPreferencesManager&)>;

    static const QHash<QString, Getter>& whitelist()
    {
        static const QHash<QString, Getter> keys = {
            {QStringLiteral("returnPolicyAccepted"), [](const auto& p) { return QVariant(p.returnPolicyAccepted()); }},
            {QStringLiteral("returnPolicyDescription"), [](const auto& p) { return p.returnPolicyDescription(); }},
            {QStringLiteral("returnPolicyReturnsWithinOption"),
             [](const auto& p) { return p.returnPolicyReturnsWithinOption(); }},
            {QStringLiteral("returnPolicyShippingCostPaidByOption"),
             [](const auto& p) { return p.returnPolicyShippingCostPaidByOption(); }},
            {QStringLiteral("returnPolicyRefundOption"), [](const auto& p) { return p.returnPolicyRefundOption(); }},
            {QStringLiteral("defaultLocation"), [](const auto& p) { return p.defaultLocation(); }},
            {QStringLiteral("defaultCountryAbb"), [](const auto& p) { return p.defaultCountryAbb(); }},
            {QStringLiteral("defaultDispatchTimeMax"),
             [](const auto& p) { return QVariant(p.defaultDispatchTimeMax()); }},
            {QStringLiteral("useDispatchTimeMaxByDefault"),
             [](const auto& p) { return QVariant(p.useDispatchTimeMaxByDefault()); }},
            {QStringLiteral("includeGalleryImageInAuction"),
             [](const auto& p) { return QVariant(p.includeGalleryImageInAuction()); }},
            {QStringLiteral("includeFooterInItemDescriptionByDefault"),
             [](const auto& p) { return QVariant(p.includeFooterInItemDescriptionByDefault()); }},
            {QStringLiteral("defaultFooterString"), [](const auto& p) { return QVariant(p.defaultFooterString()); }},
        };
        return keys;
    }

    QVariant valueForKey(const QString& key) const override
    {
        const auto it = whitelist().constFind(key);
        return it == whitelist().constEnd() ? QVariant() : (*it)(QMPreferencesManager::sharedInstance());
    }
    bool setValueForKey(const QVariant&, const QString&) override { return false; }
    bool hasMiscMergeKey(const QString& key) const override { return whitelist().contains(key); }
};

QVariant picturesValue(const QList<std::shared_ptr<QMEbayImage>>& pictures)
{
    QVariantList list;
    for (const auto& picture : pictures)
        list << dw::objectValue(picture);
    return list;
}

QHash<QString, QMDescriptionGenerator*>& registry()
{
    thread_local QHash<QString, QMDescriptionGenerator*> generators;
    return generators;
}

const QStringList& generatorKeys()
{
    static const QStringList keys = {
        QStringLiteral("description"),          QStringLiteral("item"),
        QStringLiteral("auctionImages"),        QStringLiteral("auctionImageURLs"),
        QStringLiteral("auctionImageCaptions"), QStringLiteral("allAuctionImagesExceptFirst"),
        QStringLiteral("imageStartElement"),    QStringLiteral("imageEndElement"),
        QStringLiteral("preferences"),          QStringLiteral("textblocks"),
        QStringLiteral("QMLayoutNotDefined"),   QStringLiteral("forEditingPreview"),
        QStringLiteral("showAllImages")};
    return keys;
}

} // namespace

void QMDescriptionGenerator::setDescriptionGenerator(QMDescriptionGenerator* generator, const QMEbayItem& item)
{
    DW_ASSERT(generator != nullptr, "Invalid parameter not satisfying: generator");
    DW_ASSERT(!item.uniqueID().isEmpty(), "Invalid parameter not satisfying: [item uniqueID]");
    registry().insert(item.uniqueID(), generator);
}

void QMDescriptionGenerator::removeDescriptionGeneratorForItem(const QMEbayItem& item)
{
    DW_ASSERT(!item.uniqueID().isEmpty(), "Invalid parameter not satisfying: [item uniqueID]");
    registry().remove(item.uniqueID());
}

QMDescriptionGenerator* QMDescriptionGenerator::descriptionGeneratorForItem(const QMEbayItem& item)
{
    DW_ASSERT(!item.uniqueID().isEmpty(), "Invalid parameter not satisfying: [item uniqueID]");
    return registry().value(item.uniqueID());
}

QString QMDescriptionGenerator::quillmartIndicatorString()
{
    static const QString marker =
        QStringLiteral("<div style=\"position: absolute !important; top: -5px; width: 1px; height: 1px; overflow: "
                       "hidden !important; font-size: 1px !important; line-height: 1px !important;\">&nbsp;") +
        QStringLiteral("_qmrx_vers_%1 (QM %2)")
            .arg(dw::Bundle::mainBundle().infoDictionary().value(QStringLiteral("CFBundleVersion")).toString(),
                 dw::versionInfo()) +
        QStringLiteral("</div>\n");
    return marker;
}

QString QMDescriptionGenerator::productPageAnchor()
{
    return QStringLiteral("<a href=\"https://www.quillmart.example/vodar/\">");
}

namespace {

class GeneratedItemDescription : public QMItemDescriptionSource
{
public:
    QString eBayDescriptionForItem(const QMEbayItem& item) const override
    {
        // The builder holds the listing for the length of this call; the generator keeps nothing
        // of it afterwards (no cache), so a pointer that does not own it is enough.
        const std::shared_ptr<QMEbayItem> unowned(std::shared_ptr<QMEbayItem>(), const_cast<QMEbayItem*>(&item));
        return QMDescriptionGenerator::descriptionForItem(unowned, true, true, true, true, false, false, true);
    }
};

} // namespace

void QMDescriptionGenerator::installAsItemDescriptionSource()
{
    static const bool installed = [] {
        QMItemDescriptionSource::install(std::make_shared<GeneratedItemDescription>());
        return true;
    }();
    (void)installed;
}

QString QMDescriptionGenerator::descriptionForItem(const std::shared_ptr<QMEbayItem>& item, bool includeImages,
                                                   bool includingVideos, bool includeFooter, bool includeDesignTemplate,
                                                   bool forEditingPreview, bool useCache,
                                                   bool resolveSecondaryPlaceholders)
{
    DW_ASSERT(item != nullptr, "Invalid parameter not satisfying: item");
    registerModelKeyPresence();
    // The listing asks the installed converter for its description's HTML; this layer has the
    // real one.
    QMAttributedStringToHTMLConverter::installAsDescriptionConverter();
    auto generator = std::make_shared<QMDescriptionGenerator>();
    generator->setForEditingPreview(forEditingPreview);

    auto& manager = QMDesignTemplateManager::sharedInstance();
    const bool usesDesign = includeDesignTemplate && item->useDesignTemplate();
    const auto design = usesDesign ? manager.designTemplateWithIdentifier(item->designTemplateIdentifier()) : nullptr;
    bool pictures = includeImages;
    if (includeImages && usesDesign)
        pictures = design && design->autoIncludeImages();

    if (forEditingPreview)
        generator->setItem(QMWebEditingProxyEbayItem::itemWithRealItem(item));
    else
        generator->setItem(item);
    setDescriptionGenerator(generator.get(), *item);
    // The entry goes also when a merge throws, so that no later lookup finds a freed generator.
    struct Unregister
    {
        const QMEbayItem& item;
        ~Unregister() { removeDescriptionGeneratorForItem(item); }
    } unregister{*item};
    generator->setShowAllImages(!resolveSecondaryPlaceholders);

    QString text = generator->descriptionIncludingImages(pictures, includingVideos, includeFooter);
    if (usesDesign) {
        generator->setDescription(text);
        QString body;
        if (design) {
            if (useCache)
                body = manager.bodyForTemplateUsingCachedResources(*design);
            else
                body = forEditingPreview ? design->bodyPreparedForEditingPreview() : design->body();
        }
        if (!body.isEmpty())
            text = generator->merge(body, QStringLiteral("[["), QStringLiteral("]]"));
    }
    text = generator->merge(text, QStringLiteral("[["), QStringLiteral("]]"));
    if (resolveSecondaryPlaceholders)
        text = generator->merge(text, QStringLiteral("{{"), QStringLiteral("}}"));
    // Whatever the design, the seller's text, a text block or a field merged into them brought,
    // nothing that runs or loads a frame reaches the preview or eBay.
    text = QMDescriptionHTMLSanitizer::sanitizedHTML(text);
    text += quillmartIndicatorString();
    return text;
}

QString QMDescriptionGenerator::merge(const QString& text, const QString& start, const QString& end)
{
    const QVariant self = dw::objectValue(shared_from_this());
    auto mergeTemplate = std::make_shared<MiscMergeTemplate>();
    mergeTemplate->setStartDelimiter(start, end);
    mergeTemplate->parseString(text, self);
    MiscMergeEngine engine(mergeTemplate);
    return engine.executeWithObject(self);
}

QString QMDescriptionGenerator::descriptionIncludingImages(bool includeImages, bool includingVideos,
                                                           bool includeFooter) const
{
    const QMEbayItem& item = *m_item;
    QString text = QStringLiteral("");
    if (!item.itemDescriptionString().isEmpty())
        text = item.convertDescriptionToHTML() ? item.itemDescriptionAsHTMLString() : item.itemDescriptionAsString();
    if (m_forEditingPreview)
        text = QStringLiteral("<span id=\"%1\" style=\"%2\"><div>%3</div></span>")
                   .arg(QStringLiteral("qm_htmlediting_description_identifier"),
                        QMWebEditingProxyEbayItem::defaultStyle(), text);

    const QStringList addresses = includeImages ? item.imageURLsForItemDescription() : QStringList();
    if (!addresses.isEmpty()) {
        text += QStringLiteral("<div align=\"center\">\n");
        for (const QString& address : addresses) {
            if (m_forEditingPreview)
                text += QString::fromLatin1(kQMDescriptionDropableImageStartElement) +
                        QStringLiteral("<img src=\"%1\"><br><br>").arg(address) +
                        QString::fromLatin1(kQMDescriptionDropableImageEndElement) + u'\n';
            else
                text += QStringLiteral("<img src=\"%1\"><br><br>\n").arg(address);
        }
        text += QStringLiteral("</div><br/><br/>");
    }

    if (includingVideos && !item.videos().isEmpty()) {
        text += QStringLiteral("<br/><br/><div align=\"center\">\n");
        for (const auto& video : item.videos()) {
            const QString tag = video && video->defaultMedia() ? video->defaultMedia()->htmlEmbedTag() : QString();
            text += u'\n' + tag + u'\n';
        }
        text += QStringLiteral("</div><br/><br/>");
    }

    const auto& preferences = QMPreferencesManager::sharedInstance();
    if (includeFooter && preferences.includeFooterInItemDescriptionByDefault()) {
        QString footer = preferences.defaultFooterString();
        if (!footer.isNull()) {
            if (item.siteID() != 0 && item.siteID() != 100) {
                const QString store =
                    QMSiteDescriptionManager::sharedInstance().dunmerrowEbayStoreURLForSiteWithID(item.siteID());
                footer.replace(productPageAnchor(), QStringLiteral("<a href=\"%1\">").arg(store));
            }
            text += footer;
        }
    }
    return text;
}

QList<std::shared_ptr<QMEbayImage>> QMDescriptionGenerator::auctionImages() const
{
    QList<std::shared_ptr<QMEbayImage>> pictures = m_item->existingImages();
    if (m_showAllImages)
        return pictures;
    const auto& preferences = QMPreferencesManager::sharedInstance();
    if (!preferences.includeGalleryImageInAuction()) {
        const auto gallery = m_item->galleryImage();
        const qsizetype index = gallery ? pictures.indexOf(gallery) : -1;
        if (index >= 0) {
            pictures.removeAt(index);
            if (index == 0)
                return pictures;
        }
    }
    if (!preferences.defaults().boolForKey(QStringLiteral("includeFirstServerImageInDescription")) &&
        pictures.size() >= 2)
        pictures.removeFirst();
    return pictures;
}

QStringList QMDescriptionGenerator::auctionImageURLs() const
{
    QStringList addresses;
    for (const auto& picture : auctionImages()) {
        if (picture->imageURL().isEmpty()) {
            dw::consoleWrite(dw::format("auctionImageURLs: Image URL nil for image %@", picture->name()));
            continue;
        }
        addresses << picture->imageURL();
    }
    return addresses;
}

bool QMDescriptionGenerator::hasMiscMergeKey(const QString& key) const
{
    return key.startsWith(kLayoutPrefix) || generatorKeys().contains(key);
}

QVariant QMDescriptionGenerator::valueForKey(const QString& key) const
{
    if (key.startsWith(kLayoutPrefix)) {
        QString layout = key.mid(kLayoutPrefix.size());
        layout.replace(u'_', u' ');
        return QVariant(m_item && m_item->designLayoutName() == layout);
    }
    if (key == QStringLiteral("description"))
        return m_description.isNull() ? QVariant() : QVariant(m_description);
    if (key == QStringLiteral("item"))
        return dw::objectValue(m_item);
    if (key == QStringLiteral("auctionImages"))
        return picturesValue(auctionImages());
    if (key == QStringLiteral("auctionImageURLs"))
        return auctionImageURLs();
    if (key == QStringLiteral("auctionImageCaptions")) {
        // Pictures carry no caption of their own yet: an empty text each, so positions match.
        QStringList captions;
        for (qsizetype index = 0; index < auctionImages().size(); ++index)
            captions << QStringLiteral("");
        return captions;
    }
    if (key == QStringLiteral("allAuctionImagesExceptFirst")) {
        const auto pictures = auctionImages();
        return pictures.size() < 2 ? QVariant() : picturesValue(pictures.mid(1));
    }
    if (key == QStringLiteral("imageStartElement"))
        return m_forEditingPreview ? QString::fromLatin1(kQMDescriptionDropableImageStartElement) : QStringLiteral("");
    if (key == QStringLiteral("imageEndElement"))
        return m_forEditingPreview ? QString::fromLatin1(kQMDescriptionDropableImageEndElement) : QStringLiteral("");
    if (key == QStringLiteral("preferences")) {
        static const auto preferences = std::make_shared<TemplatePreferences>();
        return dw::objectValue(preferences);
    }
    if (key == QStringLiteral("textblocks"))
        return QMTextBlockManager::sharedInstanceValue();
    if (key == QStringLiteral("QMLayoutNotDefined")) {
        if (!m_item || m_item->designLayoutName().isEmpty())
            return true;
        const auto design =
            QMDesignTemplateManager::sharedInstance().designTemplateWithIdentifier(m_item->designTemplateIdentifier());
        return !design || !design->layoutNames().contains(m_item->designLayoutName());
    }
    if (key == QStringLiteral("forEditingPreview"))
        return m_forEditingPreview;
    if (key == QStringLiteral("showAllImages"))
        return m_showAllImages;
    return QVariant();
}
