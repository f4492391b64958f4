#include "DWKit/NSMutableData+DWExtensions.h"
#include "DWKit/NSURL+DWExtensions.h"
#include "DWKit/network/NSURLRequest+DWExtensions.h"
#include "platform/core/DWAssert.h"
#include "tests/support/FakeHttpServer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

namespace {

QByteArray boundaryOf(const dw::HttpRequest& request)
{
    const QByteArray type = dw::headerValue(request.headerFields, "Content-Type");
    const QByteArray prefix = "multipart/form-data; boundary=\"";
    if (!type.startsWith(prefix) || !type.endsWith('"'))
        return QByteArray();
    return type.mid(prefix.size()).chopped(1);
}

template<class Address>
QByteArray bytesOf(const Address& address)
{
    return QByteArray(reinterpret_cast<const char*>(&address), sizeof(address));
}

} // namespace

TEST(RequestExtensions, MultipartBodyByteForByte)
{
    struct Row
    {
        const char* name;
        QVariantMap form;
        QByteArray body;
    } rows[] = {
        {"one field", {{"a", "1"}}, "--B\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n--B--\r\n"},
        {"text and data in key order",
         {{"content", QByteArray("\0\xFF", 2)}, {"appName", QStringLiteral("Quill \u00E9")}},
         "--B\r\nContent-Disposition: form-data; name=\"appName\"\r\n\r\nQuill \xC3\xA9\r\n"
         "--B\r\nContent-Disposition: form-data; name=\"content\"\r\n\r\n" +
             QByteArray("\0\xFF", 2) + "\r\n--B--\r\n"},
        {"empty form", {}, "\r\n--B--\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dw::multipartFormBody(row.form, "B"), row.body);
    }
    EXPECT_THROW(dw::multipartFormBody({{"n", 5}}, "B"), dw::InternalInconsistency);
}

TEST(RequestExtensions, FormPostReachesTheServerIntact)
{
    const QVariantMap form{{"subject", "Crash"}, {"content", QByteArray("log\r\n--x\0", 9)}, {"email", "a@b.c"}};
    const dw::HttpRequest request = dw::requestWithURL(QStringLiteral("http://127.0.0.1/report"), form);
    const QByteArray boundary = boundaryOf(request);
    ASSERT_TRUE(boundary.startsWith("x-mime-boundary://")) << request.headerFields[0].value.toStdString();
    EXPECT_EQ(boundary.size(), 18 + 36);
    EXPECT_NE(boundaryOf(dw::requestWithURL(QStringLiteral("http://127.0.0.1/report"), form)), boundary);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.body, dw::multipartFormBody(form, boundary));
    EXPECT_EQ(dw::headerValue(request.headerFields, "Content-Length"), QByteArray::number(request.body.size()));

    dw::test::FakeHttpServer server;
    server.addRoute({.method = "POST", .path = "/report"}, dw::test::FakeHttpReply{.status = 200});
    dw::HttpRequest sent = request;
    sent.url = server.url(QStringLiteral("/report"));
    const dw::HttpResponse response = dw::HttpClient().send(sent);
    ASSERT_TRUE(response.ok()) << response.errorText.toStdString();
    EXPECT_EQ(response.status, 200);
    const std::vector<dw::test::FakeHttpRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const dw::test::FakeHttpRequest& received = requests[0];
    EXPECT_EQ(received.body, request.body);
    EXPECT_EQ(received.headerValue("Content-Type"), "multipart/form-data; boundary=\"" + boundary + '"');
    EXPECT_EQ(received.headerValue("Content-Length"), QByteArray::number(request.body.size()));
}

TEST(RequestExtensions, AppendingAndSplittingData)
{
    QByteArray data("ab");
    dw::appendString(data, QStringLiteral("\u00E9"));
    dw::appendFormat(data, "%@-%d", "x", 7);
    EXPECT_EQ(data, QByteArray("ab\xC3\xA9x-7"));

    struct Row
    {
        qsizetype position;
        QByteArray head;
        QByteArray rest;
    } rows[] = {{0, "", "abcd"}, {1, "a", "bcd"}, {4, "abcd", ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.position);
        QByteArray bytes("abcd");
        EXPECT_EQ(dw::splitAtPosition(bytes, row.position), row.head);
        EXPECT_EQ(bytes, row.rest);
    }
    QByteArray bytes("abcd");
    EXPECT_THROW(dw::splitAtPosition(bytes, 5), dw::InternalInconsistency);
    EXPECT_EQ(bytes, QByteArray("abcd"));
}

TEST(URLExtensions, ParsedQuery)
{
    struct Row
    {
        const char* url;
        QVariantMap query;
    } rows[] = {
        {"qv://h/p?a=1&b&a=2", {{"a", "2"}, {"b", ""}}},
        {"qv://h/p?x=%20", {{"x", "%20"}}},
        {"qv://h/p?a=b=c", {{"a", "b"}}},
        {"qv://h/p?", {{"", ""}}},
        {"qv://h/p", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        EXPECT_EQ(dw::parsedQuery(QUrl(QString::fromLatin1(row.url))), row.query);
    }
}

TEST(URLExtensions, SocketAddresses)
{
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(8080);
    inet_pton(AF_INET, "192.168.1.5", &v4.sin_addr);
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(8080);
    v6.sin6_addr = in6addr_loopback;
    sockaddr_in noPort = v4;
    noPort.sin_port = 0;
    sockaddr_in6 other = v6;
    other.sin6_family = AF_UNIX;

    const QString scheme = QStringLiteral("afp");
    EXPECT_EQ(dw::URLStringFromSockAddrData(bytesOf(v4), scheme), QStringLiteral("afp://192.168.1.5:8080"));
    EXPECT_EQ(dw::URLStringFromSockAddrData(bytesOf(v6), scheme), QStringLiteral("afp://[::1]:8080"));
    EXPECT_EQ(dw::URLFromSockAddrData(bytesOf(v6), scheme).port(), 8080);
    EXPECT_TRUE(dw::URLStringFromSockAddrData(bytesOf(noPort), scheme).isNull());
    EXPECT_TRUE(dw::URLStringFromSockAddrData(bytesOf(other), scheme).isNull());
    EXPECT_TRUE(dw::URLStringFromSockAddrData(bytesOf(v6).left(12), scheme).isNull()) << "too short";
    EXPECT_TRUE(dw::URLStringFromSockAddrData(QByteArray(), scheme).isNull());
    EXPECT_THROW(dw::URLStringFromSockAddrData(bytesOf(v4), QString()), dw::InternalInconsistency);
}
