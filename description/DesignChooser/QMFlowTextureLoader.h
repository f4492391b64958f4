#pragma once
// Prepares the carousel's texture bitmaps on a thread of its own: decodes each object's picture,
// scales it into a bitmap of the texture size and hands it to `deliver` (on the loader's thread;
// the receiver carries it to the main thread). The covers on screen (the preferred range) are
// prepared before the rest. One load at a time: start() and stop() end the running one first and
// wait for it, which is quick, since the loader never waits for the main thread.
//
//     loader.start(sources, {256, 256}, [guard](qsizetype index, QImage bitmap) {
//         dw::postToMain(guard, [=] { guard->textureReady(generation, index, bitmap); });
//     });
//
// start(), stop() and the destructor on the main thread; setPreferredRange() from any thread.

#include "description/DesignChooser/QMDesignTemplate+ImageView.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <atomic>
#include <functional>
#include <thread>

class QMFlowTextureLoader
{
public:
    using Delivery = std::function<void(qsizetype index, const QImage& bitmap)>;

    QMFlowTextureLoader() = default;
    ~QMFlowTextureLoader();
    QMFlowTextureLoader(const QMFlowTextureLoader&) = delete;
    QMFlowTextureLoader& operator=(const QMFlowTextureLoader&) = delete;

    void start(QList<QMFlowPictureSource> sources, QSize textureSize, Delivery deliver);
    void stop();
    bool isRunning() const { return m_running.load(); }
    // first … last are loaded next; first < 0 asks for nothing.
    void setPreferredRange(qsizetype first, qsizetype last);

private:
    void run(QList<QMFlowPictureSource> sources, QSize textureSize, Delivery deliver);

    std::thread m_thread;
    std::atomic<bool> m_shouldExit{false};
    std::atomic<bool> m_running{false};
    std::atomic<qsizetype> m_preferredFirst{-1};
    std::atomic<qsizetype> m_preferredLast{-1};
};
