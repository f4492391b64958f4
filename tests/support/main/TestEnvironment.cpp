#include "TestEnvironment.h"

#include "platform/core/UserDefaults.h"

#include <QDir>
#include <cstdlib>

namespace dw::test {

ProcessSandbox::ProcessSandbox() : m_home(QDir::tempPath() + QStringLiteral("/qv-test-home-XXXXXX"))
{
    const QByteArray home = m_home.path().toUtf8();
    auto set = [&](const char* name, const char* relative) {
        const QByteArray value = home + relative;
        setenv(name, value.constData(), 1);
    };
    set("HOME", "");
    set("XDG_DATA_HOME", "/data");
    set("XDG_CONFIG_HOME", "/config");
    set("XDG_CACHE_HOME", "/cache");
    set("TMPDIR", "/tmp");
    set("XDG_RUNTIME_DIR", "/run");
    QDir().mkpath(m_home.path() + QStringLiteral("/tmp"));
    QDir().mkpath(m_home.path() + QStringLiteral("/run"));
    // The fake servers listen on loopback; a proxy set on the machine must not swallow their requests.
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        const char* current = std::getenv(name);
        const QByteArray value =
            current && *current ? QByteArray(current) + ",127.0.0.1,localhost" : QByteArray("127.0.0.1,localhost");
        setenv(name, value.constData(), 1);
    }
    UserDefaults::resetStandard();
}

ProcessSandbox::~ProcessSandbox()
{
    UserDefaults::resetStandard();
}

} // namespace dw::test
