#include "platform/network/HttpClient.h"

#include "tests/support/FakeHttpServer.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <random>
#include <thread>

using dw::HttpClient;
using dw::HttpHeaderFields;
using dw::HttpRequest;
using dw::HttpResponse;
using dw::test::FakeHttpReply;
using dw::test::FakeHttpRequest;
using dw::test::FakeHttpServer;
using Failure = dw::HttpResponse::Failure;

namespace dw {
void PrintTo(const HttpHeaderField& field, std::ostream* os)
{
    *os << field.name.toStdString() << ": " << field.value.toStdString();
}
} // namespace dw

namespace {

QByteArray randomBytes(qsizetype size)
{
    std::mt19937 generator(42);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(generator() & 0xff);
    return bytes;
}

HttpRequest requestTo(const FakeHttpServer& server, const QString& path, const QByteArray& method = "GET")
{
    HttpRequest request;
    request.method = method;
    request.url = server.url(path);
    request.connectTimeoutSeconds = 5;
    request.inactivityTimeoutSeconds = 10;
    return request;
}

// The fields a request arrived with, less those the transport itself must add.
HttpHeaderFields callerFields(const FakeHttpRequest& request)
{
    HttpHeaderFields fields;
    for (const dw::HttpHeaderField& field : request.headerFields) {
        if (field.name != "Host" && field.name != "Content-Length")
            fields.push_back(field);
    }
    return fields;
}

} // namespace

TEST(HttpClient, SendsHeaderFieldsInOrderExactlyAsGiven)
{
    FakeHttpServer server;
    server.addRoute({}, FakeHttpReply{.status = 200});
    HttpRequest request = requestTo(server, "/ws/api.dll", "POST");
    // Out of alphabetical order, mixed case, a repeated name, an empty value, and names the
    // transport would otherwise fill in itself: a map or a normalising layer would show here.
    request.headerFields = {
        {"X-EBAY-API-SITEID", "77"},
        {"Content-Type", "text/xml; charset=utf-8"},
        {"x-ebay-api-call-name", "AddItems"},
        {"X-EBAY-API-COMPATIBILITY-LEVEL", "967"},
        {"Accept", "text/xml"},
        {"X-Repeated", "first"},
        {"X-Empty", ""},
        {"X-Repeated", "second  with  spaces"},
    };
    request.body = "<AddItemsRequest/>";

    const HttpResponse response = HttpClient().send(request);

    ASSERT_TRUE(response.ok()) << response.errorText.toStdString();
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(callerFields(server.requests()[0]), request.headerFields);
}

TEST(HttpClient, LargeBodyTravelsBothWaysWithoutExpectOrInventedContentType)
{
    FakeHttpServer server;
    server.addRoute({.path = "/echo"}, [](const FakeHttpRequest& request) {
        return FakeHttpReply{.headerFields = {{"Content-Type", "application/octet-stream"}}, .body = request.body};
    });
    HttpRequest request = requestTo(server, "/echo", "POST");
    request.body = randomBytes(2 * 1024 * 1024);
    request.headerFields = {{"Expect", "100-continue"}}; // asked for or not, it never goes out
    qint64 lastSent = -1, sendTotal = -1, lastReceived = -1, receiveTotal = -1;
    request.uploadProgress = [&](qint64 sent, qint64 total) {
        lastSent = sent;
        sendTotal = total;
    };
    request.downloadProgress = [&](qint64 received, qint64 total) {
        lastReceived = received;
        receiveTotal = total;
    };

    const HttpResponse response = HttpClient().send(request);

    ASSERT_TRUE(response.ok()) << response.errorText.toStdString();
    const FakeHttpRequest received = server.requests().at(0);
    EXPECT_TRUE(received.headerValue("Expect").isNull());
    EXPECT_TRUE(received.headerValue("Content-Type").isNull());
    EXPECT_EQ(received.body, request.body);
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.headerValue("content-type"), "application/octet-stream");
    EXPECT_EQ(response.body, request.body);
    EXPECT_EQ(lastSent, request.body.size());
    EXPECT_EQ(sendTotal, request.body.size());
    EXPECT_EQ(lastReceived, request.body.size());
    EXPECT_EQ(receiveTotal, request.body.size());
}

