#include "DWPayment/DWPUserDataOracle.h"

#include "DWPayment/DWPUserDefaultsKeys.h"
#include "DWPayment/NSDictionary+DWPExtension.h"

#include "platform/core/UserDefaults.h"

#include <QLocale>
#include <QTimeZone>
#include <QVariantMap>
#include <mutex>
#include <pwd.h>
#include <unistd.h>
#include <vector>

using namespace dw::payment;

namespace {

std::mutex s_registrationMutex;
bool s_registered = false;

QString stored(const char* key)
{
    DWPUserDataOracle::registerGuesses();
    return dw::UserDefaults::standard().stringForKey(QString::fromLatin1(key));
}

QString emptyIfNull(const QString& text)
{
    return text.isNull() ? QString(QLatin1String("")) : text;
}

} // namespace

void DWPUserDataOracle::registerGuesses()
{
    std::lock_guard lock(s_registrationMutex);
    if (s_registered)
        return;
    s_registered = true;
    dw::UserDefaults::standard().registerDefaults({
        {QString::fromLatin1(DWPUserCountry), guessUserCountry()},
        {QString::fromLatin1(DWPUserLanguage), guessUserLanguage()},
        {QString::fromLatin1(DWPUserMail), guessUserMail()},
        {QString::fromLatin1(DWPUserName), guessUserName()},
        {QString::fromLatin1(DWPUserStreet), guessUserStreet()},
        {QString::fromLatin1(DWPUserCity), guessUserCity()},
        {QString::fromLatin1(DWPUserZipCode), guessUserZipCode()},
        {QString::fromLatin1(DWPUserUsesVat), false},
    });
}

void DWPUserDataOracle::resetRegistration()
{
    std::lock_guard lock(s_registrationMutex);
    s_registered = false;
}

QString DWPUserDataOracle::userCountry()
{
    return stored(DWPUserCountry);
}

QString DWPUserDataOracle::userMail()
{
    return stored(DWPUserMail);
}

QString DWPUserDataOracle::userName()
{
    return stored(DWPUserName);
}

QString DWPUserDataOracle::userStreet()
{
    return stored(DWPUserStreet);
}

QString DWPUserDataOracle::userCity()
{
    return stored(DWPUserCity);
}

QString DWPUserDataOracle::userZipCode()
{
    return stored(DWPUserZipCode);
}

QString DWPUserDataOracle::userLanguage()
{
    const QString language = stored(DWPUserLanguage);
    return language.size() == 2 ? language : QStringLiteral("en");
}

QString DWPUserDataOracle::guessUserCountry()
{
    // The time zone the user chose is the best hint of where the user lives; zones such as UTC
    // name no country.
    const QTimeZone zone(QTimeZone::systemTimeZoneId());
    const QString code = zone.isValid() ? QLocale::territoryToCode(zone.territory()) : QString();
    return code.size() == 2 ? code : QStringLiteral("US");
}

QString DWPUserDataOracle::guessUserLanguage()
{
    const QStringList languages = dw::preferredLanguages();
    if (!languages.isEmpty() && languages.first().size() == 2)
        return languages.first();
    return QStringLiteral("en");
}

QString DWPUserDataOracle::guessUserMail()
{
    return qEnvironmentVariable("EMAIL").trimmed();
}

QString DWPUserDataOracle::guessUserName()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? std::size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_gecos)
        return QString(QLatin1String(""));
    // The comment field holds the full name first, then office and telephone after commas.
    return emptyIfNull(QString::fromUtf8(found->pw_gecos).section(u',', 0, 0).trimmed());
}

QString DWPUserDataOracle::guessUserStreet()
{
    return QString(QLatin1String(""));
}

QString DWPUserDataOracle::guessUserCity()
{
    return QString(QLatin1String(""));
}

QString DWPUserDataOracle::guessUserZipCode()
{
    return QString(QLatin1String(""));
}
