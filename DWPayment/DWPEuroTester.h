#pragma once
// Membership of the EU and of the euro area by ISO 3166 country code, ignoring case. The lists are
// data (resources/DWPayment/EUCountries.plist, compiled into the library). Any thread.

#include "DWPayment/DWPaymentExport.h"

#include <QString>
#include <QStringList>

class DWPAYMENT_EXPORT DWPEuroTester
{
public:
    DWPEuroTester() = delete;

    static bool isCountryCodeInEU(const QString& countryCode);
    static bool isCountryCodeInEuroRegion(const QString& countryCode);

    // The lists in their order.
    static const QStringList& euCountryCodes();
    static const QStringList& euroAreaCountryCodes();
};
