#include "model/QMApplicationDefaults.h"

#include "model/QMEbayMoneyTransformer.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include <QFile>
#include <QFileInfo>

bool registerApplicationDefaults(dw::UserDefaults& defaults, QString* error)
{
    const QString folder = dw::paths::resourcesFolder();
    bool ok = true;
    auto note = [&](const QString& reason) {
        if (ok && error)
            *error = reason;
        ok = false;
    };
    const QString plain = folder + QStringLiteral("defaults.plist");
    if (!QFileInfo::exists(plain) || !defaults.registerDefaultsFromFile(plain))
        note(QStringLiteral("couldn't find defaults.plist"));
    const QString localized = folder + QStringLiteral("localized_defaults.plist");
    if (!QFileInfo::exists(localized) || !defaults.registerDefaultsFromFile(localized))
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
