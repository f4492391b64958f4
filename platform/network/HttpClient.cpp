#include "platform/network/HttpClient.h"

#include "platform/core/DWAssert.h"

#include <QList>
#include <curl/curl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <iterator>
#include <mutex>
#include <thread>

namespace dw {

namespace {

// The TLS library that libcurl's global set-up starts keeps state for the thread that ran it,
// freed only when that thread ends; a worker of a long-lived queue would carry it to the end of
// the process and leave it behind. A thread of its own, joined at once, ends before anything else
// of libcurl runs.
bool initialiseCurl()
{
    static std::once_flag once;
    static bool initialised = false;
    std::call_once(once, [] {
        std::thread setUp([] { initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
        setUp.join();
    });
    return initialised;
}

bool equalsIgnoringCase(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A token (method, field name) is visible ASCII without separators; anything else could split
// the request line or smuggle a header field in.
bool isToken(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7f || c == ':' || c == '(' || c == ')' || c == ',' || c == '/' || c == ';' ||
            c == '<' || c == '>' || c == '=' || c == '?' || c == '@' || c == '[' || c == ']' || c == '\\' || c == '"' ||
            c == '{' || c == '}')
            return false;
    }
    return true;
}

bool isFieldValue(QByteArrayView text)
{
    for (const char c : text) {
        if (c == '\r' || c == '\n' || c == '\0')
            return false;
    }
    return true;
}

QByteArray trimmed(QByteArrayView text)
{
    return text.trimmed().toByteArray();
}

struct CurlHeaderList
{
    curl_slist* list = nullptr;
    ~CurlHeaderList() { curl_slist_free_all(list); }
    bool append(const QByteArray& line)
    {
        curl_slist* grown = curl_slist_append(list, line.constData());
        if (!grown)
            return false;
        list = grown;
        return true;
    }
};

// The sockets of one client's connections, so that the inactivity check can ask the kernel how far
// the peer has acknowledged what was sent. curl keeps connections open between transfers, so the
// set lives as long as the client.
struct OpenSockets
{
    std::vector<curl_socket_t> open;
    curl_socket_t active = CURL_SOCKET_BAD;
};

int socketOpened(void* context, curl_socket_t socket, curlsocktype purpose)
{
    try {
        auto* sockets = static_cast<OpenSockets*>(context);
        // A number closed behind our back (curl closes some connections without the callback)
        // may come back for a new socket.
        std::erase(sockets->open, socket);
        if (purpose == CURLSOCKTYPE_IPCXN)
            sockets->open.push_back(socket);
    } catch (...) {
        return CURL_SOCKOPT_ERROR;
    }
    return CURL_SOCKOPT_OK;
}

int socketClosing(void* context, curl_socket_t socket)
{
    auto* sockets = static_cast<OpenSockets*>(context);
    std::erase(sockets->open, socket);
    if (sockets->active == socket)
        sockets->active = CURL_SOCKET_BAD;
    return ::close(socket);
}

int portOf(curl_socket_t socket, bool peer)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if ((peer ? ::getpeername(socket, raw, &length) : ::getsockname(socket, raw, &length)) != 0)
        return -1;
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

// Everything the callbacks of one transfer share. The callbacks are C functions called from
// inside curl: an exception must not pass through them, so one is kept and rethrown afterwards.
struct Transfer
{
    using Clock = std::chrono::steady_clock;

    OpenSockets* sockets = nullptr;
    const HttpRequest* request = nullptr;
    HttpResponse* response = nullptr;
    bool cancelled = false;
    bool stalled = false;
    // The response being read answered 2xx and the request has a body receiver.
    bool bodyToReceiver = false;
    bool receiverRefused = false;
    std::exception_ptr exception;
    // The inactivity clock runs once a connection stands (connecting has its own time-out).
    bool connected = false;
    Clock::time_point lastMovement;
    curl_off_t bytesMoved = 0;
    curl_off_t lastUploaded = -1;
    curl_off_t lastUploadTotal = -1;
    curl_off_t lastDownloaded = -1;
    curl_off_t lastDownloadTotal = -1;
};

// Called once a connection is ready for the request (after any TLS handshake), for every redirect too.
// The connection's ports tell which of the open sockets carries it.
int connectionReady(void* context, char*, char*, int remotePort, int localPort)
{
    auto* transfer = static_cast<Transfer*>(context);
    OpenSockets& sockets = *transfer->sockets;
    const auto found = std::find_if(sockets.open.begin(), sockets.open.end(), [&](curl_socket_t socket) {
        return portOf(socket, false) == localPort && portOf(socket, true) == remotePort;
    });
    sockets.active = found != sockets.open.end() ? *found : CURL_SOCKET_BAD;
    transfer->connected = true;
    transfer->lastMovement = Transfer::Clock::now();
    return CURL_PREREQFUNC_OK;
}

size_t writeBody(char* data, size_t size, size_t count, void* context)
{
    auto* transfer = static_cast<Transfer*>(context);
    const size_t length = size * count;
    transfer->lastMovement = Transfer::Clock::now();
    try {
        if (transfer->bodyToReceiver) {
            if (!transfer->request->bodyReceiver(QByteArrayView(data, qsizetype(length)))) {
                transfer->receiverRefused = true;
                return 0;
            }
        } else {
            transfer->response->body.append(data, qsizetype(length));
        }
    } catch (...) {
        transfer->exception = std::current_exception();
        return 0; // a short count makes curl stop with a write error
    }
    return length;
}

// curl hands over one complete header line per call, the status line of every response included
// (interim 1xx answers, redirects, a proxy's CONNECT answer). Only the last response's fields count.
size_t writeHeaderLine(char* data, size_t size, size_t count, void* context)
{
    auto* transfer = static_cast<Transfer*>(context);
    const size_t length = size * count;
    transfer->lastMovement = Transfer::Clock::now();
    try {
        const QByteArrayView line(data, qsizetype(length));
        HttpHeaderFields& fields = transfer->response->headerFields;
        if (line.startsWith("HTTP/")) {
            fields.clear();
            // "HTTP/1.1 200 OK": only a success's body goes to the receiver.
            const QList<QByteArray> parts = line.toByteArray().simplified().split(' ');
            transfer->bodyToReceiver = transfer->request->bodyReceiver && parts.size() >= 2 && parts[1].size() == 3 &&
                                       parts[1].startsWith('2');
        } else if ((line.startsWith(' ') || line.startsWith('\t')) && !fields.empty()) {
            // An obsolete folded continuation line belongs to the previous field.
            const QByteArray more = trimmed(line);
            if (!more.isEmpty())
                fields.back().value += (fields.back().value.isEmpty() ? QByteArray() : QByteArray(" ")) + more;
        } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
            fields.push_back({trimmed(line.first(colon)), trimmed(line.sliced(colon + 1))});
        }
    } catch (...) {
        transfer->exception = std::current_exception();
        return 0;
    }
    return length;
}

// Bytes handed to the kernel but not yet acknowledged by the peer. A body smaller than the socket's
// send buffer leaves curl at once and then drains slowly on a slow link: that draining is movement too.
curl_off_t unacknowledgedBytes(const OpenSockets& sockets)
{
    int queued = 0;
    if (sockets.active == CURL_SOCKET_BAD || ::ioctl(sockets.active, SIOCOUTQ, &queued) != 0)
        return 0;
    return queued;
}

int reportProgress(void* context, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t uploadTotal,
                   curl_off_t uploaded)
{
    auto* transfer = static_cast<Transfer*>(context);
    const HttpRequest& request = *transfer->request;
    if (request.cancel && request.cancel->load()) {
        transfer->cancelled = true;
        return 1;
    }
    // The inactivity time-out, counted from the last byte that moved in either direction. curl
    // calls here whenever perform() drives the transfer, also while nothing moves.
    const auto now = Transfer::Clock::now();
    const curl_off_t moved = uploaded - unacknowledgedBytes(*transfer->sockets) + downloaded;
    if (moved != transfer->bytesMoved) {
        transfer->bytesMoved = moved;
        transfer->lastMovement = now;
    } else if (transfer->connected &&
               now - transfer->lastMovement >= std::chrono::seconds(request.inactivityTimeoutSeconds)) {
        transfer->stalled = true;
        return 1;
    }
    try {
        if (request.uploadProgress && (uploaded > 0 || uploadTotal > 0) &&
            (uploaded != transfer->lastUploaded || uploadTotal != transfer->lastUploadTotal)) {
            transfer->lastUploaded = uploaded;
            transfer->lastUploadTotal = uploadTotal;
            request.uploadProgress(uploaded, uploadTotal);
        }
        if (request.downloadProgress && (downloaded > 0 || downloadTotal > 0) &&
            (downloaded != transfer->lastDownloaded || downloadTotal != transfer->lastDownloadTotal)) {
            transfer->lastDownloaded = downloaded;
            transfer->lastDownloadTotal = downloadTotal;
            request.downloadProgress(downloaded, downloadTotal);
        }
    } catch (...) {
        transfer->exception = std::current_exception();
        return 1;
    }
    return 0;
}

HttpResponse failed(HttpResponse::Failure failure, const QString& text)
{
    HttpResponse response;
    response.failure = failure;
    response.errorText = text;
    return response;
}

} // namespace

QByteArray headerValue(const HttpHeaderFields& fields, QByteArrayView name)
{
    for (const HttpHeaderField& field : fields) {
        if (equalsIgnoringCase(field.name, name))
            return field.value;
    }
    return {};
}

void setHeaderValue(HttpHeaderFields& fields, const QByteArray& name, const QByteArray& value)
{
    auto first = std::find_if(fields.begin(), fields.end(),
                              [&](const HttpHeaderField& field) { return equalsIgnoringCase(field.name, name); });
    if (first == fields.end()) {
        fields.push_back({name, value});
        return;
    }
    first->value = value;
    fields.erase(std::remove_if(std::next(first), fields.end(),
                                [&](const HttpHeaderField& field) { return equalsIgnoringCase(field.name, name); }),
                 fields.end());
}

// A transfer runs in a multi handle of the client's own rather than through curl_easy_perform():
// the easy interface looks at the cancel flag only when curl reports progress, about once a second
// while a server stalls, and a cancel or quit must not wait that long. The multi handle also holds
// the client's open connections (one per host) between transfers.
struct HttpClient::Private
{
    CURL* handle = nullptr;
    CURLM* multi = nullptr;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    OpenSockets sockets;

