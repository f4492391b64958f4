#include "DWPayment/NSLocale+DWPExtensions.h"

#include "platform/core/DWAssert.h"

#include <unicode/uloc.h>

namespace dw {

namespace {

// The display name of a locale in itself, such as "français (Allemagne)" for fr_DE.
QString selfDisplayName(const QByteArray& identifier)
{
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = uloc_getDisplayName(identifier.constData(), identifier.constData(), buffer,
                                               int32_t(std::size(buffer)), &status);
    if (U_FAILURE(status) || length <= 0 || length > int32_t(std::size(buffer)))
        return QString();
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer), length);
}

} // namespace

QMap<QString, QString> countryCodesAndNamesForLanguage(const QString& isoCode)
{
    DW_PARAMETER_ASSERT(!isoCode.isNull());
    QMap<QString, QString> names;
    const QByteArray language = isoCode.toLatin1();
    for (const char* const* code = uloc_getISOCountries(); code && *code; ++code) {
        const QString country = QString::fromLatin1(*code);
        // The locale of that language in that country names itself "language (country)"; the
        // country's part is what the menu shows.
        const QString display = selfDisplayName(language + '_' + *code);
        const qsizetype open = display.indexOf(QLatin1String(" ("));
        if (open >= 0 && display.endsWith(QLatin1Char(')')))
            names.insert(country, display.mid(open + 2, display.size() - open - 3));
        else
            names.insert(country, display.isEmpty() ? country : display);
    }
    return names;
}

QStringList countryNamesForLanguage(const QString& isoCode)
{
    return countryCodesAndNamesForLanguage(isoCode).values();
}

} // namespace dw
