#include "description/QMPreviewGenerator.h"

#include "description/MiscMerge/MiscMergeEngine.h"
#include "description/MiscMerge/MiscMergeTemplate.h"
#include "description/MiscMergeModelKeys.h"
#include "description/QMAttributedStringToHTMLConverter.h"
#include "description/QMDescriptionGenerator.h"

#include "DWKit/NSString+DWExtensions.h"

#include "model/QMCategoryDataSource.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"

#include "platform/core/Bundle.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QUrl>

namespace {

// The bundle identifier of this edition; "quillmartVodarPreview" tells the page it is shown by it.
const QString kQMVodarBundleIdentifier = QStringLiteral("org.quillmart.Vodar");

const QStringList& generatorKeys()
{
    static const QStringList keys = {
        QStringLiteral("item"),
        QStringLiteral("convertedItemDescription"),
        QStringLiteral("itemTitle"),
        QStringLiteral("itemSubTitle"),
        QStringLiteral("itemLocation"),
        QStringLiteral("itemSitename"),
        QStringLiteral("primaryCategoryPath"),
        QStringLiteral("secondaryCategoryPath"),
        QStringLiteral("currentCurrency"),
        QStringLiteral("shippingOptions"),
        QStringLiteral("attributeSets"),
        QStringLiteral("displayAttributes"),
        QStringLiteral("images"),
        QStringLiteral("imageURLs"),
        QStringLiteral("firstImage"),
        QStringLiteral("galleryImage"),
        QStringLiteral("firstImageURL"),
        QStringLiteral("galleryImageURL"),
        QStringLiteral("useEPS"),
        QStringLiteral("useAppSpecificCSS"),
        QStringLiteral("quillmartBundleResourceFolder"),
        QStringLiteral("quillmartBundleResourceLocalizedFolder"),
        QStringLiteral("quillmartVodarPreview"),
        QStringLiteral("webEditingPreviewJavascript"),
        QStringLiteral("scriptNonce"),
        QStringLiteral("imageStartElement"),
        QStringLiteral("imageEndElement"),
        QStringLiteral("resolveSecondaryPlaceholders"),
    };
    return keys;
}

QVariant picturesValue(const QList<std::shared_ptr<QMEbayImage>>& pictures)
{
    QVariantList list;
    for (const auto& picture : pictures)
        list << dw::objectValue(picture);
    return list;
}

// The page's texts: "QMItem_specifics" is the entry "Item specifics" of "ManualLocalizable".
QString localizedPageText(const QString& key)
{
    QString words = key.mid(2);
    words.replace(u'_', u' ');
    return QMPreviewGenerator::htmlTextForString(dw::localized(words, "ManualLocalizable"));
}

// Writes a copy of the page (or description) into the desktop folder when the user default asks
// for it. The title names the file, so it must be one plain name; a write that fails is ignored.
void writeToDesktopWhenAsked(const QString& title, const QString& suffix, const QString& html)
{
    if (!dw::UserDefaults::standard().boolForKey(QStringLiteral("writeDescriptionToDesktop")))
        return;
    QString name = title;
    name.replace(u'/', u'-');
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString path = dw::paths::safeChildPath(desktop, name + suffix + QStringLiteral(".html"));
    if (path.isNull())
        return;
    QDir().mkpath(desktop);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(html.toUtf8());
}

QString categoryPath(qint64 siteID, qint64 categoryID)
{
    const auto source = QMCategoryDataSource::installed();
    return source && categoryID > 0 ? source->cachedCategoryPathForSiteID(siteID, categoryID) : QString();
}

} // namespace

std::shared_ptr<QMPreviewGenerator> QMPreviewGenerator::previewGeneratorForItem(const std::shared_ptr<QMEbayItem>& item)
{
    return std::make_shared<QMPreviewGenerator>(item);
}

