#pragma once
// The carousel's turn from one object to another: a progress from 0 to 1 over its duration at 30
// frames per second, whose value (the delegate's curve over the progress) says how far the turn
// has come in objects. Runs in the event loop; setCurrentProgress() moves it by hand (tests).
//
//     animation->setFromSelection(3);
//     animation->setToSelection(7);
//     animation->startAnimation();   // currentValue() runs from 0 to 4
//
// Main thread.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QMFlowViewAnimation;

class QMFlowViewAnimationDelegate
{
public:
    virtual ~QMFlowViewAnimationDelegate() = default;
    virtual double animationValueForProgress(QMFlowViewAnimation* animation, double progress) = 0;
    virtual void animationCurrentProgressChanged(QMFlowViewAnimation* animation, double progress) = 0;
    virtual void animationDidEnd(QMFlowViewAnimation* animation) = 0;
};

class QMFlowViewAnimation : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFramesPerSecond = 30;

    explicit QMFlowViewAnimation(QMFlowViewAnimationDelegate* delegate, QObject* parent = nullptr);

    double duration() const { return m_duration; }
    void setDuration(double seconds) { m_duration = seconds; }
    qsizetype fromSelection() const { return m_fromSelection; }
    void setFromSelection(qsizetype index) { m_fromSelection = index; }
    qsizetype toSelection() const { return m_toSelection; }
    void setToSelection(qsizetype index) { m_toSelection = index; }
    qsizetype offset() const { return m_toSelection - m_fromSelection; }

    double currentProgress() const { return m_progress; }
    // Tells the delegate first, then takes the progress.
    void setCurrentProgress(double progress);
    // The delegate's value for the current progress.
    double currentValue();

    void startAnimation();
    // Stops without ending: the delegate hears nothing.
    void stopAnimation();
    bool isAnimating() const { return m_timer.isActive(); }

private:
    void frame();

    QMFlowViewAnimationDelegate* m_delegate;
    double m_duration = 1.0;
    qsizetype m_fromSelection = 0;
    qsizetype m_toSelection = 0;
    double m_progress = 0;
    QTimer m_timer;
    QElapsedTimer m_clock;
};
