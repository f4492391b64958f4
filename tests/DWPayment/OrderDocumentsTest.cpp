#include "StoreFixtures.h"

#include "DWPayment/DWPXml.h"

#include "platform/core/Bundle.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

using dw::test::fillBuyer;
using dw::test::pricedCatalogueCart;

class OrderDocuments : public dw::test::StoreChecksTest
{};

TEST_F(OrderDocuments, CreateRequestValidatesAndMatchesItsGoldenFile)
{
    const auto cart = pricedCatalogueCart("2900", "2500");
    cart->setPayload(QStringLiteral("cHJvZ3JhbQ==\n"));
    DWPTransaction transaction(cart);
    fillBuyer(transaction, QStringLiteral("US"));
    settle();

    const QByteArray request = DWPXmlGenerator::createTransactionXML(transaction);
    DWPError error;
    QString root;
    EXPECT_TRUE(DWPXmlChecker::isValidXml(request, &error, &root)) << error.localizedDescription().toStdString();
    EXPECT_EQ(root, QStringLiteral("TransactionCreateRequest"));
    // The documents carry the store's own version, the build's, never a fixed text.
    const QString version = DWPXmlGenerator::frameworkVersion();
    EXPECT_EQ(version, dw::Bundle::mainBundle().infoDictionary().value(QStringLiteral("CFBundleVersion")).toString());
    EXPECT_EQ(QString::fromUtf8(request),
              QString::fromUtf8(dw::test::fixture(QStringLiteral("DWPayment/TransactionCreateRequest.xml")))
                  .replace(QStringLiteral("@DWPversion@"), version));
}

TEST_F(OrderDocuments, OtherRequestsValidate)
{
    for (const QByteArray& request :
         {DWPXmlGenerator::productInfoXML({QStringLiteral("A"), QStringLiteral("A")}, true, true),
          DWPXmlGenerator::productInfoXML({}, true, false), DWPXmlGenerator::abortTransactionXML(QStringLiteral("T1")),
          DWPXmlGenerator::iFrameURLXML(QStringLiteral("T1")), DWPXmlGenerator::paymentStateXML(QStringLiteral("T1")),
          DWPXmlGenerator::webFrameURLXML(QStringLiteral("T1")),
          DWPXmlGenerator::infoOnTransactionXML(QStringLiteral("T1"))}) {
        DWPError error;
        EXPECT_TRUE(DWPXmlChecker::isValidXml(request, &error, nullptr)) << request.toStdString();
    }
    EXPECT_TRUE(DWPXmlGenerator::productInfoXML({QStringLiteral("A"), QStringLiteral("A")}, false, false)
                    .contains("<products>\n    <id>A</id>\n    <id>A</id>\n  </products>"));
}

TEST_F(OrderDocuments, VatShowsInItemsAndBillOfMaterials)
{
    const auto cart = pricedCatalogueCart("1000", "1000");
    DWPTransaction transaction(cart);
    transaction.setVatRate(19);
    fillBuyer(transaction, QStringLiteral("DE"));
    settle();
    const QByteArray request = DWPXmlGenerator::createTransactionXML(transaction);
    EXPECT_TRUE(request.contains("<paid_vat>190</paid_vat>"));
    EXPECT_FALSE(request.contains("<vatId>"));
    const QByteArray bom = DWPXmlGenerator::bomDocument(transaction);
    EXPECT_TRUE(bom.contains("<percent>0.19</percent>")) << bom.toStdString();
    EXPECT_TRUE(bom.contains("<price>11.90</price>"));
    EXPECT_TRUE(DWPXmlChecker::isValidXml(bom, nullptr, nullptr));
    EXPECT_TRUE(DWPXmlChecker::isValidXml(DWPXmlGenerator::miniStoreDocument(transaction), nullptr, nullptr));

    transaction.setUserCountry(QStringLiteral("US"));
    const QByteArray free = DWPXmlGenerator::bomDocument(transaction);
    EXPECT_TRUE(free.contains("<percent>0</percent>"));
    EXPECT_TRUE(free.contains("<amount>0.00</amount>"));
    EXPECT_TRUE(DWPXmlGenerator::createTransactionXML(transaction).contains("<paid_vat>0</paid_vat>"));
}

