#pragma once
// A scrollable column of views: the "managed views" are stacked top-down, each as wide as the
// column, without gaps, inside the container's own scroll view.
//
// Until awakeFromNib() has built the scroll view, added views are only recorded; afterwards
// every change re-stacks at once. Callers call realignAllManagedViews() after a managed view
// changed its height. Managed views are children of the container's document view; a removed
// view stays a hidden child of the container (so it is neither leaked nor deleted under its
// owner) until it is added again, given another parent or deleted. The background colour comes
// with text colours that read on it: the managed views' labels get them, under any theme. Main
// thread.
//
//     auto* column = new QMContainerView(panel);
//     column->awakeFromNib();
//     column->addManagedViews({envelopeView});
//     ...
//     envelopeView->resize(envelopeView->width(), 140);
//     column->realignAllManagedViews();

#include "DWKit/widgets/QMFlippedView.h"

#include <QColor>
#include <QList>
#include <QPointer>

class QScrollArea;

class QMContainerView : public QMFlippedView
{
    Q_OBJECT

public:
    explicit QMContainerView(QWidget* parent = nullptr);

    // Builds the inner scroll view; subclasses that override it call it first.
    virtual void awakeFromNib();

    void addManagedViews(const QList<QWidget*>& views);
    void removeManagedView(QWidget* view);
    void removeAllManagedViews();
    void realignAllManagedViews();
    void installManagedViews();

    // Origin 0, the first managed view's width, the sum of all managed views' heights.
    QRect boundsForAllManagedSubviews() const;
    void scrollManagedViewToVisible(QWidget* view);

    QList<QWidget*> managedViews() const;
    void setManagedViews(const QList<QWidget*>& views);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);
    QScrollArea* scrollView() const { return m_scrollView; }
    QMFlippedView* documentView() const { return m_documentView; }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitDocumentWidth();
    void fitManagedWidths();
    void applyTextColors();

    QScrollArea* m_scrollView = nullptr;
    QMFlippedView* m_documentView = nullptr;
    QList<QPointer<QWidget>> m_managedViews;
    QColor m_backgroundColor = Qt::white;
    bool m_awakeFromNibDone = false;
};
