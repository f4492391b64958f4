#include "platform/core/Localization.h"

#include <QCoreApplication>

namespace dw {

QString localized(const char* englishText, const char* table)
{
    if (!QCoreApplication::instance())
        return QString::fromUtf8(englishText);
    return QCoreApplication::translate(table, englishText);
}

QString localized(const QString& englishText, const char* table)
{
    if (!QCoreApplication::instance() || englishText.isEmpty())
        return englishText;
    const QByteArray key = englishText.toUtf8();
    return QCoreApplication::translate(table, key.constData());
}

} // namespace dw