QMPreviewGenerator::QMPreviewGenerator(const std::shared_ptr<QMEbayItem>& item) : m_item(item)
{
    // The page's security policy lets only scripts that carry this run; a new page, a new one.
    quint32 random[4];
    QRandomGenerator::system()->fillRange(random);
    m_scriptNonce = QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(random), sizeof random).toBase64());
    DW_ASSERT(item != nullptr, "Invalid parameter not satisfying: item");
    computeImageURLsForItem();
    computeAttributesDataForItem();
}

QMPreviewGenerator::~QMPreviewGenerator() = default;

QString QMPreviewGenerator::htmlPreview()
{
    const QString pageTemplate = QMPreferencesManager::sharedInstance().previewTemplate();
    if (pageTemplate.isEmpty())
        return QStringLiteral("");
    registerModelKeyPresence();
    const QVariant self = dw::objectValue(shared_from_this());
    auto mergeTemplate = std::make_shared<MiscMergeTemplate>();
    mergeTemplate->setStartDelimiter(QStringLiteral("[["), QStringLiteral("]]"));
    mergeTemplate->parseString(pageTemplate, self);
    MiscMergeEngine engine(mergeTemplate);
    return engine.executeWithObject(self);
}

QString QMPreviewGenerator::convertedItemDescriptionUsingCache(bool useCache) const
{
    return QMDescriptionGenerator::descriptionForItem(m_previewItem, true, true, true, true, true, useCache,
                                                      m_resolveSecondaryPlaceholders);
}

QString QMPreviewGenerator::convertedItemDescription() const
{
    const bool useCache = !dw::UserDefaults::standard().boolForKey(QStringLiteral("disableDesignImageCache"));
    const QString description = convertedItemDescriptionUsingCache(useCache);
    writeToDesktopWhenAsked(m_item->title(), QString(), description);
    return description;
}

std::shared_ptr<QMEbayImage> QMPreviewGenerator::pictureForPageAddress(const QString& address) const
{
    if (address.isEmpty())
        return nullptr;
    if (const auto found = m_pictureForAddress.value(address))
        return found;
    const QString absolute = QUrl(address).toString();
    for (const auto& picture : m_item->images()) {
        if (picture && !picture->imageURL().isEmpty() && QUrl(picture->imageURL()).toString() == absolute)
            return picture;
    }
    return nullptr;
}

QString QMPreviewGenerator::pageAddressForPicture(const QMEbayImage& picture) const
{
    return m_addressForPicture.value(&picture);
}

QString QMPreviewGenerator::htmlTextForString(const QString& text)
{
    return QMAttributedStringToHTMLConverter::htmlStringForPlainText(text);
}

QString QMPreviewGenerator::shippingOptions() const
{
    const auto options = m_item->shippingOptions();
    if (!options)
        return QStringLiteral("");
    const QString currency = valueForKey(QStringLiteral("currentCurrency")).toString();
    const QString spacer =
        QStringLiteral("<td><img width=\"20\" height=\"1\" src=\"https://pics.ebaystatic.com/aw/pics/"
                       "s.gif\"></td>");
    QString rows = QStringLiteral("");
    const QVariantList services = options->internationalShippingServices() + options->domesticShippingServices();
    for (const QVariant& value : services) {
        const QVariantMap service = value.toMap();
        rows += QStringLiteral("<tr>");
        rows += QStringLiteral("<td valign=\"top\">%1 %2</td>")
                    .arg(currency,
                         htmlTextForString(service.value(QLatin1String(kQMShippingOptions_serviceFee)).toString()));
        rows += spacer;
        if (m_item->useQuantity()) {
            rows += QStringLiteral("<td valign=\"top\">+ %1 %2</td>")
                        .arg(currency,
                             htmlTextForString(
                                 service.value(QLatin1String(kQMShippingOptions_serviceAdditionalFee)).toString()));
            rows += spacer;
        }
        rows += QStringLiteral("</tr>");
    }
    return rows;
}

