// qv-tables: prints what the program loads, as JSON.
//
//   qv-tables sites        every eBay site with all its fields, in the program's order
//   qv-tables countries    every country with its regions
//   qv-tables defaults     the effective user defaults (registered defaults under the written ones)
//
// Exits 1 with a message when a table or the defaults cannot be loaded, 2 on a wrong command.

#include "model/QMApplicationDefaults.h"
#include "model/QMCountryDescriptionManager.h"
#include "model/QMSiteDescriptionManager.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cstdio>

namespace {

int print(const QVariant& value)
{
    const QJsonValue json = dw::plist::toJson(value);
    const QByteArray text = json.isArray() ? QJsonDocument(json.toArray()).toJson(QJsonDocument::Indented)
                                           : QJsonDocument(json.toObject()).toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return 0;
}

int usage()
{
    std::fputs("usage: qv-tables sites | countries | defaults\n", stderr);
    return 2;
}

} // namespace

static int run(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2)
        return usage();
    const QString command = args.at(1);
    if (command == QLatin1String("sites")) {
        const QVariantList sites = QMSiteDescriptionManager::sharedInstance().siteDescriptions();
        if (sites.isEmpty()) {
            std::fputs("qv-tables: the sites table could not be loaded\n", stderr);
            return 1;
        }
        return print(sites);
    }
    if (command == QLatin1String("countries")) {
        const QVariantList countries = QMCountryDescriptionManager::sharedInstance().countryDescriptions();
        if (countries.isEmpty()) {
            std::fputs("qv-tables: the countries table could not be loaded\n", stderr);
            return 1;
        }
        return print(countries);
    }
    if (command == QLatin1String("defaults")) {
        auto& defaults = dw::UserDefaults::standard();
        QString error;
        if (!registerApplicationDefaults(defaults, &error)) {
            std::fprintf(stderr, "qv-tables: %s\n", qPrintable(error));
            return 1;
        }
        return print(defaults.dictionaryRepresentation());
    }
    return usage();
}

int main(int argc, char** argv)
{
    // Input that slips past the checks must still end in a message, never in an abort.
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: cannot go on: %s\n", "qv-tables", e.what());
        return 1;
    }
}
