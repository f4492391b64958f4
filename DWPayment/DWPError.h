#pragma once
// The store's errors: every one has the domain "DWPaymentErrorDomain" and code 0; what matters is
// in its userInfo, under the keys below. Operations hand errors out through an optional pointer:
// without it no error is built.
//
//     DWPError error;
//     if (!connection.createTransaction(transaction, &error))
//         show(error.localizedDescription());

#include "DWPayment/DWPaymentExport.h"

#include <QString>
#include <QVariantMap>

inline constexpr const char* DWPaymentErrorDomain = "DWPaymentErrorDomain";
inline constexpr const char* NSLocalizedDescriptionKey = "NSLocalizedDescription";
inline constexpr const char* NSUnderlyingErrorKey = "NSUnderlyingError";
inline constexpr const char* DWPDetailedDescriptionKey = "DWPDetailedDescriptionKey";
inline constexpr const char* DWPErrorInfoFromXmlDocKey = "DWPErrorInfoInXmlDocKey";
inline constexpr const char* DWPNotificationNameKey = "DWPNotificationNameKey";
inline constexpr const char* DWPTransactionIdKey = "DWPTransactionIdKey";
inline constexpr const char* DWPPayloadKey = "DWPPayloadKey";

class DWPAYMENT_EXPORT DWPError
{
public:
    DWPError() = default;
    // An error of the store's domain with the buyer's text (already localized) and, when not
    // null, the technical detail.
    DWPError(const QString& localizedDescription, const QString& detailedDescription = QString());
    // An error of another domain (the XML library, the transport), for NSUnderlyingErrorKey.
    static DWPError foreign(const QString& domain, qint64 code, const QString& description);

    bool isNull() const { return m_domain.isNull(); }
    const QString& domain() const { return m_domain; }
    qint64 code() const { return m_code; }
    const QVariantMap& userInfo() const { return m_userInfo; }
    QVariantMap& userInfo() { return m_userInfo; }

    QString localizedDescription() const;
    QString detailedDescription() const;
    // The underlying error, when there is one (stored in the userInfo as a map with "domain",
    // "code" and "userInfo").
    DWPError underlyingError() const;
    void setUnderlyingError(const DWPError& error);

private:
    QString m_domain;
    qint64 m_code = 0;
    QVariantMap m_userInfo;
};

// The store's texts in the store's own string table ("DWPayment"), the English text as the key.
DWPAYMENT_EXPORT QString DWPLocalized(const char* englishText);
