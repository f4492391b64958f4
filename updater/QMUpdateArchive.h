#pragma once
// Unpacking a downloaded release (a tar.gz of the program folder) into a folder of its own.
//
// Every entry is checked before anything is written: no absolute path, no ".." component, no link
// whose target leaves the unpack folder, nothing but files, folders and links. One bad entry
// refuses the whole archive and removes what was unpacked, as does a damaged archive. Any thread.
//
//     QString error;
//     if (!QMUpdateArchive::unpack(downloadPath, unpackFolder, &error)) ...

#include <QString>

class QMUpdateArchive
{
public:
    // `destination` must not exist yet or be an empty folder. False with a reason on failure.
    [[nodiscard]] static bool unpack(const QString& archivePath, const QString& destination, QString* error);
    // True when the archive entry path stays inside the unpack folder.
    static bool isSafeEntryPath(const QString& path);
    // True when a link at `linkPath` (an entry path) pointing at `target` stays inside.
    static bool isSafeLinkTarget(const QString& linkPath, const QString& target);
    // True when the data's SHA-256 digest is `hexDigest` (case ignored).
    static bool matchesSHA256(const QString& filePath, const QString& hexDigest);
};
