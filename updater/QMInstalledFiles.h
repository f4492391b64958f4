#pragma once
// What an installation put into the program's own folder, so that the updater replaces only a
// folder that holds nothing else.
//
// The list is the file "installed-files" inside the folder: one path a line, relative to the
// folder, folders ending in "/". `cmake --install` writes it for what it installs; the updater
// writes it for the folder it unpacked before that folder takes the installed one's place. A
// folder without the list (a build tree, a folder made by hand) or holding anything the list does
// not name (another program's files, something the seller put there) is never replaced. Any
// thread.
//
//     if (const QString why = QMInstalledFiles::reasonNotToReplace(folder); !why.isEmpty()) ...

#include <QString>
#include <QStringList>

namespace QMInstalledFiles {

inline constexpr const char* kListName = "installed-files";

// Everything in the folder but the list itself, sorted; links are listed, not followed.
QStringList entriesOf(const QString& folder);
// Writes the list of what the folder holds now. False when it cannot be written.
[[nodiscard]] bool writeList(const QString& folder);
// Empty when the updater may replace the folder; otherwise why not.
QString reasonNotToReplace(const QString& folder);

} // namespace QMInstalledFiles
