#include "description/DesignChooser/QMFlowTextureLoader.h"

#include "description/DesignChooser/QMAbstractOpenGLView.h"

#include <vector>

QMFlowTextureLoader::~QMFlowTextureLoader()
{
    stop();
}

void QMFlowTextureLoader::start(QList<QMFlowPictureSource> sources, QSize textureSize, Delivery deliver)
{
    stop();
    m_running = true;
    m_thread = std::thread(&QMFlowTextureLoader::run, this, std::move(sources), textureSize, std::move(deliver));
}

void QMFlowTextureLoader::stop()
{
    m_shouldExit = true;
    if (m_thread.joinable())
        m_thread.join();
    m_shouldExit = false;
}

void QMFlowTextureLoader::setPreferredRange(qsizetype first, qsizetype last)
{
    m_preferredLast = last;
    m_preferredFirst = first;
}

void QMFlowTextureLoader::run(QList<QMFlowPictureSource> sources, QSize textureSize, Delivery deliver)
{
    std::vector<bool> done(size_t(sources.size()), false);
    const auto load = [&](qsizetype index) {
        if (index < 0 || index >= sources.size() || done[size_t(index)])
            return;
        done[size_t(index)] = true;
        const QImage bitmap = QMAbstractOpenGLView::preparedImageRepForImage(sources.at(index).picture(), textureSize);
        if (!bitmap.isNull())
            deliver(index, bitmap);
    };
    for (qsizetype i = 0; i < sources.size() && !m_shouldExit; ++i) {
        const qsizetype first = m_preferredFirst.exchange(-1);
        const qsizetype last = m_preferredLast;
        if (first >= 0) {
            for (qsizetype j = first; j <= last && !m_shouldExit; ++j)
                load(j);
        }
        if (!m_shouldExit)
            load(i);
    }
    m_running = false;
}
