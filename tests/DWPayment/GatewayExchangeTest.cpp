#include "FakeGatewayProcess.h"
#include "StoreFixtures.h"

#include "DWPayment/DWPGateway.h"
#include "DWPayment/DWPServerConnection.h"
#include "DWPayment/DWPUserDefaultsKeys.h"
#include "DWPayment/DWPXml.h"
#include "DWPayment/DWPaymentController.h"

#include "platform/core/UserDefaults.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

namespace {

using dw::test::FakeHttpReply;
using dw::test::FakeHttpServer;

QByteArray answer(const char* root, const QByteArray& fields)
{
    return QByteArray("<?xml version=\"1.0\"?>\n<") + root + ">" + fields + "</" + root + ">";
}

TEST(GatewayExchange, Table)
{
    const QByteArray abortRequest = DWPXmlGenerator::abortTransactionXML(QStringLiteral("T1"));
    const QByteArray stateRequest = DWPXmlGenerator::paymentStateXML(QStringLiteral("T1"));
    const struct
    {
        const char* what;
        QByteArray request;
        int status;
        QByteArray reply;
        bool answered; // the answer comes back (success, or a refusal with its texts)
        const char* message;
        const char* detail;
        QStringList serverTexts;
    } rows[] = {
        {"success",
         abortRequest,
         200,
         answer("TransactionAbortResponse", "<ack>success</ack>"),
         true,
         nullptr,
         nullptr,
         {}},
        {"a 500 with a good answer",
         abortRequest,
         500,
         answer("TransactionAbortResponse", "<ack>success</ack>"),
         true,
         nullptr,
         nullptr,
         {}},
        {"not a request",
         DWPXmlGenerator::bomDocument(DWPTransaction(DWPShoppingCart::shoppingCart())),
         200,
         {},
         false,
         "Could not communicate with the server. Please try again later.",
         "XML validation error for action: DWP_BOM",
         {}},
        {"not XML",
         abortRequest,
         200,
         "<html>Bad gateway",
         false,
         "The server did not respond properly. Please try again later.",
         nullptr,
         {}},
        {"not valid",
         abortRequest,
         200,
         answer("TransactionAbortResponse", "<ack>success</ack><surprise/>"),
         false,
         "The server did not respond properly. Please try again later.",
         nullptr,
         {}},
        {"another root",
         stateRequest,
         200,
         answer("TransactionAbortResponse", "<ack>success</ack>"),
         false,
         "The server did not respond as expected. Please try again later.",
         "expected: TransactionPaymentStateResponse -- got: TransactionAbortResponse",
         {}},
        {"refused with texts",
         abortRequest,
         200,
         answer("TransactionAbortResponse", "<ack>failure</ack><Errors>unknown transaction</Errors><Errors>sorry"
                                            "</Errors>"),
         true,
         "Your request could not be finished successfully. Please try again later, or contact the support.",
         nullptr,
         {QStringLiteral("unknown transaction"), QStringLiteral("sorry")}},
        {"two acks",
         abortRequest,
         200,
         answer("TransactionAbortResponse", "<ack>success</ack><ack>success</ack>"),
         true,
         "Your request could not be finished successfully. Please try again later, or contact the support.",
         nullptr,
         {}},
        {"capital ack",
         abortRequest,
         200,
         answer("TransactionAbortResponse", "<ack>Success</ack>"),
         true,
         "Your request could not be finished successfully. Please try again later, or contact the support.",
         nullptr,
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        FakeHttpServer server;
        server.addRoute({.method = "POST", .path = "/gw"}, FakeHttpReply{.status = row.status, .body = row.reply});
        DWPServerConnection connection(QUrl(server.url(QStringLiteral("/gw"))));
        DWPError error;
        const QByteArray result = connection.handleRequestWithXML(row.request, &error);
        EXPECT_EQ(!result.isNull(), row.answered);
        if (!row.message) {
            EXPECT_TRUE(error.isNull()) << error.localizedDescription().toStdString();
            continue;
        }
        EXPECT_EQ(error.localizedDescription(), QString::fromLatin1(row.message));
        if (row.detail) {
            EXPECT_EQ(error.detailedDescription(), QString::fromLatin1(row.detail));
        }
        EXPECT_EQ(error.userInfo().value(QString::fromLatin1(DWPErrorInfoFromXmlDocKey)).toStringList(),
                  row.serverTexts);
        EXPECT_EQ(error.userInfo().contains(QString::fromLatin1(DWPErrorInfoFromXmlDocKey)),
                  !row.serverTexts.isEmpty());
        if (row.answered) {
            EXPECT_EQ(error.userInfo().value(QString::fromLatin1(DWPNotificationNameKey)),
                      QStringLiteral("_DWPErrorOccurredOnServer"));
        }
        if (row.request.contains("DWP_BOM")) {
            EXPECT_EQ(server.requestCount(), 0u);
        }
    }
}

TEST(GatewayExchange, PostIsSentAsXmlAndKeptAcrossRedirects)
{
    FakeHttpServer server;
    server.addRoute({.path = "/old"}, FakeHttpReply{.status = 302, .headerFields = {{"Location", "/new"}}});
    server.addRoute({.path = "/new"}, FakeHttpReply{.body = answer("TransactionAbortResponse", "<ack>success</ack>")});
    DWPServerConnection connection(QUrl(server.url(QStringLiteral("/old"))));
    DWPError error;
    EXPECT_TRUE(connection.abortTransactionWithID(QStringLiteral("T1"), &error));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].method, "POST");
    EXPECT_EQ(requests[1].headerValue("Content-Type"), "text/xml");
    EXPECT_EQ(requests[1].body, requests[0].body);
}

