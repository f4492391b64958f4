#pragma once
// Where the program keeps its files, computed in one place so that tests can redirect all of
// them at once through the XDG variables.
//
//   fixedDataFolder()            $XDG_DATA_HOME/Quillmart/          templates, picture backups, shipping tables
//   applicationSupportFolder()   $XDG_DATA_HOME/QuillmartVodar/     favourites, category stores, activity log
//   cachesFolder()               $XDG_CACHE_HOME/QuillmartVodar/
//   configFolder()               $XDG_CONFIG_HOME/QuillmartVodar/   the user-defaults file
//   temporaryFolder()            $TMPDIR/QuillmartVodar-<uid>/      mode 0700, one per user
//   runtimeFolder()              $XDG_RUNTIME_DIR/                  the running program's socket
//   programFolder()              the folder of the running executable (/proc/self/exe)
//   resourcesFolder()            $QV_RESOURCES_DIR, else beside the program, else <prefix>/share/quillmartvodar/
//
// The variables are read on every call (unset or relative values fall back to the XDG defaults
// under $HOME). Folders are not created here; ensureFolder() does that, except for the temporary
// folder: temporaryFolder() makes it, and when that name is taken by anything but a folder of this
// user it answers a private folder of unguessable name beside it instead (null when none can be
// made). Any thread.

#include <QString>

namespace dw::paths {

QString homeFolder();
QString dataHome();
QString configHome();
QString cacheHome();

QString fixedDataFolder();
QString applicationSupportFolder();
QString cachesFolder();
QString configFolder();
QString temporaryFolder();
// $XDG_RUNTIME_DIR when it names a folder of this user, else temporaryFolder().
QString runtimeFolder();
// Without a trailing slash; null when the kernel does not say.
QString programFolder();
QString resourcesFolder();

// Creates the folder with its parents; false when it cannot be made.
[[nodiscard]] bool ensureFolder(const QString& path);

// True when `name` is one plain path component: not empty, no "/" or NUL, not "." or "..".
bool isSafeFileName(const QString& name);

// `folder` + "/" + `name` when name is a safe file name, else a null string.
QString safeChildPath(const QString& folder, const QString& name);

} // namespace dw::paths
