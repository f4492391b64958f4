#include "platform/core/AlertPresenter.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/MainThread.h"

#include <QCoreApplication>
#include <QPointer>
#include <atomic>
#include <deque>

namespace dw {

namespace {

class ConsoleAlertPresenter final : public AlertPresenter
{
public:
    AlertResponse runModal(const AlertRequest& request) override
    {
        consoleWrite(QStringLiteral("Alert: %1 %2").arg(request.messageText, request.informativeText));
        return AlertResponse{};
    }
};

ConsoleAlertPresenter s_consolePresenter;
std::atomic<AlertPresenter*> s_presenter{nullptr};

AlertPresenter& installedPresenter()
{
    AlertPresenter* p = s_presenter.load();
    return p ? *p : s_consolePresenter;
}

struct QueuedAlert
{
    AlertRequest request;
    std::function<void(AlertResponse)> handler;
    QPointer<const QObject> context;
    bool hasContext = false;
};

// The alerts open now and those waiting for them to close. Main thread only.
struct AlertQueue
{
    int open = 0;
    bool drainPosted = false;
    std::deque<QueuedAlert> waiting;
};

AlertQueue& alertQueue()
{
    static AlertQueue queue;
    return queue;
}

void scheduleDrain();

// One open alert. It closes once: when answered, or when the presenter drops a sheet's handler
// without calling it (a window that went with its sheet), so that the queue never waits forever.
class OpenAlert
{
public:
    OpenAlert() { ++alertQueue().open; }
    ~OpenAlert() { close(); }
    OpenAlert(const OpenAlert&) = delete;
    OpenAlert& operator=(const OpenAlert&) = delete;

    void close()
    {
        if (m_closed)
            return;
        m_closed = true;
        if (--alertQueue().open == 0)
            scheduleDrain();
    }

private:
    bool m_closed = false;
};

// What alertPresenter() hands out: the installed presenter, with every alert counted while open.
class TrackingPresenter final : public AlertPresenter
{
public:
    AlertResponse runModal(const AlertRequest& request) override
    {
        OpenAlert open;
        return installedPresenter().runModal(request);
    }

    void beginSheet(const AlertRequest& request, std::function<void(AlertResponse)> handler) override
    {
        auto open = std::make_shared<OpenAlert>();
        installedPresenter().beginSheet(request, [open, handler = std::move(handler)](AlertResponse response) {
            open->close();
            if (handler)
                handler(response);
        });
    }
};

TrackingPresenter s_trackingPresenter;

void show(QueuedAlert alert)
{
    if (alert.request.parentWindow) {
        s_trackingPresenter.beginSheet(alert.request, std::move(alert.handler));
        return;
    }
    const AlertResponse response = s_trackingPresenter.runModal(alert.request);
    if (alert.handler)
        alert.handler(response);
}

// Shows the next waiting alert whose context still lives; the next one follows when it closes.
void drain()
{
    AlertQueue& queue = alertQueue();
    queue.drainPosted = false;
    while (queue.open == 0 && !queue.waiting.empty()) {
        QueuedAlert next = std::move(queue.waiting.front());
        queue.waiting.pop_front();
        if (next.hasContext && !next.context)
            continue;
        show(std::move(next));
        return;
    }
}

void scheduleDrain()
{
    AlertQueue& queue = alertQueue();
    if (queue.waiting.empty() || queue.drainPosted)
        return;
    // A later turn of the event loop: the code that waited for the closed alert's answer goes on
    // first. A tool without an event loop shows the next one at once.
    if (!QCoreApplication::instance()) {
        drain();
        return;
    }
    queue.drainPosted = true;
    postToMain(drain);
}

} // namespace

AlertPresenter& alertPresenter()
{
    return s_trackingPresenter;
}

AlertPresenter* setAlertPresenter(AlertPresenter* presenter)
{
    return s_presenter.exchange(presenter);
}

bool isAlertOpen()
{
    return alertQueue().open > 0;
}

void queueAlert(AlertRequest request, std::function<void(AlertResponse)> handler, const QObject* context)
{
    QueuedAlert alert{std::move(request), std::move(handler), context, context != nullptr};
    AlertQueue& queue = alertQueue();
    if (queue.open == 0 && queue.waiting.empty()) {
        show(std::move(alert));
        return;
    }
    queue.waiting.push_back(std::move(alert));
    scheduleDrain();
}

} // namespace dw