TEST(HttpClient, SendsEveryMethodWithItsBody)
{
    struct Case
    {
        QByteArray method;
        QByteArray body;
    };
    const Case cases[] = {
        {"GET", {}},     {"HEAD", {}}, {"DELETE", {}}, {"MKCOL", {}},
        {"PUT", "jpeg"}, {"PUT", {}},  {"POST", {}},   {"PROPFIND", "<propfind/>"},
    };
    FakeHttpServer server;
    server.addRoute({}, [](const FakeHttpRequest& request) {
        return FakeHttpReply{.status = 207, .headerFields = {{"X-Method", request.method}}, .body = "reply"};
    });
    HttpClient client; // one client for all: also shows that a kept connection serves the next request
    for (const Case& row : cases) {
        SCOPED_TRACE(row.method.toStdString() + " with " + std::to_string(row.body.size()) + " bytes");
        HttpRequest request = requestTo(server, "/dav/folder", row.method);
        request.body = row.body;
        const std::size_t before = server.requestCount();

        const HttpResponse response = client.send(request);

        ASSERT_TRUE(response.ok()) << response.errorText.toStdString();
        ASSERT_EQ(server.requestCount(), before + 1);
        const FakeHttpRequest received = server.requests().back();
        EXPECT_EQ(received.method, row.method);
        EXPECT_EQ(received.body, row.body);
        EXPECT_EQ(response.status, 207);
        EXPECT_EQ(response.headerValue("X-Method"), row.method);
        EXPECT_EQ(response.body, row.method == "HEAD" ? QByteArray() : QByteArray("reply"));
    }
}

TEST(HttpClient, ErrorStatusComesBackWithItsBody)
{
    FakeHttpServer server;
    const QByteArray fault = "<Errors><ShortMessage>Internal error</ShortMessage></Errors>";
    server.addRoute({}, FakeHttpReply{.status = 500, .headerFields = {{"X-Reason", "overloaded"}}, .body = fault});

    const HttpResponse response = HttpClient().send(requestTo(server, "/ws/api.dll", "POST"));

    EXPECT_TRUE(response.ok()) << response.errorText.toStdString();
    EXPECT_EQ(response.status, 500);
    EXPECT_EQ(response.headerValue("X-Reason"), "overloaded");
    EXPECT_EQ(response.body, fault);
}

// A download handed to a receiver never gathers in memory; an error page still comes back as the
// body, and a receiver that gives up ends the exchange as a failure.
TEST(HttpClient, SuccessBodiesGoToTheReceiverPieceByPiece)
{
    FakeHttpServer server;
    const QByteArray download = randomBytes(3 * 1024 * 1024);
    server.addRoute({.path = "/download"}, FakeHttpReply{.status = 200, .body = download});
    server.addRoute({.path = "/missing"}, FakeHttpReply{.status = 404, .body = "no such file"});

    QByteArray received;
    int pieces = 0;
    HttpRequest request = requestTo(server, "/download");
    request.bodyReceiver = [&](QByteArrayView piece) {
        received.append(piece);
        ++pieces;
        return true;
    };
    HttpResponse response = HttpClient().send(request);
    ASSERT_TRUE(response.ok()) << response.errorText.toStdString();
    EXPECT_EQ(response.status, 200);
    EXPECT_TRUE(response.body.isEmpty());
    EXPECT_EQ(received, download);
    EXPECT_GT(pieces, 1);

    received.clear();
    request.url = server.url("/missing");
    response = HttpClient().send(request);
    EXPECT_EQ(response.status, 404);
    EXPECT_EQ(response.body, "no such file");
    EXPECT_TRUE(received.isEmpty());

    qsizetype kept = 0;
    request.url = server.url("/download");
    request.bodyReceiver = [&](QByteArrayView piece) {
        kept += piece.size();
        return kept < 64 * 1024;
    };
    response = HttpClient().send(request);
    EXPECT_FALSE(response.ok());
    EXPECT_EQ(response.failure, Failure::Transport);
    EXPECT_LT(kept, download.size());
}

