// qv-listing: listing documents on the command line.
//
//   qv-listing show DOCUMENT
//       Prints the document as JSON: its format, the number of listings it holds, and every field
//       of the (first) listing. Pictures show their paths and addresses and, for local pictures,
//       the byte count and SHA-256 of the embedded file (null where nothing is embedded); an
//       object of a class this program does not know shows as {"$class": name}.
//
//   qv-listing create [--format 1|2] LISTING.json DOCUMENT [PICTURE...]
//       Writes a document (format "2" unless told otherwise) from a JSON object of field names and
//       values. "images" is a
//       list of {"file": path} or {"url": address}, each with an optional "gallery": true; every
//       PICTURE given after the document is added as a file picture. "itemDescriptionString" is
//       plain text; data fields are Base64; "shippingOptions" takes "domesticShippingServices",
//       "internationalShippingServices" (lists of service rows), "shipToLocations",
//       "usesCalculatedShipping" and "localPickupOnly". A listing without "uniqueID" gets a new one.
//       A null field is nil; a null inside a list or dictionary is refused.
//
// Exits 1 with a message on standard error when a file cannot be read or written or the JSON
// names something a listing does not have, 2 on wrong usage.

#include "model/QMApplicationDefaults.h"
#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMEbayItemContainer.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPictureCodec.h"
#include "model/QMResourceDecipherer.h"
#include "model/QMYTVideo.h"
#include "platform/core/UserDefaults.h"

#include "DWKit/NSString+DWExtensions.h"

#include "platform/archive/PropertyList.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibrary>
#include <cstdio>
#include <mutex>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "qv-listing: %s\n", message.toLocal8Bit().constData());
    return 1;
}

int usage()
{
    std::fprintf(stderr, "usage: qv-listing show DOCUMENT\n"
                         "       qv-listing create [--format 1|2] LISTING.json DOCUMENT [PICTURE...]\n");
    return 2;
}

// The picture decoder and the resource decipherer come from the module beside the program, loaded
// the first time a picture needs decoding or a resource deciphering: most runs need neither, and
// Qt Gui and libcrypto would cost them most of their start-up. Without the module the tool goes on
// as a program without them does, after saying so once. The module stays loaded for the rest of
// the run: the services' code lives there.
class DesktopServicesModule
{
public:
    static DesktopServicesModule& shared()
    {
        static DesktopServicesModule instance;
        return instance;
    }

    QMPictureCodec& codec()
    {
        load();
        return m_codec ? *m_codec : m_builtInCodec;
    }

    QMResourceDecipherer& decipherer()
    {
        load();
        return m_decipherer ? *m_decipherer : m_builtInDecipherer;
    }

private:
    void load()
    {
        std::call_once(m_loaded, [this] {
            QLibrary module(QCoreApplication::applicationDirPath() + QStringLiteral("/qv-listing-services"));
            using MakeCodec = QMPictureCodec* (*)();
            using MakeDecipherer = QMResourceDecipherer* (*)();
            const auto makeCodec = reinterpret_cast<MakeCodec>(module.resolve("qvListingMakePictureCodec"));
            const auto makeDecipherer =
                reinterpret_cast<MakeDecipherer>(module.resolve("qvListingMakeResourceDecipherer"));
            if (!makeCodec || !makeDecipherer) {
                std::fprintf(stderr, "qv-listing: warning: no picture decoder: %s\n",
                             module.errorString().toLocal8Bit().constData());
                return;
            }
            m_codec.reset(makeCodec());
            m_decipherer.reset(makeDecipherer());
        });
    }

    std::once_flag m_loaded;
    std::unique_ptr<QMPictureCodec> m_codec;
    std::unique_ptr<QMResourceDecipherer> m_decipherer;
    QMPictureCodec m_builtInCodec;
    QMResourceDecipherer m_builtInDecipherer;
};

class PictureCodecOnDemand : public QMPictureCodec
{
public:
    bool recognisesPicture(const QByteArray& bytes) override { return codec().recognisesPicture(bytes); }
    QByteArray tiffOfPictureFile(const QString& path) override { return codec().tiffOfPictureFile(path); }
    std::shared_ptr<const QImage> decodeArchivedPicture(const QVariant& archived) override
    {
        return codec().decodeArchivedPicture(archived);
    }
    bool writeJPEG(const QImage& image, const QString& path, int quality) override
    {
        return codec().writeJPEG(image, path, quality);
    }
    bool isLandscape(const QMEbayImage& picture) override { return codec().isLandscape(picture); }
    QVariant stateIndicatorImage(QMEbayItem& item) override { return codec().stateIndicatorImage(item); }

private:
    static QMPictureCodec& codec() { return DesktopServicesModule::shared().codec(); }
};

