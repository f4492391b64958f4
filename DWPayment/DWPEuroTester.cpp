#include "DWPayment/DWPEuroTester.h"

#include "DWPayment/DWPLog.h"

#include "platform/archive/PropertyList.h"

#include <QFile>
#include <QVariantMap>

namespace {

struct CountryLists
{
    QStringList eu;
    QStringList euroArea;
};

const CountryLists& countryLists()
{
    static const CountryLists lists = [] {
        CountryLists result;
        QFile file(QStringLiteral(":/DWPayment/EUCountries.plist"));
        QString error;
        const auto value = file.open(QIODevice::ReadOnly) ? dw::plist::read(file.readAll(), &error) : std::nullopt;
        if (!value || value->typeId() != QMetaType::QVariantMap) {
            qCCritical(lcPayment) << "ERROR: the EU country lists cannot be read:" << error;
            return result;
        }
        const QVariantMap map = value->toMap();
        result.eu = map.value(QStringLiteral("EU")).toStringList();
        result.euroArea = map.value(QStringLiteral("EuroArea")).toStringList();
        return result;
    }();
    return lists;
}

} // namespace

bool DWPEuroTester::isCountryCodeInEU(const QString& countryCode)
{
    return !countryCode.isEmpty() && countryLists().eu.contains(countryCode.toUpper());
}

bool DWPEuroTester::isCountryCodeInEuroRegion(const QString& countryCode)
{
    return !countryCode.isEmpty() && countryLists().euroArea.contains(countryCode.toUpper());
}

const QStringList& DWPEuroTester::euCountryCodes()
{
    return countryLists().eu;
}

const QStringList& DWPEuroTester::euroAreaCountryCodes()
{
    return countryLists().euroArea;
}
