#pragma once
// Collecting the characters of a set from the rest of a scanned text.
//
//     dw::Scanner scanner(QStringLiteral("12:ab:3z"));
//     QString hex;
//     dw::scanAllHexCharactersIntoString(scanner, &hex);   // "12ab3", scanner at its end

#include "platform/text/CharacterSet.h"

#include <QString>

namespace dw {

// A text and a position in it, the stand-in of the platform's scanner as far as the kit needs it.
class Scanner
{
public:
    explicit Scanner(QString string) : m_string(std::move(string)) {}
    const QString& string() const { return m_string; }
    qsizetype scanLocation() const { return m_location; }
    void setScanLocation(qsizetype location) { m_location = qBound<qsizetype>(0, location, m_string.size()); }
    bool isAtEnd() const { return m_location >= m_string.size(); }

private:
    QString m_string;
    qsizetype m_location = 0;
};

// From the scanner's position to the end: skips every character outside `set` and collects the
// ones inside it, in order, into *stringValue ("" when none). The scanner ends at its end. True
// when at least one character was collected. A null stringValue is a caller error (DW_ASSERT).
bool scanAllCharactersFromSet(Scanner& scanner, const CharacterSet& set, QString* stringValue);
// The same with the set "0123456789abcdefABCDEF".
bool scanAllHexCharactersIntoString(Scanner& scanner, QString* stringValue);

} // namespace dw
