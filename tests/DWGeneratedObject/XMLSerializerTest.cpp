#include "fixtures/FixtureAmountType.h"
#include "fixtures/FixtureAwkwardType.h"
#include "fixtures/FixtureBinaryType.h"
#include "fixtures/FixtureCredentialsType.h"
#include "fixtures/FixtureEchoRequestType.h"
#include "fixtures/FixtureEchoResponseType.h"
#include "fixtures/FixtureMeasureType.h"
#include "fixtures/FixtureNodeType.h"
#include "fixtures/FixtureRecordType.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

namespace {

QVariant object(const DWGeneratedObjectPtr& value)
{
    return DWGeneratedObject::variantFromObject(value);
}

std::shared_ptr<FixtureAmountType> amount(double contents, const QString& currency)
{
    auto result = FixtureAmountType::amountType();
    result->setContents(contents);
    result->setCurrencyID(currency);
    return result;
}

QDateTime utc(const QString& text)
{
    QDateTime value = QDateTime::fromString(text, Qt::ISODateWithMs);
    value.setTimeSpec(Qt::UTC);
    return value;
}

std::shared_ptr<FixtureRecordType> readRecord(const QString& xml)
{
    QString error;
    auto record = FixtureRecordType::requestWithXMLData(xml.toUtf8(), &error);
    EXPECT_TRUE(record) << error.toStdString() << "\n" << xml.toStdString();
    return record;
}

std::shared_ptr<FixtureRecordType> roundTrip(const FixtureRecordType& record)
{
    return readRecord(record.xmlRequest());
}

QByteArray allBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

} // namespace

// Run by the second test run under a German locale: proves that it really ran there.
TEST(XMLSerializer, RunsInTheRequestedLocale)
{
    const char* expected = std::getenv("QV_EXPECT_DECIMAL_POINT");
    if (!expected)
        GTEST_SKIP() << "no locale requested";
    EXPECT_STREQ(std::localeconv()->decimal_point, expected);
}

