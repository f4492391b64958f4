#include "DWKit/MiscRegex/NSMutableString+MiscRegex.h"

namespace dw {

void replaceRegex(QString& text, const MiscRegexPattern& pattern, const QString& replacement,
                  const MiscRegexOptions& options)
{
    text = stringByReplacingRegex(text, pattern, replacement, options);
}

void replaceEveryOccurrenceOfRegex(QString& text, const MiscRegexPattern& pattern, const QString& replacement,
                                   const MiscRegexOptions& options)
{
    text = stringByReplacingEveryOccurrenceOfRegex(text, pattern, replacement, options);
}

} // namespace dw
