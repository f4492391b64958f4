#pragma once
// Fills and reads the pop-ups of the default eBay site, country, region and currency that the
// preferences window and the first-run assistant share. Each of those windows holds one
// controller and hands it its own controls; a pop-up it does not hand over switches that part off.
//
// Every item carries its value as its tag (the combo box's item data): the site ID, the country
// ID, the region ID (0 for "no region") or the currency ID. Choosing an item writes it to the
// preferences at once; a new site refills the currencies, a new country the regions. Main thread.
//
//     QMCommonPrefsController common(this);
//     common.setSitePopup(sitePopUp);
//     common.setCountryPopup(countryPopUp);
//     common.setRegionPopup(regionPopUp);
//     common.setCurrencyPopup(currencyPopUp);
//     common.awakeFromNib();

#include <QComboBox>
#include <QLineEdit>
#include <QObject>
#include <QPointer>

class QMCountryDescriptionManager;
class QMPreferencesManager;
class QMSiteDescriptionManager;

class QMCommonPrefsController : public QObject
{
    Q_OBJECT

public:
    // Works on the shared preferences and tables.
    explicit QMCommonPrefsController(QObject* parent = nullptr);
    QMCommonPrefsController(QMPreferencesManager& preferences, const QMSiteDescriptionManager& sites,
                            const QMCountryDescriptionManager& countries, QObject* parent = nullptr);
    ~QMCommonPrefsController() override;

    // The window's controls. Handing over a pop-up connects its choices to the matching
    // ...PopupChanged() handler (and disconnects the pop-up it replaces); the controller does not
    // own them.
    QComboBox* sitePopup() const { return m_sitePopup; }
    void setSitePopup(QComboBox* popUp);
    QComboBox* countryPopup() const { return m_countryPopup; }
    void setCountryPopup(QComboBox* popUp);
    QComboBox* regionPopup() const { return m_regionPopup; }
    void setRegionPopup(QComboBox* popUp);
    QComboBox* currencyPopup() const { return m_currencyPopup; }
    void setCurrencyPopup(QComboBox* popUp);
    // The default item location; the window edits it itself.
    QLineEdit* locationTextField() const { return m_locationTextField; }
    void setLocationTextField(QLineEdit* field) { m_locationTextField = field; }

    // Fills the pop-ups the window handed over and stores what they show, so that the currency
    // follows the shown site and the region the shown country.
    void awakeFromNib();

    // Each rebuilds its pop-up from the tables and selects the stored default; a default that is
    // not among the items leaves the first item selected. A pop-up not handed over is skipped.
    void updateSitePopup();
    void updateCountryPopup();
    void updateCurrencyPopup();
    // "Don’t list regionally" (tag 0) and a separator, then the default country's regions by name.
    // A default country that the table does not know gets only the first two (and a log line).
    void updateRegionPopup();

    // The user chose an item of `sender`. A site or country pop-up without a selected item (its
    // table could not be read) stores nothing; a region or currency pop-up without one stores 0.
    void sitePopupChanged(QComboBox* sender);
    void countryPopupChanged(QComboBox* sender);
    void regionPopupChanged(QComboBox* sender);
    void currencyPopupChanged(QComboBox* sender);

private:
    void connectPopup(QPointer<QComboBox>& outlet, QComboBox* popUp,
                      void (QMCommonPrefsController::*handler)(QComboBox*));

    QMPreferencesManager& m_preferences;
    const QMSiteDescriptionManager& m_sites;
    const QMCountryDescriptionManager& m_countries;
    QPointer<QComboBox> m_sitePopup;
    QPointer<QComboBox> m_countryPopup;
    QPointer<QComboBox> m_regionPopup;
    QPointer<QComboBox> m_currencyPopup;
    QPointer<QLineEdit> m_locationTextField;
};
