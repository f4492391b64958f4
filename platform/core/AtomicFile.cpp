#include "platform/core/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace dw {

namespace {

std::atomic<int> s_failures{0};

const QByteArray kTemporarySuffix = QByteArrayLiteral(".saving");
constexpr int kRandomLength = 6;

// Temporary files are hidden beside their target; the name is cut so that prefix, random part and
// suffix stay within the file system's limit of 255 bytes.
QByteArray temporaryPrefix(const QByteArray& fileName)
{
    return '.' + fileName.left(200) + '.';
}

bool isTemporaryName(const QByteArray& entry, const QByteArray& prefix)
{
    if (entry.size() != prefix.size() + kRandomLength + kTemporarySuffix.size() || !entry.startsWith(prefix) ||
        !entry.endsWith(kTemporarySuffix))
        return false;
    const QByteArray random = entry.mid(prefix.size(), kRandomLength);
    return std::all_of(random.cbegin(), random.cend(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

// A writer keeps its temporary file locked until it has renamed it, so a temporary file that can
// be locked was left by a save that was killed; it would otherwise stay beside the target for good.
void removeLeftovers(const QByteArray& folder, const QByteArray& prefix)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryName(QByteArray(entry->d_name), prefix))
            continue;
        const int fd = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info;
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

QByteArray randomPart()
{
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray random(kRandomLength, Qt::Uninitialized);
    for (char& c : random)
        c = kAlphabet[QRandomGenerator::global()->bounded(int(sizeof(kAlphabet) - 1))];
    return random;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A link is written through, so that it stays a link to the rewritten file.
QFileInfo writtenFile(const QString& path)
{
    const QFileInfo given(path);
    return QFileInfo(given.isSymLink() ? given.symLinkTarget() : given.absoluteFilePath());
}

bool writeAtomically(const QString& path, const QList<QByteArray>& pieces, bool flush, QString* error)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, reason);
        return false;
    };
    if (s_failures.load() > 0)
        return fail(QStringLiteral("no space left on device"));
    const QFileInfo target = writtenFile(path);
    if (!QDir().mkpath(target.absolutePath()))
        return fail(QStringLiteral("cannot create the folder"));
    if (target.isDir())
        return fail(QStringLiteral("it is a folder"));

    const QByteArray nativeTarget = QFile::encodeName(target.absoluteFilePath());
    const QByteArray nativeFolder = QFile::encodeName(target.absolutePath());
    struct stat existing;
    const bool exists = ::stat(nativeTarget.constData(), &existing) == 0;
    if (exists && ::access(nativeTarget.constData(), W_OK) != 0)
        return fail(systemError());

    const QByteArray prefix = temporaryPrefix(QFile::encodeName(target.fileName()));
    removeLeftovers(nativeFolder, prefix);

    // A plain rename of a named temporary file: there is no moment in which the finished file has
    // a second name that a killed save could leave behind.
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = nativeFolder + '/' + prefix + randomPart() + kTemporarySuffix;
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return fail(systemError());
        }
        // Another save may have taken it for a leftover before the lock was ours.
        struct stat own;
        if (::flock(fd, LOCK_EX) != 0 || ::fstat(fd, &own) != 0 || own.st_nlink == 0) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0)
        return fail(QStringLiteral("cannot create a temporary file"));

    auto abandon = [&](const QString& reason) {
        ::unlink(temporary.constData());
        ::close(fd);
        return fail(reason);
    };
    if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0)
        return abandon(systemError());
    // One system call writes as many pieces as it takes; a short write goes on where it stopped.
    std::vector<iovec> vectors;
    vectors.reserve(size_t(pieces.size()));
    for (const QByteArray& piece : pieces) {
        if (!piece.isEmpty())
            vectors.push_back({const_cast<char*>(piece.constData()), size_t(piece.size())});
    }
    size_t next = 0;
    while (next < vectors.size()) {
        const int count = int(std::min<size_t>(vectors.size() - next, IOV_MAX));
        const ssize_t n = ::writev(fd, vectors.data() + next, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return abandon(systemError());
        size_t left = size_t(n);
        while (next < vectors.size() && left >= vectors[next].iov_len)
            left -= vectors[next++].iov_len;
        if (left > 0) {
            vectors[next].iov_base = static_cast<char*>(vectors[next].iov_base) + left;
            vectors[next].iov_len -= left;
        }
    }
    if (flush && ::fsync(fd) != 0)
        return abandon(systemError());
    if (::rename(temporary.constData(), nativeTarget.constData()) != 0)
        return abandon(systemError());
    ::close(fd);
    return true;
}

} // namespace

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    return writeAtomically(path, {bytes}, true, error);
}

bool writeFileAtomically(const QString& path, const QList<QByteArray>& pieces, QString* error)
{
    return writeAtomically(path, pieces, true, error);
}

bool writeCopyAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    return writeAtomically(path, {bytes}, false, error);
}

void removeLeftoverTemporaryFiles(const QString& path)
{
    const QFileInfo target = writtenFile(path);
    removeLeftovers(QFile::encodeName(target.absolutePath()), temporaryPrefix(QFile::encodeName(target.fileName())));
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
