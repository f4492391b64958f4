#pragma once
// Hands addresses to the desktop (the seller's web browser or mail program).
//
// Only http, https and mailto addresses ever leave the program this way: a page, a feed or a
// server cannot make the desktop open a local file or run a handler of another scheme. Anything
// else is refused with a console line. Tests install an opener of their own to see what would be
// opened. Main thread.
//
//     dw::openURLOnDesktop(QUrl(QStringLiteral("https://www.ebay.com/")));

#include <QUrl>
#include <functional>

namespace dw {

// True when the address was handed on (or to the installed opener).
bool openURLOnDesktop(const QUrl& url);
// Whether the address is one the desktop may be given.
bool isDesktopOpenableURL(const QUrl& url);
// Opens a file of the program's own (a help page among its resources, a page it wrote into its
// per-user temporary folder) with the desktop's handler for its type. Only an existing regular
// file, no link, inside one of those two folders is handed on; anything else is refused with a
// console line. The installed test opener sees the file's address.
bool openLocalFileOnDesktop(const QString& path);

// Replaces the desktop for tests (an empty function restores it); returns the previous one.
using DesktopURLOpener = std::function<bool(const QUrl&)>;
DesktopURLOpener setDesktopURLOpener(DesktopURLOpener opener);

} // namespace dw