TEST(HttpClient, SettingAFieldReplacesItWhereItStands)
{
    HttpHeaderFields fields{{"Content-Type", "text/xml"}, {"X-A", "1"}, {"content-type", "text/plain"}};
    dw::setHeaderValue(fields, "CONTENT-TYPE", "multipart/form-data");
    dw::setHeaderValue(fields, "X-B", "2");
    const HttpHeaderFields expected{{"Content-Type", "multipart/form-data"}, {"X-A", "1"}, {"X-B", "2"}};
    EXPECT_EQ(fields, expected);
}

TEST(HttpClient, ReportsBrokenExchangesAsFailures)
{
    struct Case
    {
        const char* name;
        FakeHttpReply reply;
        bool serverGone;
        Failure failure;
    };
    const Case cases[] = {
        {"cut before answering", {.cutAfterBytes = 0}, false, Failure::Transport},
        {"cut in the header", {.body = "whole body", .cutAfterBytes = 12}, false, Failure::Transport},
        {"cut in the body", {.body = "a body that never ends", .cutAfterBytes = 45}, false, Failure::Transport},
        {"stalled", {.stall = true}, false, Failure::TimedOut},
        {"refused", {}, true, Failure::Transport},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        FakeHttpServer server;
        server.addRoute({}, row.reply);
        if (row.serverGone)
            server.stop();
        HttpRequest request = requestTo(server, "/ws/api.dll", "POST");
        request.body = "<GeteBayOfficialTimeRequest/>";
        request.inactivityTimeoutSeconds = 1;

        const HttpResponse response = HttpClient().send(request);

        EXPECT_FALSE(response.ok());
        EXPECT_EQ(response.failure, row.failure) << response.errorText.toStdString();
        EXPECT_FALSE(response.errorText.isEmpty());
        EXPECT_EQ(response.status, 0);
        EXPECT_TRUE(response.body.isEmpty());
    }
}

TEST(HttpClient, KeepsASlowButMovingUploadGoing)
{
    FakeHttpServer server;
    server.setBodyReadRate(256 * 1024);
    server.addRoute({}, FakeHttpReply{.status = 201});
    HttpRequest request = requestTo(server, "/pictures/big.jpg", "PUT");
    request.body = randomBytes(640 * 1024);
    request.inactivityTimeoutSeconds = 1;
    QElapsedTimer timer;
    timer.start();

    const HttpResponse response = HttpClient().send(request);

    ASSERT_TRUE(response.ok()) << response.errorText.toStdString();
    EXPECT_EQ(response.status, 201);
    EXPECT_EQ(server.requests().at(0).body, request.body);
    // Not a speed check: the paced server guarantees this, and without it the test would prove nothing.
    EXPECT_GT(timer.elapsed(), 1500) << "the upload must outlast the inactivity time-out";
}

TEST(HttpClient, StopsWhenCancelled)
{
    FakeHttpServer server;
    std::atomic<bool> cancel = false;
    // Raised while the server holds the request, so only the cancel flag can end the wait.
    server.addRoute({.path = "/held"}, [&](const FakeHttpRequest&) {
        cancel = true;
        return FakeHttpReply{.stall = true};
    });
    server.addRoute({.path = "/never"}, FakeHttpReply{.status = 200});

    for (const QString& path : {QStringLiteral("/held"), QStringLiteral("/never")}) {
        SCOPED_TRACE(path.toStdString());
        HttpRequest request = requestTo(server, path);
        request.inactivityTimeoutSeconds = 60;
        request.cancel = &cancel;
        QElapsedTimer elapsed;
        elapsed.start();

        const HttpResponse response = HttpClient().send(request);

        EXPECT_EQ(response.failure, Failure::Cancelled) << response.errorText.toStdString();
        // A cancel or a quit must not wait for curl's next progress report, a second or more away.
        EXPECT_LT(elapsed.elapsed(), 1000);
    }
    EXPECT_EQ(server.requestCount(), 1u) << "a request cancelled beforehand is never sent";
}

