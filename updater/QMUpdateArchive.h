#pragma once
// Unpacking a downloaded release (a tar.gz of the program folder) into a folder of its own.
//
// An archive is data from the network: every entry is checked before it is written, and one bad
// entry refuses the whole archive and removes what was unpacked, as does a damaged archive.
// - Paths: relative, without "..", never through a link unpacked before.
// - Kinds: files, folders and links only (no devices, FIFOs or sparse files).
// - Links: each target is resolved against the links unpacked before it (a link to a link counts
//   as where that one leads); a target that leaves the unpack folder is refused, and so is a later
//   link on a path that an earlier link's target passed through. Hard links only to files of the
//   archive.
// - Modes: folders and files with any execute bit get 0755, other files 0644; no set-user-ID,
//   set-group-ID, sticky or world-writable bit survives, and owners are not restored.
// - Sizes: the bytes written stop at a total and at a ratio to the archive's own size.
// Any thread.
//
//     QString error;
//     if (!QMUpdateArchive::unpack(downloadPath, unpackFolder, &error)) ...

#include <QString>

// How much an archive may unpack to.
struct QMUpdateArchiveLimits
{
    qint64 maximumTotalBytes = qint64(1024) * 1024 * 1024; // every file together
    qint64 maximumRatio = 50;                              // unpacked bytes per archive byte
    qint64 maximumEntries = 200000;
};

class QMUpdateArchive
{
public:
    using Limits = QMUpdateArchiveLimits;

    // `destination` must not exist yet or be an empty folder. False with a reason on failure.
    [[nodiscard]] static bool unpack(const QString& archivePath, const QString& destination, QString* error,
                                     const Limits& limits = Limits());
    // True when the data's SHA-256 digest is `hexDigest` (case ignored).
    static bool matchesSHA256(const QString& filePath, const QString& hexDigest);
};