class ResourceDeciphererOnDemand : public QMResourceDecipherer
{
public:
    std::optional<QByteArray> decipher(const QByteArray& privateKey, const QByteArray& enciphered) override
    {
        return DesktopServicesModule::shared().decipherer().decipher(privateKey, enciphered);
    }
};

QJsonValue text(const QString& value)
{
    return value.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(value);
}

// Listing values as JSON: attribute values with their fields, other archived objects by class.
std::optional<QJsonValue> listingValueJson(const QVariant& value)
{
    if (const auto attribute = dw::archivedObjectCast<QMEbayAttributeValue>(value)) {
        return QJsonObject{{QStringLiteral("identifier"), text(attribute->identifier())},
                           {QStringLiteral("name"), text(attribute->name())},
                           {QStringLiteral("displayName"), text(attribute->displayName())}};
    }
    if (value.typeId() == qMetaTypeId<dw::ArchivedObjectPtr>())
        return QJsonObject{{QStringLiteral("$class"), dw::archiveClassName(value)}};
    return std::nullopt;
}

QJsonValue toJson(const QVariant& value)
{
    return dw::plist::toJson(value, listingValueJson);
}

QJsonObject shippingJson(const QMItemShippingOptions& o)
{
    return {
        {QStringLiteral("usesCalculatedShipping"), o.usesCalculatedShipping()},
        {QStringLiteral("usesCalculatedShippingInternational"), o.usesCalculatedShippingInternational()},
        {QStringLiteral("domesticShippingServices"), toJson(o.domesticShippingServices())},
        {QStringLiteral("internationalShippingServices"), toJson(o.internationalShippingServices())},
        {QStringLiteral("shipToLocations"), toJson(o.shipToLocations())},
        {QStringLiteral("excludeLocations"), o.hasExcludeLocations() ? toJson(o.excludeLocations()) : QJsonValue()},
        {QStringLiteral("localPickupOnly"), o.localPickupOnly()},
        {QStringLiteral("shippingTermsInDescription"), o.shippingTermsInDescription()},
        {QStringLiteral("shippingType"), o.shippingType()},
        {QStringLiteral("shipFromZipCode"), text(o.shipFromZipCode())},
        {QStringLiteral("package"), QJsonObject{{QStringLiteral("depth"), text(o.packageDepth())},
                                                {QStringLiteral("length"), text(o.packageLength())},
                                                {QStringLiteral("width"), text(o.packageWidth())},
                                                {QStringLiteral("pounds"), text(o.packagePounds())},
                                                {QStringLiteral("ounces"), text(o.packageOunces())}}},
        {QStringLiteral("packagingHandlingCosts"), text(o.packagingHandlingCosts())},
        {QStringLiteral("packagingHandlingCostsInternational"), text(o.packagingHandlingCostsInternational())},
        {QStringLiteral("insuranceOption"), o.insuranceOption()},
        {QStringLiteral("insuranceFee"), text(o.insuranceFee())},
        {QStringLiteral("insuranceOptionInternational"), o.insuranceOptionInternational()},
        {QStringLiteral("insuranceFeeInternational"), text(o.insuranceFeeInternational())},
        {QStringLiteral("summary"), text(o.summary())},
    };
}

QJsonArray picturesJson(const QMEbayItem& item, const QList<QByteArray>& embedded, bool hasEmbedded)
{
    QJsonArray pictures;
    qsizetype local = 0;
    for (const auto& picture : item.images()) {
        if (const auto& unknown = picture->unknownObject()) {
            pictures.append(QJsonObject{{QStringLiteral("$class"), unknown->archiveClassName()}});
            continue;
        }
        QJsonObject json{{QStringLiteral("name"), text(picture->name())},
                         {QStringLiteral("imageFilePath"), text(picture->storedImageFilePath())},
                         {QStringLiteral("thumbFilePath"), text(picture->storedThumbFilePath())},
                         {QStringLiteral("imageURL"), text(picture->imageURL())},
                         {QStringLiteral("isURLBased"), picture->isURLBased()},
                         {QStringLiteral("isGalleryImage"), picture->isGalleryImage()}};
        QJsonValue bytes = QJsonValue::Null;
        QJsonValue sha256 = QJsonValue::Null;
        if (picture->isFileBased() && hasEmbedded && local < embedded.size()) {
            const QByteArray& data = embedded.at(local);
            bytes = data.size();
            if (!data.isEmpty())
                sha256 = QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
        }
        if (picture->isFileBased())
            ++local;
        json.insert(QStringLiteral("bytes"), bytes);
        json.insert(QStringLiteral("sha256"), sha256);
        pictures.append(json);
    }
    return pictures;
}

