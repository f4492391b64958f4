#include "platform/archive/ArchiveSource.h"

#include "platform/core/Localization.h"
#include "platform/core/RegularFile.h"

#include <cerrno>
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

// What tells a file changed in place from the one that was opened.
struct FileState
{
    off_t size = 0;
    struct timespec modified = {};

    static std::optional<FileState> of(int fd)
    {
        struct stat info;
        if (::fstat(fd, &info) != 0)
            return std::nullopt;
        return FileState{info.st_size, info.st_mtim};
    }
    bool operator==(const FileState& other) const
    {
        return size == other.size && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

} // namespace

struct ArchiveSource::Private
{
    int fd = -1;
    FileState opened;
    QByteArray bytes;
    qint64 size = 0;

    ~Private()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

std::optional<ArchiveSource> ArchiveSource::openFile(const QString& path, qint64 maxBytes, QString* error)
{
    auto d = std::make_shared<Private>();
    d->fd = openRegularFile(path, maxBytes, error, &d->size);
    if (d->fd < 0)
        return std::nullopt;
    const std::optional<FileState> state = FileState::of(d->fd);
    if (!state) {
        fail(error, qt_error_string(errno));
        return std::nullopt;
    }
    d->opened = *state;
    ArchiveSource source;
    source.d = std::move(d);
    return source;
}

ArchiveSource ArchiveSource::fromBytes(const QByteArray& bytes)
{
    auto d = std::make_shared<Private>();
    d->bytes = bytes;
    d->size = bytes.size();
    ArchiveSource source;
    source.d = std::move(d);
    return source;
}

qint64 ArchiveSource::size() const
{
    return d->size;
}

std::optional<QByteArray> ArchiveSource::read(qint64 offset, qint64 length, QString* error) const
{
    if (offset < 0 || length < 0 || offset > d->size || length > d->size - offset) {
        fail(error, localized("The document is damaged."));
        return std::nullopt;
    }
    if (d->fd < 0) {
        if (offset == 0 && length == d->size)
            return d->bytes;
        return QByteArray(d->bytes.constData() + offset, qsizetype(length));
    }
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(d->fd, bytes.data() + done, size_t(length - done), off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            fail(error, qt_error_string(errno));
            return std::nullopt;
        }
        if (got == 0)
            break;
        done += got;
    }
    // A file cut short or rewritten in place since it was opened no longer holds what was read
    // of it before: its bytes are not taken for the document's.
    if (done < length || FileState::of(d->fd) != d->opened) {
        fail(error, localized("The document was changed by another program while it was read."));
        return std::nullopt;
    }
    return bytes;
}

std::optional<QByteArray> ArchiveSource::readAll(QString* error) const
{
    return read(0, d->size, error);
}

ArchiveBytes::ArchiveBytes(ArchiveSource source, qint64 offset, qint64 length)
    : m_source(std::move(source)), m_offset(offset), m_length(length)
{}

std::optional<QByteArray> ArchiveBytes::read(QString* error) const
{
    if (!m_source)
        return m_bytes;
    return m_source->read(m_offset, m_length, error);
}

} // namespace dw
