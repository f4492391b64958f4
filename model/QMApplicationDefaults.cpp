#include "model/QMApplicationDefaults.h"

#include "model/QMApplicationDefaults_p.h"
#include "model/QMEbayMoneyTransformer.h"
#include "platform/core/Paths.h"
#include "platform/core/RegularFile.h"
#include "platform/core/UserDefaults.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Registers one property list of the resources folder. A file that holds exactly the bytes the
// values were compiled from is not parsed again: parsing the XML was much of a tool's start-up.
bool registerDefaultsFile(dw::UserDefaults& defaults, const QString& folder, const QString& fileName)
{
    const QString path = folder + fileName;
    if (!QFileInfo::exists(path))
        return false;
    for (const QMCompiledDefaults& compiled : compiledDefaults()) {
        if (fileName != QLatin1String(compiled.fileName))
            continue;
        // One byte more than the compiled source: a longer file is refused here and parsed below.
        const std::optional<QByteArray> bytes = dw::readRegularFile(path, compiled.source.size() + 1);
        if (bytes && QByteArrayView(*bytes) == compiled.source) {
            defaults.registerDefaults(compiled.values());
            return true;
        }
    }
    return defaults.registerDefaultsFromFile(path);
}

} // namespace

bool registerApplicationDefaults(dw::UserDefaults& defaults, QString* error)
{
    const QString folder = dw::paths::resourcesFolder();
    bool ok = true;
    auto note = [&](const QString& reason) {
        if (ok && error)
            *error = reason;
        ok = false;
    };
    if (!registerDefaultsFile(defaults, folder, QStringLiteral("defaults.plist")))
        note(QStringLiteral("couldn't find defaults.plist"));
    if (!registerDefaultsFile(defaults, folder, QStringLiteral("localized_defaults.plist")))
        note(QStringLiteral("couldn't find localized_defaults.plist"));
    QFile footer(folder + QStringLiteral("DefaultFooter.rtf"));
    if (footer.exists() && footer.open(QIODevice::ReadOnly))
        defaults.registerDefaults({{QStringLiteral("footerData"), footer.readAll()}});
    return ok;
}

bool registerApplicationDefaultsAndTransformers(dw::UserDefaults& defaults, QString* error)
{
    const bool registered = registerApplicationDefaults(defaults, error);
    QMEbayMoneyTransformer::registerTransformer();
    return registered;
}
