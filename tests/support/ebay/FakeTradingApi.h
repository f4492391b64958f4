#pragma once
// A fake of eBay's Trading API for tests of everything that makes eBay calls.
//
// It serves the endpoint "/ws/api.dll" on a FakeHttpServer of its own and answers by call name
// (the X-EBAY-API-CALL-NAME field): with canned replies, replies in turn, replies computed from
// the request, and through FakeHttpReply with delays, stalls and cut connections. Every request
// that arrives is recorded with its header fields and its document read into the call's request
// class (for a multipart picture upload, the form's XML part), so a test asserts on what was sent
// through the generated getters. A call with no scripted reply is answered 404, and a request to
// another path or with another method too; both are recorded all the same.
//
//     dw::test::FakeTradingApi ebay;
//     ebay.setFixtureReply(QStringLiteral("GetUser"), QStringLiteral("DWEBay2/GetUser.xml"));
//     ebay.setReplies(QStringLiteral("AddItem"), {{.delay = 200ms, .body = reply}, {.cutAfterBytes = 0}});
//     DWEbayConnector connector(ebay.url(), 77, 747);
//     ... send ...
//     const auto sent = ebay.requests(QStringLiteral("GetUser"));
//     auto request = sent.at(0).documentAs<EBayGetUserRequestType>();
//     EXPECT_EQ(sent.at(0).headerValue("X-EBAY-API-SITEID"), "77");
//
// Replies may be changed at any time; the newest script of a call answers from then on. Any thread.

#include "DWGeneratedObject/DWGeneratedObject.h"
#include "tests/support/FakeHttpServer.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace dw::test {

// One part of a multipart form body.
struct FakeFormPart
{
    QByteArray name;        // the form field's name
    QByteArray fileName;    // the filename of a file part; empty otherwise
    QByteArray contentType; // empty when the part names none
    QByteArray body;
};

struct TradingApiRequest
{
    FakeHttpRequest http;
    QString callName;                    // the X-EBAY-API-CALL-NAME field; empty when the request has none
    QByteArray xml;                      // the request document: the body, or the XML part of a multipart form
    std::vector<FakeFormPart> formParts; // the parts of a multipart form body; empty for other bodies
    // xml read into the request class of callName; null when there is no such class, no document,
    // or the document does not read or has another root element (parseError says which).
    DWGeneratedObjectPtr document;
    QString parseError;

    QByteArray headerValue(QByteArrayView name) const { return http.headerValue(name); }
    template<class T>
    std::shared_ptr<T> documentAs() const
    {
        return std::dynamic_pointer_cast<T>(document);
    }
};

class FakeTradingApi
{
public:
    using Responder = std::function<FakeHttpReply(const TradingApiRequest&)>;

    static constexpr const char* kEndpointPath = "/ws/api.dll";

    // Starts serving; throws std::runtime_error when no port can be had.
    FakeTradingApi();
    ~FakeTradingApi();
    FakeTradingApi(const FakeTradingApi&) = delete;
    FakeTradingApi& operator=(const FakeTradingApi&) = delete;

    // The endpoint address to give a connector, and the server under it.
    QString url() const;
    FakeHttpServer& server() { return m_server; }

    // The same reply to every request of the call, as "text/xml".
    void setReply(const QString& callName, const QByteArray& body, int status = 200);
    // The reply stored in a fixture file under tests/data ("DWEBay2/GetUser.xml").
    void setFixtureReply(const QString& callName, const QString& fixture);
    // The first request of the call gets the first reply, the next the next; the last repeats.
    void setReplies(const QString& callName, std::vector<FakeHttpReply> replies);
    // A reply computed from each request of the call, on the connection's thread.
    void setResponder(const QString& callName, Responder responder);
    // The stored replies of the calls the application makes: VerifyAddItem, AddItem,
    // UploadSiteHostedPictures, GetSessionID, FetchToken, GetUser, GetItemRecommendations and
    // GetProductSearchResults, each with a successful reply.
    void useFixtureReplies();

    std::vector<TradingApiRequest> requests() const;
    std::vector<TradingApiRequest> requests(const QString& callName) const;
    std::size_t requestCount() const;
    // True once at least count requests have been recorded; false when the timeout passed first.
    [[nodiscard]] bool waitForRequests(std::size_t count,
                                       std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    int peakConcurrentRequests() const { return m_server.peakConcurrentRequests(); }

    // Closes the port and every connection; the record stays readable. Idempotent.
    void stop() { m_server.stop(); }

private:
    FakeHttpReply answer(const FakeHttpRequest& request);

    struct Private;
    std::unique_ptr<Private> d;
    FakeHttpServer m_server; // last: its threads stop before the scripts they call go
};

} // namespace dw::test
