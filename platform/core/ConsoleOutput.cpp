#include "platform/core/ConsoleOutput.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <cstdio>
#include <mutex>
#include <sys/syscall.h>
#include <unistd.h>

namespace dw {

namespace {
std::mutex s_mutex;
ConsoleSink s_sink;

QString processName()
{
    if (auto* app = QCoreApplication::instance())
        return QFileInfo(app->applicationFilePath()).fileName();
    return QStringLiteral("QuillmartVodar");
}
} // namespace

void consoleWrite(const QString& text)
{
    std::lock_guard lock(s_mutex);
    if (s_sink) {
        s_sink(text);
        return;
    }
    const QString line =
        QStringLiteral("%1 %2[%3:%4] %5\n")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), processName())
            .arg(qint64(getpid()))
            .arg(qint64(syscall(SYS_gettid)))
            .arg(text);
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

ConsoleSink setConsoleSink(ConsoleSink sink)
{
    std::lock_guard lock(s_mutex);
    ConsoleSink previous = std::move(s_sink);
    s_sink = std::move(sink);
    return previous;
}

struct ScopedConsoleCapture::Private
{
    mutable std::mutex mutex;
    QStringList lines;
};

ScopedConsoleCapture::ScopedConsoleCapture() : d(std::make_unique<Private>())
{
    Private* p = d.get();
    m_previous = setConsoleSink([p](const QString& line) {
        std::lock_guard lock(p->mutex);
        p->lines.append(line);
    });
}

ScopedConsoleCapture::~ScopedConsoleCapture()
{
    setConsoleSink(std::move(m_previous));
}

QStringList ScopedConsoleCapture::lines() const
{
    std::lock_guard lock(d->mutex);
    return d->lines;
}

bool ScopedConsoleCapture::contains(const QString& fragment) const
{
    std::lock_guard lock(d->mutex);
    for (const QString& line : d->lines)
        if (line.contains(fragment))
            return true;
    return false;
}

} // namespace dw
