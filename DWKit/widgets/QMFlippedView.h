#pragma once
// A plain view whose origin is its top-left corner and whose y grows downwards. Qt widgets are
// like that already; the class exists as the common base of the kit's stacking views and as the
// scrolling document view of the container. Main thread.

#include <QWidget>

class QMFlippedView : public QWidget
{
    Q_OBJECT

public:
    explicit QMFlippedView(QWidget* parent = nullptr) : QWidget(parent) {}

    bool isFlipped() const { return true; }
};