TEST(GatewayExchange, ProductInfosMustCoverEveryId)
{
    FakeHttpServer server;
    server.addRoute({.path = "/gw"},
                    FakeHttpReply{.body = answer("TransactionProductInfoResponse",
                                                 "<ack>success</ack><products><product><id>A</id><usd>1</usd>"
                                                 "<eur>1</eur></product></products><vat>19</vat>")});
    DWPServerConnection connection(QUrl(server.url(QStringLiteral("/gw"))));
    DWPError error;
    std::optional<qint64> vat;
    EXPECT_FALSE(connection.productInfoForIds({QStringLiteral("A"), QStringLiteral("B")}, &vat, nullptr, &error));
    EXPECT_EQ(error.localizedDescription(),
              QStringLiteral("One of the selected products is not available. Please try again later."));
    EXPECT_EQ(error.detailedDescription(), QStringLiteral("no product info for id: B"));
}

TEST(GatewayExchange, UnreachableGateway)
{
    QUrl url;
    {
        FakeHttpServer server; // a port that was just closed
        url = QUrl(server.url(QStringLiteral("/gw")));
    }
    DWPServerConnection connection(url);
    DWPError error;
    EXPECT_TRUE(connection.paymentStateForTransactionID(QStringLiteral("T1"), nullptr, &error).isNull());
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("Could not connect to the server. Please try again later."));
    EXPECT_FALSE(isSSLError(error.underlyingError()));
    EXPECT_TRUE(connection.abortTransactionWithID(QStringLiteral("T1"))); // the abort is fire and forget
}

// A gateway that takes the document and never answers holds the call only until its cancel flag
// rises, and a cancelled call reads as one (not as the 17 s time-out or an unreachable gateway).
TEST(GatewayExchange, RaisingTheCancelFlagEndsACallTheGatewayNeverAnswers)
{
    FakeHttpServer server;
    server.addRoute({.method = "POST", .path = "/gw"}, FakeHttpReply{.stall = true});
    std::atomic<bool> cancel{false};
    DWPServerConnection connection(QUrl(server.url(QStringLiteral("/gw"))));
    connection.setCancelFlag(&cancel);
    DWPError error;
    std::thread raise([&] {
        if (server.waitForRequests(1))
            cancel = true;
    });
    QElapsedTimer call;
    call.start();
    EXPECT_TRUE(connection.paymentStateForTransactionID(QStringLiteral("T1"), nullptr, &error).isNull());
    raise.join();
    EXPECT_LT(call.elapsed(), 5000);
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("Could not connect to the server. Please try again later."));
    EXPECT_EQ(error.underlyingError().code(), -999);
    EXPECT_FALSE(isSSLError(error.underlyingError()));
}

TEST(GatewayExchange, SelfSignedGatewayIsATlsError)
{
    QTemporaryDir dir;
    const QString cert = dir.filePath(QStringLiteral("cert.pem"));
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"), key,
                   QStringLiteral("-out"), cert, QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1")});
    ASSERT_TRUE(openssl.waitForFinished(60000));
    ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();

    dw::test::FakeGatewayProcess gateway({QStringLiteral("--tls"), cert, key});
    DWPServerConnection connection(QUrl(gateway.baseURL() + QStringLiteral("/dwpayment/gateway/dwpayment")));
    DWPError error;
    EXPECT_TRUE(connection.iFrameURLForTransactionID(QStringLiteral("T1"), &error).isEmpty());
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("Could not connect to the server. Please try again later."));
    EXPECT_TRUE(isSSLError(error.underlyingError())) << error.underlyingError().localizedDescription().toStdString();
}

