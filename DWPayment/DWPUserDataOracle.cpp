#include "DWPayment/DWPUserDataOracle.h"

#include "DWPayment/DWPOwnCard.h"
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

QString accountFullName()
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

// The guesses that come from the own card, read once for all of them.
struct CardGuesses
{
    QString mail;
    QString name;
    QString street;
    QString city;
    QString zipCode;
};

QString addressEntry(const std::optional<DWPOwnCard>& card, const QString& key, const QString& label, bool allowPrimary)
{
    if (!card || card->addresses.entries.isEmpty())
        return QString();
    qsizetype index = -1;
    if (!findFirstMatch(card->addresses, label, &index)) {
        if (!allowPrimary || card->addresses.primaryIndex < 0)
            return QString();
        index = card->addresses.primaryIndex;
    }
    return card->addresses.entries.at(index).value.toMap().value(key).toString();
}

QString homeOrPrimary(const std::optional<DWPOwnCard>& card, const char* key)
{
    return emptyIfNull(addressEntry(card, QString::fromLatin1(key), QString::fromLatin1(kDWPHomeLabel), true));
}

QString mailGuess(const std::optional<DWPOwnCard>& card)
{
    if (!card)
        return qEnvironmentVariable("EMAIL").trimmed();
    if (card->emails.primaryIndex < 0)
        return QString(QLatin1String(""));
    return emptyIfNull(card->emails.entries.at(card->emails.primaryIndex).value.toString());
}

QString nameGuess(const std::optional<DWPOwnCard>& card)
{
    if (!card)
        return accountFullName();
    if (!card->firstName.isEmpty() && !card->lastName.isEmpty())
        return card->firstName + u' ' + card->lastName;
    if (!card->lastName.isEmpty())
        return card->lastName;
    return emptyIfNull(card->firstName);
}

} // namespace

void DWPUserDataOracle::registerGuesses()
{
    std::lock_guard lock(s_registrationMutex);
    if (s_registered)
        return;
    s_registered = true;
    // The card is read once here: asking the address book service takes a round trip per guess.
    const auto card = DWPOwnCard::me();
    dw::UserDefaults::standard().registerDefaults({
        {QString::fromLatin1(DWPUserCountry), guessUserCountry()},
        {QString::fromLatin1(DWPUserLanguage), guessUserLanguage()},
        {QString::fromLatin1(DWPUserMail), mailGuess(card)},
        {QString::fromLatin1(DWPUserName), nameGuess(card)},
        {QString::fromLatin1(DWPUserStreet), homeOrPrimary(card, kDWPAddressStreetKey)},
        {QString::fromLatin1(DWPUserCity), homeOrPrimary(card, kDWPAddressCityKey)},
        {QString::fromLatin1(DWPUserZipCode), homeOrPrimary(card, kDWPAddressZIPKey)},
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
    return mailGuess(DWPOwnCard::me());
}

QString DWPUserDataOracle::guessUserName()
{
    return nameGuess(DWPOwnCard::me());
}

QString DWPUserDataOracle::guessUserStreet()
{
    return homeOrPrimary(DWPOwnCard::me(), kDWPAddressStreetKey);
}

QString DWPUserDataOracle::guessUserCity()
{
    return homeOrPrimary(DWPOwnCard::me(), kDWPAddressCityKey);
}

QString DWPUserDataOracle::guessUserZipCode()
{
    return homeOrPrimary(DWPOwnCard::me(), kDWPAddressZIPKey);
}

QString DWPUserDataOracle::meAddressEntryForKey(const QString& key)
{
    return meAddressEntryForKey(key, QString::fromLatin1(kDWPHomeLabel), true);
}

QString DWPUserDataOracle::meAddressEntryForKey(const QString& key, const QString& label, bool allowPrimary)
{
    return addressEntry(DWPOwnCard::me(), key, label, allowPrimary);
}
