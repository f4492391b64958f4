#pragma once
// A progress indicator as the platform offers it: a bar or a spinning wheel, determinate or
// indeterminate, with double values and an animation that is started and stopped explicitly.
//
// The value is kept as set; drawing clamps it to the range. An indeterminate indicator moves
// only between startAnimation() and stopAnimation(); a determinate one ignores both, as the
// platform's does. Subclasses that draw one style themselves override paintEvent() and call
// paintPlatform() for the others. Main thread only.
//
//     auto* bar = new dw::ProgressIndicator(panel);
//     bar->setIndeterminate(false);
//     bar->setMaxValue(files.size());
//     bar->incrementBy(1.0);

#include <QBasicTimer>
#include <QWidget>

namespace dw {

class ProgressIndicator : public QWidget
{
    Q_OBJECT

public:
    enum class Style { Bar, Spinning };

    explicit ProgressIndicator(QWidget* parent = nullptr);

    Style indicatorStyle() const { return m_style; }
    void setIndicatorStyle(Style style);

    bool isIndeterminate() const { return m_indeterminate; }
    void setIndeterminate(bool indeterminate);

    double minValue() const { return m_minValue; }
    double maxValue() const { return m_maxValue; }
    double doubleValue() const { return m_value; }
    void setMinValue(double value);
    void setMaxValue(double value);
    void setDoubleValue(double value);
    void incrementBy(double delta) { setDoubleValue(m_value + delta); }

    // Kept for callers that ask for it; the animation always runs on the main thread.
    bool usesThreadedAnimation() const { return m_usesThreadedAnimation; }
    void setUsesThreadedAnimation(bool uses) { m_usesThreadedAnimation = uses; }

    virtual void startAnimation();
    virtual void stopAnimation();
    bool isAnimating() const { return m_animating; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintPlatform(QPainter& painter);

private:
    void paintBar(QPainter& painter);
    void paintWheel(QPainter& painter);

    Style m_style = Style::Bar;
    bool m_indeterminate = true;
    double m_minValue = 0.0;
    double m_maxValue = 100.0;
    double m_value = 0.0;
    bool m_usesThreadedAnimation = false;
    bool m_animating = false;
    int m_phase = 0;
    QBasicTimer m_timer;
};

} // namespace dw
