#pragma once
// The fee sheet: the fees eBay quoted for verified listings, one expandable row per listing with
// its listing fee and, below it, a row per further fee; and the total of all listings. It only
// shows; nothing changes.
//
//     QMFeePanelController::showFeePanelForFeeDictionary(envelope->fees(), total, documentWindow);
//
// Fee names are looked up in the string table "ManualLocalizable"; a fee the table does not know
// shows an empty name. Main thread; the sheet runs modally on its window.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QLabel;
class QTreeWidget;
class QWidget;

class QMFeePanelController : public QDialog
{
    Q_OBJECT

public:
    QMFeePanelController(const QVariantMap& feeDictionary, const QString& totalFee, QWidget* parent = nullptr);
    ~QMFeePanelController() override;

    // `fees` is keyed by listing unique ID, as the verify envelope gives them; `totalFee` is the
    // grand total written with two decimals. Runs modally on the window until closed.
    static void showFeePanelForFeeDictionary(const QVariantMap& fees, const QString& totalFee, QWidget* parentWindow);

    // The keys of a listing's dictionary that are no fee rows: its title, ID, listing and total
    // fee, and "AuctionLength Fee" when "ExtendedDuration Fee" stands beside it (the same fee).
    QStringList skippedFeesForFoundFees(const QStringList& keys) const;
    // The fee names shown below a listing, case-insensitively sorted.
    QStringList feeNamesForListing(const QVariantMap& listing) const;

    const QVariantMap& feeDictionary() const { return m_feeDictionary; }
    const QString& totalFee() const { return m_totalFee; }
    void updateFees();
    void doOK();

private:
    void saveFrame();

    QVariantMap m_feeDictionary;
    QString m_totalFee;
    QStringList m_skippedFees;
    QString m_originalTotalFieldFormat;
    QLabel* m_totalField = nullptr;
    QTreeWidget* m_feeOutlineView = nullptr;
};
