#include "platform/core/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <atomic>

namespace dw {

namespace {
std::atomic<int> s_failures{0};
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, reason);
        return false;
    };
    if (s_failures.load() > 0)
        return fail(QStringLiteral("no space left on device"));
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("cannot create the folder"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return fail(file.errorString());
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

ScopedWriteFailure::ScopedWriteFailure()
{
    ++s_failures;
}

ScopedWriteFailure::~ScopedWriteFailure()
{
    --s_failures;
}

} // namespace dw
