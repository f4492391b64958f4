#pragma once
// Whether a host can be reached from here at all, without talking to it.
//
// The stand-in of the platform's reachability flags for a host name: the name is resolved and
// the system is asked whether it has a route to one of the addresses (a datagram socket is
// connected, which sends nothing). A host counts as reachable when both hold. Nothing here says
// that the host answers; it tells "no network" and "unknown name" apart from a network that
// works. Resolution runs in the background (dw::runInBackground) so that a hanging resolver cannot
// hold the caller for longer than the bound given; when the bound passes or the application quits,
// the lookup is given up within a tenth of a second, so neither waits for the resolver's own
// time-outs. Any thread.
//
//     const auto flags = dw::reachabilityFlagsForHost(QStringLiteral("api.example.com"));
//     const bool reachable = flags && (*flags & dw::kReachabilityReachable)
//                            && !(*flags & dw::kReachabilityConnectionRequired);

#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include <sys/socket.h>

namespace dw {

// The flag values of the platform's reachability interface.
inline constexpr unsigned kReachabilityReachable = 1u << 1;
inline constexpr unsigned kReachabilityConnectionRequired = 1u << 2; // never set here: no dial-up links

// The flags for hostName (a name or a numeric address): kReachabilityReachable when it resolves
// and a route to one of its addresses exists, else 0. nullopt when the flags cannot be read: the
// resolver did not answer within bound, or no helper thread could be started.
std::optional<unsigned> reachabilityFlagsForHost(const QString& hostName,
                                                 std::chrono::milliseconds bound = std::chrono::seconds(5));

// How names are resolved: the addresses of `host` (none when it does not resolve), given up soon
// after `stop` rises. It runs on a background thread. Tests put in one of their own (empty: the
// system's resolver again).
using HostResolver =
    std::function<std::vector<sockaddr_storage>(const QByteArray& host, const std::atomic<bool>& stop)>;
void setHostResolver(HostResolver resolver);

} // namespace dw
