#include "platform/widgets/ModalSession.h"

#include "platform/core/DWAssert.h"

#include <QCoreApplication>

namespace dw {

ModalSession::ModalSession(QWidget* window) : m_window(window) {}

ModalSession::~ModalSession()
{
    end();
}

std::shared_ptr<ModalSession> ModalSession::begin(QWidget* window)
{
    DW_PARAMETER_ASSERT(window != nullptr);
    std::shared_ptr<ModalSession> session(new ModalSession(window));
    session->m_previousModality = window->windowModality();
    // Qt applies a modality change only when the window is shown again.
    const bool wasVisible = window->isVisible();
    if (wasVisible)
        window->hide();
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->raise();
    session->m_running = true;
    return session;
}

ModalSession::Response ModalSession::run()
{
    if (!m_running || !m_window)
        return Response::Ended;
    QCoreApplication::processEvents();
    return m_running && m_window ? Response::Continue : Response::Ended;
}

void ModalSession::end()
{
    if (!m_running)
        return;
    m_running = false;
    if (!m_window)
        return;
    if (m_window->isVisible()) {
        // Hidden and shown again, so that the window stops blocking the others at once.
        m_window->hide();
        m_window->setWindowModality(m_previousModality);
        m_window->show();
    } else {
        m_window->setWindowModality(m_previousModality);
    }
}

} // namespace dw
