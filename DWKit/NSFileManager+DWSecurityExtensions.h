#pragma once
// Replacing a file or folder where the user may lack the rights: the software update replaces the
// running program with a move and copies it out of a read-only image with a copy.
//
// When the user may write there, the work is done directly: the old destination goes to the trash
// and the new one takes its place (the old one comes back from the trash when that fails).
// Otherwise it is done as the administrator through dw::runPrivileged() (the user is asked for a
// password): the old destination is first set aside under "<destination without
// extension>.old.<extension>" (".old" appended when there is no extension; "X.old-2" and so on
// when something else already stands there) and is removed only once the new one stands. Either
// way a failure never loses the old destination, and nothing standing beside it makes the
// operation fail. A set-aside that a killed administrator run of ours left (its path stays listed
// in the user default "DWPendingSetAsidePaths" until the shell is done) is removed first. Paths travel to the administrator shell as arguments, never inside its command text or in
// our environment. Main thread; blocks until the password dialog and the shell have finished.
//
//     if (!dw::movePathWithAuthentication(downloadedApp, installedApp)) showError();

#include <QString>

namespace dw {

// True when the source now stands at the destination. Where the destination and its folder are
// writable, the old destination goes to the trash; otherwise the administrator moves it (which
// needs an existing destination, and gives the new one the old one's owner).
[[nodiscard]] bool movePathWithAuthentication(const QString& source, const QString& destination);
// True when a copy of the source now stands at the destination. Where the destination's folder is
// writable, an old destination goes to the trash; otherwise the administrator copies.
[[nodiscard]] bool copyPathWithAuthentication(const QString& source, const QString& destination);

// The administrator's ways, whatever the rights.
[[nodiscard]] bool movePathWithForcedAuthentication(const QString& source, const QString& destination);
[[nodiscard]] bool copyPathWithForcedAuthentication(const QString& source, const QString& destination);

// The set-aside path of a destination (the administrator's way; the first choice when it is free).
QString setAsidePath(const QString& destination);

} // namespace dw
