#include "DWPayment/NSData+Base64.h"
#include "DWPayment/NSDictionary+DWPExtension.h"
#include "DWPayment/NSString+DWPExtensions.h"

#include "platform/core/DWAssert.h"
#include "tests/support/TemporaryXdg.h"

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

} // namespace
