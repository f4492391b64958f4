#include "updater/QMUpdateArchive.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <memory>
#include <optional>

namespace {

struct ArchiveReadDeleter
{
    void operator()(archive* a) const { archive_read_free(a); }
};
struct ArchiveWriteDeleter
{
    void operator()(archive* a) const { archive_write_free(a); }
};

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// The components of an entry path without empty and "." ones ("./a//b/" is a/b); nullopt for an
// absolute path, a ".." component or a NUL.
std::optional<QStringList> entryComponents(const QString& path)
{
    if (path.isEmpty() || path.startsWith(u'/') || path.contains(QChar(u'\0')))
        return std::nullopt;
    QStringList components;
    for (const QString& component : path.split(u'/')) {
        if (component.isEmpty() || component == u".")
            continue;
        if (component == u"..")
            return std::nullopt;
        components.append(component);
    }
    if (components.isEmpty())
        return std::nullopt;
    return components;
}

// What the archive has put down so far, as the file system will see it.
class UnpackedTree
{
public:
    // False when the path runs through a link unpacked before, or replaces one.
    bool isReachableWithoutLinks(const QStringList& components) const
    {
        QString prefix;
        for (const QString& component : components) {
            prefix += (prefix.isEmpty() ? QString() : QStringLiteral("/")) + component;
            if (m_links.contains(prefix))
                return false;
        }
        return true;
    }

    void addEntry(const QString& path, bool isFile)
    {
        m_entries.insert(path);
        if (isFile)
            m_files.insert(path);
    }
    bool isFile(const QString& path) const { return m_files.contains(path); }

    // Adds the link at `path` when its target stays inside the unpack folder, resolved through the
    // links before it. A link may not stand where an entry stands already or where an earlier
    // link's target passed: those targets would lead elsewhere once it is there.
    bool addLink(const QStringList& components, const QString& target)
    {
        const QString path = components.join(u'/');
        if (m_entries.contains(path) || m_walked.contains(path) || target.isEmpty() || target.startsWith(u'/') ||
            target.contains(QChar(u'\0')))
            return false;
        QStringList resolved = components.mid(0, components.size() - 1);
        QSet<QString> walked;
        for (const QString& component : target.split(u'/')) {
            if (component.isEmpty() || component == u".")
                continue;
            if (component == u"..") {
                if (resolved.isEmpty())
                    return false;
                resolved.removeLast();
                continue;
            }
            resolved.append(component);
            const QString here = resolved.join(u'/');
            walked.insert(here);
            // Where an earlier link leads is already resolved to the end.
            if (const auto link = m_links.constFind(here); link != m_links.constEnd())
                resolved = *link;
        }
        m_links.insert(path, resolved);
        m_walked.unite(walked);
        m_entries.insert(path);
        return true;
    }

private:
    QHash<QString, QStringList> m_links; // link path -> where it leads, inside the unpack folder
    QSet<QString> m_walked;              // every path a link's target passed through
    QSet<QString> m_entries;
    QSet<QString> m_files;
};

} // namespace

bool QMUpdateArchive::matchesSHA256(const QString& filePath, const QString& hexDigest)
{
    QFile file(filePath);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return false;
    return QString::fromLatin1(hash.result().toHex()) == hexDigest.trimmed().toLower();
}

