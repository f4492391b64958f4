#include "model/QMCountryDescriptionManager.h"

#include "DWKit/QMLog.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

#include <algorithm>

QMCountryDescriptionManager::QMCountryDescriptionManager(const QString& tablePath) : m_tablePath(tablePath) {}

QMCountryDescriptionManager::~QMCountryDescriptionManager() = default;

QMCountryDescriptionManager& QMCountryDescriptionManager::sharedInstance()
{
    static QMCountryDescriptionManager manager;
    return manager;
}

int QMCountryDescriptionManager::caseInsensitiveCompareByCountryName(const QVariantMap& country,
                                                                     const QVariantMap& other)
{
    const QString name = dw::localized(country.value(QStringLiteral("CountryName")).toString(), "ManualLocalizable");
    const QString otherName = dw::localized(other.value(QStringLiteral("CountryName")).toString(), "ManualLocalizable");
    return name.compare(otherName, Qt::CaseInsensitive);
}

int QMCountryDescriptionManager::caseInsensitiveCompareByRegionName(const QVariantMap& region, const QVariantMap& other)
{
    return region.value(QStringLiteral("RegionName"))
        .toString()
        .compare(other.value(QStringLiteral("RegionName")).toString(), Qt::CaseInsensitive);
}

QVariantList QMCountryDescriptionManager::countryDescriptions() const
{
    std::lock_guard lock(m_mutex);
    if (m_table)
        return *m_table;
    QString error;
    const auto value = dw::plist::readFile(m_tablePath, &error);
    if (!value || value->typeId() != QMetaType::QVariantList) {
        QMLogError("Could not load the countries table %@: %@", m_tablePath,
                   error.isEmpty() ? QStringLiteral("not a list") : error);
        return QVariantList();
    }
    QVariantList countries;
    for (const QVariant& entry : value->toList()) {
        if (entry.typeId() == QMetaType::QVariantMap)
            countries << entry;
    }
    std::stable_sort(countries.begin(), countries.end(), [](const QVariant& a, const QVariant& b) {
        return caseInsensitiveCompareByCountryName(a.toMap(), b.toMap()) < 0;
    });
    m_table = std::make_shared<const QVariantList>(countries);
    return *m_table;
}

QVariantMap QMCountryDescriptionManager::findCountry(const char* key, const QString& value) const
{
    const QString name = QString::fromLatin1(key);
    for (const QVariant& country : countryDescriptions()) {
        const QVariantMap c = country.toMap();
        const QVariant stored = c.value(name);
        if (stored.typeId() == QMetaType::QString && stored.toString() == value)
            return c;
    }
    return QVariantMap();
}

QVariantMap QMCountryDescriptionManager::countryDescriptionForCountryID(const QString& countryID) const
{
    const QVariantMap country = findCountry("CountryID", countryID);
    if (country.isEmpty())
        QMLogError("couldn't get country description with id %@", countryID);
    return country;
}

QVariantMap QMCountryDescriptionManager::countryDescriptionForCountryIDAsInt(qint64 countryID) const
{
    return countryDescriptionForCountryID(dw::format(QStringLiteral("%ld"), qlonglong(countryID)));
}

QVariantMap QMCountryDescriptionManager::countryDescriptionForCountryAbb(const QString& abbreviation) const
{
    return findCountry("CountryAbb", abbreviation);
}

QString QMCountryDescriptionManager::countryNameForCountryAbb(const QString& abbreviation) const
{
    return countryDescriptionForCountryAbb(abbreviation).value(QStringLiteral("CountryName")).toString();
}

QString QMCountryDescriptionManager::countryIDForCountryAbb(const QString& abbreviation) const
{
    return countryDescriptionForCountryAbb(abbreviation).value(QStringLiteral("CountryID")).toString();
}

QString QMCountryDescriptionManager::countryAbbForCountryID(const QString& countryID) const
{
    return countryDescriptionForCountryID(countryID).value(QStringLiteral("CountryAbb")).toString();
}
