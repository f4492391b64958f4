#include "platform/core/Clock.h"

#include <QTimeZone>

namespace dw {

namespace {
std::atomic<const Clock*> s_clock{nullptr};
}

QDateTime now()
{
    if (const Clock* clock = s_clock.load())
        return clock->now();
    return QDateTime::currentDateTimeUtc();
}

double nowSeconds()
{
    return double(now().toMSecsSinceEpoch()) / 1000.0;
}

ManualClock::ManualClock(QDateTime start) : m_now(start.toUTC()) {}

QDateTime ManualClock::now() const
{
    std::lock_guard lock(m_mutex);
    return m_now;
}

void ManualClock::set(const QDateTime& time)
{
    std::lock_guard lock(m_mutex);
    m_now = time.toUTC();
}

void ManualClock::advance(double seconds)
{
    std::lock_guard lock(m_mutex);
    m_now = m_now.addMSecs(qint64(seconds * 1000.0));
}

ScopedClock::ScopedClock(const Clock& clock) : m_previous(s_clock.exchange(&clock)) {}

ScopedClock::~ScopedClock()
{
    s_clock.store(m_previous);
}

} // namespace dw