QJsonValue fieldJson(const QMEbayItem& item, const QMEbayItemField& field, const QJsonArray& pictures)
{
    if (field.type == QLatin1String("pictures"))
        return pictures;
    if (field.type == QLatin1String("styled"))
        return item.itemDescriptionAsString();
    if (field.type == QLatin1String("shipping"))
        return item.shippingOptions() ? QJsonValue(shippingJson(*item.shippingOptions())) : QJsonValue();
    if (field.type == QLatin1String("videos")) {
        QJsonArray videos;
        for (const auto& video : item.videos()) {
            QJsonObject json{{QStringLiteral("title"), text(video->title())},
                             {QStringLiteral("description"), text(video->description())},
                             {QStringLiteral("thumbURL"), text(video->thumbURL())},
                             {QStringLiteral("uniqueID"), text(video->uniqueID())}};
            if (const auto& media = video->defaultMedia()) {
                json.insert(QStringLiteral("defaultMedia"),
                            QJsonObject{{QStringLiteral("url"), text(media->url())},
                                        {QStringLiteral("type"), text(media->type())},
                                        {QStringLiteral("format"), text(media->format())}});
            }
            videos.append(json);
        }
        return videos;
    }
    return toJson(item.valueForKey(field.name));
}

int show(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    QString error;
    const auto containers = QMEbayItemContainer::containersFromDocumentData(file.readAll(), &error);
    if (!containers)
        return fail(QStringLiteral("%1: %2").arg(path, error));
    const auto& container = containers->first();
    const QMEbayItem& item = *container->item();
    const bool fileDatas = container->encodingFormat() == QLatin1String("2");
    const QJsonArray pictures = picturesJson(item, container->importedImageFileDatas(), fileDatas);

    QJsonObject listing;
    for (const QMEbayItemField& field : QMEbayItem::fields())
        listing.insert(field.name, fieldJson(item, field, pictures));
    const QJsonObject document{{QStringLiteral("encodingFormat"), text(container->encodingFormat())},
                               {QStringLiteral("listings"), containers->size()},
                               {QStringLiteral("embeddedPictures"), fileDatas
                                                                        ? container->importedImageFileDatas().size()
                                                                        : container->importedImageCount()},
                               {QStringLiteral("listing"), listing}};
    const QByteArray out = QJsonDocument(document).toJson(QJsonDocument::Indented);
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return 0;
}

// A JSON value as a listing value. An archive has no nil inside a list or dictionary, so a null
// there is refused; a null field is nil.
std::optional<QVariant> listingValue(const QJsonValue& json, const QString& where, QString* error, bool nested = false)
{
    switch (json.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        if (nested) {
            *error = QStringLiteral("%1 holds null inside a list or dictionary").arg(where);
            return std::nullopt;
        }
        return QVariant();
    case QJsonValue::Array: {
        QVariantList list;
        for (const QJsonValue& element : json.toArray()) {
            const std::optional<QVariant> value = listingValue(element, where, error, true);
            if (!value)
                return std::nullopt;
            list << *value;
        }
        return list;
    }
    case QJsonValue::Object: {
        QVariantMap map;
        const QJsonObject object = json.toObject();
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            const std::optional<QVariant> value = listingValue(*it, where, error, true);
            if (!value)
                return std::nullopt;
            map.insert(it.key(), *value);
        }
        return map;
    }
    default:
        return json.toVariant();
    }
}

bool setShipping(QMEbayItem& item, const QJsonObject& json, QString* error)
{
    auto options = std::make_shared<QMItemShippingOptions>();
    for (auto it = json.constBegin(); it != json.constEnd(); ++it) {
        const QString& key = it.key();
        const std::optional<QVariant> value = listingValue(*it, QStringLiteral("shippingOptions.") + key, error);
        if (!value)
            return false;
        if (key == QLatin1String("domesticShippingServices")) {
            options->setDomesticShippingServices(value->toList());
        } else if (key == QLatin1String("internationalShippingServices")) {
            options->setInternationalShippingServices(value->toList());
        } else if (key == QLatin1String("shipToLocations")) {
            options->setShipToLocations(value->toStringList());
        } else if (key == QLatin1String("usesCalculatedShipping")) {
            options->setUsesCalculatedShipping(it->toBool());
        } else if (key == QLatin1String("localPickupOnly")) {
            options->setLocalPickupOnly(it->toBool());
        } else {
            *error = QStringLiteral("shippingOptions has no %1").arg(key);
            return false;
        }
    }
    item.setShippingOptions(options);
    return true;
}

