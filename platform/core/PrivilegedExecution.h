#pragma once
// Running a program as the administrator, the stand-in of the platform's authorization services.
//
// runPrivileged() runs `program` with `arguments` through pkexec, which asks the user for an
// administrator password, and waits for it to end. Data travels only as arguments: pkexec hands
// the program neither our environment nor a shell line to parse. Tests install an executor of
// their own with ScopedPrivilegedExecutor. Blocks the calling thread (for as long as the
// password dialog and the program take).
//
//     const dw::PrivilegedResult result = dw::runPrivileged("/bin/sh", {"-c", script, "sh", source});
//     if (!result.started) ...         // no pkexec, or it could not run
//     else if (result.exitCode != 0) ...  // 126: the user cancelled, 127: not authorised

#include <QString>
#include <QStringList>
#include <functional>

namespace dw {

struct PrivilegedResult
{
    bool started = false; // the privileged execution could be started at all
    int exitCode = -1;    // the program's exit code; -1 when it crashed or never ran
    QString errorText;    // why it could not start
};

using PrivilegedExecutor = std::function<PrivilegedResult(const QString& program, const QStringList& arguments)>;

PrivilegedResult runPrivileged(const QString& program, const QStringList& arguments);

// Replaces the executor while it lives (tests).
class ScopedPrivilegedExecutor
{
public:
    explicit ScopedPrivilegedExecutor(PrivilegedExecutor executor);
    ~ScopedPrivilegedExecutor();
    ScopedPrivilegedExecutor(const ScopedPrivilegedExecutor&) = delete;
    ScopedPrivilegedExecutor& operator=(const ScopedPrivilegedExecutor&) = delete;

private:
    PrivilegedExecutor m_previous;
};

} // namespace dw
