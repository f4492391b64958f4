#pragma once
// In-place forms of the replacing operations of DWKit/MiscRegex/NSString+MiscRegex.h: the text
// becomes the result of the matching stringByReplacing… operation. Same patterns, options,
// byte offsets and failures; on a failure the text is left as it was.

#include "DWKit/MiscRegex/NSString+MiscRegex.h"

namespace dw {

// Replaces the chosen match (as rangeOfRegex chooses it); without one the text stays as it is.
void replaceRegex(QString& text, const MiscRegexPattern& pattern, const QString& replacement,
                  const MiscRegexOptions& options = {});

// Replaces every match inside options.range.
void replaceEveryOccurrenceOfRegex(QString& text, const MiscRegexPattern& pattern, const QString& replacement,
                                   const MiscRegexOptions& options = {});

} // namespace dw