TEST_F(OrderDocuments, StorePageShowsCatalogueTextAsTyped)
{
    const auto cart = pricedCatalogueCart();
    cart->saleItemGroups()[0]->fullItems()[0]->setItemDesc(QStringLiteral("Dunmerrow's <b>best</b> & more"));
    DWPTransaction transaction(cart);
    transaction.setBomXslt(dw::test::storePageXslt());
    DWPError error;
    const QByteArray page = DWPXmlGenerator::miniStoreXMLForTransaction(transaction, &error);
    ASSERT_TRUE(error.isNull()) << error.localizedDescription().toStdString();
    EXPECT_TRUE(page.contains("<body id=\"DWP_MiniStore\">"));
    EXPECT_TRUE(page.contains("Dunmerrow's &lt;b&gt;best&lt;/b&gt; &amp; more")) << page.toStdString();
    EXPECT_TRUE(page.contains("Dunmerrow Store")); // the title parameter
    EXPECT_TRUE(DWPXmlGenerator::bomXMLForTransaction(transaction, &error).contains("<body id=\"DWP_BOM\">"));

    transaction.setBomXslt("<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                           "<xsl:template match=\"/\"><xsl:copy-of select=\"document('/etc/hostname')\"/>"
                           "</xsl:template></xsl:stylesheet>");
    EXPECT_TRUE(DWPXmlGenerator::bomXMLForTransaction(transaction, &error).isEmpty());
    EXPECT_FALSE(error.isNull()); // the gateway's XSLT may read no file
}

TEST(OrderXml, XsltArgumentsAreQuotedLiterals)
{
    EXPECT_EQ(DWPXmlGenerator::escapeXSLTArgumentString(QStringLiteral("Dunmerrow's")), QStringLiteral("Dunmerrow’s"));
    const auto arguments = DWPXmlGenerator::argumentsForPreFlightXSLT();
    ASSERT_EQ(arguments.size(), 9);
    EXPECT_EQ(arguments[4], std::make_pair(QByteArray("title"), QByteArray("'Dunmerrow Store'")));
}

QByteArray answer(const char* root, const QByteArray& fields)
{
    return QByteArray("<?xml version=\"1.0\"?>\n<") + root + "><ack>success</ack>" + fields + "</" + root + ">";
}

TEST(OrderXml, AnswerFieldsAreRead)
{
    DWPError error;
    QVariantMap infos;
    std::optional<qint64> vat;
    QByteArray xslt;
    EXPECT_TRUE(DWPXmlExtractor::productInfoFromProductInfoResponse(
        answer("TransactionProductInfoResponse",
               "<products><product><id>A</id><usd>100</usd></product><product><id>A</id><usd>200</usd></product>"
               "</products><vat>\n  19 \n</vat><xslt>PHg+\nPC94Pg==\n</xslt>"),
        &infos, &vat, &xslt, &error));
    EXPECT_EQ(infos.value(QStringLiteral("A")).toMap().value(QStringLiteral("usd")), QStringLiteral("200"));
    EXPECT_EQ(vat, 19);
    EXPECT_EQ(xslt, QByteArray("<x></x>"));

    EXPECT_EQ(
        DWPXmlExtractor::iFrameURLFromIFrameResponse(
            answer("TransactionIFrameResponse", " <url> https://pay.example.com/p?a=1&amp;amp;b=2 </url>"), &error),
        QUrl(QStringLiteral("https://pay.example.com/p?a=1&b=2")));

    EXPECT_TRUE(
        DWPXmlExtractor::paymentStateFromPaymentResponse(
            answer("TransactionPaymentStateResponse", "<payState>paid</payState><payState>paid</payState>"), &error)
            .isNull());
    EXPECT_EQ(error.detailedDescription(), QStringLiteral("Couldn't find unique payState in PaymentStateResponse"));

    EXPECT_TRUE(
        DWPXmlExtractor::transactionIdFromCreateResponse(answer("TransactionCreateResponse", ""), &error).isNull());
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("Could not process your order. Please try again later."));
}

