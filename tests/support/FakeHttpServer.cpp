#include "tests/support/FakeHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QList>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <list>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

namespace dw::test {

namespace {

using Clock = std::chrono::steady_clock;

// Bounds against a runaway client, so a broken test fails instead of eating the machine.
constexpr qsizetype kMaxHeadBytes = 256 * 1024;
constexpr qsizetype kMaxBodyBytes = qsizetype(1) << 30;

QByteArray reasonPhrase(int status)
{
    static const std::pair<int, const char*> phrases[] = {
        {200, "OK"},
        {201, "Created"},
        {204, "No Content"},
        {207, "Multi-Status"},
        {301, "Moved Permanently"},
        {302, "Found"},
        {304, "Not Modified"},
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {403, "Forbidden"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {409, "Conflict"},
        {500, "Internal Server Error"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
    };
    for (const auto& [code, phrase] : phrases) {
        if (code == status)
            return phrase;
    }
    return "Status";
}

bool routeMatches(const FakeHttpRoute& route, const FakeHttpRequest& request)
{
    if (!route.method.isEmpty() && route.method != request.method)
        return false;
    if (!route.path.isEmpty() &&
        (route.pathIsPrefix ? !request.path.startsWith(route.path) : route.path != request.path))
        return false;
    if (!route.callName.isEmpty() && request.headerValue("X-EBAY-API-CALL-NAME") != route.callName)
        return false;
    return true;
}

bool sendAll(int fd, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t sent = ::send(fd, bytes.data(), size_t(bytes.size()), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes = bytes.sliced(sent);
    }
    return true;
}

class RequestReader;

} // namespace

struct FakeHttpServer::Private
{
    struct Route
    {
        FakeHttpRoute match;
        std::vector<FakeHttpReply> replies;
        std::size_t next = 0;
        Responder responder;
    };

    struct Connection
    {
        int fd = -1;
        std::thread thread;
        bool done = false;
    };

    int listenFd = -1;
    int wakeRead = -1;
    int wakeWrite = -1;
    quint16 port = 0;
    std::thread acceptThread;

    mutable std::mutex mutex;
    mutable std::condition_variable changed; // a request was recorded, or the server is stopping
    bool stopping = false;
    bool stopped = false;
    std::vector<Route> routes;
    std::vector<FakeHttpRequest> requests;
    int inFlight = 0;
    int peak = 0;
    int accepted = 0;
    qint64 readRate = 0;
    std::list<Connection> connections;

    void acceptLoop();
    void serve(Connection* connection);
    bool serveOne(int fd, RequestReader& reader, bool* keepOpen);
    FakeHttpReply replyFor(const FakeHttpRequest& request);
    // Waits until the deadline; false when the server began stopping first.
    bool waitUntil(Clock::time_point deadline)
    {
        std::unique_lock lock(mutex);
        return !changed.wait_until(lock, deadline, [this] { return stopping; });
    }
    void waitForStop()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return stopping; });
    }
    void reapFinishedLocked();
};

namespace {

// Buffered reading from one connection, paced when the server reads bodies slowly. waitUntil
// answers false when the server is stopping.
class RequestReader
{
public:
    RequestReader(int fd, std::function<bool(Clock::time_point)> waitUntil)
        : m_fd(fd), m_waitUntil(std::move(waitUntil))
    {}

    void startPacing(qint64 bytesPerSecond)
    {
        m_rate = bytesPerSecond;
        m_paceStart = Clock::now();
        m_paced = 0;
    }
    void stopPacing() { m_rate = 0; }

    bool readLine(QByteArray* line, qsizetype limit)
    {
        for (;;) {
            const qsizetype end = m_buffer.indexOf("\r\n");
            if (end >= 0) {
                *line = m_buffer.first(end);
                m_buffer.remove(0, end + 2);
                return true;
            }
            if (m_buffer.size() > limit || !fill())
                return false;
        }
    }

