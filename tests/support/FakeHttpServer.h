#pragma once
// A scripted HTTP/1.1 server on 127.0.0.1 for tests of everything that talks to a remote service.
//
// It listens on a free port from construction until stop() (or destruction), on threads of its
// own: one accepts, one serves each connection, so requests are answered concurrently and no
// event loop is needed. Any method is accepted. Every request is recorded as it arrived.
//
//     dw::test::FakeHttpServer server;
//     server.addRoute({.method = "POST", .path = "/ws/api.dll", .callName = "AddItem"},
//                     {.status = 200, .headerFields = {{"Content-Type", "text/xml"}}, .body = reply});
//     server.addRoute({.path = "/pictures/", .pathIsPrefix = true},
//                     {{.status = 503}, {.status = 201}});          // first 503, then 201 ever after
//     server.addRoute({.method = "PROPFIND"}, [](const dw::test::FakeHttpRequest& request) {
//         return dw::test::FakeHttpReply{.status = 207, .body = listing(request.path)};
//     });
//     ... send requests to server.url("/ws/api.dll") ...
//     ASSERT_TRUE(server.waitForRequests(1));
//     EXPECT_EQ(server.requests()[0].headerValue("X-EBAY-API-CALL-NAME"), "AddItem");
//
// The first route that matches answers; a request no route matches gets a 404. A reply can wait
// before answering, never answer (a stalled server), or close the connection without answering
// or halfway through. Responders run on the connection's thread, outside the server's lock, so
// they may call the server (for instance waitForRequests() to hold requests until others arrive);
// one that throws answers a 500 that says so.

#include "platform/network/HttpClient.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace dw::test {

struct FakeHttpRequest
{
    QByteArray method;
    QByteArray path;                   // the target up to '?'
    QByteArray query;                  // after '?', without it
    dw::HttpHeaderFields headerFields; // in the order received, names as sent
    QByteArray body;                   // de-chunked when sent chunked

    QByteArray headerValue(QByteArrayView name) const { return dw::headerValue(headerFields, name); }
};

struct FakeHttpReply
{
    int status = 200;
    QByteArray reason{};                 // empty: the usual phrase for the status
    dw::HttpHeaderFields headerFields{}; // sent in this order; a Content-Length is added unless given
    QByteArray body{};                   // not sent in answer to HEAD
    std::chrono::milliseconds delay{0};
    bool stall = false; // read the request, then answer nothing until the server stops
    // Close the connection after this many bytes of the reply (0: without answering at all).
    std::optional<qsizetype> cutAfterBytes{};
};

// What a route answers; every field left empty matches anything. (Every member has an initialiser so
// that designated initialisers may leave any out without a warning.)
struct FakeHttpRoute
{
    QByteArray method{};
    QByteArray path{}; // the whole path, or its beginning when pathIsPrefix
    bool pathIsPrefix = false;
    QByteArray callName{}; // the value of the X-EBAY-API-CALL-NAME field
};

class FakeHttpServer
{
public:
    using Responder = std::function<FakeHttpReply(const FakeHttpRequest&)>;

    // Starts listening; throws std::runtime_error when no port can be had.
    FakeHttpServer();
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    quint16 port() const;
    // "http://127.0.0.1:<port>" followed by path.
    QString url(const QString& path = QString()) const;

    // The same reply to every request.
    void addRoute(const FakeHttpRoute& route, const FakeHttpReply& reply);
    // The first request gets the first reply, the next the next; the last repeats.
    void addRoute(const FakeHttpRoute& route, std::vector<FakeHttpReply> replies);
    // A reply computed from each request.
    void addRoute(const FakeHttpRoute& route, Responder responder);

    // Reads request bodies no faster than this (0: as fast as they come), for slow-link tests.
    // Set it before the requests it should slow down connect.
    void setBodyReadRate(qint64 bytesPerSecond);

    std::vector<FakeHttpRequest> requests() const;
    std::size_t requestCount() const;
    // True once at least count requests have arrived; false when the timeout passed first.
    [[nodiscard]] bool waitForRequests(std::size_t count,
                                       std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // The most requests that were ever being answered at the same moment (read, reply not yet sent).
    int peakConcurrentRequests() const;
    // How many connections were accepted since the start.
    int connectionCount() const;

    // Closes the port and every connection (stalled and delayed ones included) and waits for the
    // server's threads. The record stays readable. Idempotent.
    void stop();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace dw::test
