#include "platform/network/NetworkReachability.h"

#include "platform/core/BackgroundWork.h"

#include <netdb.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <system_error>

namespace dw {

namespace {

// One lookup handed to the system's asynchronous resolver. Its block is shared by the asker and the
// resolver's notification of the end, so that an asker that stops waiting (a lookup that hangs, a
// quit) can leave at once: whichever of the two lets go last frees it.
struct SystemLookup
{
    QByteArray host;
    addrinfo hints{};
    gaicb request{};
    std::atomic<int> holders{2};
};

void letGo(SystemLookup* lookup)
{
    if (lookup->holders.fetch_sub(1) != 1)
        return;
    if (lookup->request.ar_result)
        freeaddrinfo(lookup->request.ar_result);
    delete lookup;
}

void lookupEnded(sigval value)
{
    letGo(static_cast<SystemLookup*>(value.sival_ptr));
}

std::vector<sockaddr_storage> addressesOf(const addrinfo* found)
{
    std::vector<sockaddr_storage> addresses;
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

// The system's resolver, asked without blocking so that a raised stop flag is seen within a tenth
// of a second however long the resolver itself would take.
std::vector<sockaddr_storage> systemResolver(const QByteArray& host, const std::atomic<bool>& stop)
{
    auto* lookup = new SystemLookup;
    lookup->host = host;
    lookup->hints.ai_family = AF_UNSPEC;
    lookup->hints.ai_socktype = SOCK_DGRAM;
    lookup->request.ar_name = lookup->host.constData();
    lookup->request.ar_request = &lookup->hints;
    sigevent notification{};
    notification.sigev_notify = SIGEV_THREAD;
    notification.sigev_notify_function = &lookupEnded;
    notification.sigev_value.sival_ptr = lookup;
    gaicb* list[] = {&lookup->request};
    if (getaddrinfo_a(GAI_NOWAIT, list, 1, &notification) != 0) {
        delete lookup; // not queued: no notification follows
        return {};
    }
    for (;;) {
        const int state = gai_error(&lookup->request);
        if (state != EAI_INPROGRESS) {
            std::vector<sockaddr_storage> addresses;
            if (state == 0) {
                try {
                    addresses = addressesOf(lookup->request.ar_result);
                } catch (...) {
                    // Out of memory: the host counts as unresolved rather than ending the process.
                    addresses.clear();
                }
            }
            letGo(lookup);
            return addresses;
        }
        if (stop.load()) {
            if (gai_cancel(&lookup->request) == EAI_CANCELED)
                delete lookup; // taken off the queue before it started: no notification follows
            else
                letGo(lookup); // running or just ended: the notification frees it
            return {};
        }
        const timespec tick{0, 100'000'000};
        const gaicb* waiting[] = {&lookup->request};
        gai_suspend(waiting, 1, &tick);
    }
}

std::mutex g_resolverMutex;
HostResolver g_resolver; // empty: the system's

struct Resolution
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::vector<sockaddr_storage> addresses;
};

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

void setHostResolver(HostResolver resolver)
{
    const std::lock_guard lock(g_resolverMutex);
    g_resolver = std::move(resolver);
}

std::optional<unsigned> reachabilityFlagsForHost(const QString& hostName, std::chrono::milliseconds bound)
{
    const QByteArray host = hostName.toUtf8();
    if (host.isEmpty() || host.contains('\0'))
        return 0u;
    HostResolver resolver;
    {
        const std::lock_guard lock(g_resolverMutex);
        resolver = g_resolver ? g_resolver : HostResolver(&systemResolver);
    }
    auto resolution = std::make_shared<Resolution>();
    // Raised when the answer is no longer wanted: the bound passed, or the application quits.
    auto stop = std::make_shared<std::atomic<bool>>(false);
    try {
        // The shared state outlives whichever side finishes last.
        runInBackground(
            [host, resolution, stop, resolver] {
                std::vector<sockaddr_storage> addresses;
                try {
                    addresses = resolver(host, *stop);
                } catch (...) {
                    addresses.clear(); // out of memory: unresolved rather than the end of the process
                }
                const std::lock_guard lock(resolution->mutex);
                resolution->addresses = std::move(addresses);
                resolution->finished = true;
                resolution->done.notify_all();
            },
            stop);
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    std::vector<sockaddr_storage> addresses;
    {
        std::unique_lock lock(resolution->mutex);
        const bool finished = resolution->done.wait_for(lock, bound, [&] { return resolution->finished; });
        if (!finished || stop->load()) {
            stop->store(true);
            stop->notify_all();
            return std::nullopt;
        }
        addresses = resolution->addresses;
    }
    for (const sockaddr_storage& address : addresses) {
        if (hasRoute(address))
            return kReachabilityReachable;
    }
    return 0u;
}

} // namespace dw