    ~Private()
    {
        // The cached connections are closed here, through socketClosing() with `sockets`.
        if (multi)
            curl_multi_cleanup(multi);
        if (handle)
            curl_easy_cleanup(handle);
    }
};

namespace {

// How long a transfer waits for its sockets before it looks at the cancel flag again.
constexpr int kCancelCheckMilliseconds = 100;

// Runs the transfer to its end; a raised cancel flag ends it within kCancelCheckMilliseconds.
CURLcode perform(CURLM* multi, CURL* curl, Transfer& transfer)
{
    if (curl_multi_add_handle(multi, curl) != CURLM_OK)
        return CURLE_FAILED_INIT;
    const std::atomic<bool>* cancel = transfer.request->cancel;
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
        bool done = false;
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == curl) {
                result = message->data.result;
                done = true;
            }
        }
        if (done)
            break;
        if (running == 0) { // cannot happen without a message; never spin on it
            result = CURLE_RECV_ERROR;
            break;
        }
        if (cancel && cancel->load()) {
            transfer.cancelled = true;
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (curl_multi_poll(multi, nullptr, 0, kCancelCheckMilliseconds, nullptr) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
    }
    // An unfinished transfer's connection is closed here; a finished one's stays for the next request.
    curl_multi_remove_handle(multi, curl);
    return result;
}

} // namespace

