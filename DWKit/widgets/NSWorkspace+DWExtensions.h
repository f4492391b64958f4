#pragma once
// What the desktop knows about running programs: whether another instance of this program runs,
// the system's process list, and an installed application's icon.
//
// Processes come from the kernel's process table (/proc). Any thread, except
// iconForAppWithBundleIdentifier() (main thread: icons are GUI objects).
//
//     if (dw::amIAlreadyRunning())
//         return bringOtherInstanceForward();

#include <QIcon>
#include <QString>
#include <QVariantList>

namespace dw {

// True when a process of the same user runs this program's executable and is not this process.
bool amIAlreadyRunning();

// One map per process of the system, in table order: "name" = the short command name, "id" = the
// process ID as decimal text. Empty when the table cannot be read.
QVariantList launchedBSDProcessInformations();

// The icon of the installed application with that desktop identifier (its ".desktop" entry's
// Icon), or the desktop's generic application icon when there is none.
QIcon iconForAppWithBundleIdentifier(const QString& bundleIdentifier);

} // namespace dw
