#include "StoreFixtures.h"

#include "DWPayment/DWPXml.h"

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
    EXPECT_EQ(QString::fromUtf8(request),
              QString::fromUtf8(dw::test::fixture(QStringLiteral("DWPayment/TransactionCreateRequest.xml"))));
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

} // namespace
