#include "tests/support/TemporaryXdg.h"

#include "platform/core/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <gtest/gtest.h>

namespace dw::test {

namespace {

std::optional<QByteArray> currentValue(const char* name)
{
    if (const char* v = std::getenv(name))
        return QByteArray(v);
    return std::nullopt;
}

void setEnvValue(const QByteArray& name, const std::optional<QByteArray>& value)
{
    if (value)
        setenv(name.constData(), value->constData(), 1);
    else
        unsetenv(name.constData());
}

} // namespace

TemporaryXdg::TemporaryXdg() : m_dir(QDir::tempPath() + QStringLiteral("/qv-xdg-XXXXXX"))
{
    const QByteArray root = m_dir.path().toUtf8();
    const std::pair<const char*, QByteArray> values[] = {
        {"HOME", root + "/home"},
        {"XDG_DATA_HOME", root + "/data"},
        {"XDG_CONFIG_HOME", root + "/config"},
        {"XDG_CACHE_HOME", root + "/cache"},
        {"TMPDIR", root + "/tmp"},
        {"XDG_RUNTIME_DIR", root + "/run"},
    };
    for (const auto& [name, value] : values) {
        m_saved[name] = currentValue(name);
        QDir().mkpath(QString::fromUtf8(value));
        setEnvValue(name, value);
    }
    UserDefaults::resetStandard();
}

TemporaryXdg::~TemporaryXdg()
{
    for (const auto& [name, value] : m_saved)
        setEnvValue(name, value);
    UserDefaults::resetStandard();
}

ScopedEnv::ScopedEnv(const char* name, const std::optional<QByteArray>& value)
    : m_name(name), m_previous(currentValue(name))
{
    setEnvValue(m_name, value);
}

ScopedEnv::~ScopedEnv()
{
    setEnvValue(m_name, m_previous);
}

QString fixturePath(const QString& relativePath)
{
    return qEnvironmentVariable("QV_TEST_DATA") + u'/' + relativePath;
}

QByteArray fixture(const QString& relativePath)
{
    QFile file(fixturePath(relativePath));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing fixture " << relativePath.toStdString();
        return QByteArray();
    }
    return file.readAll();
}

} // namespace dw::test
