#include "model/widgets/QMCommonPrefsController.h"

#include "model/QMCountryDescriptionManager.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"

#include "DWKit/QMLog.h"

#include "platform/core/CocoaNumbers.h"
#include "platform/core/Localization.h"

#include <algorithm>
#include <optional>

namespace {

// The tables hold their IDs as text; a tag is the number at its start, as the platform reads it.
qint64 tagOf(const QVariantMap& entry, const QString& key)
{
    return dw::integerValue(entry.value(key).toString());
}

void addItem(QComboBox* popUp, const QString& title, qint64 tag)
{
    popUp->addItem(title, QVariant(qlonglong(tag)));
}

void selectItemWithTag(QComboBox* popUp, qint64 tag)
{
    const int index = popUp->findData(QVariant(qlonglong(tag)));
    if (index >= 0)
        popUp->setCurrentIndex(index);
}

std::optional<qint64> selectedTag(const QComboBox* popUp)
{
    if (!popUp || popUp->currentIndex() < 0)
        return std::nullopt;
    return popUp->currentData().toLongLong();
}

} // namespace

QMCommonPrefsController::QMCommonPrefsController(QObject* parent)
    : QMCommonPrefsController(QMPreferencesManager::sharedInstance(), QMSiteDescriptionManager::sharedInstance(),
                              QMCountryDescriptionManager::sharedInstance(), parent)
{}

QMCommonPrefsController::QMCommonPrefsController(QMPreferencesManager& preferences,
                                                 const QMSiteDescriptionManager& sites,
                                                 const QMCountryDescriptionManager& countries, QObject* parent)
    : QObject(parent), m_preferences(preferences), m_sites(sites), m_countries(countries)
{}

QMCommonPrefsController::~QMCommonPrefsController() = default;

void QMCommonPrefsController::connectPopup(QPointer<QComboBox>& outlet, QComboBox* popUp,
                                           void (QMCommonPrefsController::*handler)(QComboBox*))
{
    if (outlet)
        disconnect(outlet, nullptr, this, nullptr);
    outlet = popUp;
    if (popUp)
        connect(popUp, &QComboBox::activated, this, [this, popUp, handler] { (this->*handler)(popUp); });
}

void QMCommonPrefsController::setSitePopup(QComboBox* popUp)
{
    connectPopup(m_sitePopup, popUp, &QMCommonPrefsController::sitePopupChanged);
}

void QMCommonPrefsController::setCountryPopup(QComboBox* popUp)
{
    connectPopup(m_countryPopup, popUp, &QMCommonPrefsController::countryPopupChanged);
}

void QMCommonPrefsController::setRegionPopup(QComboBox* popUp)
{
    connectPopup(m_regionPopup, popUp, &QMCommonPrefsController::regionPopupChanged);
}

void QMCommonPrefsController::setCurrencyPopup(QComboBox* popUp)
{
    connectPopup(m_currencyPopup, popUp, &QMCommonPrefsController::currencyPopupChanged);
}

void QMCommonPrefsController::awakeFromNib()
{
    if (m_sitePopup) {
        updateSitePopup();
        sitePopupChanged(m_sitePopup);
    }
    if (m_countryPopup) {
        updateCountryPopup();
        countryPopupChanged(m_countryPopup);
    } else {
        updateRegionPopup();
    }
}

void QMCommonPrefsController::updateSitePopup()
{
    if (!m_sitePopup)
        return;
    m_sitePopup->clear();
    for (const QVariant& entry : m_sites.siteDescriptions()) {
        const QVariantMap site = entry.toMap();
        addItem(m_sitePopup, dw::localized(site.value(QStringLiteral("SiteName")).toString(), "ManualLocalizable"),
                tagOf(site, QStringLiteral("SiteID")));
    }
    selectItemWithTag(m_sitePopup, m_preferences.defaultSiteID());
}

void QMCommonPrefsController::updateCountryPopup()
{
    if (!m_countryPopup)
        return;
    m_countryPopup->clear();
    for (const QVariant& entry : m_countries.countryDescriptions()) {
        const QVariantMap country = entry.toMap();
        addItem(m_countryPopup,
                dw::localized(country.value(QStringLiteral("CountryName")).toString(), "ManualLocalizable"),
                tagOf(country, QStringLiteral("CountryID")));
    }
    selectItemWithTag(m_countryPopup, m_preferences.defaultCountryID());
}

void QMCommonPrefsController::updateCurrencyPopup()
{
    if (!m_currencyPopup)
        return;
    m_currencyPopup->clear();
    for (const QVariant& entry : m_sites.currenciesForSiteID(m_preferences.defaultSiteID())) {
        const QVariantMap currency = entry.toMap();
        addItem(m_currencyPopup, currency.value(QStringLiteral("CurrencyName")).toString(),
                tagOf(currency, QStringLiteral("CurrencyID")));
    }
    selectItemWithTag(m_currencyPopup, m_preferences.defaultCurrencyID());
}

void QMCommonPrefsController::updateRegionPopup()
{
    if (!m_regionPopup)
        return;
    const qint64 countryID = m_preferences.defaultCountryID();
    const QVariantMap country = m_countries.countryDescriptionForCountryIDAsInt(countryID);
    // A country the table does not know (a setting of an older release, a damaged file) must not
    // take the window down: it is offered no regions, so that "no region" is what gets stored.
    if (country.isEmpty())
        QMLogError("couldn't find country description for id %ld", qlonglong(countryID));

    m_regionPopup->clear();
    addItem(m_regionPopup, dw::localized(QStringLiteral("Don\u2019t list regionally")), 0);
    m_regionPopup->insertSeparator(m_regionPopup->count());

    QList<QVariantMap> regions;
    for (const QVariant& region : country.value(QStringLiteral("Regions")).toList())
        regions << region.toMap();
    std::stable_sort(regions.begin(), regions.end(), [](const QVariantMap& a, const QVariantMap& b) {
        return QMCountryDescriptionManager::caseInsensitiveCompareByRegionName(a, b) < 0;
    });
    for (const QVariantMap& region : regions)
        addItem(m_regionPopup, region.value(QStringLiteral("RegionName")).toString(),
                tagOf(region, QStringLiteral("RegionID")));
    selectItemWithTag(m_regionPopup, m_preferences.defaultRegionID());
}

void QMCommonPrefsController::sitePopupChanged(QComboBox* sender)
{
    // An empty site list means the table could not be read; the stored site stays.
    const std::optional<qint64> siteID = selectedTag(sender);
    if (!siteID)
        return;
    m_preferences.setDefaultSiteID(*siteID);
    if (m_currencyPopup) {
        updateCurrencyPopup();
        currencyPopupChanged(m_currencyPopup);
    } else {
        m_preferences.setDefaultCurrencyID(m_sites.firstCurrencyIDForSiteID(*siteID));
    }
    m_preferences.synchronize();
}

void QMCommonPrefsController::countryPopupChanged(QComboBox* sender)
{
    const std::optional<qint64> countryID = selectedTag(sender);
    if (!countryID)
        return;
    m_preferences.setDefaultCountryID(*countryID);
    updateRegionPopup();
    regionPopupChanged(m_regionPopup);
}

void QMCommonPrefsController::regionPopupChanged(QComboBox* sender)
{
    // Without a region pop-up the country's region is reset, since the stored one belonged to the
    // country chosen before.
    m_preferences.setDefaultRegionID(selectedTag(sender).value_or(0));
}

void QMCommonPrefsController::currencyPopupChanged(QComboBox* sender)
{
    m_preferences.setDefaultCurrencyID(selectedTag(sender).value_or(0));
}
