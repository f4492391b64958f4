#include "fixtures/FixtureAmountType.h"
#include "fixtures/FixtureAwkwardType.h"
#include "fixtures/FixtureBinaryType.h"
#include "fixtures/FixtureCredentialsType.h"
#include "fixtures/FixtureEchoRequestType.h"
#include "fixtures/FixtureEchoResponseType.h"
#include "fixtures/FixtureMeasureType.h"
#include "fixtures/FixtureNodeType.h"
#include "fixtures/FixtureRecordType.h"
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
    auto back = FixtureEchoRequestType::requestWithXMLData(request->xmlRequest().toUtf8(), &error);
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
        {"integer in white space", "<Count> 42 </Count>", "count", qlonglong(42)},
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
