#pragma once
// A synchronous HTTP client: one request in, one response out, on the calling thread.
//
// Every remote service of the program (eBay calls, picture uploads, downloads, the update feed,
// crash reports, the store) goes through here. send() blocks until the exchange is over, so it
// belongs on worker threads, never on the main thread. One HttpClient serves one thread at a time;
// it keeps its connections open between requests, so a worker that talks to one host repeatedly
// should keep its client: forCurrentThread() is such a client, one per thread for the thread's
// life. Clients on different threads are independent.
//
//     dw::HttpRequest request;
//     request.method = "POST";
//     request.url = QStringLiteral("https://api.example.com/ws/api.dll");
//     request.headerFields = {{"X-EBAY-API-CALL-NAME", "GeteBayOfficialTime"},
//                             {"Content-Type", "text/xml"}};
//     request.body = xml;
//     request.inactivityTimeoutSeconds = 60;
//     const dw::HttpResponse response = dw::HttpClient().send(request);
//     if (!response.ok())
//         return fail(response.errorText);       // nothing usable came back
//     if (response.status != 200)
//         ...                                     // response.body still holds what the server said
//
// What it promises:
// - Any method. The request header fields go out in the given order, exactly as given (HTTP/2
//   lower-cases names on the wire, as that protocol requires). The client adds only what the
//   protocol needs (Host, Content-Length) and "Accept: */*" unless the caller sets Accept; it never
//   sends "Expect: 100-continue" (some servers stall or refuse it), never invents a Content-Type,
//   and drops an Expect field in the request.
// - Time-outs: connecting (TLS handshake included) may take connectTimeoutSeconds; after that the
//   exchange is aborted only when no byte has moved in either direction for
//   inactivityTimeoutSeconds (give a server that works long before answering enough of it). Bytes
//   still draining from the socket's send buffer count as moving. There is no limit on the total
//   time, so a slow upload of many megabytes that keeps moving is never cut off.
// - Proxies come from the environment (http_proxy, https_proxy, no_proxy, all_proxy) unless the
//   request names one. TLS peers
//   are always verified. Only http and https addresses are fetched, also when following
//   redirects, which happens only when followRedirects is set. No signals are used, so any thread
//   may send.
// - Whatever status the server answers, its body and header fields are returned: a 500 with an
//   error document is a response (ok() true, status 500), not a transport failure.
// - Failures are returned, never thrown: ok() is false and errorText says what went wrong
//   (refused, name not resolved, TLS failure, connection cut, time-out, cancelled); failure tells
//   time-outs and cancellation apart from the rest. A request whose header fields or method carry
//   line breaks is refused before anything is sent.
// - Nothing is logged here: header fields and bodies carry tokens and passwords.
//
// The progress callbacks and the cancel flag are used on the sending thread while send() runs.
// The flag is looked at every tenth of a second at least, so a cancel ends a stalled exchange at once.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace dw {

struct HttpHeaderField
{
    QByteArray name;
    QByteArray value;
    friend bool operator==(const HttpHeaderField&, const HttpHeaderField&) = default;
};

using HttpHeaderFields = std::vector<HttpHeaderField>;

// The value of the first field of that name (names compare case-insensitively); null when absent.
QByteArray headerValue(const HttpHeaderFields& fields, QByteArrayView name);
// Sets a field as a request object's setter does: the first field of that name takes the value
// where it stands and any further ones go; a new name is appended.
void setHeaderValue(HttpHeaderFields& fields, const QByteArray& name, const QByteArray& value);

struct HttpRequest
{
    QByteArray method = "GET";
    QString url{};
    HttpHeaderFields headerFields{};
    QByteArray body{}; // sent with a Content-Length whenever it is not empty, and always for POST
    int connectTimeoutSeconds = 30;
    int inactivityTimeoutSeconds = 60;
    bool followRedirects = false;
    // When following a 301, 302 or 303, repeat a POST as a POST with its body (otherwise it
    // becomes a GET, as browsers do).
    bool keepPostOnRedirect = false;
    // "http://host:port" of a proxy to use instead of the environment's, with its account (sent
    // only to the proxy). Empty: the environment decides.
    QString proxy{};
    QString proxyUserName{};
    QString proxyPassword{};
    // Bytes of the body sent so far and in all; bytes of the response body received so far and
    // the announced total (0 when the server does not say).
    std::function<void(qint64 sent, qint64 total)> uploadProgress{};
    std::function<void(qint64 received, qint64 total)> downloadProgress{};
    // When it turns true the exchange stops and send() returns with Failure::Cancelled.
    const std::atomic<bool>* cancel = nullptr;
    // When set, the body of a 2xx response goes to it piece by piece instead of into
    // HttpResponse::body (a download written straight to a file, never held whole in memory); the
    // bodies of other answers stay in `body`. Returning false stops the exchange: send() fails
    // with Failure::Transport.
    std::function<bool(QByteArrayView piece)> bodyReceiver{};
};

struct HttpResponse
{
    enum class Failure {
        None,
        TimedOut,  // connecting took too long, or nothing moved for the inactivity time-out
        Cancelled, // the cancel flag was raised
        Transport, // anything else: refused, unresolved, TLS, cut connection, bad request
    };

    Failure failure = Failure::Transport;
    QString errorText;
    int status = 0;                      // the final response's status; 0 when none arrived
    bool secureConnectionFailed = false; // the TLS handshake or the peer's certificate failed
    // Bytes of the request reached the connection: the server may have acted on it even when no
    // response (or only part of one) could be read.
    bool requestSent = false;
    HttpHeaderFields headerFields; // the final response's fields, in the order received
    QByteArray body;

    bool ok() const { return failure == Failure::None; }
    QByteArray headerValue(QByteArrayView name) const { return dw::headerValue(headerFields, name); }
};

class HttpClient
{
public:
    HttpClient();
    ~HttpClient();
    HttpClient(HttpClient&&) noexcept;
    HttpClient& operator=(HttpClient&&) noexcept;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpResponse send(const HttpRequest& request);

    // The calling thread's own client, made on first use and kept until the thread ends, so that
    // the thread's requests to a host share one open connection.
    static HttpClient& forCurrentThread();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace dw