HttpClient::HttpClient() : d(std::make_unique<Private>())
{
    if (!initialiseCurl())
        return;
    d->handle = curl_easy_init();
    d->multi = curl_multi_init();
    if (!d->multi && d->handle) {
        curl_easy_cleanup(d->handle);
        d->handle = nullptr;
    }
}

HttpClient::~HttpClient() = default;

HttpClient& HttpClient::forCurrentThread()
{
    thread_local HttpClient client;
    return client;
}
HttpClient::HttpClient(HttpClient&&) noexcept = default;
HttpClient& HttpClient::operator=(HttpClient&&) noexcept = default;

HttpResponse HttpClient::send(const HttpRequest& request)
{
    DW_PARAMETER_ASSERT(request.connectTimeoutSeconds > 0);
    DW_PARAMETER_ASSERT(request.inactivityTimeoutSeconds > 0);

    using Failure = HttpResponse::Failure;
    if (!d || !d->handle)
        return failed(Failure::Transport, QStringLiteral("The HTTP library could not be started."));
    if (!isToken(request.method))
        return failed(Failure::Transport, QStringLiteral("The request method is not valid."));
    for (const HttpHeaderField& field : request.headerFields) {
        if (!isToken(field.name) || !isFieldValue(field.value))
            return failed(Failure::Transport, QStringLiteral("A request header field is not valid."));
    }
    const bool isHead = request.method == "HEAD";
    if (isHead && !request.body.isEmpty())
        return failed(Failure::Transport, QStringLiteral("A HEAD request cannot carry a body."));
    if (request.cancel && request.cancel->load())
        return failed(Failure::Cancelled, QStringLiteral("Cancelled."));

    CurlHeaderList headers;
    bool hasContentType = false;
    bool listComplete = true;
    for (const HttpHeaderField& field : request.headerFields) {
        if (equalsIgnoringCase(field.name, "Expect"))
            continue;
        hasContentType = hasContentType || equalsIgnoringCase(field.name, "Content-Type");
        // "Name:" with nothing after it would remove the field; curl's spelling of an empty value is "Name;".
        const QByteArray line =
            field.value.isEmpty() ? QByteArray(field.name + ';') : QByteArray(field.name + ": " + field.value);
        listComplete = listComplete && headers.append(line);
    }
    // An empty entry suppresses curl's own field: no "Expect: 100-continue" before large bodies, and
    // no form-encoded Content-Type that the caller did not ask for.
    listComplete = listComplete && headers.append("Expect:");
    if (!hasContentType)
        listComplete = listComplete && headers.append("Content-Type:");
    if (!listComplete)
        return failed(Failure::Transport, QStringLiteral("Out of memory."));

    HttpResponse response;
    Transfer transfer;
    transfer.sockets = &d->sockets;
    transfer.request = &request;
    transfer.response = &response;

    CURL* curl = d->handle;
    // A reset keeps nothing the next request needs: the connections and the DNS cache are the multi
    // handle's.
    curl_easy_reset(curl);
    d->errorBuffer[0] = '\0';
    const QByteArray url = request.url.toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_POSTREDIR, request.keepPostOnRedirect ? long(CURL_REDIR_POST_ALL) : 0L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, long(request.connectTimeoutSeconds));
    // No total time limit, on purpose, and not curl's low-speed limit either: it counts only the
    // bytes curl hands to the socket, averaged over several seconds, so it notices a stall seconds
    // late and cuts off an upload whose last megabyte is still draining from the kernel's buffer.
    // reportProgress() watches the bytes the peer acknowledges instead.
    const QByteArray proxy = request.proxy.toUtf8();
    const QByteArray proxyUserName = request.proxyUserName.toUtf8();
    const QByteArray proxyPassword = request.proxyPassword.toUtf8();
    if (!proxy.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_PROXY, proxy.constData());
        if (!proxyUserName.isEmpty()) {
            curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, proxyUserName.constData());
            curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, proxyPassword.constData());
        }
    }
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, d->errorBuffer);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list);

    if (isHead) {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    } else if (!request.body.isEmpty() || request.method == "POST" || request.method == "PUT" ||
               request.method == "PATCH") {
        // The body is sent straight from the caller's buffer, which outlives the transfer.
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.constData());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
        if (request.method != "POST")
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.constData());
    } else if (request.method == "GET") {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.constData());
    }

    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, writeHeaderLine);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, socketOpened);
    curl_easy_setopt(curl, CURLOPT_SOCKOPTDATA, &d->sockets);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, socketClosing);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, &d->sockets);
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, connectionReady);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, reportProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    const CURLcode result = perform(d->multi, curl, transfer);
    // The header list and the body buffer die with this call: leave no pointer to them behind.
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, nullptr);

    long requestSize = 0;
    curl_easy_getinfo(curl, CURLINFO_REQUEST_SIZE, &requestSize);
    const bool requestSent = requestSize > 0;

    if (transfer.exception)
        std::rethrow_exception(transfer.exception);
    if (result == CURLE_OK) {
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        response.failure = Failure::None;
        response.status = int(status);
        response.requestSent = true;
        return response;
    }
    if (transfer.cancelled || transfer.receiverRefused || transfer.stalled) {
        HttpResponse stopped =
            transfer.cancelled ? failed(Failure::Cancelled, QStringLiteral("Cancelled."))
            : transfer.receiverRefused
                ? failed(Failure::Transport, QStringLiteral("The receiver of the body stopped the transfer."))
                : failed(Failure::TimedOut, QStringLiteral("Nothing was sent or received for %1 seconds.")
                                                .arg(request.inactivityTimeoutSeconds));
        stopped.requestSent = requestSent;
        return stopped;
    }
    const QString text =
        d->errorBuffer[0] ? QString::fromUtf8(d->errorBuffer) : QString::fromUtf8(curl_easy_strerror(result));
    HttpResponse failedResponse =
        failed(result == CURLE_OPERATION_TIMEDOUT ? Failure::TimedOut : Failure::Transport, text);
    failedResponse.requestSent = requestSent;
    failedResponse.secureConnectionFailed = result == CURLE_SSL_CONNECT_ERROR ||
                                            result == CURLE_PEER_FAILED_VERIFICATION ||
                                            result == CURLE_SSL_CERTPROBLEM || result == CURLE_SSL_CACERT_BADFILE ||
                                            result == CURLE_SSL_ISSUER_ERROR || result == CURLE_SSL_INVALIDCERTSTATUS;
    return failedResponse;
}

} // namespace dw
