#include "panels/QMReturnPolicyViewController.h"

#include "model/QMEbayItem.h"
#include "model/QMSiteDescriptionManager.h"

#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "platform/widgets/DialogButtons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

QMReturnPolicyViewController::QMReturnPolicyViewController(const QList<std::shared_ptr<QMEbayItem>>& items,
                                                           QWidget* parent)
    : QDialog(parent), m_items(items)
{
    DW_ASSERT(!items.isEmpty(), "Can not run QMReturnPolicyViewController with zero items");
    setObjectName(QStringLiteral("returnPolicyView"));
    setWindowTitle(dw::localized("Return Policy"));

    m_returnsAcceptedCheckbox = new QCheckBox(dw::localized("Returns accepted"), this);
    m_returnsAcceptedCheckbox->setObjectName(QStringLiteral("returnsAcceptedCheckbox"));

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    auto addChoice = [&](const char* title, const QString& name, QList<QWidget*>& row) {
        auto* label = new QLabel(dw::localized(title), this);
        auto* popup = new QComboBox(this);
        popup->setObjectName(name);
        popup->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        label->setBuddy(popup);
        const int line = grid->rowCount();
        grid->addWidget(label, line, 0, Qt::AlignRight);
        grid->addWidget(popup, line, 1, Qt::AlignLeft);
        row = {label, popup};
        return popup;
    };
    m_shippingCostPopup = addChoice("Return shipping paid by:", QStringLiteral("shippingCostPopup"), m_shippingCostRow);
    m_returnsWithinPopup =
        addChoice("Item must be returned within:", QStringLiteral("returnsWithinPopup"), m_returnsWithinRow);
    m_refundOptionPopup = addChoice("Refund given as:", QStringLiteral("refundOptionPopup"), m_refundOptionRow);

    auto* detailsLabel = new QLabel(dw::localized("Return policy details:"), this);
    m_detailsView = new QPlainTextEdit(this);
    m_detailsView->setObjectName(QStringLiteral("detailsView"));
    m_detailsView->setTabChangesFocus(true);
    m_detailsView->setMinimumHeight(m_detailsView->fontMetrics().lineSpacing() * 5);
    detailsLabel->setBuddy(m_detailsView);

    const auto buttons = dw::DialogButtons::okCancel(this);
    connect(buttons.ok, &QPushButton::clicked, this, &QMReturnPolicyViewController::doOK);
    connect(buttons.cancel, &QPushButton::clicked, this, &QMReturnPolicyViewController::doCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_returnsAcceptedCheckbox);
    layout->addLayout(grid);
    layout->addWidget(detailsLabel);
    layout->addWidget(m_detailsView, 1);
    layout->addWidget(buttons.box);
    setMinimumWidth(460);

    updateUI();
}

QMReturnPolicyViewController::~QMReturnPolicyViewController() = default;

bool QMReturnPolicyViewController::runSheetForItems(const QList<std::shared_ptr<QMEbayItem>>& items,
                                                    QWidget* parentWindow)
{
    QMReturnPolicyViewController sheet(items, parentWindow);
    sheet.setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);
    return sheet.exec() == QDialog::Accepted;
}

void QMReturnPolicyViewController::updateUI()
{
    const QMEbayItem& item = *m_items.first();
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const qint64 siteID = item.siteID();
    m_returnsAcceptedCheckbox->setChecked(item.returnPolicyAccepted());
    m_detailsView->setPlainText(item.returnPolicyDescription());

    auto fill = [](bool supported, const QVariantList& options, QComboBox* popup, const QString& current,
                   const QList<QWidget*>& row) {
        if (supported)
            setOptions(options, popup, current);
        for (QWidget* widget : row)
            widget->setVisible(supported);
    };
    m_supportsShippingCostPaidBy = sites.supportsReturnPolicyShippingCostPaidByOnSiteID(siteID);
    fill(m_supportsShippingCostPaidBy, sites.returnPolicyShippingCostPaidByOptionsForSiteID(siteID),
         m_shippingCostPopup, item.returnPolicyShippingCostPaidByOption(), m_shippingCostRow);
    m_supportsReturnsWithin = sites.supportsReturnPolicyReturnsWithinOnSiteID(siteID);
    fill(m_supportsReturnsWithin, sites.returnPolicyReturnsWithinOptionsForSiteID(siteID), m_returnsWithinPopup,
         item.returnPolicyReturnsWithinOption(), m_returnsWithinRow);
    m_supportsRefundDetails = sites.supportsReturnPolicyRefundDetailsOnSiteID(siteID);
    fill(m_supportsRefundDetails, sites.returnPolicyRefundDetailsOptionsForSiteID(siteID), m_refundOptionPopup,
         item.returnPolicyRefundOption(), m_refundOptionRow);
    adjustSize();
}

void QMReturnPolicyViewController::setOptions(const QVariantList& options, QComboBox* popup,
                                              const QString& selectedOption)
{
    popup->clear();
    int selected = 0;
    for (const QVariant& entry : options) {
        const QVariantMap option = entry.toMap();
        const QString code = option.value(QStringLiteral("option")).toString();
        popup->addItem(dw::localized(option.value(QStringLiteral("name")).toString()), code);
        if (code == selectedOption)
            selected = popup->count() - 1;
    }
    popup->setCurrentIndex(popup->count() > 0 ? selected : -1);
}

void QMReturnPolicyViewController::setReturnPoliciesInItems()
{
    const bool accepted = m_returnsAcceptedCheckbox->isChecked();
    const QString details = m_detailsView->toPlainText();
    const QString shippingCost = m_shippingCostPopup->currentData().toString();
    const QString returnsWithin = m_returnsWithinPopup->currentData().toString();
    const QString refund = m_refundOptionPopup->currentData().toString();
    for (const auto& item : m_items) {
        item->setReturnPolicyAccepted(accepted);
        item->setReturnPolicyDescription(details);
        if (m_supportsShippingCostPaidBy)
            item->setReturnPolicyShippingCostPaidByOption(shippingCost);
        if (m_supportsReturnsWithin)
            item->setReturnPolicyReturnsWithinOption(returnsWithin);
        if (m_supportsRefundDetails)
            item->setReturnPolicyRefundOption(refund);
    }
}

void QMReturnPolicyViewController::doOK()
{
    setReturnPoliciesInItems();
    accept();
}

void QMReturnPolicyViewController::doCancel()
{
    reject();
}
