#pragma once
// Folder trees, searching the data folders for a file, and the process's temporary work folder.
//
//     const QString folder = dw::temporaryDirectoryWithName(QStringLiteral("QuillmartVodarTempImages"));
//     if (folder.isNull()) return;   // logged already

#include <QString>

namespace dw {

// Creates the folder with every missing parent; true also when it exists already.
[[nodiscard]] bool createDirectoryRecursiveAtPath(const QString& path);

enum class SearchPathDirectory {
    ApplicationSupport, // $XDG_DATA_HOME, then each folder of $XDG_DATA_DIRS
    Caches,             // $XDG_CACHE_HOME
};
// The first existing "<folder>/<fileName>" over the folders of that kind, user's first; nil when none.
QString pathToFile(const QString& fileName, SearchPathDirectory directory);

// The process's temporary work folder: on the first call <temporary folder>/<name>/<a UUID of
// this process>/, kept for the life of the process (later names are ignored) and created on
// every call. nil, and a console line, when it cannot be created. A name that is not one plain
// path component is a caller error (DW_ASSERT). Any thread.
QString temporaryDirectoryWithName(const QString& name);
// Forgets the folder so that the next call makes a new one (tests, after redirecting TMPDIR).
void resetTemporaryDirectory();

} // namespace dw
