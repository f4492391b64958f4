#include "platform/core/BackgroundWork.h"

#include "platform/core/MainThread.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

namespace dw {

namespace {

struct Piece
{
    std::thread thread;
    BackgroundStopFlag stop;
    bool ended = false;
    bool stopped = false; // the application quit while it ran: its answer is dropped
};

class Registry
{
public:
    // The last resort, for a process that ends without aboutToQuit (a tool, a test): no thread is
    // left running into the destruction of what it uses.
    ~Registry() { stop(); }

    void start(QPointer<const QObject> context, std::function<void()> work, std::function<void()> done,
               BackgroundStopFlag stopFlag)
    {
        reap();
        hookQuit();
        auto piece = std::make_shared<Piece>();
        piece->stop = std::move(stopFlag);
        std::lock_guard lock(m_mutex);
        // Started by what the quit serves while it waits (a timer, a posted call): it is part of the
        // quit, and stopped from its start so that it cannot hold the quit in turn.
        if (m_stopping > 0)
            raise(*piece);
        // Made under the lock, so that the piece's end (which takes it) finds its thread in place.
        piece->thread = std::thread(&Registry::run, this, piece, std::move(context), std::move(work), std::move(done));
        m_pieces.push_back(std::move(piece));
    }

    void wait()
    {
        for (;;) {
            reap();
            std::unique_lock lock(m_mutex);
            if (m_pieces.empty())
                return;
            const auto someEnded = [this] {
                for (const auto& piece : m_pieces) {
                    if (piece->ended)
                        return true;
                }
                return false;
            };
            if (!isMainThread()) {
                m_changed.wait(lock, someEnded);
                continue;
            }
            // A piece may be waiting for the main thread (a blocking call, a log entry handed
            // over): serve it while waiting, or both would wait for ever.
            lock.unlock();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            lock.lock();
            m_changed.wait_for(lock, std::chrono::milliseconds(2), someEnded);
        }
    }

    void stop()
    {
        {
            std::lock_guard lock(m_mutex);
            ++m_stopping;
            for (const auto& piece : m_pieces) {
                if (!piece->ended)
                    raise(*piece);
            }
        }
        wait();
        std::lock_guard lock(m_mutex);
        --m_stopping;
    }

private:
    // Under the lock.
    static void raise(Piece& piece)
    {
        piece.stopped = true;
        if (piece.stop) {
            piece.stop->store(true);
            piece.stop->notify_all();
        }
    }

    void run(const std::shared_ptr<Piece>& piece, QPointer<const QObject> context, std::function<void()> work,
             std::function<void()> done)
    {
        work();
        work = nullptr; // what the work holds goes before the answer is handed over
        bool answer = done != nullptr;
        {
            std::lock_guard lock(m_mutex);
            answer = answer && !piece->stopped;
        }
        if (answer && QCoreApplication::instance())
            postToMain(std::move(context), std::move(done));
        std::lock_guard lock(m_mutex);
        piece->ended = true;
        m_changed.notify_all();
    }

    // Joins the threads of the pieces that have ended; they are leaving, so this is quick.
    void reap()
    {
        std::vector<std::thread> ended;
        {
            std::lock_guard lock(m_mutex);
            for (auto it = m_pieces.begin(); it != m_pieces.end();) {
                if ((*it)->ended) {
                    ended.push_back(std::move((*it)->thread));
                    it = m_pieces.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (auto& thread : ended)
            thread.join();
    }

    // Each application object gets the quit hook once (tests make one per run, some programs more).
    void hookQuit()
    {
        auto* app = QCoreApplication::instance();
        if (!app)
            return;
        std::lock_guard lock(m_mutex);
        if (m_hooked == app)
            return;
        m_hooked = app;
        QObject::connect(app, &QCoreApplication::aboutToQuit, app, [this] { stop(); });
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::list<std::shared_ptr<Piece>> m_pieces;
    QPointer<QCoreApplication> m_hooked;
    int m_stopping = 0; // stop() is waiting
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

void runInBackground(QPointer<const QObject> context, std::function<void()> work, std::function<void()> done,
                     BackgroundStopFlag stop)
{
    registry().start(std::move(context), std::move(work), std::move(done), std::move(stop));
}

void runInBackground(std::function<void()> work, BackgroundStopFlag stop)
{
    registry().start(nullptr, std::move(work), nullptr, std::move(stop));
}

QThreadPool* newBackgroundPool(int width)
{
    assertMainThread();
    auto* pool = new QThreadPool;
    pool->setMaxThreadCount(width);
    if (auto* app = QCoreApplication::instance()) {
        QObject::connect(app, &QCoreApplication::aboutToQuit, pool, [pool] {
            pool->clear();
            while (!pool->waitForDone(2))
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    }
    return pool;
}

void waitForBackgroundWork()
{
    registry().wait();
}

void stopBackgroundWork()
{
    registry().stop();
}

} // namespace dw
