#include "DWKit/NSBundle+DWExtensions.h"

#include "platform/core/Paths.h"

namespace dw {

namespace {

QString localizedFirst(const Bundle& bundle, const QString& key)
{
    const QVariant localized = bundle.localizedInfoDictionary().value(key);
    if (localized.isValid())
        return localized.toString();
    return bundle.infoDictionary().value(key).toString();
}

} // namespace

QString versionString(const Bundle& bundle)
{
    return localizedFirst(bundle, QStringLiteral("CFBundleShortVersionString"));
}

QString bundleVersion(const Bundle& bundle)
{
    return bundle.infoDictionary().value(QStringLiteral("CFBundleVersion")).toString();
}

QString versionInfo(const Bundle& bundle)
{
    return versionString(bundle) + QStringLiteral(" (") + bundleVersion(bundle) + u')';
}

QString bundleName(const Bundle& bundle)
{
    return localizedFirst(bundle, QStringLiteral("CFBundleName"));
}

QString bundleDisplayName(const Bundle& bundle)
{
    const QVariant displayName = bundle.localizedInfoDictionary().value(QStringLiteral("CFBundleDisplayName"));
    if (displayName.isValid())
        return displayName.toString();
    return bundleName(bundle);
}

QString applicationSupportFolder(const Bundle& bundle)
{
    if (&bundle == &Bundle::mainBundle())
        return paths::applicationSupportFolder();
    return paths::dataHome() + u'/' + bundleName(bundle) + u'/';
}

QString applicationCachesDirectory(const Bundle& bundle)
{
    if (&bundle == &Bundle::mainBundle())
        return paths::cachesFolder();
    return paths::cacheHome() + u'/' + bundleName(bundle) + u'/';
}

} // namespace dw