bool QMPreviewGenerator::hasMiscMergeKey(const QString& key) const
{
    return key.startsWith(QStringLiteral("QM")) || generatorKeys().contains(key);
}

QVariant QMPreviewGenerator::valueForKey(const QString& key) const
{
    if (key.startsWith(QStringLiteral("QM")))
        return localizedPageText(key);
    const QMEbayItem& item = *m_item;
    auto& preferences = QMPreferencesManager::sharedInstance();
    if (key == QStringLiteral("item"))
        return dw::objectValue(m_previewItem);
    if (key == QStringLiteral("convertedItemDescription"))
        return convertedItemDescription();
    if (key == QStringLiteral("itemTitle"))
        return htmlTextForString(item.title());
    if (key == QStringLiteral("itemSubTitle"))
        return htmlTextForString(item.subTitle());
    if (key == QStringLiteral("itemLocation"))
        return htmlTextForString(item.location());
    if (key == QStringLiteral("itemSitename"))
        return dw::localized(QMSiteDescriptionManager::sharedInstance().sitenameForSiteID(item.siteID()));
    if (key == QStringLiteral("primaryCategoryPath") || key == QStringLiteral("secondaryCategoryPath")) {
        const bool primary = key == QStringLiteral("primaryCategoryPath");
        return htmlTextForString(categoryPath(item.siteID(), primary ? item.category() : item.category2()));
    }
    if (key == QStringLiteral("currentCurrency"))
        return htmlTextForString(
            QMSiteDescriptionManager::sharedInstance().currencyNameForCurrencyID(item.currency(), item.siteID()));
    if (key == QStringLiteral("shippingOptions"))
        return shippingOptions();
    if (key == QStringLiteral("attributeSets"))
        return m_attributeSets;
    if (key == QStringLiteral("displayAttributes"))
        return !m_attributeSets.isEmpty();
    if (key == QStringLiteral("images"))
        return picturesValue(m_previewItem->images());
    if (key == QStringLiteral("imageURLs"))
        return m_imageURLs;
    if (key == QStringLiteral("firstImage"))
        return dw::objectValue(m_firstImage);
    if (key == QStringLiteral("galleryImage"))
        return dw::objectValue(m_galleryImage);
    if (key == QStringLiteral("firstImageURL"))
        return m_firstImage ? QVariant(m_firstImage->imageURL()) : QVariant();
    if (key == QStringLiteral("galleryImageURL"))
        return m_galleryImage ? QVariant(m_galleryImage->imageURL()) : QVariant();
    if (key == QStringLiteral("useEPS"))
        return preferences.useEPS();
    if (key == QStringLiteral("useAppSpecificCSS"))
        return false;
    if (key == QStringLiteral("quillmartBundleResourceFolder"))
        return dw::stringByAddingURLPercentEscapes(dw::paths::resourcesFolder());
    if (key == QStringLiteral("quillmartBundleResourceLocalizedFolder"))
        return dw::stringByAddingURLPercentEscapes(
            QDir(dw::paths::resourcesFolder()).filePath(QStringLiteral("images")));
    if (key == QStringLiteral("quillmartVodarPreview"))
        return dw::Bundle::mainBundle().infoDictionary().value(QStringLiteral("CFBundleIdentifier")).toString() ==
               kQMVodarBundleIdentifier;
    if (key == QStringLiteral("webEditingPreviewJavascript"))
        return preferences.webEditingPreviewJavascript();
    if (key == QStringLiteral("scriptNonce"))
        return m_scriptNonce;
    if (key == QStringLiteral("imageStartElement"))
        return QString::fromLatin1(kQMDescriptionDropableImageStartElement);
    if (key == QStringLiteral("imageEndElement"))
        return QString::fromLatin1(kQMDescriptionDropableImageEndElement);
    if (key == QStringLiteral("resolveSecondaryPlaceholders"))
        return m_resolveSecondaryPlaceholders;
    return QVariant();
}
