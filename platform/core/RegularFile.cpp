#include "platform/core/RegularFile.h"

#include "platform/core/Localization.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dw {

namespace {

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

QString tooLarge(qint64 maxBytes)
{
    if (maxBytes >= (1 << 20))
        return localized("The file is larger than %1 MB.").arg(maxBytes >> 20);
    return localized("The file is larger than %1 bytes.").arg(maxBytes);
}

bool checkKind(const struct stat& info, qint64 maxBytes, QString* error)
{
    if (!S_ISREG(info.st_mode))
        return fail(error, localized("It is not an ordinary file but a folder, a device or a pipe."));
    if (info.st_size > maxBytes)
        return fail(error, tooLarge(maxBytes));
    return true;
}

} // namespace

// The kind is looked at before the open (opening a device may already do something, opening a pipe
// waits for a writer) and again on what was opened, in case the name was swapped in between.
int openRegularFile(const QString& path, qint64 maxBytes, QString* error, qint64* size)
{
    if (error)
        error->clear();
    const QByteArray native = QFile::encodeName(path);
    struct stat info;
    if (native.isEmpty() || ::stat(native.constData(), &info) != 0) {
        fail(error, qt_error_string(native.isEmpty() ? ENOENT : errno));
        return -1;
    }
    if (!checkKind(info, maxBytes, error))
        return -1;
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        fail(error, qt_error_string(errno));
        return -1;
    }
    if (::fstat(fd, &info) != 0 || !checkKind(info, maxBytes, error)) {
        if (error && error->isEmpty())
            *error = qt_error_string(errno);
        ::close(fd);
        return -1;
    }
    if (size)
        *size = qint64(info.st_size);
    return fd;
}

namespace {

// A file compiled into the program (":/..."), as QFile names it: ours, and always whole.
std::optional<QByteArray> readResource(const QString& path, qint64 maxBytes, QString* error, bool read)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, file.errorString());
        return std::nullopt;
    }
    if (file.size() > maxBytes) {
        fail(error, tooLarge(maxBytes));
        return std::nullopt;
    }
    return read ? file.readAll() : QByteArray();
}

} // namespace

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes, QString* error)
{
    if (error)
        error->clear();
    if (path.startsWith(u':'))
        return readResource(path, maxBytes, error, true);
    qint64 size = 0;
    const int fd = openRegularFile(path, maxBytes, error, &size);
    if (fd < 0)
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve(qsizetype(size) + 1);
    constexpr qint64 kChunk = 1 << 16;
    for (;;) {
        // One byte beyond the limit tells a file that grew past it.
        const qint64 room = std::min(kChunk, maxBytes + 1 - qint64(bytes.size()));
        const qsizetype at = bytes.size();
        bytes.resize(at + qsizetype(room));
        const ssize_t got = ::read(fd, bytes.data() + at, size_t(room));
        if (got < 0 && errno == EINTR) {
            bytes.resize(at);
            continue;
        }
        if (got < 0) {
            const int reason = errno;
            ::close(fd);
            fail(error, qt_error_string(reason));
            return std::nullopt;
        }
        bytes.resize(at + qsizetype(got));
        if (got == 0)
            break;
        if (bytes.size() > maxBytes) {
            ::close(fd);
            fail(error, tooLarge(maxBytes));
            return std::nullopt;
        }
    }
    ::close(fd);
    return bytes;
}

bool isReadableRegularFile(const QString& path, qint64 maxBytes, QString* error)
{
    if (error)
        error->clear();
    if (path.startsWith(u':'))
        return readResource(path, maxBytes, error, false).has_value();
    const int fd = openRegularFile(path, maxBytes, error);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace dw
