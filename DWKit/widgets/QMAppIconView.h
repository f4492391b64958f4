#pragma once
// The large application icon, drawn at its own size at the view's lower-left corner. Main thread.

#include <QImage>
#include <QWidget>

class QMAppIconView : public QWidget
{
    Q_OBJECT

public:
    explicit QMAppIconView(QWidget* parent = nullptr);

    QImage icon() const { return m_icon; }
    void setIcon(const QImage& icon);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_icon;
};
