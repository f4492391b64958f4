#include "DWKit/NSScanner+DWExtensions.h"

#include "platform/core/DWAssert.h"

namespace dw {

bool scanAllCharactersFromSet(Scanner& scanner, const CharacterSet& set, QString* stringValue)
{
    DW_ASSERT(stringValue != nullptr, "Invalid parameter not satisfying: NULL != stringValue");
    QString collected = QStringLiteral("");
    forEachCodePoint(scanner.string().mid(scanner.scanLocation()), [&](char32_t c, QStringView units) {
        if (set.contains(c))
            collected += units;
    });
    scanner.setScanLocation(scanner.string().size());
    *stringValue = collected;
    return !collected.isEmpty();
}

bool scanAllHexCharactersIntoString(Scanner& scanner, QString* stringValue)
{
    static const CharacterSet kHexDigits = CharacterSet::characters(QStringLiteral("0123456789abcdefABCDEF"));
    return scanAllCharactersFromSet(scanner, kHexDigits, stringValue);
}

} // namespace dw
