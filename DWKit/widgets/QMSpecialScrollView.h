#pragma once
// A scroll view inside another scroll view: a wheel turn that it cannot use (it is at its end or
// has nothing to scroll) scrolls the enclosing scroll view instead. Main thread.

#include <QScrollArea>

class QMSpecialScrollView : public QScrollArea
{
    Q_OBJECT

public:
    explicit QMSpecialScrollView(QWidget* parent = nullptr) : QScrollArea(parent) {}

    bool scrollClipViewGetCalled() const { return m_scrollClipViewGetCalled; }

protected:
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool m_scrollClipViewGetCalled = false;
};
