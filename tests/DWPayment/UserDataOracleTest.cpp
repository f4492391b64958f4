#include "DWPayment/DWPOwnCard.h"
#include "DWPayment/DWPUserDataOracle.h"
#include "DWPayment/DWPUserDefaultsKeys.h"

#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

using dw::test::ScopedEnv;

// Puts `vcard` where the user's own card is looked for; the address book service stays out of
// reach (no session bus).
class OwnCardScope
{
public:
    explicit OwnCardScope(const QByteArray& vcard) : m_bus("DBUS_SESSION_BUS_ADDRESS", std::nullopt)
    {
        const QString path = DWPOwnCard::vCardPath();
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(vcard);
    }

private:
    dw::test::TemporaryXdg m_xdg;
    ScopedEnv m_bus;
};

QByteArray card(const QByteArray& lines)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\n" + lines + "END:VCARD\r\n";
}

TEST(UserDataOracle, CountryFromTheTimeZone)
{
    const struct
    {
        const char* zone;
        const char* country;
    } rows[] = {{"Europe/Berlin", "DE"}, {"America/New_York", "US"}, {"Europe/Paris", "FR"}, {"UTC", "US"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.zone);
        ScopedEnv tz("TZ", QByteArray(row.zone));
        EXPECT_EQ(DWPUserDataOracle::guessUserCountry(), QString::fromLatin1(row.country));
    }
}

TEST(UserDataOracle, LanguageOnlyFromABareFirstPreference)
{
    const struct
    {
        const char* language;
        const char* lang;
        const char* guess;
    } rows[] = {{"de:en", "de_DE.UTF-8", "de"},
                {"", "de_DE.UTF-8", "en"},
                {"pt_BR:pt", "pt_BR.UTF-8", "en"},
                {"", "C.UTF-8", "en"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.language << " / " << row.lang);
        ScopedEnv all("LC_ALL", std::nullopt);
        ScopedEnv messages("LC_MESSAGES", std::nullopt);
        ScopedEnv language("LANGUAGE", QByteArray(row.language));
        ScopedEnv lang("LANG", QByteArray(row.lang));
        EXPECT_EQ(DWPUserDataOracle::guessUserLanguage(), QString::fromLatin1(row.guess));
    }
}

TEST(UserDataOracle, StoredDataWinsOverTheRegisteredGuesses)
{
    dw::test::TemporaryXdg xdg;
    ScopedEnv tz("TZ", QByteArray("Europe/Vienna"));
    ScopedEnv mail("EMAIL", QByteArray(" buyer@example.org "));
    DWPUserDataOracle::resetRegistration();

    EXPECT_EQ(DWPUserDataOracle::userCountry(), QStringLiteral("AT"));
    EXPECT_EQ(DWPUserDataOracle::userMail(), QStringLiteral("buyer@example.org"));
    EXPECT_EQ(DWPUserDataOracle::userStreet(), QStringLiteral(""));
    EXPECT_FALSE(DWPUserDataOracle::userStreet().isNull());

    auto& defaults = dw::UserDefaults::standard();
    defaults.setObject(QStringLiteral("FR"), QString::fromLatin1(dw::payment::DWPUserCountry));
    defaults.setObject(QStringLiteral("deu"), QString::fromLatin1(dw::payment::DWPUserLanguage));
    EXPECT_EQ(DWPUserDataOracle::userCountry(), QStringLiteral("FR"));
    EXPECT_EQ(DWPUserDataOracle::userLanguage(), QStringLiteral("en"));
    DWPUserDataOracle::resetRegistration();
}

