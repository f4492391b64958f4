#include "FakeDnsServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace dw::test {

FakeDnsServer::FakeDnsServer(Responder responder) : m_responder(std::move(responder))
{
    m_socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("FakeDnsServer: no UDP port on loopback");
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

FakeDnsServer::~FakeDnsServer()
{
    m_stop = true;
    m_thread.join();
    ::close(m_socket);
}

QString FakeDnsServer::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

void FakeDnsServer::serve()
{
    while (!m_stop) {
        pollfd fd{m_socket, POLLIN, 0};
        if (::poll(&fd, 1, 50) <= 0)
            continue;
        char buffer[4096];
        sockaddr_in peer{};
        socklen_t peerLength = sizeof peer;
        const ssize_t got =
            ::recvfrom(m_socket, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&peer), &peerLength);
        if (got <= 0)
            continue;
        const QByteArray reply = m_responder(QByteArray(buffer, qsizetype(got)));
        if (!reply.isEmpty())
            ::sendto(m_socket, reply.constData(), std::size_t(reply.size()), 0, reinterpret_cast<sockaddr*>(&peer),
                     peerLength);
    }
}

namespace {

void append16(QByteArray& out, int value)
{
    out.append(char((value >> 8) & 0xff));
    out.append(char(value & 0xff));
}

QByteArray encodeName(const QByteArray& name)
{
    QByteArray out;
    for (const QByteArray& label : name.split('.')) {
        if (label.isEmpty())
            continue;
        out.append(char(label.size()));
        out.append(label);
    }
    out.append('\0');
    return out;
}

} // namespace

QByteArray mxReply(const QByteArray& query, const std::vector<std::pair<int, QByteArray>>& records, bool nxdomain)
{
    // The question: the name's labels, then type and class.
    qsizetype end = 12;
    while (end < query.size() && query[end] != '\0')
        end += 1 + quint8(query[end]);
    end += 1 + 4;
    QByteArray reply = query.left(2);
    append16(reply, nxdomain ? 0x8183 : 0x8180);
    append16(reply, 1);
    append16(reply, int(records.size()));
    append16(reply, 0);
    append16(reply, 0);
    reply.append(query.mid(12, end - 12));
    for (const auto& [preference, host] : records) {
        append16(reply, 0xc00c); // the question's name
        append16(reply, 15);
        append16(reply, 1);
        append16(reply, 0);
        append16(reply, 300);
        const QByteArray exchange = encodeName(host);
        append16(reply, int(exchange.size()) + 2);
        append16(reply, preference);
        reply.append(exchange);
    }
    return reply;
}

} // namespace dw::test
