#include "description/DesignChooser/QMFlowGridView.h"

#include "description/DesignChooser/QMDesignTemplate+ImageView.h"
#include "description/DesignChooser/QMFlowViewArrayController.h"

#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

constexpr int kDelegateDelayMs = 50;
constexpr int kEnabledRole = Qt::UserRole + 1;

// Outlines the template in use, as the carousel outlines its cover.
class EnabledFrameDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (!index.data(kEnabledRole).toBool())
            return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(QColor::fromRgbF(0.2f, 0.5f, 1.0f), 2));
        painter->drawRoundedRect(QRectF(option.rect).adjusted(2, 2, -2, -2), 4, 4);
        painter->restore();
    }
};

} // namespace

QMFlowGridView::QMFlowGridView(QWidget* parent)
    : QListWidget(parent), m_arrayController(new QMFlowViewArrayController(this))
{
    setObjectName(QStringLiteral("previewFlowGridView"));
    setViewMode(QListView::IconMode);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(kThumbnailSize, kThumbnailSize));
    setGridSize(QSize(kThumbnailSize + 36, kThumbnailSize + 40));
    setSpacing(6);
    setFrameShape(QFrame::NoFrame);
    setItemDelegate(new EnabledFrameDelegate(this));
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::black);
    colours.setColor(QPalette::Text, QColor::fromRgbF(0.9f, 0.9f, 0.9f));
    setPalette(colours);

    connect(m_arrayController, &QMFlowViewArrayController::arrangedObjectsChanged, this, &QMFlowGridView::rebuildItems);
    connect(m_arrayController, &QMFlowViewArrayController::selectionChanged, this,
            &QMFlowGridView::controllerSelectionChanged);
    connect(m_arrayController, &QMFlowViewArrayController::enabledIndexChanged, this, [this] {
        for (int row = 0; row < count(); ++row)
            item(row)->setData(kEnabledRole, m_shouldDrawSelectedFrame && row == m_arrayController->enabledIndex());
    });
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_updatingSelection && row >= 0)
            m_arrayController->setSelectionIndex(row);
    });
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* clicked) { chooseObjectAtIndex(row(clicked)); });
}

void QMFlowGridView::setArrayControllerContent(const QList<ObjectPtr>& content)
{
    if (content == m_arrayControllerContent && m_arrayController->content() == content)
        return;
    m_arrayControllerContent = content;
    m_arrayController->setContent(content);
    selectObjectAtIndex(0, false, false);
}

void QMFlowGridView::selectObjectAtIndex(qsizetype index, bool, bool)
{
    if (index < 0 || index >= m_arrayController->count())
        return;
    m_arrayController->setSelectionIndex(index);
}

void QMFlowGridView::setImageKeyPath(const QString& keyPath)
{
    m_imageKeyPath = keyPath;
    rebuildItems();
}

void QMFlowGridView::setNameKeyPath(const QString& keyPath)
{
    m_nameKeyPath = keyPath;
    if (!keyPath.isEmpty())
        m_arrayController->setSortKeyPath(keyPath);
    rebuildItems();
}

void QMFlowGridView::setShouldDrawSelectedFrame(bool draws)
{
    m_shouldDrawSelectedFrame = draws;
    Q_EMIT m_arrayController->enabledIndexChanged();
}

void QMFlowGridView::chooseObjectAtIndex(qsizetype index)
{
    const ObjectPtr chosen = m_arrayController->objectAtIndex(index);
    if (!chosen)
        return;
    m_arrayController->setSelectionIndex(index);
    m_arrayController->setEnabledIndex(index);
    QTimer::singleShot(kDelegateDelayMs, this, [this, chosen] {
        if (m_delegate)
            m_delegate->flowViewSelectionChangedTo(this, chosen);
    });
}

void QMFlowGridView::rebuildItems()
{
    m_updatingSelection = true;
    clear();
    const qsizetype enabled = m_arrayController->enabledIndex();
    for (qsizetype i = 0; i < m_arrayController->count(); ++i) {
        const ObjectPtr object = m_arrayController->objectAtIndex(i);
        auto* entry = new QListWidgetItem(qm::valueForKeyPath(*object, m_nameKeyPath).toString(), this);
        const QImage picture = qm::valueForKeyPath(*object, m_imageKeyPath).value<QImage>();
        if (!picture.isNull()) {
            // At the screen's pixels, so a high-density screen shows the design sharp.
            const qreal ratio = devicePixelRatioF();
            QImage shown = picture.scaled(QSize(kThumbnailSize, kThumbnailSize) * ratio, Qt::KeepAspectRatio,
                                          Qt::SmoothTransformation);
            shown.setDevicePixelRatio(ratio);
            entry->setIcon(QIcon(QPixmap::fromImage(shown)));
        }
        entry->setData(kEnabledRole, m_shouldDrawSelectedFrame && i == enabled);
        entry->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    m_updatingSelection = false;
    controllerSelectionChanged();
}

void QMFlowGridView::controllerSelectionChanged()
{
    m_updatingSelection = true;
    const qsizetype index = m_arrayController->selectionIndex();
    setCurrentRow(index < 0 || index >= count() ? -1 : int(index));
    if (index >= 0 && index < count())
        scrollToItem(item(int(index)));
    m_updatingSelection = false;
}
