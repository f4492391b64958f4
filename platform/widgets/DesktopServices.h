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

// Replaces the desktop for tests (an empty function restores it); returns the previous one.
using DesktopURLOpener = std::function<bool(const QUrl&)>;
DesktopURLOpener setDesktopURLOpener(DesktopURLOpener opener);

} // namespace dw