TEST(GatewayExchange, SslErrorCodes)
{
    for (const qint64 code : {-1200, -1205, -2000})
        EXPECT_TRUE(isSSLError(DWPError::foreign(QStringLiteral("NSURLErrorDomain"), code, {}))) << code;
    for (const qint64 code : {-1199, -1206, -1001})
        EXPECT_FALSE(isSSLError(DWPError::foreign(QStringLiteral("NSURLErrorDomain"), code, {}))) << code;
    EXPECT_FALSE(isSSLError(DWPError::foreign(QStringLiteral("XMLParserErrorDomain"), -1200, {})));
}

TEST(GatewayExchange, FakeGatewayServesAWholePurchase)
{
    dw::test::FakeGatewayProcess gateway({QStringLiteral("--pending"), QStringLiteral("1")});
    DWPServerConnection connection(QUrl(gateway.baseURL() + QStringLiteral("/dwpayment/gateway/dwpayment")));
    DWPError error;
    std::optional<qint64> vat;
    QByteArray xslt;
    const auto infos = connection.productInfoForIds({QStringLiteral("licence.single")}, &vat, &xslt, &error);
    ASSERT_TRUE(error.isNull()) << error.detailedDescription().toStdString();
    ASSERT_TRUE(infos);
    EXPECT_EQ(infos->value(QStringLiteral("licence.single")).toMap().value(QStringLiteral("eur")),
              QStringLiteral("2500"));
    EXPECT_EQ(vat, 19);
    EXPECT_TRUE(xslt.contains("DWP_MiniStore"));

    const QUrl page = connection.iFrameURLForTransactionID(QStringLiteral("FAKE-1"), &error);
    EXPECT_EQ(page.query(), QStringLiteral("transactionID=FAKE-1&lang=en"));
    QByteArray payload;
    EXPECT_EQ(connection.paymentStateForTransactionID(QStringLiteral("FAKE-1"), &payload, &error),
              QStringLiteral("pending"));
    EXPECT_EQ(connection.paymentStateForTransactionID(QStringLiteral("FAKE-1"), &payload, &error),
              QStringLiteral("paid"));
    EXPECT_EQ(payload, QByteArray("licence for FAKE-1"));
}

} // namespace

namespace {

class EntryObject : public dw::test::StoreChecksTest
{};

TEST_F(EntryObject, PrefetchAsksOnceAndPricesFollowTheBuyersCurrency)
{
    FakeHttpServer server;
    server.addRoute({.path = "/dwpayment/gateway/dwpayment"},
                    FakeHttpReply{.body = answer("TransactionProductInfoResponse",
                                                 "<ack>success</ack><products><product><id>A</id><usd>1000</usd>"
                                                 "<eur>1000</eur></product></products><vat>19</vat>"
                                                 "<xslt>PHg+PC94Pg==</xslt>")});
    dw::UserDefaults::standard().setObject(server.url(), QString::fromLatin1(DWPStoreBaseURLKey));
    DWPaymentController controller;
    ASSERT_TRUE(controller.fetchExternalDataForProductIDs({QStringLiteral("A"), QStringLiteral("A")}));
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(server.requests()[0].body.count("<id>A</id>"), 1);
    EXPECT_EQ(controller.vatRate(), QVariant(qint64(19)));

    dw::UserDefaults::standard().setObject(QStringLiteral("DE"), QString::fromLatin1(dw::payment::DWPUserCountry));
    EXPECT_EQ(controller.prices(), (QVariantMap{{QStringLiteral("A"), QStringLiteral("EUR 11.90")}}));
    dw::UserDefaults::standard().setObject(QStringLiteral("US"), QString::fromLatin1(dw::payment::DWPUserCountry));
    EXPECT_EQ(controller.prices(), (QVariantMap{{QStringLiteral("A"), QStringLiteral("USD 10.00")}}));

    server.stop();
    EXPECT_FALSE(controller.fetchExternalDataForProductIDs({QStringLiteral("A")}));
    EXPECT_EQ(controller.productInfos().size(), 1); // a failed fetch keeps what was there
}

} // namespace
