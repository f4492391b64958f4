#pragma once
// Language variants of catalogue values: a value may be a plain text, or a dictionary of texts
// keyed by two-letter language codes ({"en": "Upgrade", "de": "Aktualisierung"}). Any thread.
//
//     QVariant name = dw::localizedObjectForKey(group, QStringLiteral("name")); // preferred languages, then "en"

#include "DWPayment/DWPaymentExport.h"

#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace dw {

// The value under `key`, or its variant for `isoCode` (exactly two characters; keys compare without
// regard to case, and the code's "*" and "?" act as wildcards). A value that is no dictionary is
// the answer for every language. When no variant matches: nil if returnNilForUnsupportedLanguage,
// else the whole variant dictionary. A null key or a code of another length throws
// dw::InternalInconsistency.
DWPAYMENT_EXPORT QVariant localizedObjectForKey(const QVariantMap& dictionary, const QString& key,
                                                const QString& isoCode, bool returnNilForUnsupportedLanguage = true);

// The variant for the first of the user's preferred languages that has one (only two-letter
// entries count), else the one for "en", else nil.
DWPAYMENT_EXPORT QVariant localizedObjectForKey(const QVariantMap& dictionary, const QString& key);

// The user's preferred languages, most preferred first, read from the environment on every call:
// the entries of $LANGUAGE (unless the locale is C or POSIX), then the forms of the message
// locale ($LC_ALL, $LC_MESSAGES, $LANG) from the most specific to the bare language
// ("de_DE.UTF-8" gives "de-DE", ..., "de"). Empty for the C locale.
DWPAYMENT_EXPORT QStringList preferredLanguages();

} // namespace dw
