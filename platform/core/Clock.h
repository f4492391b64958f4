#pragma once
// The program's clock, injectable so that tests control "now".
//
// Code asks dw::now() instead of QDateTime::currentDateTimeUtc(). Tests install a ManualClock
// through ScopedClock; the system clock returns when it goes. Any thread.
//
//     dw::ManualClock clock(QDateTime::fromString("2026-01-01T00:00:00Z", Qt::ISODate));
//     dw::ScopedClock use(clock);
//     clock.advance(86400);

#include <QDateTime>
#include <QTimeZone>
#include <atomic>
#include <mutex>

namespace dw {

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0; // UTC
};

QDateTime now();
// Seconds since 1970 as a double (NSDate's timeIntervalSince1970 of now).
double nowSeconds();

class ManualClock : public Clock
{
public:
    explicit ManualClock(QDateTime start = QDateTime::fromSecsSinceEpoch(1767225600, Qt::UTC));
    QDateTime now() const override;
    void set(const QDateTime& time);
    void advance(double seconds);

private:
    mutable std::mutex m_mutex;
    QDateTime m_now;
};

class ScopedClock
{
public:
    explicit ScopedClock(const Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    const Clock* m_previous;
};

} // namespace dw
