#pragma once
// The countries a seller can list from: names, eBay's country codes ("CountryAbb"), numeric IDs
// and regions.
//
// One read-only table compiled into the program (resources/tables/countries.json), loaded on
// first use under a lock and sorted by the countries' names localized through "ManualLocalizable".
// IDs and codes are compared exactly ("01" does not find "1"). Unknown ones answer an empty map or
// a null text and log, never abort. Any thread.
//
//     auto& countries = QMCountryDescriptionManager::sharedInstance();
//     QString code = countries.countryAbbForCountryID("77");   // "DE"

#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <memory>
#include <mutex>

class QMCountryDescriptionManager
{
public:
    explicit QMCountryDescriptionManager(const QString& tablePath = QStringLiteral(":/tables/countries.data"));
    ~QMCountryDescriptionManager();
    QMCountryDescriptionManager(const QMCountryDescriptionManager&) = delete;
    QMCountryDescriptionManager& operator=(const QMCountryDescriptionManager&) = delete;

    static QMCountryDescriptionManager& sharedInstance();

    QVariantList countryDescriptions() const;
    QVariantMap countryDescriptionForCountryID(const QString& countryID) const;
    QVariantMap countryDescriptionForCountryIDAsInt(qint64 countryID) const;
    QVariantMap countryDescriptionForCountryAbb(const QString& abbreviation) const;
    QString countryNameForCountryAbb(const QString& abbreviation) const;
    QString countryIDForCountryAbb(const QString& abbreviation) const;
    QString countryAbbForCountryID(const QString& countryID) const;

    // Orderings for sorting country and region dictionaries (< 0, 0, > 0).
    static int caseInsensitiveCompareByCountryName(const QVariantMap& country, const QVariantMap& other);
    static int caseInsensitiveCompareByRegionName(const QVariantMap& region, const QVariantMap& other);

private:
    QVariantMap findCountry(const char* key, const QString& value) const;

    QString m_tablePath;
    mutable std::mutex m_mutex;
    mutable std::shared_ptr<const QVariantList> m_table;
};
