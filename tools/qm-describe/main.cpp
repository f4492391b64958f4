// qm-describe: the eBay description of a listing on the command line.
//
//   qm-describe --list-designs
//       One line per registered design: identifier, a tab, name, a tab, its layouts joined by ",".
//
//   qm-describe [--design ID] [--layout NAME] [--editing-preview] [--resolve-secondary] DOCUMENT|LISTING.json
//       Prints the description HTML of the listing: with the design given, else the listing's
//       own. A JSON listing is an object of field names and values; "images" is a list of
//       {"url": address} or {"file": path}, each with an optional "gallery": true;
//       "itemDescriptionString" is plain text; "videos" is a list of {"url", "type", "title"}.
//
// The services below the application (defaults, category stores, picture transformer, description
// generator, designs) are set up as the program sets them up, so the description printed is the one
// the program sends to eBay for the listing. Console lines go to standard error. Exits 1 when the listing cannot be read, 2 on wrong usage.

#include "description/QMDescriptionGenerator.h"
#include "description/QMDesignTemplateManager.h"
#include "modelservices/QMModelServices.h"

#include "DWKit/NSString+DWExtensions.h"

#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMEbayItemContainer.h"
#include "model/QMYTVideo.h"

#include "platform/core/ConsoleOutput.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "qm-describe: %s\n", message.toLocal8Bit().constData());
    return 1;
}

int usage()
{
    std::fprintf(stderr, "usage: qm-describe --list-designs\n"
                         "       qm-describe [--design ID] [--layout NAME] [--editing-preview] [--resolve-secondary] "
                         "DOCUMENT|LISTING.json\n");
    return 2;
}

std::shared_ptr<QMEbayItem> listingFromJson(const QJsonObject& fields, QString* error)
{
    auto item = std::make_shared<QMEbayItem>();
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it) {
        const QString& name = it.key();
        if (name == QStringLiteral("images")) {
            QList<std::shared_ptr<QMEbayImage>> pictures;
            for (const QJsonValue& entry : it->toArray()) {
                const QJsonObject json = entry.toObject();
                std::shared_ptr<QMEbayImage> picture =
                    json.contains(QStringLiteral("url"))
                        ? QMEbayImage::imageWithURL(json.value(QStringLiteral("url")).toString())
                        : std::make_shared<QMEbayImage>(
                              QFileInfo(json.value(QStringLiteral("file")).toString()).absoluteFilePath(), QString());
                picture->setIsGalleryImage(json.value(QStringLiteral("gallery")).toBool());
                pictures << picture;
            }
            item->setImages(pictures);
        } else if (name == QStringLiteral("videos")) {
            QList<std::shared_ptr<QMYTVideo>> videos;
            for (const QJsonValue& entry : it->toArray()) {
                const QJsonObject json = entry.toObject();
                auto video = std::make_shared<QMYTVideo>();
                video->setTitle(json.value(QStringLiteral("title")).toString());
                video->setDefaultMedia(QMYTMedia::mediaWithUrl(json.value(QStringLiteral("url")).toString(),
                                                               json.value(QStringLiteral("type")).toString(),
                                                               QStringLiteral("5")));
                videos << video;
            }
            item->setVideos(videos);
        } else if (name == QStringLiteral("itemDescriptionString")) {
            item->setItemDescriptionString(dw::StyledText(it->toString()));
        } else if (!item->setValueForKey(it->toVariant(), name)) {
            *error = QStringLiteral("a listing has no field %1").arg(name);
            return nullptr;
        }
    }
    if (item->uniqueID().isEmpty())
        item->setUniqueID(dw::UUID());
    return item;
}

std::shared_ptr<QMEbayItem> readListing(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return nullptr;
    }
    const QByteArray bytes = file.readAll();
    if (path.endsWith(QStringLiteral(".json"))) {
        QJsonParseError parseError;
        const QJsonDocument json = QJsonDocument::fromJson(bytes, &parseError);
        if (!json.isObject()) {
            *error = QStringLiteral("%1: not a JSON object (%2)").arg(path, parseError.errorString());
            return nullptr;
        }
        return listingFromJson(json.object(), error);
    }
    QMEbayItem::registerArchiveClasses();
    QMEbayItemContainer::registerArchiveClass();
    const auto containers = QMEbayItemContainer::containersFromDocumentData(bytes, error);
    if (!containers || containers->isEmpty() || !containers->first()->item())
        return nullptr;
    auto item = containers->first()->item();
    if (item->uniqueID().isEmpty())
        item->setUniqueID(dw::UUID());
    return item;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);

    dw::setConsoleSink([](const QString& line) {
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
        std::fflush(stderr);
    });
    // What the application sets up, so that a listing is described here as it is there.
    QString servicesError;
    if (!QMModelServices::install(QMModelServices::Accounts::None, &servicesError))
        std::fprintf(stderr, "qm-describe: warning: %s\n", servicesError.toLocal8Bit().constData());
    QStringList arguments = QCoreApplication::arguments().mid(1);
    QString design;
    QString layout;
    QString path;
    bool listDesigns = false;
    bool editingPreview = false;
    bool resolveSecondary = false;
    while (!arguments.isEmpty()) {
        const QString argument = arguments.takeFirst();
        if (argument == QStringLiteral("--list-designs"))
            listDesigns = true;
        else if (argument == QStringLiteral("--editing-preview"))
            editingPreview = true;
        else if (argument == QStringLiteral("--resolve-secondary"))
            resolveSecondary = true;
        else if (argument == QStringLiteral("--design") && !arguments.isEmpty())
            design = arguments.takeFirst();
        else if (argument == QStringLiteral("--layout") && !arguments.isEmpty())
            layout = arguments.takeFirst();
        else if (!argument.startsWith(QStringLiteral("--")) && path.isEmpty())
            path = argument;
        else
            return usage();
    }
    if (listDesigns == !path.isEmpty())
        return usage();

    if (listDesigns) {
        for (const auto& entry : QMDesignTemplateManager::sharedInstance().designTemplates()) {
            const QString line =
                entry->identifier() + u'\t' + entry->name() + u'\t' + entry->layoutNames().join(QStringLiteral(","));
            std::printf("%s\n", line.toUtf8().constData());
        }
        return 0;
    }

    QString error;
    const auto item = readListing(path, &error);
    if (!item)
        return fail(error.isEmpty() ? QStringLiteral("%1 holds no listing").arg(path) : error);
    if (!design.isEmpty()) {
        item->setUseDesignTemplate(true);
        item->setDesignTemplateIdentifier(design);
    }
    if (!layout.isEmpty())
        item->setDesignLayoutName(layout);
    const QString html = QMDescriptionGenerator::descriptionForItem(item, true, true, true, true, editingPreview, false,
                                                                    resolveSecondary);
    std::fwrite(html.toUtf8().constData(), 1, static_cast<size_t>(html.toUtf8().size()), stdout);
    return 0;
}
