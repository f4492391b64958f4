#include "DWEBay2/types/EBayAmountType.h"

#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWFormat.h"

#include <QHash>
#include <QLocale>
#include <QMutex>

namespace {

// The symbol by which a locale writes the currency of an ISO code: the locale's own symbol for
// its own currency, else the symbol of the first locale whose currency it is, else the code.
QString currencySymbol(const QLocale& locale, const QString& isoCode)
{
    if (locale.currencySymbol(QLocale::CurrencyIsoCode) == isoCode)
        return locale.currencySymbol(QLocale::CurrencySymbol);
    static QMutex lock;
    static QHash<QString, QString> symbols;
    QMutexLocker locker(&lock);
    if (symbols.isEmpty()) {
        const QList<QLocale> all =
            QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
        for (const QLocale& candidate : all) {
            const QString code = candidate.currencySymbol(QLocale::CurrencyIsoCode);
            if (!code.isEmpty() && !symbols.contains(code))
                symbols.insert(code, candidate.currencySymbol(QLocale::CurrencySymbol));
        }
    }
    return symbols.value(isoCode, isoCode);
}

} // namespace

std::shared_ptr<EBayAmountType> EBayAmountType::amountTypeWithStringContents(const QString& text)
{
    auto amount = amountType();
    if (!text.isNull())
        amount->setContents(dw::doubleValue(text));
    return amount;
}

QString EBayAmountType::stringContents() const
{
    return dw::format("%.2f", m_contents);
}

QString EBayAmountType::formattedValue() const
{
    QLocale locale;
    if (!m_currencyID.isEmpty())
        return locale.toCurrencyString(m_contents, currencySymbol(locale, m_currencyID), 2);
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(m_contents, 'f', 2);
}
