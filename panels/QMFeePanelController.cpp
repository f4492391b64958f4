#include "panels/QMFeePanelController.h"

#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/core/UserDefaults.h"
#include "platform/widgets/DialogButtons.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kFrameKey = QStringLiteral("NSWindow Frame listingFeesPanel");
const QString kExtendedDurationFee = QStringLiteral("ExtendedDuration Fee");
const QString kAuctionLengthFee = QStringLiteral("AuctionLength Fee");

QStringList caseInsensitivelySorted(QStringList keys)
{
    std::stable_sort(keys.begin(), keys.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return keys;
}

} // namespace

QMFeePanelController::QMFeePanelController(const QVariantMap& feeDictionary, const QString& totalFee, QWidget* parent)
    : QDialog(parent), m_feeDictionary(feeDictionary),
      m_totalFee(totalFee), m_skippedFees{QStringLiteral("Total Fee"), QStringLiteral("Listing Fee"),
                                          QStringLiteral("uniqueID"), QStringLiteral("title")}
{
    setObjectName(QStringLiteral("feePanel"));
    setWindowTitle(dw::localized("Listing Fees"));

    auto* intro = new QLabel(dw::localized("eBay will charge these fees for your listings:"), this);
    m_feeOutlineView = new QTreeWidget(this);
    m_feeOutlineView->setObjectName(QStringLiteral("feeOutlineView"));
    m_feeOutlineView->setColumnCount(2);
    m_feeOutlineView->setHeaderLabels({dw::localized("Listing"), dw::localized("Fee")});
    m_feeOutlineView->header()->setStretchLastSection(false);
    m_feeOutlineView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_feeOutlineView->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_feeOutlineView->setSelectionMode(QAbstractItemView::NoSelection);
    m_feeOutlineView->setMinimumSize(460, 220);

    m_originalTotalFieldFormat = dw::localized("Total: %@");
    m_totalField = new QLabel(this);
    m_totalField->setObjectName(QStringLiteral("totalField"));
    QFont bold = m_totalField->font();
    bold.setBold(true);
    m_totalField->setFont(bold);

    const auto buttons = dw::DialogButtons::okOnly(this);
    connect(buttons.ok, &QPushButton::clicked, this, &QMFeePanelController::doOK);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_totalField, 1);
    bottom->addWidget(buttons.box);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_feeOutlineView, 1);
    layout->addLayout(bottom);

    const QStringList frame = dw::UserDefaults::standard().stringForKey(kFrameKey).split(u' ');
    if (frame.size() == 4) {
        const QSize size(frame.at(2).toInt(), frame.at(3).toInt());
        if (size.isValid())
            resize(size.expandedTo(minimumSizeHint()));
    }
    connect(this, &QDialog::finished, this, &QMFeePanelController::saveFrame);
    updateFees();
}

QMFeePanelController::~QMFeePanelController() = default;

void QMFeePanelController::showFeePanelForFeeDictionary(const QVariantMap& fees, const QString& totalFee,
                                                        QWidget* parentWindow)
{
    QMFeePanelController panel(fees, totalFee, parentWindow);
    panel.setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);
    panel.exec();
}

QStringList QMFeePanelController::skippedFeesForFoundFees(const QStringList& keys) const
{
    QStringList skipped = m_skippedFees;
    if (keys.contains(kExtendedDurationFee) && keys.contains(kAuctionLengthFee))
        skipped << kAuctionLengthFee;
    return skipped;
}

QStringList QMFeePanelController::feeNamesForListing(const QVariantMap& listing) const
{
    const QStringList keys = listing.keys();
    const QStringList skipped = skippedFeesForFoundFees(keys);
    QStringList names;
    for (const QString& key : caseInsensitivelySorted(keys)) {
        if (!skipped.contains(key))
            names << key;
    }
    return names;
}

void QMFeePanelController::updateFees()
{
    m_totalField->setText(dw::format(m_originalTotalFieldFormat, m_totalFee));
    m_feeOutlineView->clear();
    for (const QString& listingKey : caseInsensitivelySorted(m_feeDictionary.keys())) {
        const QVariantMap listing = m_feeDictionary.value(listingKey).toMap();
        auto* row = new QTreeWidgetItem(m_feeOutlineView, {listing.value(QStringLiteral("title")).toString(),
                                                           listing.value(QStringLiteral("Listing Fee")).toString()});
        row->setData(0, Qt::UserRole, listingKey);
        QFont bold = row->font(0);
        bold.setBold(true);
        row->setFont(0, bold);
        row->setFont(1, bold);
        row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        for (const QString& fee : feeNamesForListing(listing)) {
            auto* child =
                new QTreeWidgetItem(row, {dw::localizedEntry(fee, "ManualLocalizable"), listing.value(fee).toString()});
            child->setData(0, Qt::UserRole, dw::format(QStringLiteral("%@/%@"), listingKey, fee));
            child->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        }
        row->setExpanded(true);
    }
    m_feeOutlineView->setRootIsDecorated(true);
}

void QMFeePanelController::doOK()
{
    accept();
}

void QMFeePanelController::saveFrame()
{
    const QRect frame = geometry();
    dw::UserDefaults::standard().setObject(
        dw::format(QStringLiteral("%d %d %d %d"), frame.x(), frame.y(), frame.width(), frame.height()), kFrameKey);
}
