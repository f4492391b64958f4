#pragma once
// Whether the program runs from a place mounted read-only (an image, a read-only share), which an
// update could never replace. Any thread.

#include <QByteArray>
#include <QString>

namespace dw {

// True when the file system that holds `path` is mounted read-only: the file-system statistics say
// so, and the mount table names a read-only mount for the folder.
bool isReadOnlyInstallationAtPath(const QString& path);

// The options of the mount that holds `path` (the longest mount point that contains it) in a mount
// table in the form of /proc/self/mounts; null when none matches.
QString mountOptionsForPath(const QString& path, const QByteArray& mountTable);

} // namespace dw
