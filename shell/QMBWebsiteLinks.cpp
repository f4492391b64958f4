#include "shell/QMBWebsiteLinks.h"

#include "platform/core/UserDefaults.h"

namespace {

QString joined(const char* key, const QString& path)
{
    QString base = dw::UserDefaults::standard().stringForKey(QLatin1String(key));
    if (base.isEmpty())
        return QString();
    while (base.endsWith(u'/'))
        base.chop(1);
    return base + path;
}

} // namespace

namespace QMBWebsiteLinks {

QString websitePage(const QString& path)
{
    return joined("QMWebSiteBaseURL", path);
}

QString socialNetworkPage()
{
    return dw::UserDefaults::standard().stringForKey(QStringLiteral("QMSocialNetworkURL"));
}

QString userGroupPage(const QString& path)
{
    return joined("QMUserGroupURL", path);
}

} // namespace QMBWebsiteLinks