TEST(HttpClient, RefusesUnsafeRequestsWithoutSendingThem)
{
    FakeHttpServer server;
    server.addRoute({}, FakeHttpReply{.status = 200});
    struct Case
    {
        const char* name;
        QByteArray method;
        HttpHeaderFields fields;
        QString url;
    };
    const Case cases[] = {
        {"line break in a value", "GET", {{"X-Token", "abc\r\nX-Injected: 1"}}, {}},
        {"bare newline in a value", "GET", {{"X-Token", "abc\nX-Injected: 1"}}, {}},
        {"colon in a name", "GET", {{"X-Bad:Name", "1"}}, {}},
        {"empty name", "GET", {{"", "1"}}, {}},
        {"space in the method", "GET / HTTP/1.1\r\nX-Injected: 1\r\n\r\nGET", {}, {}},
        {"file address", "GET", {}, QStringLiteral("file:///etc/passwd")},
        {"other scheme", "GET", {}, QStringLiteral("ftp://127.0.0.1/")},
    };
    HttpClient client;
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        HttpRequest request = requestTo(server, "/", row.method);
        request.headerFields = row.fields;
        if (!row.url.isEmpty())
            request.url = row.url;

        const HttpResponse response = client.send(request);

        EXPECT_EQ(response.failure, Failure::Transport);
        EXPECT_FALSE(response.errorText.isEmpty());
    }
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST(HttpClient, FollowsRedirectsOnlyWhenAsked)
{
    FakeHttpServer server;
    server.addRoute({.path = "/old"}, FakeHttpReply{.status = 302, .headerFields = {{"Location", "/new"}}});
    server.addRoute({.path = "/new"},
                    FakeHttpReply{.status = 200, .headerFields = {{"X-Final", "yes"}}, .body = "new"});

    for (const bool follow : {false, true}) {
        SCOPED_TRACE(follow ? "following" : "not following");
        HttpRequest request = requestTo(server, "/old");
        request.followRedirects = follow;

        const HttpResponse response = HttpClient().send(request);

        ASSERT_TRUE(response.ok()) << response.errorText.toStdString();
        EXPECT_EQ(response.status, follow ? 200 : 302);
        EXPECT_EQ(response.body, follow ? QByteArray("new") : QByteArray());
        // Only the final response's fields: the redirect's Location must not leak into them.
        EXPECT_EQ(response.headerValue("Location").isNull(), follow);
        EXPECT_EQ(response.headerValue("X-Final").isNull(), !follow);
    }
}

TEST(HttpClient, GoesThroughTheNamedProxyWithItsAccount)
{
    FakeHttpServer proxy;
    proxy.addRoute({}, FakeHttpReply{.body = "from the proxy"});
    HttpRequest request;
    request.url = QStringLiteral("http://pictures.invalid/a.jpg");
    request.proxy = proxy.url();
    request.proxyUserName = QStringLiteral("ann");
    request.proxyPassword = QStringLiteral("pr0xy");

    const HttpResponse response = HttpClient().send(request);

    ASSERT_TRUE(response.ok()) << response.errorText.toStdString();
    EXPECT_EQ(response.body, "from the proxy");
    ASSERT_EQ(proxy.requestCount(), 1u);
    EXPECT_EQ(proxy.requests()[0].path, "http://pictures.invalid/a.jpg");
    EXPECT_EQ(proxy.requests()[0].headerValue("Proxy-Authorization"), "Basic " + QByteArray("ann:pr0xy").toBase64());
}

