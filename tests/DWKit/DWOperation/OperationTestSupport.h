#pragma once
// Operations and observers for the framework's tests.

#include "DWKit/DWOperation/DWNSOperation.h"
#include "platform/core/MainThread.h"
#include "platform/core/NotificationCenter.h"

#include <QStringList>
#include <QTest>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace dw::test {

// Records the notifications of the given names as they reach observers, with whether they came on
// the main thread.
class NotificationRecorder
{
public:
    struct Entry
    {
        QString name;
        Notification notification;
        bool onMainThread;
    };

    explicit NotificationRecorder(const QStringList& names)
    {
        for (const QString& name : names) {
            m_observations.emplace_back(NotificationCenter::defaultCenter(),
                                        NotificationCenter::defaultCenter().addObserver(
                                            name, nullptr, [this](const Notification& n) { record(n); }));
        }
    }

    std::vector<Entry> entries() const
    {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }
    QStringList names() const
    {
        QStringList result;
        for (const auto& entry : entries())
            result << entry.name;
        return result;
    }
    int count(const QString& name) const { return int(names().count(name)); }
    bool allOnMainThread() const
    {
        for (const auto& entry : entries()) {
            if (!entry.onMainThread)
                return false;
        }
        return true;
    }
    [[nodiscard]] bool waitFor(const QString& name, int times = 1)
    {
        return QTest::qWaitFor([&] { return count(name) >= times; }, 10000);
    }

private:
    void record(const Notification& n)
    {
        std::lock_guard lock(m_mutex);
        m_entries.push_back({n.name, n, isMainThread()});
    }

    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
    std::vector<ScopedObservation> m_observations;
};

// A gate that workers wait at until the test opens it (or the operation is cancelled).
class Gate
{
public:
    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    void waitUntilOpen(const DWNSOperation& operation)
    {
        std::unique_lock lock(m_mutex);
        while (!m_open && !operation.isCancelled())
            m_changed.wait_for(lock, std::chrono::milliseconds(5));
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

// Runs a function as its work.
class FunctionOperation : public DWNSOperation
{
public:
    explicit FunctionOperation(std::function<void(FunctionOperation&)> work) : m_work(std::move(work)) {}
    QString failure() const
    {
        std::lock_guard lock(m_mutex);
        return m_failure;
    }

protected:
    void internalMain() override { m_work(*this); }
    void operationDidThrow(const QString& reason) override
    {
        std::lock_guard lock(m_mutex);
        m_failure = reason;
    }

private:
    std::function<void(FunctionOperation&)> m_work;
    mutable std::mutex m_mutex;
    QString m_failure;
};

inline std::shared_ptr<FunctionOperation> operation(std::function<void(FunctionOperation&)> work = {})
{
    return std::make_shared<FunctionOperation>(work ? std::move(work) : [](FunctionOperation&) {});
}

} // namespace dw::test
