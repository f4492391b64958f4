// What the preview generator prepares when it is made: the preview copies of the listing's
// pictures and the two-column rows of its item specifics.
#include "description/QMPreviewGenerator.h"

#include "description/QMPreviewImageCache.h"

#include "Operations/QMEbayImageTransformer.h"

#include "model/QMCategoryDataSource.h"
#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMPreferencesManager.h"

#include <QFileInfo>
#include <QUrl>

namespace {

QVariantMap entry(const QString& name, const QString& value)
{
    return {{QStringLiteral("name"), name}, {QStringLiteral("value"), value}};
}

// Entries laid out two to a row; a row left without its right entry gets a blank one, so that
// every row has two cells.
QVariantList twoColumnRows(const QVariantList& entries)
{
    QVariantList rows;
    for (qsizetype index = 0; index < entries.size(); index += 2) {
        QVariantMap row{{QStringLiteral("leftRow"), entries.at(index)}};
        row.insert(QStringLiteral("rightRow"), index + 1 < entries.size()
                                                   ? entries.at(index + 1)
                                                   : QVariant(entry(QStringLiteral(" "), QStringLiteral(" "))));
        rows << row;
    }
    return rows;
}

QString chosenValueText(const QVariant& value)
{
    if (const auto chosen = dw::archivedObjectCast<QMEbayAttributeValue>(value))
        return chosen->displayName().isNull() ? chosen->name() : chosen->displayName();
    return value.toString();
}

QString customSpecificText(const QVariant& value)
{
    if (value.typeId() != QMetaType::QVariantList && value.typeId() != QMetaType::QStringList)
        return value.toString();
    QStringList texts;
    for (const QVariant& item : value.toList())
        texts << item.toString();
    return texts.join(QStringLiteral(", "));
}

} // namespace

void QMPreviewGenerator::computeImageURLsForItem()
{
    const auto& preferences = QMPreferencesManager::sharedInstance();
    auto& cache = QMPreviewImageCache::sharedCache();
    const bool ownServer = preferences.useOwnServer();
    const bool supersize = !ownServer && m_item->usesSupersize();
    const QSize size = ownServer   ? preferences.defaultUploadImageSize()
                       : supersize ? preferences.defaultEPSXXLImageSize()
                                   : preferences.defaultEPSNormalImageSize();
    cache.setLastSize(QSizeF(size));

    // The page shows a copy of the listing whose pictures carry the addresses of their preview
    // copies; the listing's own pictures keep the addresses they have (an upload sets those).
    m_previewItem = std::make_shared<QMEbayItem>();
    m_previewItem->takeValuesFromItem(*m_item);
    m_previewItem->setUniqueID(m_item->uniqueID());

    const auto transformer = QMEbayImageTransformer::sharedInstance();
    const auto existing = m_item->existingImages();
    const auto gallery = m_item->galleryImage();
    QList<std::shared_ptr<QMEbayImage>> shown;
    for (const auto& picture : m_item->images()) {
        if (!picture)
            continue;
        auto copy = picture->copy();
        shown << copy;
        if (picture == gallery)
            m_galleryImage = copy;
        if (!existing.contains(picture))
            continue;
        QString address = picture->imageURL();
        if (!picture->isURLBased()) {
            const QString imageID = picture->imageFilePath();
            const QStringList& valid = supersize ? cache.validSupersizeImageIDs() : cache.validImageIDs();
            QString copyPath = cache.copyPathForImageID(imageID, supersize);
            // A copy whose file has gone (the temporary folder is cleared at start and quit) is
            // made again.
            const bool reusable = valid.contains(imageID) && (copyPath.isNull() || QFileInfo::exists(copyPath));
            if (!reusable) {
                const QString source = picture->standardizedImageFilePath();
                if (ownServer)
                    copyPath = transformer->pathToFTPImageFromImageAtPath(source, m_item->title());
                else if (supersize)
                    copyPath = transformer->previewPathToSupersizeEPSImageFromImageAtPath(source, m_item->title());
                else
                    copyPath = transformer->previewPathToEPSImageFromImageAtPath(source, m_item->title());
                if (supersize)
                    cache.addValidSupersizeImageID(imageID, copyPath);
                else
                    cache.addValidImageID(imageID, copyPath);
            }
            if (!copyPath.isEmpty())
                address = QUrl::fromLocalFile(copyPath).toString();
        }
        copy->setImageURL(address);
        if (!address.isEmpty()) {
            m_pictureForAddress.insert(address, picture);
            m_addressForPicture.insert(picture.get(), address);
        }
        if (!m_firstImage)
            m_firstImage = copy;
    }
    m_previewItem->setImages(shown);
    m_imageURLs = m_previewItem->imageURLsForAddItemRequest();
}

void QMPreviewGenerator::computeAttributesDataForItem()
{
    QVariantList sets;
    const auto source = QMCategoryDataSource::installed();
    const qint64 siteID = m_item->siteID();
    QList<qint64> categories;
    for (qint64 category : {qint64(m_item->category()), qint64(m_item->category2())}) {
        if (category > 0)
            categories << category;
    }
    const QList<qint64> setIDs = source && !categories.isEmpty()
                                     ? source->characteristicSetIDsForCategoryIDs(categories, siteID)
                                     : QList<qint64>();
    for (qint64 setID : setIDs) {
        const QString name = source->characteristicSetNameForSetID(setID, siteID);
        if (name.endsWith(QStringLiteral("Return Policy")))
            continue;
        const QVariantMap chosen = m_item->attributeValuesForSetID(QString::number(setID)).toMap();
        if (chosen.isEmpty())
            continue;
        const auto attributes = source->sortedAttributesForAttributeSet(setID, siteID);
        if (!attributes)
            continue;
        QVariantList entries;
        for (const QMCategoryAttribute& attribute : *attributes) {
            const QVariantList values = chosen.value(QString::number(attribute.identifier)).toList();
            if (values.isEmpty())
                continue;
            QStringList texts;
            for (const QVariant& value : values)
                texts << chosenValueText(value);
            entries << entry(attribute.labelVisible ? htmlTextForString(attribute.label + u':') : QStringLiteral(""),
                             htmlTextForString(texts.join(QStringLiteral(", "))));
        }
        if (!entries.isEmpty())
            sets << QVariantMap{{QStringLiteral("name"), htmlTextForString(name)}, {QStringLiteral("values"), entries}};
    }
    m_attributeSets = rowRepresentationForSets(sets, m_item->customItemSpecifics());
}

QVariantList QMPreviewGenerator::rowRepresentationForSets(const QVariantList& sets, const QVariantMap& customSpecifics)
{
    QVariantList result;
    for (const QVariant& set : sets) {
        const QVariantMap values = set.toMap();
        result << QVariantMap{{QStringLiteral("name"), values.value(QStringLiteral("name"))},
                              {QStringLiteral("rows"), twoColumnRows(values.value(QStringLiteral("values")).toList())}};
    }
    if (!customSpecifics.isEmpty()) {
        QVariantList entries;
        for (auto it = customSpecifics.constBegin(); it != customSpecifics.constEnd(); ++it)
            entries << entry(htmlTextForString(it.key() + u':'), htmlTextForString(customSpecificText(it.value())));
        result << QVariantMap{{QStringLiteral("name"), QStringLiteral(" ")},
                              {QStringLiteral("rows"), twoColumnRows(entries)}};
    }
    return result;
}
