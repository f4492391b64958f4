#pragma once
// The VAT-ID check: the form of an EU VAT number, then the EU VAT-number service's "checkVat"
// operation (SOAP 1.1 over HTTP, document style with qualified elements).
//
// The service's endpoint and the operation's namespace are configuration (setServiceConfiguration),
// so tests and the command-line tool point it elsewhere. isValidVatId() blocks for the exchange:
// call it on a worker thread. Any answer that is not the service's expected reply counts as a
// failure of the service (a fault text), never as valid.
//
//     QString fault;
//     bool valid = DWPVatIdTester::isValidVatId(QStringLiteral("de 123 456 789"), &fault);
//     if (!valid && !fault.isNull()) ... // the service failed, not the ID

#include "DWPayment/DWPaymentExport.h"

#include <QString>

struct DWPVatServiceConfiguration
{
    QString endpoint = QStringLiteral("http://ec.europa.eu/taxation_customs/vies/services/checkVatService");
    QString methodNamespace = QStringLiteral("urn:ec.europa.eu:taxud:vies:services:checkVat:types");
};

class DWPAYMENT_EXPORT DWPVatIdTester
{
public:
    DWPVatIdTester() = delete;

    // Process-wide; any thread.
    static void setServiceConfiguration(const DWPVatServiceConfiguration& configuration);
    static DWPVatServiceConfiguration serviceConfiguration();

    // Letters, digits, "+" and "*" of the ID in upper case; null for null or for fewer than three
    // characters as typed.
    static QString normalizeVatId(const QString& vatId);
    // An EU country's VAT prefix followed by 5 to 12 digits, capitals, "+" or "*".
    static bool isPlausibleVatId(const QString& vatId);
    // The prefix the VAT-number service gives the IDs of a country: its country code, except "EL"
    // for Greece ("GR").
    static QString vatPrefixForCountry(const QString& countryCode);
    // Whether a normalized ID may belong to a buyer in the country: it begins with the country's
    // code or its VAT prefix.
    static bool vatIdMatchesCountry(const QString& normalizedVatId, const QString& countryCode);
    // Plausible and confirmed by the service. When the service fails (unreachable, an error status,
    // an answer it should not give) `faultString` receives why; it stays null for an ID that is not
    // plausible or that the service calls invalid.
    static bool isValidVatId(const QString& vatId, QString* faultString = nullptr);
};
