#include "description/DesignChooser/QMFlowViewAnimation.h"

#include <algorithm>

QMFlowViewAnimation::QMFlowViewAnimation(QMFlowViewAnimationDelegate* delegate, QObject* parent)
    : QObject(parent), m_delegate(delegate)
{
    m_timer.setInterval(1000 / kFramesPerSecond);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &QMFlowViewAnimation::frame);
}

void QMFlowViewAnimation::setCurrentProgress(double progress)
{
    progress = std::clamp(progress, 0.0, 1.0);
    if (m_delegate)
        m_delegate->animationCurrentProgressChanged(this, progress);
    m_progress = progress;
}

double QMFlowViewAnimation::currentValue()
{
    return m_delegate ? m_delegate->animationValueForProgress(this, m_progress) : m_progress;
}

void QMFlowViewAnimation::startAnimation()
{
    m_clock.start();
    m_timer.start();
}

void QMFlowViewAnimation::stopAnimation()
{
    m_timer.stop();
}

void QMFlowViewAnimation::frame()
{
    const double elapsed = m_clock.elapsed() / 1000.0;
    const double progress = m_duration > 0 ? elapsed / m_duration : 1.0;
    setCurrentProgress(progress);
    if (progress >= 1.0) {
        m_timer.stop();
        if (m_delegate)
            m_delegate->animationDidEnd(this);
    }
}
