#include "DWPayment/NSData+Base64.h"
#include "DWPayment/NSDictionary+DWPExtension.h"
#include "DWPayment/NSLocale+DWPExtensions.h"
#include "DWPayment/NSString+DWPExtensions.h"
#include "DWPayment/NSURL+DWExtensions.h"

#include "platform/core/DWAssert.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/TemporaryXdg.h"

#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

using dw::test::ScopedEnv;

TEST(StoreBase64, LineBreaksAfterEvery64Characters)
{
    const QString one = dw::dataByEncodingBase64(QByteArray(48, 'x'));
    EXPECT_EQ(one.size(), 65);
    EXPECT_EQ(one.count(u'\n'), 1);
    EXPECT_TRUE(one.endsWith(u'\n'));
    EXPECT_EQ(dw::dataByEncodingBase64(QByteArray(49, 'x')).count(u'\n'), 2);
    EXPECT_FALSE(dw::dataByEncodingBase64(QByteArray(500, 'x'), false).contains(u'\n'));
    EXPECT_EQ(dw::dataByEncodingBase64(QByteArray("hello"), false), QStringLiteral("aGVsbG8="));
}

TEST(StoreBase64, RoundTripsInBothForms)
{
    for (int size : {0, 1, 2, 3, 47, 48, 49, 64, 511, 512, 513, 5000}) {
        SCOPED_TRACE(size);
        QByteArray bytes(size, Qt::Uninitialized);
        for (char& c : bytes)
            c = char(QRandomGenerator::global()->bounded(256));
        EXPECT_EQ(dw::dataByDecodingBase64(dw::dataByEncodingBase64(bytes)), bytes);
        EXPECT_EQ(dw::dataByDecodingBase64(dw::dataByEncodingBase64(bytes, false), false), bytes);
    }
    EXPECT_TRUE(dw::dataByDecodingBase64(QStringLiteral("!!!! not base64 ~~~")).isEmpty());
}

TEST(StoreText, XmlEscapingAndHtmlTest)
{
    const QString text = QStringLiteral("a<b & \"c\" 'd'>e &amp;");
    EXPECT_EQ(dw::stringByEscapingXMLEntities(text),
              QStringLiteral("a&lt;b &amp; &quot;c&quot; &apos;d&apos;&gt;e &amp;amp;"));
    EXPECT_EQ(dw::stringByUnescapingXMLEntities(dw::stringByEscapingXMLEntities(text)), text);
    EXPECT_TRUE(dw::containsHTML(QStringLiteral("first line\n<HTML><body>")));
    EXPECT_FALSE(dw::containsHTML(QStringLiteral("<htm>")));
}

TEST(StoreText, LanguageVariants)
{
    const QVariantMap dict{{QStringLiteral("name"), QVariantMap{{QStringLiteral("de"), QStringLiteral("Deutsch")},
                                                                {QStringLiteral("EN"), QStringLiteral("English")}}},
                           {QStringLiteral("plain"), QStringLiteral("Same")},
                           {QStringLiteral("nordic"), QVariantMap{{QStringLiteral("sv"), QStringLiteral("Svenska")}}}};
    EXPECT_EQ(dw::localizedObjectForKey(dict, QStringLiteral("name"), QStringLiteral("DE")), QStringLiteral("Deutsch"));
    EXPECT_FALSE(dw::localizedObjectForKey(dict, QStringLiteral("name"), QStringLiteral("fr")).isValid());
    EXPECT_EQ(dw::localizedObjectForKey(dict, QStringLiteral("name"), QStringLiteral("fr"), false).toMap().size(), 2);
    EXPECT_EQ(dw::localizedObjectForKey(dict, QStringLiteral("plain"), QStringLiteral("fr")), QStringLiteral("Same"));
    EXPECT_THROW(dw::localizedObjectForKey(dict, QStringLiteral("name"), QStringLiteral("deu")),
                 dw::InternalInconsistency);

    const struct
    {
        const char* language;
        const char* lang;
        const char* key;
        const char* expected; // nullptr: nil
    } rows[] = {{"de:en", "de_DE.UTF-8", "name", "Deutsch"},
                {"fr", "fr_FR.UTF-8", "name", "English"},
                {"", "de_AT.UTF-8", "name", "Deutsch"}, // the bare language follows the region form
                {"", "C.UTF-8", "name", "English"},
                {"fr", "fr_FR.UTF-8", "nordic", nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lang);
        ScopedEnv all("LC_ALL", std::nullopt);
        ScopedEnv messages("LC_MESSAGES", std::nullopt);
        ScopedEnv language("LANGUAGE", QByteArray(row.language));
        ScopedEnv lang("LANG", QByteArray(row.lang));
        const QVariant value = dw::localizedObjectForKey(dict, QString::fromLatin1(row.key));
        if (row.expected)
            EXPECT_EQ(value, QString::fromLatin1(row.expected));
        else
            EXPECT_FALSE(value.isValid());
    }
}

