#include "DWKit/widgets/QMContainerView.h"

#include "platform/widgets/ReadableColors.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

QMContainerView::QMContainerView(QWidget* parent) : QMFlippedView(parent) {}

void QMContainerView::awakeFromNib()
{
    if (m_awakeFromNibDone)
        return;
    m_documentView = new QMFlippedView;
    m_documentView->setGeometry(boundsForAllManagedSubviews());

    m_scrollView = new QScrollArea(this);
    m_scrollView->setObjectName(QStringLiteral("containerScrollView"));
    m_scrollView->setGeometry(rect());
    m_scrollView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollView->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_scrollView->setWidgetResizable(false);
    // The container paints the background; the scroll view lets it through.
    m_scrollView->setAutoFillBackground(false);
    m_scrollView->viewport()->setAutoFillBackground(false);
    m_scrollView->verticalScrollBar()->setAttribute(Qt::WA_MacSmallSize);
    m_scrollView->setWidget(m_documentView);
    m_documentView->setAutoFillBackground(false);
    applyTextColors();
    m_scrollView->viewport()->installEventFilter(this);
    m_documentView->installEventFilter(this);
    fitDocumentWidth();
    m_scrollView->show();

    m_awakeFromNibDone = true;
    if (!m_managedViews.isEmpty())
        installManagedViews();
}

QList<QWidget*> QMContainerView::managedViews() const
{
    QList<QWidget*> views;
    for (const QPointer<QWidget>& view : m_managedViews) {
        if (view)
            views.append(view);
    }
    return views;
}

void QMContainerView::setManagedViews(const QList<QWidget*>& views)
{
    m_managedViews.clear();
    for (QWidget* view : views)
        m_managedViews.append(view);
}

void QMContainerView::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    applyTextColors();
    update();
}

void QMContainerView::applyTextColors()
{
    if (!m_documentView)
        return;
    // The managed views draw their text straight on the container's colour, so the text colours
    // follow that colour rather than the theme's window; the theme's own are kept where they read.
    const QColor background = m_backgroundColor;
    QPalette colours = palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Window, background);
        colours.setColor(group, QPalette::WindowText,
                         dw::readableTextColor(background, palette().color(group, QPalette::WindowText)));
        colours.setColor(group, QPalette::PlaceholderText,
                         dw::readableTextColor(background, palette().color(group, QPalette::PlaceholderText)));
    }
    // Disabled text is meant to look faint, yet it stays legible on the colour.
    const QColor text = colours.color(QPalette::Active, QPalette::WindowText);
    const QColor faint = QColor::fromRgbF(float(text.redF() * 0.6 + background.redF() * 0.4),
                                          float(text.greenF() * 0.6 + background.greenF() * 0.4),
                                          float(text.blueF() * 0.6 + background.blueF() * 0.4));
    colours.setColor(QPalette::Disabled, QPalette::Window, background);
    colours.setColor(QPalette::Disabled, QPalette::WindowText, faint);
    colours.setColor(QPalette::Disabled, QPalette::PlaceholderText, faint);
    m_documentView->setPalette(colours);
}

void QMContainerView::changeEvent(QEvent* event)
{
    // A new theme brings new text colours to choose from.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        applyTextColors();
    QMFlippedView::changeEvent(event);
}

void QMContainerView::addManagedViews(const QList<QWidget*>& views)
{
    for (QWidget* view : views) {
        if (view)
            m_managedViews.append(view);
    }
    if (m_awakeFromNibDone)
        installManagedViews();
}

void QMContainerView::removeManagedView(QWidget* view)
{
    if (!view)
        return;
    if (view->parentWidget() == m_documentView)
        view->setParent(this); // out of the column, hidden, still owned
    m_managedViews.removeAll(view);
    realignAllManagedViews();
}

void QMContainerView::removeAllManagedViews()
{
    for (const QPointer<QWidget>& view : std::as_const(m_managedViews)) {
        if (view && view->parentWidget() == m_documentView)
            view->setParent(this);
    }
    m_managedViews.clear();
}

void QMContainerView::installManagedViews()
{
    if (!m_documentView)
        return;
    m_documentView->resize(m_documentView->width(), boundsForAllManagedSubviews().height());
    int y = 0;
    for (const QPointer<QWidget>& view : std::as_const(m_managedViews)) {
        if (!view)
            continue;
        // Reparenting hides a widget; only one that its owner hid on purpose stays hidden.
        const bool hiddenOnPurpose = view->isHidden() && view->testAttribute(Qt::WA_WState_ExplicitShowHide);
        if (view->parentWidget() != m_documentView)
            view->setParent(m_documentView);
        view->setGeometry(0, y, m_documentView->width(), view->height());
        if (!hiddenOnPurpose)
            view->show();
        y += view->height();
    }
}

void QMContainerView::realignAllManagedViews()
{
    const QList<QWidget*> views = managedViews();
    const int offset = m_scrollView ? m_scrollView->verticalScrollBar()->value() : 0;
    removeAllManagedViews();
    addManagedViews(views);
    if (m_scrollView) {
        m_scrollView->verticalScrollBar()->setValue(offset);
        m_scrollView->horizontalScrollBar()->setValue(0);
    }
}

QRect QMContainerView::boundsForAllManagedSubviews() const
{
    int width = 0;
    int height = 0;
    bool first = true;
    for (const QPointer<QWidget>& view : m_managedViews) {
        if (!view)
            continue;
        if (first)
            width = view->width();
        first = false;
        height += view->height();
    }
    return QRect(0, 0, width, height);
}

void QMContainerView::scrollManagedViewToVisible(QWidget* view)
{
    if (!view || !m_scrollView)
        return;
    const QRect visible(m_scrollView->horizontalScrollBar()->value(), m_scrollView->verticalScrollBar()->value(),
                        m_scrollView->viewport()->width(), m_scrollView->viewport()->height());
    const QRect frame = view->geometry();
    if (visible.contains(frame))
        return;
    m_scrollView->horizontalScrollBar()->setValue(frame.x());
    m_scrollView->verticalScrollBar()->setValue(frame.y());
}

void QMContainerView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), m_backgroundColor);
}

void QMContainerView::resizeEvent(QResizeEvent* event)
{
    QMFlippedView::resizeEvent(event);
    if (m_scrollView)
        m_scrollView->setGeometry(rect());
}

bool QMContainerView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        // The document view follows the visible width; the managed views follow the document view.
        if (m_scrollView && watched == m_scrollView->viewport())
            fitDocumentWidth();
        else if (watched == m_documentView)
            fitManagedWidths();
    }
    return QMFlippedView::eventFilter(watched, event);
}

void QMContainerView::fitDocumentWidth()
{
    if (m_documentView && m_scrollView)
        m_documentView->resize(m_scrollView->viewport()->width(), m_documentView->height());
}

void QMContainerView::fitManagedWidths()
{
    for (const QPointer<QWidget>& view : std::as_const(m_managedViews)) {
        if (view && view->parentWidget() == m_documentView)
            view->resize(m_documentView->width(), view->height());
    }
}