bool setPictures(QMEbayItem& item, const QJsonArray& entries, const QStringList& files, QString* error)
{
    QList<std::shared_ptr<QMEbayImage>> pictures;
    for (const QJsonValue& entry : entries) {
        const QJsonObject json = entry.toObject();
        std::shared_ptr<QMEbayImage> picture;
        if (json.contains(QStringLiteral("file"))) {
            picture = std::make_shared<QMEbayImage>(
                QFileInfo(json.value(QStringLiteral("file")).toString()).absoluteFilePath(), QString());
        } else if (json.contains(QStringLiteral("url"))) {
            picture = QMEbayImage::imageWithURL(json.value(QStringLiteral("url")).toString());
        } else {
            *error = QStringLiteral("a picture needs \"file\" or \"url\"");
            return false;
        }
        picture->setIsGalleryImage(json.value(QStringLiteral("gallery")).toBool());
        pictures << picture;
    }
    for (const QString& path : files)
        pictures << std::make_shared<QMEbayImage>(QFileInfo(path).absoluteFilePath(), QString());
    item.setImages(pictures);
    return true;
}

int create(const QString& format, const QString& listingPath, const QString& documentPath,
           const QStringList& pictureFiles)
{
    QFile file(listingPath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(listingPath, file.errorString()));
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!json.isObject())
        return fail(QStringLiteral("%1: not a JSON object (%2)").arg(listingPath, parseError.errorString()));

    QHash<QString, QString> types;
    for (const QMEbayItemField& field : QMEbayItem::fields())
        types.insert(field.name, field.type);

    auto item = std::make_shared<QMEbayItem>();
    item->setUniqueID(dw::UUID());
    QString error;
    const QJsonObject fields = json.object();
    bool picturesSet = false;
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it) {
        const QString& name = it.key();
        const QString type = types.value(name);
        if (type.isEmpty())
            return fail(QStringLiteral("%1: a listing has no field %2").arg(listingPath, name));
        bool ok = true;
        if (type == QLatin1String("pictures")) {
            ok = setPictures(*item, it->toArray(), pictureFiles, &error);
            picturesSet = true;
        } else if (type == QLatin1String("shipping")) {
            ok = setShipping(*item, it->toObject(), &error);
        } else if (type == QLatin1String("styled")) {
            item->setItemDescriptionString(dw::StyledText(it->toString()));
        } else if (type == QLatin1String("data")) {
            item->setValueForKey(QByteArray::fromBase64(it->toString().toLatin1()), name);
        } else if (type == QLatin1String("videos") || type == QLatin1String("date")) {
            error = QStringLiteral("%1 cannot be given in JSON").arg(name);
            ok = false;
        } else if (const std::optional<QVariant> value = listingValue(*it, name, &error)) {
            item->setValueForKey(*value, name);
        } else {
            ok = false;
        }
        if (!ok)
            return fail(QStringLiteral("%1: %2").arg(listingPath, error));
    }
    if (!picturesSet && !setPictures(*item, {}, pictureFiles, &error))
        return fail(error);
    item->setWasChangedToNo();

    if (!QMEbayItemContainer::writeDocumentWithItem(item, documentPath, format, &error))
        return fail(QStringLiteral("cannot write %1: %2").arg(documentPath, error));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QMPictureCodec::install(std::make_shared<PictureCodecOnDemand>());
    QMResourceDecipherer::install(std::make_shared<ResourceDeciphererOnDemand>());
    // What the application registers, so that a listing shows here as it does there.
    QString defaultsError;
    if (!registerApplicationDefaultsAndTransformers(dw::UserDefaults::standard(), &defaultsError))
        std::fprintf(stderr, "qv-listing: warning: %s\n", defaultsError.toLocal8Bit().constData());

    const QStringList arguments = app.arguments().mid(1);
    // Input that slips past the checks above must still end in a message, never in an abort.
    try {
        if (arguments.size() == 2 && arguments.at(0) == QLatin1String("show"))
            return show(arguments.at(1));
        if (arguments.size() >= 5 && arguments.at(0) == QLatin1String("create") &&
            arguments.at(1) == QLatin1String("--format")) {
            const QString& format = arguments.at(2);
            if (format != QLatin1String("1") && format != QLatin1String("2"))
                return usage();
            return create(format, arguments.at(3), arguments.at(4), arguments.mid(5));
        }
        if (arguments.size() >= 3 && arguments.at(0) == QLatin1String("create"))
            return create(QStringLiteral("2"), arguments.at(1), arguments.at(2), arguments.mid(3));
    } catch (const std::exception& e) {
        return fail(QStringLiteral("cannot go on: %1").arg(QString::fromUtf8(e.what())));
    }
    return usage();
}
