#pragma once
// A progress indicator that, indeterminate and in the spinning style, draws its own wheel of
// twelve spokes in a chosen colour (white on the dark preview strip) and turns it with a timer of
// its own, one full turn per second. In every other style it is the platform's indicator.
//
// The value serves as the wheel's phase (0 to 1); a stopped wheel keeps its phase and goes on
// from there. At most one timer runs. Main thread.
//
//     auto* spinner = new QMColoredProgressIndicator(strip);
//     spinner->setIndicatorStyle(dw::ProgressIndicator::Style::Spinning);
//     spinner->startAnimation();

#include "platform/widgets/ProgressIndicator.h"

#include <QColor>
#include <QTimer>
#include <memory>

class QMColoredProgressIndicator : public dw::ProgressIndicator
{
    Q_OBJECT

public:
    explicit QMColoredProgressIndicator(QWidget* parent = nullptr);
    ~QMColoredProgressIndicator() override;

    void startAnimation() override;
    void stopAnimation() override;

    // One tick: the phase moves on by a twelfth of a turn.
    void animateProgressTimer();

    QTimer* animationTimer() const { return m_animationTimer.get(); }
    // Stops and drops the running timer when another (or none) takes its place.
    void setAnimationTimer(std::unique_ptr<QTimer> timer);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool drawsOwnWheel() const;

    std::unique_ptr<QTimer> m_animationTimer;
    QColor m_color = Qt::white;
};
