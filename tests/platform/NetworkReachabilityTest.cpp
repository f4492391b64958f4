#include "platform/core/BackgroundWork.h"
#include "platform/network/NetworkReachability.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <arpa/inet.h>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <thread>

namespace {

// A resolver that never answers on its own: it returns only once it is told to stop, and says so.
struct HangingResolver
{
    std::atomic<bool> entered{false};
    std::atomic<bool> stopped{false};

    dw::HostResolver function()
    {
        return [this](const QByteArray&, const std::atomic<bool>& stop) {
            entered = true;
            entered.notify_all();
            stop.wait(false);
            stopped = true;
            return std::vector<sockaddr_storage>{};
        };
    }
};

class NetworkReachability : public ::testing::Test
{
protected:
    ~NetworkReachability() override { dw::setHostResolver({}); }
};

TEST_F(NetworkReachability, TheAnswerFollowsTheResolvedAddresses)
{
    sockaddr_storage loopback{};
    auto* address = reinterpret_cast<sockaddr_in*>(&loopback);
    address->sin_family = AF_INET;
    address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    dw::setHostResolver([loopback](const QByteArray& host, const std::atomic<bool>&) {
        return host == "here.test" ? std::vector<sockaddr_storage>{loopback} : std::vector<sockaddr_storage>{};
    });
    EXPECT_EQ(dw::reachabilityFlagsForHost(QStringLiteral("here.test")), dw::kReachabilityReachable);
    EXPECT_EQ(dw::reachabilityFlagsForHost(QStringLiteral("nowhere.test")), 0u); // unresolved, not unknown

    // The system's resolver again, for names it knows without asking the network.
    dw::setHostResolver({});
    EXPECT_EQ(dw::reachabilityFlagsForHost(QStringLiteral("127.0.0.1")), dw::kReachabilityReachable);
    EXPECT_EQ(dw::reachabilityFlagsForHost(QStringLiteral("localhost")), dw::kReachabilityReachable);
}

// A lookup that outlives the bound is given up: nothing is left running for the quit to wait for.
TEST_F(NetworkReachability, ALookupPastTheBoundIsGivenUp)
{
    HangingResolver resolver;
    dw::setHostResolver(resolver.function());
    EXPECT_EQ(dw::reachabilityFlagsForHost(QStringLiteral("hanging.test"), std::chrono::milliseconds(1)), std::nullopt);
    dw::waitForBackgroundWork();
    EXPECT_TRUE(resolver.stopped);
}

// The quit does not wait for a hanging resolver, nor for the caller's bound.
TEST_F(NetworkReachability, QuittingEndsALookupThatHangs)
{
    HangingResolver resolver;
    dw::setHostResolver(resolver.function());
    std::optional<unsigned> flags = 0u;
    std::thread asker(
        [&] { flags = dw::reachabilityFlagsForHost(QStringLiteral("hanging.test"), std::chrono::minutes(10)); });
    resolver.entered.wait(false);

    QElapsedTimer quit;
    quit.start();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    asker.join();
    EXPECT_LT(quit.elapsed(), 5000);
    EXPECT_TRUE(resolver.stopped);
    EXPECT_EQ(flags, std::nullopt) << "a lookup cut short is not an unknown name";
}

} // namespace