TEST(UserDataOracle, OwnCardGuesses)
{
    const struct
    {
        const char* name;
        QByteArray vcard;
        const char* fullName;
        const char* mail;
        const char* street;
        const char* city;
        const char* zip;
    } rows[] = {
        // The home address wins over a preferred work address; the preferred e-mail is the guess.
        {"home and preferred work", dw::test::fixture(QStringLiteral("DWPayment/OwnCardHomeAndPreferredWork.vcf")),
         "Ada Dunmerrow", "ada@home.example", "Elm Street 5, rear", "Hometown", "22222"},
        // A work address alone is the primary entry.
        {"work only", card("N:Quell;;;;\r\nADR;TYPE=WORK:;;Dock 4;Portby;;33333;\r\n"), "Quell", "", "Dock 4", "Portby",
         "33333"},
        {"first name only", card("N:;Ada;;;\r\nEMAIL:ada@example.org\r\n"), "Ada", "ada@example.org", "", "", ""},
        // The vCard 4 form of a preference.
        {"numbered preference", card("EMAIL;PREF=2:b@example.org\r\nEMAIL;PREF=1:a@example.org\r\n"), "",
         "a@example.org", "", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        OwnCardScope scope(row.vcard);
        ScopedEnv mail("EMAIL", QByteArray("env@example.org"));
        EXPECT_EQ(DWPUserDataOracle::guessUserName(), QString::fromUtf8(row.fullName));
        EXPECT_EQ(DWPUserDataOracle::guessUserMail(), QString::fromUtf8(row.mail));
        EXPECT_EQ(DWPUserDataOracle::guessUserStreet(), QString::fromUtf8(row.street));
        EXPECT_EQ(DWPUserDataOracle::guessUserCity(), QString::fromUtf8(row.city));
        EXPECT_EQ(DWPUserDataOracle::guessUserZipCode(), QString::fromUtf8(row.zip));
        EXPECT_FALSE(DWPUserDataOracle::guessUserStreet().isNull());
    }
}

TEST(UserDataOracle, AddressEntryByLabelAndPrimary)
{
    OwnCardScope scope(dw::test::fixture(QStringLiteral("DWPayment/OwnCardHomeAndPreferredWork.vcf")));
    const QString street = QString::fromLatin1(kDWPAddressStreetKey);
    EXPECT_EQ(DWPUserDataOracle::meAddressEntryForKey(street, QStringLiteral("work"), false),
              QStringLiteral("1 Office Park"));
    // No such label: the primary entry only when allowed.
    EXPECT_TRUE(DWPUserDataOracle::meAddressEntryForKey(street, QStringLiteral("other"), false).isNull());
    EXPECT_EQ(DWPUserDataOracle::meAddressEntryForKey(street, QStringLiteral("other"), true),
              QStringLiteral("1 Office Park"));
    // A key the entry lacks.
    EXPECT_TRUE(DWPUserDataOracle::meAddressEntryForKey(QStringLiteral("State")).isNull());

    DWPMultiValue labels;
    labels.entries = {{QStringLiteral("work"), 1}, {QStringLiteral("home"), 2}, {QStringLiteral("home"), 3}};
    qsizetype index = 99;
    EXPECT_TRUE(findFirstMatch(labels, QStringLiteral("home"), &index));
    EXPECT_EQ(index, 1);
    index = 99;
    EXPECT_FALSE(findFirstMatch(labels, QStringLiteral("other"), &index));
    EXPECT_EQ(index, 99);
}

TEST(UserDataOracle, WithoutAnOwnCardTheAddressStaysEmpty)
{
    dw::test::TemporaryXdg xdg;
    // A session bus address that leads nowhere: asking the address book service fails quietly.
    ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", QByteArray("unix:path=") + xdg.path(QStringLiteral("no-bus")).toUtf8());
    ScopedEnv mail("EMAIL", QByteArray("env@example.org"));
    EXPECT_FALSE(DWPOwnCard::me());
    EXPECT_EQ(DWPUserDataOracle::guessUserMail(), QStringLiteral("env@example.org"));
    EXPECT_EQ(DWPUserDataOracle::guessUserStreet(), QStringLiteral(""));
    EXPECT_TRUE(DWPUserDataOracle::meAddressEntryForKey(QString::fromLatin1(kDWPAddressCityKey)).isNull());
    EXPECT_FALSE(DWPOwnCard::fromVCard("no card here"));
}

} // namespace
