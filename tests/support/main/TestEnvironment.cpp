#include "TestEnvironment.h"

#include "platform/UserDefaults.h"

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
    QDir().mkpath(m_home.path() + QStringLiteral("/tmp"));
    UserDefaults::resetStandard();
}

ProcessSandbox::~ProcessSandbox()
{
    UserDefaults::resetStandard();
}

} // namespace dw::test
