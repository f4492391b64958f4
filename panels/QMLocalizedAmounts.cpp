#include "panels/QMLocalizedAmounts.h"

#include "platform/core/CocoaNumbers.h"

#include <QLocale>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <cmath>

namespace qm {

std::optional<double> numberFromTypedText(const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    double value = QLocale().toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    if (!ok && text.count(u',') == 1 && !text.contains(u'.'))
        value = QLocale::c().toDouble(QString(text).replace(u',', u'.'), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString storedAmountFromTypedText(const QString& text)
{
    const auto value = numberFromTypedText(text);
    return value ? dw::decimalText(*value, 2) : QString();
}

QString storedMeasureFromTypedText(const QString& text)
{
    const auto value = numberFromTypedText(text);
    return value ? dw::numberText(*value) : QString();
}

QString typedTextFromStoredAmount(const QString& stored)
{
    if (stored.isEmpty())
        return QString();
    return QLocale().toString(dw::doubleValue(stored), 'f', 2);
}

QString typedTextFromStoredMeasure(const QString& stored)
{
    if (stored.isEmpty())
        return QString();
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(dw::doubleValue(stored), 'g', QLocale::FloatingPointShortest);
}

QValidator* newAmountValidator(QObject* parent)
{
    static const QRegularExpression kAmount(QStringLiteral("[0-9.,'\\s\\x{00A0}\\x{202F}]*"));
    return new QRegularExpressionValidator(kAmount, parent);
}

} // namespace qm
