#pragma once
// Builders for the updater tests: gzip data, tar.gz archives with any entries, feeds.

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <archive.h>
#include <archive_entry.h>
#include <vector>
#include <zlib.h>

namespace updater_test {

inline QByteArray gzip(const QByteArray& data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(data.size())) + 32), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

struct Entry
{
    enum Kind { File, Folder, Symlink, Hardlink };
    QString path;
    QByteArray data{};
    Kind kind = File;
    QString target{};
};

inline QByteArray tarGz(const std::vector<Entry>& entries)
{
    QByteArray out(4 * 1024 * 1024, '\0');
    size_t used = 0;
    archive* writer = archive_write_new();
    archive_write_set_format_pax_restricted(writer);
    archive_write_add_filter_gzip(writer);
    archive_write_open_memory(writer, out.data(), size_t(out.size()), &used);
    for (const Entry& item : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, item.path.toUtf8().constData());
        switch (item.kind) {
        case Entry::File:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, 0755);
            archive_entry_set_size(entry, item.data.size());
            break;
        case Entry::Folder:
            archive_entry_set_filetype(entry, AE_IFDIR);
            archive_entry_set_perm(entry, 0755);
            break;
        case Entry::Symlink:
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_perm(entry, 0777);
            archive_entry_set_symlink(entry, item.target.toUtf8().constData());
            break;
        case Entry::Hardlink:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, 0644);
            archive_entry_set_hardlink(entry, item.target.toUtf8().constData());
            break;
        }
        archive_write_header(writer, entry);
        if (item.kind == Entry::File && !item.data.isEmpty())
            archive_write_data(writer, item.data.constData(), size_t(item.data.size()));
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    out.resize(qsizetype(used));
    return out;
}

// The program folder of a release as the server hands it out.
inline QByteArray programArchive(const QByteArray& version)
{
    return tarGz({{QStringLiteral("QuillmartVodar"), {}, Entry::Folder},
                  {QStringLiteral("QuillmartVodar/QuillmartVodar"), "#!/bin/sh\n", Entry::File},
                  {QStringLiteral("QuillmartVodar/version"), version, Entry::File},
                  {QStringLiteral("QuillmartVodar/current"), {}, Entry::Symlink, QStringLiteral("version")}});
}

inline QString sha256(const QByteArray& data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

struct FeedRelease
{
    QString version;
    QString build;
    QString downloadLink{};
    QString sha256{};
    QString minSystem{};
    bool beta = false;
};

inline QByteArray feed(const std::vector<FeedRelease>& releases)
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Feed><AppName>QuillmartVodar</AppName><Releases>\n";
    for (const FeedRelease& release : releases) {
        text += "<Release><Version>" + release.version.toUtf8() + "</Version><BundleVersion>" + release.build.toUtf8() +
                "</BundleVersion><Date>2026-11-02</Date>";
        if (!release.downloadLink.isEmpty())
            text += "<DownloadLink>" + release.downloadLink.toUtf8() + "</DownloadLink>";
        if (!release.sha256.isEmpty())
            text += "<SHA256>" + release.sha256.toUtf8() + "</SHA256>";
        if (!release.minSystem.isEmpty())
            text += "<MinSystemVersion>" + release.minSystem.toUtf8() + "</MinSystemVersion>";
        text += release.beta ? "<IsBeta>YES</IsBeta>" : "<IsBeta>NO</IsBeta>";
        text += "<Changes><![CDATA[<p>New in " + release.version.toUtf8() + "</p>]]></Changes></Release>\n";
    }
    return text + "</Releases></Feed>\n";
}

} // namespace updater_test