TEST(OrderXml, ParsingStaysLocal)
{
    // An external entity is neither loaded nor replaced.
    const QByteArray hostile = "<?xml version=\"1.0\"?>\n<!DOCTYPE TransactionCreateResponse ["
                               "<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n"
                               "<TransactionCreateResponse><ack>success</ack><transactionID>&x;</transactionID>"
                               "</TransactionCreateResponse>";
    DWPError error;
    const QString id = DWPXmlExtractor::transactionIdFromCreateResponse(hostile, &error);
    EXPECT_FALSE(id.contains(QStringLiteral("root:")));
    EXPECT_FALSE(
        DWPXmlChecker::isValidXml("<TransactionCreateResponse><bogus/></TransactionCreateResponse>", &error, nullptr));
    EXPECT_FALSE(error.localizedDescription().isEmpty());
}

QByteArray stylesheet(const QByteArray& body)
{
    return "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">" + body +
           "</xsl:stylesheet>";
}

// The gateway's stylesheet reads nothing, neither when it is compiled (include, import) nor when it
// runs (document()), from a file or from an address.
TEST(StorePageStylesheet, ReadsNoFileAndNoAddress)
{
    const QTemporaryDir dir;
    QFile included(dir.filePath(QStringLiteral("included.xsl")));
    ASSERT_TRUE(included.open(QIODevice::WriteOnly));
    included.write(stylesheet("<xsl:template match=\"/\">READ FROM DISK</xsl:template>"));
    included.close();
    QFile data(dir.filePath(QStringLiteral("data.xml")));
    ASSERT_TRUE(data.open(QIODevice::WriteOnly));
    data.write("<x>READ FROM DISK</x>");
    data.close();

    dw::test::FakeHttpServer server;
    server.addRoute({}, {.status = 200,
                         .headerFields = {{"Content-Type", "text/xml"}},
                         .body = stylesheet("<xsl:template match=\"/\">READ FROM THE NETWORK</xsl:template>")});
    const QByteArray local = QFile::encodeName(included.fileName());
    const QByteArray address = server.url("/page.xsl").toUtf8();
    const struct
    {
        const char* name;
        QByteArray xslt;
    } rows[] = {
        {"include of a path", stylesheet("<xsl:include href=\"" + local + "\"/>")},
        {"include of a file address", stylesheet("<xsl:include href=\"file://" + local + "\"/>")},
        {"import of a path", stylesheet("<xsl:import href=\"" + local + "\"/>")},
        {"include of an address", stylesheet("<xsl:include href=\"" + address + "\"/>")},
        {"import of an address", stylesheet("<xsl:import href=\"" + address + "\"/>")},
        {"document() of a path", stylesheet("<xsl:template match=\"/\"><xsl:copy-of select=\"document('" +
                                            QFile::encodeName(data.fileName()) + "')\"/></xsl:template>")},
        {"document() of an address",
         stylesheet("<xsl:template match=\"/\"><xsl:copy-of select=\"document('" + address + "')\"/></xsl:template>")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DWPError error;
        const QByteArray page = DWPXmlGenerator::storePageFromDocument("<DWP_BOM/>", row.xslt, &error);
        EXPECT_FALSE(page.contains("READ FROM")) << page.toStdString();
        EXPECT_FALSE(error.isNull()) << "a stylesheet that needs what it may not read fails";
    }
    EXPECT_EQ(server.requests().size(), 0u);
}

// A stylesheet whose work doubles with every level, or that loops over and over, stops at the run's
// bounds and fails, whether it spends steps, memory or depth.
TEST(StorePageStylesheet, ARunawayStylesheetStopsAndFails)
{
    const struct
    {
        const char* name;
        QByteArray xslt;
    } rows[] = {
        {"two calls a level, 60 levels",
         stylesheet("<xsl:template match=\"/\"><xsl:call-template name=\"t\"><xsl:with-param name=\"n\" "
                    "select=\"60\"/></xsl:call-template></xsl:template>"
                    "<xsl:template name=\"t\"><xsl:param name=\"n\"/><xsl:if test=\"$n &gt; 0\">x"
                    "<xsl:call-template name=\"t\"><xsl:with-param name=\"n\" select=\"$n - 1\"/>"
                    "</xsl:call-template><xsl:call-template name=\"t\"><xsl:with-param name=\"n\" "
                    "select=\"$n - 1\"/></xsl:call-template></xsl:if></xsl:template>")},
        {"a text that doubles, 60 times",
         stylesheet("<xsl:template match=\"/\"><xsl:call-template name=\"t\"><xsl:with-param name=\"s\" "
                    "select=\"'xxxxxxxx'\"/><xsl:with-param name=\"n\" select=\"60\"/></xsl:call-template>"
                    "</xsl:template><xsl:template name=\"t\"><xsl:param name=\"s\"/><xsl:param name=\"n\"/>"
                    "<xsl:choose><xsl:when test=\"$n &gt; 0\"><xsl:call-template name=\"t\"><xsl:with-param "
                    "name=\"s\" select=\"concat($s, $s)\"/><xsl:with-param name=\"n\" select=\"$n - 1\"/>"
                    "</xsl:call-template></xsl:when><xsl:otherwise><xsl:value-of select=\"string-length($s)\"/>"
                    "</xsl:otherwise></xsl:choose></xsl:template>")},
        {"a tree that doubles, 60 times",
         stylesheet("<xsl:template match=\"/\"><xsl:call-template name=\"t\"><xsl:with-param name=\"tree\" "
                    "select=\"/\"/><xsl:with-param name=\"n\" select=\"60\"/></xsl:call-template>"
                    "</xsl:template><xsl:template name=\"t\"><xsl:param name=\"tree\"/><xsl:param name=\"n\"/>"
                    "<xsl:if test=\"$n &gt; 0\"><xsl:call-template name=\"t\"><xsl:with-param name=\"tree\">"
                    "<xsl:copy-of select=\"$tree\"/><xsl:copy-of select=\"$tree\"/></xsl:with-param>"
                    "<xsl:with-param name=\"n\" select=\"$n - 1\"/></xsl:call-template></xsl:if></xsl:template>")},
        {"loops nested six deep",
         stylesheet("<xsl:template match=\"/\"><xsl:for-each select=\"//node()\"><xsl:for-each select=\"//node()\">"
                    "<xsl:for-each select=\"//node()\"><xsl:for-each select=\"//node()\"><xsl:for-each "
                    "select=\"//node()\"><xsl:for-each select=\"//node()\"><xsl:if test=\"false()\">x</xsl:if>"
                    "</xsl:for-each></xsl:for-each></xsl:for-each></xsl:for-each></xsl:for-each></xsl:for-each>"
                    "</xsl:template>")},
        {"calls nested without end",
         stylesheet("<xsl:template match=\"/\"><xsl:call-template name=\"t\"/></xsl:template>"
                    "<xsl:template name=\"t\"><xsl:call-template name=\"t\"/></xsl:template>")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DWPError error;
        const QByteArray page = DWPXmlGenerator::storePageFromDocument(
            "<DWP_BOM><a><b/><b/><b/><b/></a><a><b/><b/><b/><b/></a><a><b/><b/><b/><b/></a></DWP_BOM>", row.xslt,
            &error);
        EXPECT_TRUE(page.isEmpty());
        EXPECT_FALSE(error.isNull());
    }
}

} // namespace