bool QMUpdateArchive::unpack(const QString& archivePath, const QString& destination, QString* error,
                             const Limits& limits)
{
    if (!QDir().mkpath(destination))
        return fail(error, QStringLiteral("cannot make %1").arg(destination));
    const QString root = QDir(destination).absolutePath() + u'/';
    const qint64 archiveSize = QFileInfo(archivePath).size();
    const qint64 byteLimit = std::min(limits.maximumTotalBytes, std::max<qint64>(archiveSize, 1) * limits.maximumRatio);

    std::unique_ptr<archive, ArchiveReadDeleter> reader(archive_read_new());
    archive_read_support_filter_gzip(reader.get());
    archive_read_support_format_tar(reader.get());
    archive_read_support_format_gnutar(reader.get());
    std::unique_ptr<archive, ArchiveWriteDeleter> writer(archive_write_disk_new());
    // Our own checks come first; these refuse writing through links and ".." once more. The modes
    // written are those masked below; owners, ACLs, attributes and flags are not restored.
    archive_write_disk_set_options(writer.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_PERM |
                                                     ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_SECURE_NODOTDOT);

    const auto refuse = [&](const QString& text) {
        QDir(destination).removeRecursively();
        return fail(error, text);
    };
    if (archive_read_open_filename(reader.get(), QFile::encodeName(archivePath).constData(), 64 * 1024) != ARCHIVE_OK)
        return refuse(QString::fromUtf8(archive_error_string(reader.get())));

    UnpackedTree tree;
    qint64 entries = 0;
    qint64 written = 0;
    for (;;) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status != ARCHIVE_OK)
            return refuse(
                QStringLiteral("damaged archive: %1").arg(QString::fromUtf8(archive_error_string(reader.get()))));
        if (++entries > limits.maximumEntries)
            return refuse(QStringLiteral("the archive holds more than %1 entries").arg(limits.maximumEntries));
        const char* rawPath = archive_entry_pathname(entry);
        const QString path = rawPath ? QString::fromUtf8(rawPath) : QString();
        const std::optional<QStringList> components = entryComponents(path);
        if (!components || !tree.isReachableWithoutLinks(*components))
            return refuse(QStringLiteral("archive entry outside the unpack folder: %1").arg(path));
        const QString relative = components->join(u'/');
        const mode_t type = archive_entry_filetype(entry);
        const char* hardlink = archive_entry_hardlink(entry);
        if (hardlink) {
            const std::optional<QStringList> target = entryComponents(QString::fromUtf8(hardlink));
            if (!target || !tree.isFile(target->join(u'/')))
                return refuse(QStringLiteral("archive link to no file of the archive: %1").arg(path));
            archive_entry_copy_hardlink(entry, QFile::encodeName(root + target->join(u'/')).constData());
            tree.addEntry(relative, true);
        } else if (type == AE_IFLNK) {
            const char* rawTarget = archive_entry_symlink(entry);
            if (!rawTarget || !tree.addLink(*components, QString::fromUtf8(rawTarget)))
                return refuse(QStringLiteral("archive link outside the unpack folder: %1").arg(path));
        } else if (type == AE_IFREG) {
            if (archive_entry_sparse_count(entry) > 0)
                return refuse(QStringLiteral("archive entry of an unexpected kind: %1").arg(path));
            if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > byteLimit - written)
                return refuse(QStringLiteral("the archive unpacks to more than %1 bytes").arg(byteLimit));
            tree.addEntry(relative, true);
        } else if (type == AE_IFDIR) {
            tree.addEntry(relative, false);
        } else {
            return refuse(QStringLiteral("archive entry of an unexpected kind: %1").arg(path));
        }
        if (type == AE_IFDIR || (type == AE_IFREG && (archive_entry_perm(entry) & 0111) != 0))
            archive_entry_set_perm(entry, 0755);
        else
            archive_entry_set_perm(entry, 0644);
        archive_entry_copy_pathname(entry, QFile::encodeName(root + relative).constData());
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
            written += qint64(size);
            if (written > byteLimit)
                return refuse(QStringLiteral("the archive unpacks to more than %1 bytes").arg(byteLimit));
            if (archive_write_data_block(writer.get(), block, size, offset) != ARCHIVE_OK)
                return refuse(QString::fromUtf8(archive_error_string(writer.get())));
        }
        if (archive_write_finish_entry(writer.get()) != ARCHIVE_OK)
            return refuse(QString::fromUtf8(archive_error_string(writer.get())));
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK)
        return refuse(QString::fromUtf8(archive_error_string(writer.get())));
    if (entries == 0)
        return refuse(QStringLiteral("empty archive"));
    return true;
}
