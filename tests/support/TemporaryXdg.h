#pragma once
// Gives one test its own empty HOME, XDG folders (the runtime folder too) and TMPDIR, and fresh
// standard user defaults; everything is put back when it goes.
//
//     TEST(Favourites, SurviveRestart) {
//         dw::test::TemporaryXdg xdg;
//         ... write, UserDefaults::resetStandard(), read again ...
//     }

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <map>
#include <optional>

namespace dw::test {

class TemporaryXdg
{
public:
    TemporaryXdg();
    ~TemporaryXdg();
    TemporaryXdg(const TemporaryXdg&) = delete;
    TemporaryXdg& operator=(const TemporaryXdg&) = delete;

    QString root() const { return m_dir.path(); }
    QString path(const QString& relative) const { return m_dir.path() + u'/' + relative; }

private:
    QTemporaryDir m_dir;
    std::map<QByteArray, std::optional<QByteArray>> m_saved;
};

// Sets one environment variable for a scope (nullopt unsets it).
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::optional<QByteArray>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    QByteArray m_name;
    std::optional<QByteArray> m_previous;
};

// Reads a test fixture from tests/data (QV_TEST_DATA); fails the test when it is missing.
QByteArray fixture(const QString& relativePath);
QString fixturePath(const QString& relativePath);

} // namespace dw::test