    bool readExact(qsizetype length, QByteArray* out)
    {
        while (m_buffer.size() < length) {
            if (!fill())
                return false;
        }
        out->append(m_buffer.first(length));
        m_buffer.remove(0, length);
        return true;
    }

private:
    bool fill()
    {
        qsizetype want = 64 * 1024;
        if (m_rate > 0) {
            // A twentieth of a second's worth at a time, each slice only once its time has come.
            want = std::max<qsizetype>(1, qsizetype(m_rate / 20));
            const auto due = m_paceStart + std::chrono::microseconds(m_paced * 1000000 / m_rate);
            if (!m_waitUntil(due))
                return false;
        }
        char chunk[64 * 1024];
        for (;;) {
            const ssize_t received = ::recv(m_fd, chunk, size_t(std::min<qsizetype>(want, sizeof chunk)), 0);
            if (received < 0 && errno == EINTR)
                continue;
            if (received <= 0)
                return false;
            m_buffer.append(chunk, received);
            m_paced += received;
            return true;
        }
    }

    int m_fd;
    std::function<bool(Clock::time_point)> m_waitUntil;
    QByteArray m_buffer;
    qint64 m_rate = 0;
    Clock::time_point m_paceStart;
    qint64 m_paced = 0;
};

bool readChunkedBody(RequestReader& reader, QByteArray* body)
{
    for (;;) {
        QByteArray sizeLine;
        if (!reader.readLine(&sizeLine, 1024))
            return false;
        const qsizetype extension = sizeLine.indexOf(';');
        bool ok = false;
        const qint64 size = (extension >= 0 ? sizeLine.first(extension) : sizeLine).trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0 || body->size() + size > kMaxBodyBytes)
            return false;
        if (size == 0)
            break;
        QByteArray crlf;
        if (!reader.readExact(qsizetype(size), body) || !reader.readExact(2, &crlf) || crlf != "\r\n")
            return false;
    }
    // Trailer fields up to the empty line; kept out of the record.
    QByteArray line;
    do {
        if (!reader.readLine(&line, kMaxHeadBytes))
            return false;
    } while (!line.isEmpty());
    return true;
}

} // namespace

void FakeHttpServer::Private::reapFinishedLocked()
{
    for (auto it = connections.begin(); it != connections.end();) {
        if (it->done) {
            it->thread.join();
            ::close(it->fd);
            it = connections.erase(it);
        } else {
            ++it;
        }
    }
}

void FakeHttpServer::Private::acceptLoop()
{
    for (;;) {
        pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard lock(mutex);
        if (stopping) {
            ::close(fd);
            return;
        }
        reapFinishedLocked();
        ++accepted;
        Connection& connection = connections.emplace_back();
        connection.fd = fd;
        connection.thread = std::thread([this, c = &connection] { serve(c); });
    }
}

void FakeHttpServer::Private::serve(Connection* connection)
{
    // One reader for the connection's life: bytes of a following request may already be buffered.
    RequestReader reader(connection->fd, [this](Clock::time_point deadline) { return waitUntil(deadline); });
    bool keepOpen = true;
    while (keepOpen && serveOne(connection->fd, reader, &keepOpen)) {
    }
    // The descriptor is closed by whoever joins this thread, so stop() never shuts down a reused number.
    ::shutdown(connection->fd, SHUT_RDWR);
    std::lock_guard lock(mutex);
    connection->done = true;
}

