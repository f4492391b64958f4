#pragma once
// The payment options sheet: one check box per payment method the site allows, in the site's
// order. The preferences window opens it for the default payment options.
//
//     auto chosen = QMOptionsWindowController::runSheetForWindow(prefsWindow, prefs.defaultPaymentOptions(),
//                                                                sites.allowedPaymentOptionsForSiteID(site), true);
//     if (chosen)
//         store(*chosen);
//
// The caller's lists are never changed. Main thread; the sheet runs modally on its window.

#include <QDialog>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <optional>

class QListWidget;
class QWidget;

class QMOptionsWindowController : public QDialog
{
    Q_OBJECT

public:
    explicit QMOptionsWindowController(QWidget* parent = nullptr);
    ~QMOptionsWindowController() override;

    // The ticked option IDs ("OptionID" of the descriptions, in their order), or nothing when the
    // seller cancelled. Runs modally on the window.
    static std::optional<QStringList> runSheetForWindow(QWidget* parentWindow, const QStringList& selectedOptions,
                                                        const QVariantList& allowedOptionsDescriptions,
                                                        bool invokedFromPreferencesPanel);

    // The options the site allows, in display order; set before the selection, which the rows
    // are built from.
    void setAllowedOptionsDescriptions(const QVariantList& descriptions);
    const QVariantList& allowedOptionsDescriptions() const { return m_allowedOptionsDescriptions; }
    // Ticks the rows whose "OptionID" is in the list (IDs the site does not allow are dropped).
    void setSelectedOptions(const QStringList& optionIDs);
    // The IDs of the ticked rows, in row order.
    QStringList selectedOptions() const;
    // One copy of each allowed description with "enabled" added.
    const QList<QVariantMap>& selectedOptionsDescription() const { return m_selectedOptionsDescription; }
    void setInvokedFromPreferencesPanel(bool value);
    bool invokedFromPreferencesPanel() const { return m_invokedFromPreferencesPanel; }

    void doOK();
    void doCancel();
    // Stores the ticks shown now as the default payment options; the sheet stays open.
    void makeDefaults();

private:
    void reloadTable();
    void rowChanged(int row, bool ticked);

    QVariantList m_allowedOptionsDescriptions;
    QStringList m_selectedOptions;
    bool m_hasSelectedOptions = false;
    QList<QVariantMap> m_selectedOptionsDescription;
    bool m_invokedFromPreferencesPanel = false;
    QListWidget* m_optionsTable = nullptr;
    QWidget* m_makeDefaultsButton = nullptr;
};
