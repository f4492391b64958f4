#pragma once
// The list of steps of a paged view (the set-up assistant's pages), one 28-point row per page
// from the top, the current step marked with a blue dot and black text, the others grey. A page's
// title is its object name looked up in the "ManualLocalizable" strings. Main thread.
//
//     steps->setTabView(assistantPages);

#include <QPointer>
#include <QStackedWidget>
#include <QWidget>

class QMStepsView : public QWidget
{
    Q_OBJECT

public:
    explicit QMStepsView(QWidget* parent = nullptr);

    QStackedWidget* tabView() const { return m_tabView; }
    // Follows the pages' selection from now on (the set-up that loading the window does).
    void setTabView(QStackedWidget* tabView);
    void reloadData();

    static constexpr int kRowHeight = 28;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QStackedWidget> m_tabView;
};
