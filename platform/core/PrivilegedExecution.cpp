#include "platform/core/PrivilegedExecution.h"

#include <QProcess>
#include <mutex>

namespace dw {

namespace {

std::mutex s_mutex;
PrivilegedExecutor s_executor;

PrivilegedResult runWithPkexec(const QString& program, const QStringList& arguments)
{
    PrivilegedResult result;
    QProcess process;
    process.setProgram(QStringLiteral("pkexec"));
    process.setArguments(QStringList{program} + arguments);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    if (!process.waitForStarted(-1)) {
        result.errorText = process.errorString();
        return result;
    }
    result.started = true;
    process.waitForFinished(-1);
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

} // namespace

PrivilegedResult runPrivileged(const QString& program, const QStringList& arguments)
{
    PrivilegedExecutor executor;
    {
        std::lock_guard lock(s_mutex);
        executor = s_executor;
    }
    return executor ? executor(program, arguments) : runWithPkexec(program, arguments);
}

ScopedPrivilegedExecutor::ScopedPrivilegedExecutor(PrivilegedExecutor executor)
{
    std::lock_guard lock(s_mutex);
    m_previous = std::exchange(s_executor, std::move(executor));
}

ScopedPrivilegedExecutor::~ScopedPrivilegedExecutor()
{
    std::lock_guard lock(s_mutex);
    s_executor = std::move(m_previous);
}

} // namespace dw
