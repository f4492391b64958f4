#pragma once
// What the error tables of the upload progress panel show of one error record: its icon, its
// level in words, whether the seller chose to ignore it, whether help exists for it; the order in
// which the tables list records; and the ignore action of both tables. Main thread.
//
//     for (const auto& error : QMErrorBindings::sortedForDisplay(envelope->errors()))
//         row(QMErrorBindings::image(*error), QMErrorBindings::localizedLevel(*error), error->message());

#include "model/QMErrorEnvelope.h"

#include <QImage>
#include <QString>

namespace QMErrorBindings {

// "AddItemWarning" for a warning, "AddItemError" for an error, null for any other level.
QImage image(const QMError& error);
// "Message" for eBay's own message (code "1"), "Warning", "Error"; null for any other level.
QString localizedLevel(const QMError& error);
bool isWarning(const QMError& error);
// Code "1" and level "warning": eBay's free message rather than a numbered warning.
bool representsEBayMessage(const QMError& error);
// The code is on the bundled or the user's warning ignore list.
bool errorIsIgnored(const QMError& error);
// The help table has an anchor for the code.
bool helpAvailable(const QMError& error);

// The server an error envelope's source names: "eBay server", "eBay image server", "FTP server",
// "WebDAV server"; the empty text for any other source.
QString serverNameForSource(const QString& source);
// "An error has been received from the" (with an error among the records; otherwise "A warning
// has been received from the"), a blank and the server's name.
QString receivedFromServerText(const QMErrorEnvelope& envelope);

// Errors before warnings (by level as text), then by code as text ("1017" before "240").
QMErrorList sortedForDisplay(const QMErrorList& errors);
// The first warning among the records, or null.
std::shared_ptr<QMError> firstWarning(const QMErrorList& errors);

// Ignores the warning from now on: eBay's own message (code "1") by the envelope's message text,
// any other warning by its code. Each value is stored once. A null warning does nothing.
void ignoreWarning(const std::shared_ptr<QMError>& warning, const QMErrorEnvelope& envelope);

} // namespace QMErrorBindings
