#include "DWKit/NSString+DWExtensions.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

// The character data of <r>...</r>, or nullopt when that is not well-formed XML.
std::optional<QString> xmlText(const QString& content)
{
    QXmlStreamReader reader(QStringLiteral("<r>") + content + QStringLiteral("</r>"));
    QString text;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isCharacters())
            text += reader.text();
    }
    if (reader.hasError())
        return std::nullopt;
    return text;
}

} // namespace

TEST(StringExtensions, UUIDIsCanonicalUpperCaseAndNew)
{
    static const QRegularExpression canonical(
        QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    const QString first = dw::UUID();
    EXPECT_TRUE(canonical.match(first).hasMatch()) << first.toStdString();
    EXPECT_NE(first, dw::UUID());
}

TEST(StringExtensions, ReplaceEveryOccurrence)
{
    struct Row
    {
        const char* name;
        QString text, target, replacement;
        Qt::CaseSensitivity cs;
        QString expected;
    } rows[] = {
        {"literal", "a.b.c", ".", "-", Qt::CaseSensitive, "a-b-c"},
        {"case matters by default", "AbAB", "ab", "x", Qt::CaseSensitive, "AbAB"},
        {"case-insensitive option", "AbAB", "ab", "x", Qt::CaseInsensitive, "xx"},
        {"empty target replaces nothing", "abc", "", "-", Qt::CaseSensitive, "abc"},
        {"replacement holding the target", "aa", "a", "aa", Qt::CaseSensitive, "aaaa"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dw::stringByReplacingEveryOccurrenceOfString(row.text, row.target, row.replacement, row.cs),
                  row.expected);
        QString mutableText = row.text;
        dw::replaceEveryOccurrenceOfString(mutableText, row.target, row.replacement, row.cs);
        EXPECT_EQ(mutableText, row.expected);
    }
}

TEST(StringExtensions, CaseInsensitiveComparisons)
{
    EXPECT_TRUE(dw::isEqualToStringIgnoringCase(QStringLiteral("Straße"), QStringLiteral("STRAßE")));
    EXPECT_FALSE(dw::isEqualToStringIgnoringCase(QString(), QStringLiteral("")));
    EXPECT_TRUE(dw::hasPrefixCaseInsensitive(QStringLiteral("Hello"), QStringLiteral("hE")));
    EXPECT_TRUE(dw::hasPrefixCaseInsensitive(QStringLiteral(""), QStringLiteral("")));
    EXPECT_FALSE(dw::hasPrefixCaseInsensitive(QStringLiteral("he"), QStringLiteral("hello")));
    EXPECT_EQ(dw::compareByLocalizedStringValue(QStringLiteral("apple"), QStringLiteral("Banana")), -1);
    EXPECT_EQ(dw::compareByLocalizedStringValue(QStringLiteral("B"), QStringLiteral("b")), 0);
    EXPECT_EQ(dw::compareByLocalizedStringValue(QStringLiteral("c"), QStringLiteral("B")), 1);
}

TEST(StringExtensions, CharacterFilters)
{
    const auto digits = dw::CharacterSet::range(U'0', U'9');
    EXPECT_EQ(dw::stringByRemovingCharactersInSet(QStringLiteral("a1b22c"), digits), QStringLiteral("abc"));
    EXPECT_EQ(dw::stringByRemovingEverythingExceptCharactersInSet(QStringLiteral("a1b22c"), digits),
              QStringLiteral("122"));
    // A character outside the BMP is removed or kept whole, never cut in half.
    const auto emoji = dw::CharacterSet::characters(QStringLiteral("\U0001F600"));
    EXPECT_EQ(dw::stringByRemovingCharactersInSet(QStringLiteral("a\U0001F600b"), emoji), QStringLiteral("ab"));
    EXPECT_EQ(dw::stringByRemovingEverythingExceptCharactersInSet(QStringLiteral("a\U0001F600b"), emoji),
              QStringLiteral("\U0001F600"));
    EXPECT_EQ(dw::stringByRemovingControlCharacters(QStringLiteral("a\tb\u200Dc\u0007\n\r")),
              QStringLiteral("abc\n\r"));
    EXPECT_EQ(dw::stringByRemovingEverythingExceptlowercaseASCIILetters(QStringLiteral("aBc-d\u00E9z9")),
              QStringLiteral("acdz"));
}

// The URL escapes keep the unreserved characters of RFC 3986 ("A-Za-z0-9-._~") in every case and
// the reserved ones unless asked to escape them; everything else, "%" included, is escaped as UTF-8.
TEST(StringExtensions, PercentEscapeCharacterSet)
{
    struct Row
    {
        const char* name;
        QString text;
        QString escaped;
        QString escapedIncludingReserved;
    } rows[] = {
        {"unreserved", "azAZ09-._~", "azAZ09-._~", "azAZ09-._~"},
        {"reserved",
         ":/?#[]@!$&'()*+,;=", ":/?#[]@!$&'()*+,;=", "%3A%2F%3F%23%5B%5D%40%21%24%26%27%28%29%2A%2B%2C%3B%3D"},
        {"never in a URL", " \"<>\\^`{|}%", "%20%22%3C%3E%5C%5E%60%7B%7C%7D%25", "%20%22%3C%3E%5C%5E%60%7B%7C%7D%25"},
        {"control characters", "\t\n\x7F", "%09%0A%7F", "%09%0A%7F"},
        {"non-ASCII as UTF-8", "\u00E9\u20AC\U0001F600", "%C3%A9%E2%82%AC%F0%9F%98%80", "%C3%A9%E2%82%AC%F0%9F%98%80"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dw::stringByAddingURLPercentEscapes(row.text), row.escaped);
        EXPECT_EQ(dw::stringByAddingURLPercentEscapesIncludingReservedCharacters(row.text),
                  row.escapedIncludingReserved);
        EXPECT_EQ(dw::stringByReplacingURLPercentEscapes(row.escaped), row.text);
        EXPECT_EQ(dw::stringByReplacingURLPercentEscapes(row.escapedIncludingReserved), row.text);
    }
    EXPECT_EQ(dw::stringByAddingMailtoSavePercentEscapes(QStringLiteral("a&b:c?d=e%f g")),
              QStringLiteral("a%26b%3Ac%3Fd%3De%f g"));
}

TEST(StringExtensions, ReplacingPercentEscapes)
{
    struct Row
    {
        const char* name;
        QString text;
        QString expected; // null: nil
    } rows[] = {
        {"blank", "x%20y", "x y"},
        {"lower-case hex and UTF-8", "%c3%a9", "\u00E9"},
        {"plus stays", "a+b", "a+b"},
        {"literal non-ASCII kept", "\u00E9%21", "\u00E9!"},
        {"empty", "", ""},
        {"not UTF-8", "%E9", QString()},
        {"truncated UTF-8", "%C3", QString()},
        {"percent at the end", "100%", QString()},
        {"not hexadecimal", "%zz", QString()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString decoded = dw::stringByReplacingURLPercentEscapes(row.text);
        EXPECT_EQ(decoded.isNull(), row.expected.isNull());
        EXPECT_EQ(decoded, row.expected);
    }
}

TEST(StringExtensions, URLComponentsAndParameters)
{
    EXPECT_EQ(dw::stringByAppendingURLComponent(QStringLiteral("base/"), QStringLiteral("x")),
              QStringLiteral("base/x"));
    EXPECT_EQ(dw::stringByAppendingURLComponent(QStringLiteral("base"), QStringLiteral("x")), QStringLiteral("base/x"));

    const QString base = QStringLiteral("https://h/p");
    EXPECT_EQ(dw::stringByAppendingURLParametersFromDictionary(base, {}), base);
    EXPECT_EQ(dw::stringByAppendingURLParametersFromDictionary(base, {{"b", "x y&z=1"}, {"a", 2}}),
              QStringLiteral("https://h/p?a=2&b=x%20y&z=1"));
    EXPECT_EQ(dw::stringByAppendingURLParametersFromDictionary(base + QStringLiteral("?q"), {{"a", "1"}}),
              QStringLiteral("https://h/p?q?a=1"));
}

TEST(StringExtensions, URLParametersParsing)
{
    struct Row
    {
        const char* name;
        QString query;
        QVariantMap expected;
    } rows[] = {
        {"pairs and a bare key", "a=1&b", {{"a", "1"}, {"b", ""}}},
        {"decoded value", "a=x%20y", {{"a", "x y"}}},
        {"decoded key", "k%20=1", {{"k ", "1"}}},
        {"bare key not decoded", "k%20", {{"k%20", ""}}},
        {"empty query", "", {{"", ""}}},
        {"later key wins", "a=1&a=2", {{"a", "2"}}},
        {"extra fields ignored", "a=b=c", {{"a", "b"}}},
        {"undecodable part left out", "a=%E9&b=2", {{"b", "2"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dw::URLParameters(row.query), row.expected);
    }
}

TEST(StringExtensions, CDataIsWellFormedForAnyTextAndUnwrapsToIt)
{
    EXPECT_EQ(dw::cdataString(QStringLiteral("a]]b")), QStringLiteral("<![CDATA[a]]>]]<![CDATA[b]]>"));
    EXPECT_EQ(dw::cdataString(QStringLiteral("]]")), QStringLiteral("]]"));
    EXPECT_EQ(dw::cdataString(QStringLiteral("")), QStringLiteral(""));

    const QString texts[] = {"",
                             "plain & <b>",
                             "a]]b",
                             "]]",
                             "a]]>b",
                             "]]>",
                             "a]",
                             "]]]]>",
                             "x<![CDATA[y",
                             "<![CDATA[a]]>",
                             "]]><![CDATA[]]>"};
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        const QString wrapped = dw::cdataString(text);
        EXPECT_EQ(xmlText(wrapped), std::optional<QString>(text)) << wrapped.toStdString();
        EXPECT_EQ(dw::stringByUnwrappingCData(wrapped), text);
    }
}

TEST(StringExtensions, UnwrappingCData)
{
    struct Row
    {
        const char* name;
        QString text;
        QString expected;
    };
    const Row rows[] = {
        {"section then text", "<![CDATA[a]]>b", "ab"},
        {"unterminated section", "x<![CDATA[unterminated", "xunterminated"},
        {"stray end after a section", "<![CDATA[a]]>b]]>c", "ab]]>c"},
        {"stray end before a section", "x]]>y<![CDATA[z]]>", "x]]>yz"},
        {"stray end only", "]]>", "]]>"},
        {"empty section", "<![CDATA[]]>", ""},
    };
    dw::ScopedConsoleCapture console;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString unwrapped = dw::stringByUnwrappingCData(row.text);
        EXPECT_EQ(unwrapped, row.expected);
        EXPECT_FALSE(unwrapped.isNull());
    }
    EXPECT_TRUE(console.lines().isEmpty());
    EXPECT_FALSE(dw::cdataString(QStringLiteral("")).isNull());
    EXPECT_TRUE(dw::cdataString(QString()).isNull());
    EXPECT_TRUE(dw::stringByUnwrappingCData(QString()).isNull());
}

TEST(StringExtensions, EscapingForCSVScriptsAndRTF)
{
    EXPECT_EQ(dw::stringByRemovingCSVUnsafeCharacters(QStringLiteral("a,b;\"c\"\td\r\n")),
              QStringLiteral("a_b_''c''    d"));
    EXPECT_EQ(dw::stringByEscapingForbiddenAppleScriptCharacters(QStringLiteral("say \"hi\" \\x")),
              QStringLiteral("say \\\"hi\\\" \\x"));

    struct Row
    {
        const char* name;
        QString text;
        QString rtf;
    } rows[] = {
        {"Latin-1", "\u00E9", "\\uc0\\u0233"},
        {"beyond Latin-1", "\u20AC", "\\uc0\\u8364"},
        {"surrogate pair as two units", "\U0001F600", "\\uc0\\u55357\\uc0\\u56832"},
        {"line feed as paragraph break", "a\nb", "a\n\\\nb"},
        {"RTF syntax characters", "{C:\\x}", "\\{C:\\\\x\\}"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dw::stringFormattedForRTF(row.text), row.rtf);
    }
}

TEST(StringExtensions, NextAvailablePath)
{
    QTemporaryDir dir;
    auto touch = [&](const QString& name) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    };
    touch(QStringLiteral("pic.jpg"));
    touch(QStringLiteral("pic 2.jpg"));
    EXPECT_EQ(dw::nextAvailablePathByAppendingNumber(dir.filePath(QStringLiteral("pic.jpg"))),
              dir.filePath(QStringLiteral("pic 3.jpg")));

    // A dangling link still takes its name: a write there would land wherever it points.
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone")), dir.filePath(QStringLiteral("pic 3.jpg"))));
    EXPECT_EQ(dw::nextAvailablePathByAppendingNumber(dir.filePath(QStringLiteral("pic.jpg"))),
              dir.filePath(QStringLiteral("pic 4.jpg")));

    EXPECT_EQ(dw::nextAvailablePathByAppendingNumber(dir.filePath(QStringLiteral("notes"))),
              dir.filePath(QStringLiteral("notes 2")));
    EXPECT_EQ(dw::nextAvailablePathByAppendingNumber(dir.filePath(QStringLiteral(".profile"))),
              dir.filePath(QStringLiteral(".profile 2")));
}

TEST(StringExtensions, TrailingStringsAndPieces)
{
    EXPECT_EQ(dw::substringWithoutTrailingString(QStringLiteral("abcxx"), QStringLiteral("x")), QStringLiteral("abc"));
    EXPECT_EQ(dw::substringWithoutTrailingString(QStringLiteral("abc"), QStringLiteral("")), QStringLiteral("abc"));
    EXPECT_EQ(dw::substringWithoutTrailingString(QStringLiteral("xx"), QStringLiteral("x")), QStringLiteral(""));

    EXPECT_EQ(dw::substringsOfLength(QStringLiteral("abcdefg"), 3),
              (QStringList{QStringLiteral("abc"), QStringLiteral("def"), QStringLiteral("g")}));
    EXPECT_EQ(dw::substringsOfLength(QStringLiteral("abcdef"), 3),
              (QStringList{QStringLiteral("abc"), QStringLiteral("def")}));
    EXPECT_TRUE(dw::substringsOfLength(QStringLiteral(""), 3).isEmpty());
    EXPECT_THROW(dw::substringsOfLength(QStringLiteral("abc"), 0), dw::InternalInconsistency);
}