TEST(XMLSerializer, EveryStorageKindRoundTrips)
{
    auto binary = FixtureBinaryType::binaryType();
    binary->setContents(allBytes());
    binary->setContentType(QStringLiteral("image/jpeg"));
    auto measure = FixtureMeasureType::measureType();
    measure->setContents(QStringLiteral("0.5"));
    measure->setUnit(QStringLiteral("kg"));

    struct Case
    {
        const char* name;
        const char* key;
        QVariant value;
    };
    const Case cases[] = {
        {"text with markup characters", "title", QStringLiteral("Ünïcødé & <b>\"quoted\"</b> 'apos' > €")},
        {"empty text stays empty, not unset", "title", QStringLiteral("")},
        {"white space only", "title", QStringLiteral("  ")},
        {"line breaks, tabs, carriage returns", "title", QStringLiteral("one\ntwo\tthree\r\nfour\r")},
        {"text outside the BMP", "title", QStringLiteral("\U0001F600 smile")},
        {"ID type as text", "itemID", QStringLiteral("110012345678")},
        {"date with milliseconds", "startTime", utc(QStringLiteral("2024-02-29T23:59:58.123"))},
        {"date before 1970", "startTime", utc(QStringLiteral("1969-07-20T20:17:40.000"))},
        {"bytes", "picture", allBytes()},
        {"empty bytes", "picture", QByteArray("")},
        {"BOOL", "enabled", true},
        {"int", "count", qlonglong(42)},
        {"negative int", "count", qlonglong(-7)},
        {"long long beyond 32 bits", "bigCount", qlonglong(9007199254740993LL)},
        {"float", "ratio", 0.1},
        {"tiny double never in exponent form", "price", 1e-7},
        {"huge double", "price", 1e21},
        {"negative double", "price", -0.5},
        {"amount (simple content + attribute)", "amount", object(amount(12.5, QStringLiteral("EUR")))},
        {"amount of 0", "amount", object(amount(0.0, QStringLiteral("USD")))},
        {"bytes as simple content", "binary", object(binary)},
        {"text as simple content", "length", object(measure)},
        {"description", "description", QStringLiteral("Mint condition")},
        {"text attribute with markup", "identifier", QStringLiteral("A&B<\"x\">\ty\nz")},
        {"BOOL attribute", "visible", true},
        {"int attribute", "level", qlonglong(3)},
        {"double attribute", "rate", 2.5},
        {"repeated text", "notes", QVariantList{QStringLiteral("a"), QStringLiteral(""), QStringLiteral("c")}},
        {"repeated records", "amountss",
         QVariantList{object(amount(1, QStringLiteral("USD"))), object(amount(2.25, QStringLiteral("GBP")))}},
        {"repeated dates", "stamps", QVariantList{utc(QStringLiteral("2024-01-01T00:00:00.001"))}},
        {"repeated bytes", "blobs", QVariantList{QByteArray("\x01\x02"), QByteArray("xyz")}},
        {"repeated ID", "iDs", QVariantList{QStringLiteral("1"), QStringLiteral("2")}},
        {"repeated without add operation", "domains", QVariantList{QStringLiteral("7")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto record = FixtureRecordType::recordType();
        ASSERT_TRUE(record->setValueForKey(c.value, QString::fromLatin1(c.key)));
        const QString xml = record->xmlRequest();
        auto back = readRecord(xml);
        ASSERT_TRUE(back);
        EXPECT_TRUE(back->isEqual(*record)) << xml.toStdString();
    }
}

TEST(XMLSerializer, WholeMessageRoundTripsWithItsBaseRows)
{
    auto request = FixtureEchoRequestType::echoRequestType();
    request->setVersion(QStringLiteral("747"));
    auto credentials = FixtureCredentialsType::credentialsType();
    credentials->setEBayAuthToken(QStringLiteral("TOKEN"));
    request->setRequesterCredentials(credentials);
    request->addDetailLevel(QStringLiteral("ReturnAll"));
    auto record = FixtureRecordType::recordType();
    record->setIdentifier(QStringLiteral("r1"));
    record->setTitle(QStringLiteral("T"));
    record->setAmount(amount(9.99, QStringLiteral("USD")));
    request->setRecord(record);
    request->setUrgent(true);
    request->addTag(QStringLiteral("a"));

    // The declaration, the namespace on the root only, unprefixed names, the base's rows first.
    EXPECT_EQ(request->xmlRequest(),
              QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                             "<EchoRequest xmlns=\"urn:ebay:apis:eBLBaseComponents\"><Version>747</Version>"
                             "<RequesterCredentials><eBayAuthToken>TOKEN</eBayAuthToken></RequesterCredentials>"
                             "<DetailLevel>ReturnAll</DetailLevel><Record id=\"r1\"><Title>T</Title>"
                             "<Amount currencyID=\"USD\">9.99</Amount></Record><Urgent>true</Urgent><Tag>a</Tag>"
                             "</EchoRequest>"));

    QString error;
    auto back = FixtureEchoRequestType::requestWithXMLData(request->xmlRequestData(), &error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_TRUE(back->isEqual(*request));
    EXPECT_EQ(back->requesterCredentials()->eBayAuthToken(), QStringLiteral("TOKEN"));
}

TEST(XMLSerializer, ZerosAreLeftOutUnlessRequired)
{
    auto record = FixtureRecordType::recordType();
    record->setTitle(QStringLiteral("x"));
    record->setAmount(amount(0.0, QStringLiteral("USD")));
    const QString recordXml = record->xmlRequest();
    EXPECT_TRUE(recordXml.contains(QStringLiteral("<Amount currencyID=\"USD\">0</Amount>"))) << recordXml.toStdString();
    for (const char* absent : {"<Enabled", "<Count", "<BigCount", "<Ratio", "<Price", "visible=", "level=", "rate="})
        EXPECT_FALSE(recordXml.contains(QString::fromLatin1(absent))) << absent;

    auto awkward = FixtureAwkwardType::awkwardType();
    const QString awkwardXml = awkward->xmlRequest();
    EXPECT_TRUE(awkwardXml.contains(QStringLiteral("<Delete>false</Delete>")));
    EXPECT_TRUE(awkwardXml.contains(QStringLiteral("<Quantity>0</Quantity>")));
    for (const char* absent : {"<Size", "<Default", "<Virtual", "<Class", "<Errors"})
        EXPECT_FALSE(awkwardXml.contains(QString::fromLatin1(absent))) << absent;

    awkward->setSize(2);
    awkward->setVirtual(true);
    EXPECT_TRUE(awkward->xmlRequest().contains(QStringLiteral("<Size>2</Size>")));
    EXPECT_TRUE(awkward->xmlRequest().contains(QStringLiteral("<Virtual>true</Virtual>")));
}

TEST(XMLSerializer, RepeatedElementsKeepDocumentOrder)
{
    auto record = readRecord(QStringLiteral("<Record><Note>1</Note><Title>t</Title><Note>2</Note>"
                                            "<Amounts currencyID=\"A\">1</Amounts><Note>3</Note>"
                                            "<Amounts currencyID=\"B\">2</Amounts></Record>"));
    ASSERT_TRUE(record && record->notes() && record->amountss());
    EXPECT_EQ(*record->notes(), (QList<QString>{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    ASSERT_EQ(record->amountss()->size(), 2);
    EXPECT_EQ(record->amountss()->at(0)->currencyID(), QStringLiteral("A"));
    EXPECT_EQ(record->amountss()->at(1)->currencyID(), QStringLiteral("B"));
}

TEST(XMLSerializer, UnknownElementsAndAttributesAreSkipped)
{
    auto response = FixtureEchoResponseType::requestWithXMLData(
        "<?xml version=\"1.0\"?><e:EchoResponse xmlns:e=\"urn:ebay:apis:eBLBaseComponents\" unknown=\"1\">"
        "<e:Unknown><e:Ack>Failure</e:Ack><Title>inner</Title></e:Unknown>"
        "<e:Ack>Success</e:Ack><e:NewerThanUs a=\"b\">text<Deep/></e:NewerThanUs>"
        "<e:Record strange=\"x\" id=\"7\"><e:Title>outer</e:Title><Fresh>1</Fresh></e:Record>"
        "</e:EchoResponse>");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->ack(), QStringLiteral("Success"));
    ASSERT_TRUE(response->record());
    EXPECT_EQ(response->record()->title(), QStringLiteral("outer"));
    EXPECT_EQ(response->record()->identifier(), QStringLiteral("7"));
}

TEST(XMLSerializer, ReaderAcceptsTheSchemaForms)
{
    struct Case
    {
        const char* name;
        const char* xml;
        const char* key;
        QVariant expected;
    };
    const QDateTime instant = utc(QStringLiteral("2024-01-02T03:04:05.000"));
    const Case cases[] = {
        {"true", "<Enabled>true</Enabled>", "enabled", true},
        {"1", "<Enabled>1</Enabled>", "enabled", true},
        {"true in white space", "<Enabled> true\n</Enabled>", "enabled", true},
        {"false", "<Enabled>false</Enabled>", "enabled", false},
        {"0", "<Enabled>0</Enabled>", "enabled", false},
        {"date with zone Z", "<StartTime>2024-01-02T03:04:05Z</StartTime>", "startTime", instant},
        {"date without zone is UTC", "<StartTime>2024-01-02T03:04:05</StartTime>", "startTime", instant},
        {"date with offset", "<StartTime>2024-01-02T05:34:05+02:30</StartTime>", "startTime", instant},
        {"date with negative offset", "<StartTime>2024-01-01T22:04:05-05:00</StartTime>", "startTime", instant},
        {"date with fraction", "<StartTime>2024-01-02T03:04:05.250Z</StartTime>", "startTime", instant.addMSecs(250)},
        {"microseconds are cut to milliseconds", "<StartTime>2024-01-02T03:04:05.999999Z</StartTime>", "startTime",
         instant.addMSecs(999)},
        {"a date that is no date stays unset", "<StartTime>tomorrow</StartTime>", "startTime", QVariant()},
        {"date with a zone beyond 14 hours stays unset", "<StartTime>2024-01-02T03:04:05+15:00</StartTime>",
         "startTime", QVariant()},
        {"date with month 13 stays unset", "<StartTime>2024-13-02T03:04:05Z</StartTime>", "startTime", QVariant()},
        {"date with a point but no fraction stays unset", "<StartTime>2024-01-02T03:04:05.Z</StartTime>", "startTime",
         QVariant()},
        {"date followed by more text stays unset", "<StartTime>2024-01-02T03:04:05Zx</StartTime>", "startTime",
         QVariant()},
        {"integer in white space", "<Count> 42 </Count>", "count", qlonglong(42)},
        {"text after an integer is ignored", "<Count>12abc</Count>", "count", qlonglong(12)},
        {"largest integer", "<BigCount>9223372036854775807</BigCount>", "bigCount", qlonglong(9223372036854775807LL)},
        {"smallest integer", "<BigCount>-9223372036854775808</BigCount>", "bigCount",
         qlonglong(-9223372036854775807LL - 1)},
        {"number too small for a double reads as 0", "<Price>1e-99999</Price>", "price", 0.0},
        {"exponent", "<Price>-1.5e3</Price>", "price", -1500.0},
        {"decimal point", "<Price>12.50</Price>", "price", 12.5},
        {"Base64 across lines", "<Picture>AAEC\nAwQ=</Picture>", "picture", QByteArray("\x00\x01\x02\x03\x04", 5)},
        {"text and CDATA pieces joined", "<Title>a<![CDATA[<b>]]>c</Title>", "title", QStringLiteral("a<b>c")},
        {"character references", "<Title>&lt;&amp;&#233;&#x20AC;</Title>", "title", QStringLiteral("<&é€")},
        {"self-closed text element", "<Title/>", "title", QStringLiteral("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto record = readRecord(QStringLiteral("<Record>%1</Record>").arg(QString::fromUtf8(c.xml)));
        ASSERT_TRUE(record);
        const QVariant value = record->valueForKey(QString::fromLatin1(c.key));
        EXPECT_EQ(value, c.expected);
        if (c.expected.metaType() == QMetaType::fromType<QString>()) {
            EXPECT_FALSE(value.toString().isNull());
        }
    }
}

TEST(XMLSerializer, CDataWrappedValuesReadBackAsTheirText)
{
    struct Case
    {
        const char* name;
        QString value;
        QString written;
        QString readBack;
    };
    const Case cases[] = {
        {"markup inside", QStringLiteral("<![CDATA[plain <b>bold</b> & more]]>"),
         QStringLiteral("<Title><![CDATA[plain <b>bold</b> & more]]></Title>"),
         QStringLiteral("plain <b>bold</b> & more")},
        {"terminator inside is split", QStringLiteral("<![CDATA[a]]>b]]>"),
         QStringLiteral("<Title><![CDATA[a]]]]><![CDATA[>b]]></Title>"), QStringLiteral("a]]>b")},
        {"terminator at both ends", QStringLiteral("<![CDATA[]]>]]>"),
         QStringLiteral("<Title><![CDATA[]]]]><![CDATA[>]]></Title>"), QStringLiteral("]]>")},
        {"empty section", QStringLiteral("<![CDATA[]]>"), QStringLiteral("<Title><![CDATA[]]></Title>"),
         QStringLiteral("")},
        {"unterminated wrapping is plain text", QStringLiteral("<![CDATA[x"),
         QStringLiteral("<Title>&lt;![CDATA[x</Title>"), QStringLiteral("<![CDATA[x")},
        {"terminator in plain text is escaped", QStringLiteral("a]]>b"), QStringLiteral("<Title>a]]&gt;b</Title>"),
         QStringLiteral("a]]>b")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto record = FixtureRecordType::recordType();
        record->setTitle(c.value);
        const QString xml = record->xmlRequest();
        EXPECT_TRUE(xml.contains(c.written)) << xml.toStdString();
        auto back = readRecord(xml);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->title(), c.readBack);
    }
}

TEST(XMLSerializer, CharactersThatXmlCannotCarryAreDropped)
{
    const QString unpairedSurrogate(QChar(0xD800));
    auto record = FixtureRecordType::recordType();
    record->setTitle(QStringLiteral("a\x01"
                                    "b\x0B"
                                    "c\x1F"
                                    "d") +
                     QChar(0xFFFE) + unpairedSurrogate + QStringLiteral("e\tf\ng"));
    record->setDescription(QStringLiteral("<![CDATA[x\x02y]]>"));
    record->setIdentifier(QStringLiteral("i\x7Fj\x08k"));
    auto back = roundTrip(*record);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->title(), QStringLiteral("abcde\tf\ng"));
    EXPECT_EQ(back->description(), QStringLiteral("xy"));
    EXPECT_EQ(back->identifier(), QStringLiteral("i\x7Fjk")); // DEL is allowed in XML 1.0
}

TEST(XMLSerializer, BytesAreTheUtf8OfTheTextAndReadBack)
{
    const QString pair = QStringLiteral("\U0001F600");
    const QString high(QChar(0xD83D));
    const QString low(QChar(0xDE00));
    // Long enough for eight characters at a time, with the odd one at every position of a chunk.
    const QString mixed = QStringLiteral("abcdefg\u00E9hijklmn\u20ACopqrstu") + pair + QStringLiteral("vwxyz12");
    const QString mixedAtEveryOffset = mixed + mixed.mid(1) + mixed.mid(3) + mixed.mid(6);
    const QString longText = QString(3000, QChar(0x20AC)) + mixed.repeated(500);
    struct Case
    {
        const char* name;
        QString text;
        QString kept; // what a reader gets back
    };
    const Case cases[] = {
        {"ASCII", QStringLiteral("Vintage camera, lens clean & clear <35mm>"),
         QStringLiteral("Vintage camera, lens clean & clear <35mm>")},
        {"two and three bytes", QStringLiteral("Caf\u00E9 \u20AC 20 \u2013 \u65E5\u672C\u8A9E \uFFFD"),
         QStringLiteral("Caf\u00E9 \u20AC 20 \u2013 \u65E5\u672C\u8A9E \uFFFD")},
        {"outside the BMP", pair + QStringLiteral(" smile ") + pair + pair,
         pair + QStringLiteral(" smile ") + pair + pair},
        {"a pair across a chunk", QStringLiteral("1234567") + pair + QStringLiteral("89abcdefgh"),
         QStringLiteral("1234567") + pair + QStringLiteral("89abcdefgh")},
        {"mixed at every offset", mixedAtEveryOffset, mixedAtEveryOffset},
        {"beyond ASCII only", QString(40, QChar(0x0416)), QString(40, QChar(0x0416))},
        {"dropped characters",
         QStringLiteral("a\x01"
                        "b\x0B"
                        "c\x1F\x7F") +
             QChar(0xFFFE) + QChar(0xFFFF) + QStringLiteral("d\n\te"),
         QStringLiteral("abc\x7F"
                        "d\n\te")},
        {"lone surrogates", high + QStringLiteral("x") + low + QStringLiteral("12345678") + low + high + pair + high,
         QStringLiteral("x12345678") + pair},
        {"terminators", QStringLiteral("]]>a]]]]>>") + pair + QStringLiteral("]]>"),
         QStringLiteral("]]>a]]]]>>") + pair + QStringLiteral("]]>")},
        {"long text grows the document", longText + high, longText},
        {"short again", QStringLiteral("\u00E9"), QStringLiteral("\u00E9")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto record = FixtureRecordType::recordType();
        record->setTitle(c.text);
        record->setIdentifier(c.text);
        record->setDescription(QStringLiteral("<![CDATA[") + c.text + QStringLiteral("]]>"));
        record->addNote(c.text + QStringLiteral("]]>"));
        const QByteArray bytes = record->xmlRequestData();
        EXPECT_EQ(bytes, record->xmlRequest().toUtf8());
        QString error;
        auto back = FixtureRecordType::requestWithXMLData(bytes, &error);
        ASSERT_TRUE(back) << error.toStdString();
        EXPECT_EQ(back->title(), c.kept);
        EXPECT_EQ(back->identifier(), c.kept);
        EXPECT_EQ(back->description(), c.kept);
        ASSERT_TRUE(back->notes());
        EXPECT_EQ(back->notes()->value(0), c.kept + QStringLiteral("]]>"));
    }
}

TEST(XMLSerializer, NumbersOutOfRangeFailTheReadWithALogLine)
{
    struct Case
    {
        const char* name;
        const char* attributes;
        const char* children;
    };
    const Case cases[] = {
        {"integer above the range", "", "<Count>9223372036854775808</Count>"},
        {"integer far above the range", "", "<BigCount> 99999999999999999999 </BigCount>"},
        {"integer below the range", "", "<BigCount>-9223372036854775809</BigCount>"},
        {"double beyond the range", "", "<Price>1e99999</Price>"},
        {"negative double beyond the range", "", "<Ratio>-1e400</Ratio>"},
        {"integer attribute", " level=\"99999999999999999999\"", ""},
        {"double attribute", " rate=\"1e309\"", ""},
        {"simple content", "", "<Amount currencyID=\"USD\">1e99999</Amount>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dw::ScopedConsoleCapture console;
        auto record = FixtureRecordType::recordType();
        QString error;
        const QString xml = QStringLiteral("<Record%1><Title>before</Title>%2<Note>after</Note></Record>")
                                .arg(QString::fromUtf8(c.attributes), QString::fromUtf8(c.children));
        EXPECT_FALSE(record->initWithXMLRequest(xml, &error));
        EXPECT_TRUE(error.startsWith(QStringLiteral("The XML document holds a number out of range")))
            << error.toStdString();
        EXPECT_TRUE(record->isEqual(*FixtureRecordType::recordType())) << "a failed read leaves nothing behind";
        EXPECT_TRUE(console.contains(QStringLiteral("number out of range")))
            << console.lines().join(u'\n').toStdString();
    }
}

TEST(XMLSerializer, ReaderKeepsOnlyWhatTheWriterCanSend)
{
    struct Case
    {
        const char* name;
        const char* xml;
        const char* key;
        QVariant expected;
    };
    const Case cases[] = {
        {"control characters as references", "<Title>a&#1;b&#x1F;c&#8;d</Title>", "title", QStringLiteral("abcd")},
        {"control characters as raw bytes",
         "<Title>a\x02"
         "b\x7f</Title>",
         "title", QStringLiteral("ab\x7f")},
        {"non-characters", "<Title>x&#xFFFE;y&#xFFFF;z\xef\xbf\xbe</Title>", "title", QStringLiteral("xyz")},
        {"characters that merely share a lead byte stay", "<Title>\xef\xbc\xa1&#xFFFD;</Title>", "title",
         QStringLiteral("\uFF21\uFFFD")},
        {"line breaks, tabs and returns stay", "<Title>a&#13;&#10;b&#9;c</Title>", "title",
         QStringLiteral("a\r\nb\tc")},
        {"nothing left is still text", "<Title>&#1;</Title>", "title", QStringLiteral("")},
        {"repeated text", "<Note>&#2;n&#3;</Note>", "notes", QVariantList{QStringLiteral("n")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto record =
            readRecord(QString::fromUtf8(c.xml).prepend(QStringLiteral("<Record>")) + QStringLiteral("</Record>"));
        ASSERT_TRUE(record);
        EXPECT_EQ(record->valueForKey(QString::fromLatin1(c.key)), c.expected);
        // Written and read again, the record is the same.
        auto again = roundTrip(*record);
        ASSERT_TRUE(again);
        EXPECT_TRUE(again->isEqual(*record)) << record->xmlRequest().toStdString();
    }

    auto attribute = readRecord(QStringLiteral("<Record id=\"i&#7;d\" />"));
    ASSERT_TRUE(attribute);
    EXPECT_EQ(attribute->identifier(), QStringLiteral("id"));
    // Simple content of nothing but such characters is no content, as the writer writes none.
    auto measure = FixtureMeasureType::requestWithXMLData("<Length unit=\"kg\">&#1;</Length>");
    ASSERT_TRUE(measure);
    EXPECT_TRUE(measure->contents().isNull());
    EXPECT_TRUE(FixtureMeasureType::requestWithXMLData(measure->xmlRequestData())->isEqual(*measure));
}

TEST(XMLSerializer, NumbersAndDatesAreWrittenInTheirLexicalForms)
{
    for (double value : {0.1, 1e-7, 1e21, -0.5, 100.0, 123456.789, 2.675, 5e-324, 1.7976931348623157e308}) {
        SCOPED_TRACE(value);
        auto record = FixtureRecordType::recordType();
        record->setPrice(value);
        const QString xml = record->xmlRequest();
        EXPECT_TRUE(xml.contains(QStringLiteral("<Price>") + dw::numberText(value) + QStringLiteral("</Price>")))
            << xml.toStdString();
    }
    auto record = FixtureRecordType::recordType();
    record->setStartTime(QDateTime(QDate(2024, 3, 1), QTime(10, 30, 0, 7), Qt::OffsetFromUTC, 3600));
    record->setCount(-9223372036854775807LL - 1);
    const QString xml = record->xmlRequest();
    EXPECT_TRUE(xml.contains(QStringLiteral("<StartTime>2024-03-01T09:30:00.007Z</StartTime>"))) << xml.toStdString();
    EXPECT_TRUE(xml.contains(QStringLiteral("<Count>-9223372036854775808</Count>"))) << xml.toStdString();
}

TEST(XMLSerializer, MalformedInputFailsAsAWhole)
{
    const char* cases[] = {
        "",
        "   ",
        "not xml at all",
        "<EchoResponse>",
        "<EchoResponse><Ack>Success</Ack>",
        "<EchoResponse><Ack>Success</EchoResponse>",
        "<EchoResponse><Ack>Success</Ack></EchoResponse",
        "<EchoResponse><Ack a=>Success</Ack></EchoResponse>",
        "<EchoResponse/><EchoResponse/>",
        "<html><body><p>Service unavailable<br></body></html>",
    };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        QString error;
        EXPECT_FALSE(FixtureEchoResponseType::requestWithXMLData(QByteArray(text), &error));
        EXPECT_TRUE(error.startsWith(QStringLiteral("The XML document "))) << error.toStdString();
    }
}

TEST(XMLSerializer, NestingBeyondTheCapFailsAndLeavesNothingBehind)
{
    auto nested = [](int levels) {
        QByteArray xml = "<Node><Name>top</Name>";
        for (int i = 0; i < levels; ++i)
            xml += "<Child>";
        for (int i = 0; i < levels; ++i)
            xml += "</Child>";
        xml += "</Node>";
        return xml;
    };
    QString error;
    EXPECT_TRUE(FixtureNodeType::requestWithXMLData(nested(DWGeneratedObject::kMaxNestingDepth), &error))
        << error.toStdString();

    auto node = FixtureNodeType::nodeType();
    EXPECT_FALSE(node->initWithXMLRequestData(nested(DWGeneratedObject::kMaxNestingDepth + 1), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("deeper"))) << error.toStdString();
    EXPECT_TRUE(node->name().isNull());
    EXPECT_FALSE(node->childs());

    // Far deeper than any stack would take, whether the levels are known elements or not.
    EXPECT_FALSE(FixtureNodeType::requestWithXMLData(nested(200000)));
    QByteArray unknown = "<Node>";
    for (int i = 0; i < 200000; ++i)
        unknown += "<Unknown>";
    for (int i = 0; i < 200000; ++i)
        unknown += "</Unknown>";
    unknown += "</Node>";
    EXPECT_TRUE(FixtureNodeType::requestWithXMLData(unknown));
}

TEST(XMLSerializer, WritingARecordThatContainsItselfIsRefused)
{
    auto node = FixtureNodeType::nodeType();
    node->addChild(node);
    EXPECT_THROW((void)node->xmlRequest(), dw::InternalInconsistency);
    node->setChilds(nullptr); // break the cycle again
}

TEST(XMLSerializer, EncodingsOfBytesAndOfText)
{
    const QByteArray latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Record><Title>caf\xe9</Title></Record>";
    auto fromBytes = FixtureRecordType::requestWithXMLData(latin1);
    ASSERT_TRUE(fromBytes);
    EXPECT_EQ(fromBytes->title(), QStringLiteral("café"));

    // Text is decoded already, whatever its declaration says.
    auto fromText = FixtureRecordType::recordType();
    ASSERT_TRUE(fromText->initWithXMLRequest(
        QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Record><Title>café</Title></Record>")));
    EXPECT_EQ(fromText->title(), QStringLiteral("café"));

    QByteArray utf16("\xff\xfe");
    const QString text = QStringLiteral("<Record><Title>€</Title></Record>");
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    auto fromUtf16 = FixtureRecordType::requestWithXMLData(utf16);
    ASSERT_TRUE(fromUtf16);
    EXPECT_EQ(fromUtf16->title(), QStringLiteral("€"));
}

TEST(XMLSerializer, DocumentTypeDeclarationsLoadNothing)
{
    auto record = readRecord(QStringLiteral("<!DOCTYPE Record [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]>"
                                            "<Record><Title>&secret;</Title></Record>"));
    ASSERT_TRUE(record);
    EXPECT_FALSE(record->title().contains(QStringLiteral("root:")));
}

// UTF-8 documents in the plain form of replies are read in one streaming pass; a document that
// declares another encoding is read through pugixml's tree. For ASCII text both must give the
// same record, and fail alike.
TEST(XMLSerializer, StreamingAndTreeReadsAgree)
{
    const char* const documents[] = {
        "<Record><!-- c --><Title>a<!--x-->b</Title><?pi x?><Note> </Note><Note> <!--c--> </Note></Record>",
        "<Record><Title>  </Title><Note><![CDATA[x]]>  </Note><Note>  <b/>  </Note><Note> x </Note>"
        "<Note><!--c-->  </Note><Note>\n</Note></Record>",
        "<Record id=\"a&#9;b&#x41;\r\nc\td\"><Title>&lt;&amp;&gt;&quot;&apos;&#65;&#x263A;\r\nz\r</Title>"
        "<Note><![CDATA[a\r\nb&amp;]]></Note><Note>]]&gt;</Note></Record>",
        "<x:Record xmlns:x=\"u\"><x:Title>t</x:Title><Other a='1'><Other><Title>no</Title></Other></Other>"
        "<Amounts currencyID='U' >5</Amounts><Amounts currencyID=\"V\"/><Amounts> 7 <!--c--></Amounts></x:Record>",
        "<Record><Title>a<i>b<Title>c</Title></i>d</Title><Note/><Note></Note></Record>",
        "<Record>\n  <Title>t</Title>\n  <Price>1.5</Price><Count>-3</Count><Enabled> true </Enabled>\n</Record>\n",
        "<!-- before --><Record><Title>t</Title></Record><!-- after -->",
        // Runs longer than the sixteen bytes read at once, with what matters early, late and last.
        "<Record id=\"0123456789abcdefghij\tk\nl\"><Title>0123456789abcdefghij &amp; klmnopqrstuvwxyz&#33;</Title>"
        "<Note>                    </Note><Note>                                x</Note>"
        "<Note>0123456789abcdef\r\n0123456789abcdef\r</Note><Note>&amp;0123456789abcdef0123456789</Note>"
        "<Note>                \r\n              <!--c-->                              </Note></Record>",
        "<someprefix:Record xmlns:someprefix=\"u\"><someprefix:Title>t</someprefix:Title></someprefix:Record>",
        // Not well-formed, or beyond what a field holds: both fail.
        "<Record><Title>a</Titl></Record>",
        "<Record><Title>a &bogus; b</Title></Record>",
        "<Record a><Title>t</Title></Record>",
        "<Record><Title>t</Title>",
        "<Record><Title>t</Title></Record><Record/>",
        "<Record><Count>99999999999999999999</Count></Record>",
        "<Record><![CDATA[x</Record>",
    };
    for (const char* document : documents) {
        SCOPED_TRACE(document);
        QString streamError, treeError;
        const auto streamed = FixtureRecordType::requestWithXMLData(QByteArray(document), &streamError);
        const auto fromTree = FixtureRecordType::requestWithXMLData(
            QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>") + document, &treeError);
        ASSERT_EQ(streamed != nullptr, fromTree != nullptr) << streamError.toStdString() << treeError.toStdString();
        if (streamed) {
            EXPECT_TRUE(streamed->isEqual(*fromTree)) << streamed->xmlRequestData().toStdString() << "\n"
                                                      << fromTree->xmlRequestData().toStdString();
        }
        const auto declared = FixtureRecordType::requestWithXMLData(
            QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n") + document);
        ASSERT_EQ(declared != nullptr, streamed != nullptr);
        if (declared) {
            EXPECT_TRUE(declared->isEqual(*streamed));
        }
    }
}
