#include "updater/QMUpdateArchive.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <archive.h>
#include <archive_entry.h>
#include <memory>

namespace {

struct ArchiveReadDeleter
{
    void operator()(archive* a) const { archive_read_free(a); }
};
struct ArchiveWriteDeleter
{
    void operator()(archive* a) const { archive_write_free(a); }
};

// Follows the components of a relative path from the unpack folder; false once it would leave it.
bool staysInside(const QStringList& components)
{
    int depth = 0;
    for (const QString& component : components) {
        if (component.isEmpty() || component == u".")
            continue;
        depth += component == u".." ? -1 : 1;
        if (depth < 0)
            return false;
    }
    return true;
}

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

bool QMUpdateArchive::isSafeEntryPath(const QString& path)
{
    if (path.isEmpty() || path.startsWith(u'/') || path.contains(QChar(u'\0')))
        return false;
    const QStringList components = path.split(u'/');
    return !components.contains(QStringLiteral("..")) && staysInside(components);
}

bool QMUpdateArchive::isSafeLinkTarget(const QString& linkPath, const QString& target)
{
    if (target.isEmpty() || target.startsWith(u'/'))
        return false;
    QStringList components = linkPath.split(u'/');
    components.removeLast();
    components += target.split(u'/');
    return staysInside(components);
}

bool QMUpdateArchive::matchesSHA256(const QString& filePath, const QString& hexDigest)
{
    QFile file(filePath);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return false;
    return QString::fromLatin1(hash.result().toHex()) == hexDigest.trimmed().toLower();
}

bool QMUpdateArchive::unpack(const QString& archivePath, const QString& destination, QString* error)
{
    if (!QDir().mkpath(destination))
        return fail(error, QStringLiteral("cannot make %1").arg(destination));
    const QString root = QDir(destination).absolutePath() + u'/';

    std::unique_ptr<archive, ArchiveReadDeleter> reader(archive_read_new());
    archive_read_support_filter_gzip(reader.get());
    archive_read_support_format_tar(reader.get());
    archive_read_support_format_gnutar(reader.get());
    std::unique_ptr<archive, ArchiveWriteDeleter> writer(archive_write_disk_new());
    // Our own checks come first; these refuse writing through links and ".." once more.
    archive_write_disk_set_options(writer.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_PERM |
                                                     ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_SECURE_NODOTDOT);

    const auto refuse = [&](const QString& text) {
        QDir(destination).removeRecursively();
        return fail(error, text);
    };
    if (archive_read_open_filename(reader.get(), QFile::encodeName(archivePath).constData(), 64 * 1024) != ARCHIVE_OK)
        return refuse(QString::fromUtf8(archive_error_string(reader.get())));

    int entries = 0;
    for (;;) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status != ARCHIVE_OK)
            return refuse(
                QStringLiteral("damaged archive: %1").arg(QString::fromUtf8(archive_error_string(reader.get()))));
        const char* rawPath = archive_entry_pathname(entry);
        const QString path = rawPath ? QString::fromUtf8(rawPath) : QString();
        if (!isSafeEntryPath(path))
            return refuse(QStringLiteral("archive entry outside the unpack folder: %1").arg(path));
        const mode_t type = archive_entry_filetype(entry);
        if (const char* hardlink = archive_entry_hardlink(entry)) {
            const QString target = QString::fromUtf8(hardlink);
            if (!isSafeEntryPath(target))
                return refuse(QStringLiteral("archive link outside the unpack folder: %1").arg(path));
            archive_entry_copy_hardlink(entry, QFile::encodeName(root + target).constData());
        } else if (type == AE_IFLNK) {
            const char* rawTarget = archive_entry_symlink(entry);
            if (!rawTarget || !isSafeLinkTarget(path, QString::fromUtf8(rawTarget)))
                return refuse(QStringLiteral("archive link outside the unpack folder: %1").arg(path));
        } else if (type != AE_IFREG && type != AE_IFDIR) {
            return refuse(QStringLiteral("archive entry of an unexpected kind: %1").arg(path));
        }
        archive_entry_copy_pathname(entry, QFile::encodeName(root + path).constData());
        if (archive_write_header(writer.get(), entry) != ARCHIVE_OK)
            return refuse(QString::fromUtf8(archive_error_string(writer.get())));
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        for (;;) {
            const int read = archive_read_data_block(reader.get(), &block, &size, &offset);
            if (read == ARCHIVE_EOF)
                break;
            if (read != ARCHIVE_OK)
                return refuse(
                    QStringLiteral("damaged archive: %1").arg(QString::fromUtf8(archive_error_string(reader.get()))));
            if (archive_write_data_block(writer.get(), block, size, offset) != ARCHIVE_OK)
                return refuse(QString::fromUtf8(archive_error_string(writer.get())));
        }
        if (archive_write_finish_entry(writer.get()) != ARCHIVE_OK)
            return refuse(QString::fromUtf8(archive_error_string(writer.get())));
        ++entries;
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK)
        return refuse(QString::fromUtf8(archive_error_string(writer.get())));
    if (entries == 0)
        return refuse(QStringLiteral("empty archive"));
    return true;
}
