#include "DWKit/widgets/QMColoredProgressIndicator.h"

#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kStep = 1.0 / 12;
constexpr int kTickMs = 83; // a twelfth of a second
} // namespace

QMColoredProgressIndicator::QMColoredProgressIndicator(QWidget* parent) : dw::ProgressIndicator(parent) {}

QMColoredProgressIndicator::~QMColoredProgressIndicator() = default;

bool QMColoredProgressIndicator::drawsOwnWheel() const
{
    return isIndeterminate() && indicatorStyle() == Style::Spinning;
}

void QMColoredProgressIndicator::startAnimation()
{
    if (!drawsOwnWheel()) {
        dw::ProgressIndicator::startAnimation();
        return;
    }
    auto timer = std::make_unique<QTimer>(this);
    timer->setInterval(kTickMs);
    connect(timer.get(), &QTimer::timeout, this, &QMColoredProgressIndicator::animateProgressTimer);
    timer->start();
    setAnimationTimer(std::move(timer));
}

void QMColoredProgressIndicator::stopAnimation()
{
    if (!drawsOwnWheel()) {
        dw::ProgressIndicator::stopAnimation();
        return;
    }
    setAnimationTimer(nullptr);
}

void QMColoredProgressIndicator::animateProgressTimer()
{
    setDoubleValue(std::fmod(doubleValue() + kStep, 1.0));
    update();
}

void QMColoredProgressIndicator::setAnimationTimer(std::unique_ptr<QTimer> timer)
{
    if (timer.get() == m_animationTimer.get())
        return;
    if (m_animationTimer)
        m_animationTimer->stop();
    m_animationTimer = std::move(timer);
}

void QMColoredProgressIndicator::setColor(const QColor& color)
{
    m_color = color;
    update();
}

void QMColoredProgressIndicator::paintEvent(QPaintEvent* event)
{
    if (!drawsOwnWheel()) {
        dw::ProgressIndicator::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = width(), h = height();
    const int step = int(std::lround(doubleValue() / kStep));
    const qreal size = std::min(w, h);
    const QPointF centre(size * 0.5, h * 0.5);
    // Qt's y axis points down, as in a flipped view: the wheel turns the same way on screen.
    const qreal direction = 1.0;
    const bool small = size < 32;
    const qreal inner = (small ? 0.27 : 0.23) * size;
    const qreal outer = (small ? 0.48 : 0.38) * size;
    qreal angle = (30.0 * step + 270.0) * direction;
    for (int i = 0; i < 12; ++i) {
        QColor spoke = m_color;
        spoke.setAlphaF(float(std::min(0.25 * std::sqrt(qreal(i)), 0.8)));
        painter.setPen(QPen(spoke, 0.08 * size, Qt::SolidLine, Qt::RoundCap));
        const qreal radians = qDegreesToRadians(angle);
        const QPointF unit(std::cos(radians), std::sin(radians));
        painter.drawLine(centre + unit * inner, centre + unit * outer);
        angle -= 30.0 * direction;
    }
}