TEST(FakeHttpServer, RoutesByMethodPathAndCallName)
{
    FakeHttpServer server;
    auto answer = [](const char* label) { return FakeHttpReply{.body = label}; };
    server.addRoute({.method = "POST", .path = "/ws/api.dll", .callName = "AddItems"}, answer("add"));
    server.addRoute({.path = "/ws/api.dll", .callName = "GetItem"}, answer("get"));
    server.addRoute({.method = "PROPFIND", .path = "/dav/", .pathIsPrefix = true}, answer("dav listing"));
    server.addRoute({.path = "/dav/", .pathIsPrefix = true}, answer("dav other"));
    server.addRoute({.path = "/exact"}, answer("exact"));
    server.addRoute({.path = "/exact"}, answer("shadowed"));

    struct Case
    {
        QByteArray method;
        QString path;
        QByteArray callName;
        int status;
        QByteArray body;
    };
    const Case cases[] = {
        {"POST", "/ws/api.dll", "AddItems", 200, "add"},
        {"GET", "/ws/api.dll", "AddItems", 404, ""}, // right call, wrong method
        {"POST", "/ws/api.dll", "GetItem", 200, "get"},
        {"POST", "/ws/api.dll", "", 404, ""},
        {"POST", "/ws/api.dll?callname=AddItems", "", 404, ""}, // the query is no part of the path
        {"PROPFIND", "/dav/a/b.jpg", "", 200, "dav listing"},
        {"MKCOL", "/dav/a/", "", 200, "dav other"},
        {"GET", "/exact", "", 200, "exact"},
        {"GET", "/exact/more", "", 404, ""},
        {"GET", "/exact?x=1", "", 200, "exact"},
    };
    HttpClient client;
    for (const Case& row : cases) {
        SCOPED_TRACE(QByteArray(row.method + ' ' + row.path.toUtf8() + ' ' + row.callName).toStdString());
        HttpRequest request = requestTo(server, row.path, row.method);
        if (!row.callName.isEmpty())
            request.headerFields = {{"X-EBAY-API-CALL-NAME", row.callName}};

        const HttpResponse response = client.send(request);

        ASSERT_TRUE(response.ok()) << response.errorText.toStdString();
        EXPECT_EQ(response.status, row.status);
        EXPECT_EQ(response.body, row.body);
    }
    const FakeHttpRequest last = server.requests().back();
    EXPECT_EQ(last.path, "/exact");
    EXPECT_EQ(last.query, "x=1");
}

TEST(FakeHttpServer, PlaysQueuedRepliesInTurnAndRepeatsTheLast)
{
    FakeHttpServer server;
    server.addRoute({}, std::vector<FakeHttpReply>{
                            {.status = 503}, {.status = 201, .body = "one"}, {.status = 200, .body = "last"}});
    std::vector<int> statuses;
    std::vector<QByteArray> bodies;
    HttpClient client;
    for (int i = 0; i < 4; ++i) {
        const HttpResponse response = client.send(requestTo(server, "/"));
        statuses.push_back(response.status);
        bodies.push_back(response.body);
    }
    EXPECT_EQ(statuses, (std::vector<int>{503, 201, 200, 200}));
    EXPECT_EQ(bodies, (std::vector<QByteArray>{"", "one", "last", "last"}));
}

TEST(FakeHttpServer, DecodesChunkedRequestBodies)
{
    FakeHttpServer server;
    server.addRoute({}, FakeHttpReply{.status = 200});
    HttpRequest request = requestTo(server, "/upload", "POST");
    request.headerFields = {{"Transfer-Encoding", "chunked"}};
    request.body = randomBytes(100000);

    const HttpResponse response = HttpClient().send(request);

    ASSERT_TRUE(response.ok()) << response.errorText.toStdString();
    const FakeHttpRequest received = server.requests().at(0);
    EXPECT_EQ(received.headerValue("Transfer-Encoding"), "chunked");
    EXPECT_EQ(received.body, request.body);
}

TEST(FakeHttpServer, CountsConcurrentRequests)
{
    constexpr int kWorkers = 4;
    FakeHttpServer server;
    // Each request is held until all have arrived, so the peak does not depend on thread timing.
    server.addRoute({.path = "/slow"}, [&](const FakeHttpRequest&) {
        return FakeHttpReply{.status = server.waitForRequests(kWorkers) ? 200 : 504};
    });
    std::vector<int> statuses(kWorkers);
    std::vector<std::thread> workers;
    for (int i = 0; i < kWorkers; ++i) {
        workers.emplace_back([&, i] {
            HttpRequest request = requestTo(server, "/slow", "POST");
            request.body = "<AddItemRequest/>";
            statuses[i] = HttpClient().send(request).status;
        });
    }
    for (std::thread& worker : workers)
        worker.join();

    EXPECT_EQ(statuses, std::vector<int>(kWorkers, 200));
    EXPECT_EQ(server.peakConcurrentRequests(), kWorkers);
}
