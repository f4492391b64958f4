#include "platform/network/NetworkReachability.h"

#include "platform/core/BackgroundWork.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

namespace dw {

namespace {

struct Resolution
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::vector<sockaddr_storage> addresses;
};

std::vector<sockaddr_storage> resolvedAddresses(const QByteArray& host)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    std::vector<sockaddr_storage> addresses;
    if (getaddrinfo(host.constData(), nullptr, &hints, &found) != 0)
        return addresses;
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, &freeaddrinfo);
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        if ((entry->ai_family != AF_INET && entry->ai_family != AF_INET6) ||
            entry->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        sockaddr_storage address{};
        std::memcpy(&address, entry->ai_addr, entry->ai_addrlen);
        addresses.push_back(address);
    }
    return addresses;
}

void resolve(const QByteArray& host, const std::shared_ptr<Resolution>& resolution) noexcept
{
    std::vector<sockaddr_storage> addresses;
    try {
        addresses = resolvedAddresses(host);
    } catch (...) {
        // Out of memory: the host counts as unresolved rather than ending the process.
        addresses.clear();
    }
    const std::lock_guard lock(resolution->mutex);
    resolution->addresses = std::move(addresses);
    resolution->finished = true;
    resolution->done.notify_all();
}

// Connecting a datagram socket only asks the routing table; no packet leaves the machine.
bool hasRoute(sockaddr_storage address)
{
    socklen_t length = 0;
    if (address.ss_family == AF_INET) {
        reinterpret_cast<sockaddr_in*>(&address)->sin_port = htons(443);
        length = sizeof(sockaddr_in);
    } else {
        reinterpret_cast<sockaddr_in6*>(&address)->sin6_port = htons(443);
        length = sizeof(sockaddr_in6);
    }
    const int fd = ::socket(address.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool routed = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    return routed;
}

} // namespace

std::optional<unsigned> reachabilityFlagsForHost(const QString& hostName, std::chrono::milliseconds bound)
{
    const QByteArray host = hostName.toUtf8();
    if (host.isEmpty() || host.contains('\0'))
        return 0u;
    auto resolution = std::make_shared<Resolution>();
    try {
        // A resolver that hangs past the bound keeps only its own thread, which ends when the
        // resolver gives up (the quit waits for that); the shared state outlives whichever side
        // finishes last.
        runInBackground([host, resolution] { resolve(host, resolution); });
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    std::vector<sockaddr_storage> addresses;
    {
        std::unique_lock lock(resolution->mutex);
        if (!resolution->done.wait_for(lock, bound, [&] { return resolution->finished; }))
            return std::nullopt;
        addresses = resolution->addresses;
    }
    for (const sockaddr_storage& address : addresses) {
        if (hasRoute(address))
            return kReachabilityReachable;
    }
    return 0u;
}

} // namespace dw
