#include "DWPayment/DWPUserDataOracle.h"
#include "DWPayment/DWPUserDefaultsKeys.h"

#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <gtest/gtest.h>

namespace {

using dw::test::ScopedEnv;

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

} // namespace
