#include "DWPayment/DWPError.h"

#include "platform/core/Localization.h"

DWPError::DWPError(const QString& localizedDescription, const QString& detailedDescription)
    : m_domain(QString::fromLatin1(DWPaymentErrorDomain))
{
    m_userInfo.insert(QString::fromLatin1(NSLocalizedDescriptionKey), localizedDescription);
    if (!detailedDescription.isNull())
        m_userInfo.insert(QString::fromLatin1(DWPDetailedDescriptionKey), detailedDescription);
}

DWPError DWPError::foreign(const QString& domain, qint64 code, const QString& description)
{
    DWPError error;
    error.m_domain = domain;
    error.m_code = code;
    error.m_userInfo.insert(QString::fromLatin1(NSLocalizedDescriptionKey), description);
    return error;
}

QString DWPError::localizedDescription() const
{
    return m_userInfo.value(QString::fromLatin1(NSLocalizedDescriptionKey)).toString();
}

QString DWPError::detailedDescription() const
{
    return m_userInfo.value(QString::fromLatin1(DWPDetailedDescriptionKey)).toString();
}

DWPError DWPError::underlyingError() const
{
    const QVariantMap map = m_userInfo.value(QString::fromLatin1(NSUnderlyingErrorKey)).toMap();
    if (map.isEmpty())
        return {};
    DWPError error;
    error.m_domain = map.value(QStringLiteral("domain")).toString();
    error.m_code = map.value(QStringLiteral("code")).toLongLong();
    error.m_userInfo = map.value(QStringLiteral("userInfo")).toMap();
    return error;
}

void DWPError::setUnderlyingError(const DWPError& error)
{
    if (error.isNull())
        return;
    m_userInfo.insert(QString::fromLatin1(NSUnderlyingErrorKey),
                      QVariantMap{{QStringLiteral("domain"), error.m_domain},
                                  {QStringLiteral("code"), error.m_code},
                                  {QStringLiteral("userInfo"), error.m_userInfo}});
}

QString DWPLocalized(const char* englishText)
{
    return dw::localized(englishText, "DWPayment");
}
