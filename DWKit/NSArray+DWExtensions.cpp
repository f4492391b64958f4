#include "DWKit/NSArray+DWExtensions.h"

#include "DWKit/NSString+DWExtensions.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/Localization.h"

namespace dw {

namespace {

int intValueOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString)
        return intValue(value.toString());
    return value.toInt();
}

} // namespace

QStringList sortedArrayByLocalizedStringValue(const QStringList& texts)
{
    QStringList sorted = texts;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QString& a, const QString& b) { return compareByLocalizedStringValue(a, b) < 0; });
    return sorted;
}

QString localizedComponentsFromTable(const QStringList& texts, const char* table, const QString& separator)
{
    QStringList localizedTexts;
    localizedTexts.reserve(texts.size());
    for (const QString& text : texts)
        localizedTexts.append(table ? localized(text, table) : localized(text));
    return localizedTexts.join(separator);
}

QString localizedComponentsJoinedByString(const QStringList& texts, const QString& separator)
{
    return localizedComponentsFromTable(texts, nullptr, separator);
}

QStringList sortedArrayByIntValue(const QStringList& texts)
{
    QStringList sorted = texts;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QString& a, const QString& b) { return intValue(a) < intValue(b); });
    return sorted;
}

QVariantList sortedArrayByIntValue(const QVariantList& values)
{
    QVariantList sorted = values;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QVariant& a, const QVariant& b) { return intValueOf(a) < intValueOf(b); });
    return sorted;
}

} // namespace dw