bool FakeHttpServer::Private::serveOne(int fd, RequestReader& reader, bool* keepOpen)
{
    FakeHttpRequest request;

    QByteArray requestLine;
    if (!reader.readLine(&requestLine, kMaxHeadBytes))
        return false;
    const QList<QByteArray> parts = requestLine.split(' ');
    if (parts.size() != 3 || parts[0].isEmpty() || !parts[2].startsWith("HTTP/1.")) {
        sendAll(fd, "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        return false;
    }
    request.method = parts[0];
    const qsizetype question = parts[1].indexOf('?');
    request.path = question >= 0 ? parts[1].first(question) : parts[1];
    request.query = question >= 0 ? parts[1].sliced(question + 1) : QByteArray();

    qsizetype headBytes = requestLine.size();
    for (;;) {
        QByteArray line;
        if (!reader.readLine(&line, kMaxHeadBytes))
            return false;
        headBytes += line.size() + 2;
        if (headBytes > kMaxHeadBytes)
            return false;
        if (line.isEmpty())
            break;
        if ((line.startsWith(' ') || line.startsWith('\t')) && !request.headerFields.empty()) {
            request.headerFields.back().value += ' ' + line.trimmed();
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return false;
        request.headerFields.push_back({line.first(colon), line.sliced(colon + 1).trimmed()});
    }

    {
        std::lock_guard lock(mutex);
        peak = std::max(peak, ++inFlight);
    }
    struct InFlightGuard
    {
        Private* server;
        ~InFlightGuard()
        {
            std::lock_guard lock(server->mutex);
            --server->inFlight;
        }
    } guard{this};

    qint64 rate = 0;
    {
        std::lock_guard lock(mutex);
        rate = readRate;
    }
    if (rate > 0)
        reader.startPacing(rate);
    if (request.headerValue("Transfer-Encoding").toLower().contains("chunked")) {
        if (!readChunkedBody(reader, &request.body))
            return false;
    } else if (const QByteArray length = request.headerValue("Content-Length"); !length.isNull()) {
        bool ok = false;
        const qint64 size = length.trimmed().toLongLong(&ok);
        if (!ok || size < 0 || size > kMaxBodyBytes || !reader.readExact(qsizetype(size), &request.body))
            return false;
    }
    reader.stopPacing();

    const bool clientCloses = request.headerValue("Connection").toLower() == "close" || parts[2] == "HTTP/1.0";
    const bool isHead = request.method == "HEAD";
    {
        std::lock_guard lock(mutex);
        requests.push_back(request);
    }
    changed.notify_all();

    const FakeHttpReply reply = replyFor(request);
    if (reply.delay.count() > 0 && !waitUntil(Clock::now() + reply.delay))
        return false;
    if (reply.stall) {
        waitForStop();
        return false;
    }

    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' +
                       (reply.reason.isEmpty() ? reasonPhrase(reply.status) : reply.reason) + "\r\n";
    for (const HttpHeaderField& field : reply.headerFields)
        bytes += field.name + ": " + field.value + "\r\n";
    const bool bodyless = reply.status < 200 || reply.status == 204 || reply.status == 304;
    if (!bodyless && headerValue(reply.headerFields, "Content-Length").isNull() &&
        headerValue(reply.headerFields, "Transfer-Encoding").isNull())
        bytes += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    const bool serverCloses = headerValue(reply.headerFields, "Connection").toLower() == "close";
    if (clientCloses && !serverCloses)
        bytes += "Connection: close\r\n";
    bytes += "\r\n";
    if (!isHead && !bodyless)
        bytes += reply.body;

    if (reply.cutAfterBytes) {
        sendAll(fd, QByteArrayView(bytes).first(std::clamp<qsizetype>(*reply.cutAfterBytes, 0, bytes.size())));
        return false;
    }
    if (!sendAll(fd, bytes))
        return false;
    *keepOpen = !clientCloses && !serverCloses;
    return true;
}

FakeHttpReply FakeHttpServer::Private::replyFor(const FakeHttpRequest& request)
{
    Responder responder;
    {
        std::lock_guard lock(mutex);
        const auto route = std::find_if(routes.begin(), routes.end(),
                                        [&](const Route& candidate) { return routeMatches(candidate.match, request); });
        if (route == routes.end())
            return FakeHttpReply{.status = 404};
        if (!route->responder) {
            const std::size_t index = std::min(route->next++, route->replies.size() - 1);
            return route->replies[index];
        }
        responder = route->responder;
    }
    try {
        return responder(request);
    } catch (const std::exception& error) {
        // A throwing responder is a broken test: say so in the reply instead of ending the process.
        return FakeHttpReply{.status = 500, .body = QByteArray("FakeHttpServer responder threw: ") + error.what()};
    }
}

FakeHttpServer::FakeHttpServer() : d(std::make_unique<Private>())
{
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0)
        throw std::runtime_error("FakeHttpServer: no pipe");
    d->wakeRead = wake[0];
    d->wakeWrite = wake[1];

    d->listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (d->listenFd < 0 || ::bind(d->listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(d->listenFd, 64) != 0 ||
        ::getsockname(d->listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int error = errno;
        stop();
        throw std::runtime_error(std::string("FakeHttpServer: cannot listen: ") + strerror(error));
    }
    d->port = ntohs(address.sin_port);
    d->acceptThread = std::thread([this] { d->acceptLoop(); });
}

FakeHttpServer::~FakeHttpServer()
{
    stop();
}

quint16 FakeHttpServer::port() const
{
    return d->port;
}

QString FakeHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:") + QString::number(d->port) + path;
}

void FakeHttpServer::addRoute(const FakeHttpRoute& route, const FakeHttpReply& reply)
{
    addRoute(route, std::vector<FakeHttpReply>{reply});
}

void FakeHttpServer::addRoute(const FakeHttpRoute& route, std::vector<FakeHttpReply> replies)
{
    if (replies.empty())
        throw std::invalid_argument("FakeHttpServer: a route needs at least one reply");
    std::lock_guard lock(d->mutex);
    d->routes.push_back({route, std::move(replies), 0, {}});
}

void FakeHttpServer::addRoute(const FakeHttpRoute& route, Responder responder)
{
    if (!responder)
        throw std::invalid_argument("FakeHttpServer: a route needs a responder");
    std::lock_guard lock(d->mutex);
    d->routes.push_back({route, {}, 0, std::move(responder)});
}

void FakeHttpServer::setBodyReadRate(qint64 bytesPerSecond)
{
    std::lock_guard lock(d->mutex);
    d->readRate = std::max<qint64>(0, bytesPerSecond);
    if (d->readRate > 0 && d->listenFd >= 0) {
        // A small receive window, inherited by connections accepted from now on, so that the kernel
        // cannot take in the whole body at once behind the paced reader's back.
        const int size = 16 * 1024;
        ::setsockopt(d->listenFd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
}

std::vector<FakeHttpRequest> FakeHttpServer::requests() const
{
    std::lock_guard lock(d->mutex);
    return d->requests;
}

std::size_t FakeHttpServer::requestCount() const
{
    std::lock_guard lock(d->mutex);
    return d->requests.size();
}

bool FakeHttpServer::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(d->mutex);
    return d->changed.wait_for(lock, timeout, [&] { return d->requests.size() >= count; });
}

int FakeHttpServer::peakConcurrentRequests() const
{
    std::lock_guard lock(d->mutex);
    return d->peak;
}

int FakeHttpServer::connectionCount() const
{
    std::lock_guard lock(d->mutex);
    return d->accepted;
}

void FakeHttpServer::stop()
{
    {
        std::lock_guard lock(d->mutex);
        if (d->stopped)
            return;
        d->stopped = true;
        d->stopping = true;
    }
    d->changed.notify_all();
    if (d->acceptThread.joinable()) {
        const char wake = 1;
        [[maybe_unused]] const ssize_t written = ::write(d->wakeWrite, &wake, 1);
        d->acceptThread.join();
    }
    std::list<Private::Connection> connections;
    {
        std::lock_guard lock(d->mutex);
        // Wakes every connection thread blocked in a read or a write.
        for (Private::Connection& connection : d->connections)
            ::shutdown(connection.fd, SHUT_RDWR);
        connections.splice(connections.end(), d->connections);
    }
    for (Private::Connection& connection : connections) {
        connection.thread.join();
        ::close(connection.fd);
    }
    for (int* fd : {&d->listenFd, &d->wakeRead, &d->wakeWrite}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

} // namespace dw::test
