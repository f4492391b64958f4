#pragma once
// The return policy sheet: whether returns are accepted, a description, and the choices the
// listing's site offers (who pays the return shipping, the period, the refund). It edits one or
// more listings at once; the first one supplies the site and the values shown. Choices the site
// does not offer are hidden and left untouched in the listings.
//
//     if (QMReturnPolicyViewController::runSheetForItems({item}, documentWindow))
//         markChanged();
//
// Main thread; the sheet runs modally on its window.

#include <QDialog>
#include <QList>
#include <QString>
#include <QVariantList>
#include <memory>

class QCheckBox;
class QComboBox;
class QMEbayItem;
class QPlainTextEdit;
class QWidget;

class QMReturnPolicyViewController : public QDialog
{
    Q_OBJECT

public:
    // An empty list is a caller error (DW_ASSERT).
    explicit QMReturnPolicyViewController(const QList<std::shared_ptr<QMEbayItem>>& items, QWidget* parent = nullptr);
    ~QMReturnPolicyViewController() override;

    // True when the seller confirmed and the listings now hold the edited values; false when
    // cancelled (the listings are untouched). Runs modally on the window.
    static bool runSheetForItems(const QList<std::shared_ptr<QMEbayItem>>& items, QWidget* parentWindow);

    bool supportsReturnPolicyShippingCostPaidBy() const { return m_supportsShippingCostPaidBy; }
    bool supportsReturnPolicyReturnsWithin() const { return m_supportsReturnsWithin; }
    bool supportsReturnPolicyRefundDetails() const { return m_supportsRefundDetails; }

    // Writes the policy shown into every listing and closes the sheet.
    void doOK();
    void doCancel();

private:
    void updateUI();
    void setReturnPoliciesInItems();
    static void setOptions(const QVariantList& options, QComboBox* popup, const QString& selectedOption);

    QList<std::shared_ptr<QMEbayItem>> m_items;
    bool m_supportsShippingCostPaidBy = false;
    bool m_supportsReturnsWithin = false;
    bool m_supportsRefundDetails = false;
    QCheckBox* m_returnsAcceptedCheckbox = nullptr;
    QPlainTextEdit* m_detailsView = nullptr;
    QComboBox* m_shippingCostPopup = nullptr;
    QComboBox* m_returnsWithinPopup = nullptr;
    QComboBox* m_refundOptionPopup = nullptr;
    QList<QWidget*> m_shippingCostRow;
    QList<QWidget*> m_returnsWithinRow;
    QList<QWidget*> m_refundOptionRow;
};
