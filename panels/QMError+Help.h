#pragma once
// Help for eBay's errors and eBay's full message text.
//
// The help table "EbayErrorHelp.plist" among the resources maps eBay error codes (as text) to
// {"anchor": name}; an anchor names a page "help/<anchor>.html" among the resources, which opens in
// the seller's browser. The table is read once per process; a missing table is a packaging error
// (an assertion, "Could not open EbayErrorHelp.plist").
//
// "More Info" writes eBay's message, HTML as eBay sent it, into "lasteBayErrorMessage.html" in the
// per-user temporary folder (mode 0700), the file itself readable by the user alone, and opens it
// in the browser. Main thread.
//
//     if (const QString anchor = QMErrorHelp::helpAnchor(*error); !anchor.isNull())
//         QMErrorHelp::openHelpAnchor(anchor);
//     QMErrorHelp::showEBayMessage(envelope->eBayMessage());

#include "model/QMError.h"

#include <QString>
#include <QVariantMap>

namespace QMErrorHelp {

inline constexpr const char* kEBayMessageFileName = "lasteBayErrorMessage.html";

// The table's entry for the record's code; empty when there is none.
QVariantMap helpInfo(const QMError& error);
// The entry's "anchor"; null without one.
QString helpAnchor(const QMError& error);
// The help page of an anchor among the resources; null when the anchor is no plain name or no
// page exists.
QString helpPagePathForAnchor(const QString& anchor);
// Opens the anchor's page; false when there is none or the desktop refused it.
bool openHelpAnchor(const QString& anchor);

// Writes the message file, replacing an earlier one; its path, or null when the per-user folder
// or the file could not be made.
QString writeEBayMessageFile(const QString& eBayMessage);
// Writes the file and opens it; a failed write is logged and the open attempted all the same.
void showEBayMessage(const QString& eBayMessage);

// Forgets the help table read so far (tests).
void resetHelpTableForTesting();

} // namespace QMErrorHelp