TEST(StoreText, PercentEscapesQueriesAndCharacterRemoval)
{
    using namespace dw::payment;
    // Only what may not stand in a URL is escaped; reserved characters stay.
    EXPECT_EQ(stringByAddingURLPercentEscapes(QStringLiteral("a b&c=d/é?#")), QStringLiteral("a%20b&c=d/%C3%A9?#"));
    EXPECT_EQ(stringByReplacingURLPercentEscapes(QStringLiteral("a%20b%C3%A9")), QStringLiteral("a bé"));
    for (const char* broken : {"%C3", "%zz", "50%"})
        EXPECT_TRUE(stringByReplacingURLPercentEscapes(QString::fromLatin1(broken)).isNull()) << broken;
    EXPECT_EQ(stringByRemovingCharactersInSet(QStringLiteral("a b\tc\n"),
                                              dw::CharacterSet::characters(QStringLiteral(" \t\n"))),
              QStringLiteral("abc"));
    EXPECT_FALSE(stringByRemovingCharactersInSet(QString(), dw::CharacterSet()).isNull());

    const QVariantMap query = parsedQuery(QUrl(QStringLiteral("dwpms://ignore?a=1&b&a=2&x=%20&y=1=2")));
    EXPECT_EQ(query, (QVariantMap{{QStringLiteral("a"), QStringLiteral("2")},
                                  {QStringLiteral("b"), QStringLiteral("")},
                                  {QStringLiteral("x"), QStringLiteral("%20")},
                                  {QStringLiteral("y"), QStringLiteral("1")}}));
    EXPECT_TRUE(parsedQuery(QUrl(QStringLiteral("dwpms://ignore"))).isEmpty());
}

TEST(StoreText, CountryNamesInTheBuyersLanguage)
{
    const QMap<QString, QString> english = dw::countryCodesAndNamesForLanguage(QStringLiteral("en"));
    EXPECT_EQ(english.value(QStringLiteral("DE")), QStringLiteral("Germany"));
    EXPECT_GT(english.size(), 200);
    const QMap<QString, QString> french = dw::countryCodesAndNamesForLanguage(QStringLiteral("fr"));
    EXPECT_EQ(french.value(QStringLiteral("DE")), QStringLiteral("Allemagne"));
    EXPECT_EQ(french.value(QStringLiteral("US")), QStringLiteral("États-Unis"));
    EXPECT_EQ(dw::countryCodesAndNamesForLanguage(QStringLiteral("de")).value(QStringLiteral("AT")),
              QStringLiteral("Österreich"));
    EXPECT_TRUE(dw::countryNamesForLanguage(QStringLiteral("fr")).contains(QStringLiteral("Royaume-Uni")));
    EXPECT_THROW(dw::countryCodesAndNamesForLanguage(QString()), dw::InternalInconsistency);
}

TEST(StoreReachability, OnlyAFinal200OrAReadableFile)
{
    dw::test::FakeHttpServer server;
    server.addRoute({.method = "HEAD", .path = "/here"}, dw::test::FakeHttpReply{});
    server.addRoute({.method = "HEAD", .path = "/gone"}, dw::test::FakeHttpReply{.status = 404});
    server.addRoute({.method = "HEAD", .path = "/moved"},
                    dw::test::FakeHttpReply{.status = 302, .headerFields = {{"Location", "/here"}}});
    server.addRoute({.method = "HEAD", .path = "/moved-away"},
                    dw::test::FakeHttpReply{.status = 301, .headerFields = {{"Location", "/gone"}}});
    dw::test::TemporaryXdg xdg;
    QFile file(xdg.path(QStringLiteral("page.html")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    const struct
    {
        QUrl url;
        bool reachable;
    } rows[] = {
        {QUrl(server.url(QStringLiteral("/here"))), true},
        {QUrl(server.url(QStringLiteral("/gone"))), false},
        {QUrl(server.url(QStringLiteral("/moved"))), true},
        {QUrl(server.url(QStringLiteral("/moved-away"))), false},
        {QUrl::fromLocalFile(file.fileName()), true},
        {QUrl::fromLocalFile(xdg.path(QStringLiteral("missing.html"))), false},
        {QUrl::fromLocalFile(xdg.root()), false}, // a folder is no file
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.url.toString().toStdString());
        EXPECT_EQ(dw::payment::isReachable(row.url), row.reachable);
    }
}

} // namespace
