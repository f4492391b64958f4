#pragma once
// A modal session that the caller drives step by step, the stand-in of the platform's
// begin/run/end modal sessions.
//
// begin() shows the window application-modal and returns at once; run() handles the events that
// are pending (one pass, never a nested blocking loop) and says whether the session still runs;
// end() gives the window its former modality back. Ending is idempotent: a second end() (or an
// end() after the window went away) does nothing. The window is not hidden by end(); its owner
// orders it out. Main thread only.
//
//     auto session = dw::ModalSession::begin(panel);
//     while (working && session->run() == dw::ModalSession::Response::Continue)
//         doSomeWork();
//     session->end();
//     panel->hide();

#include <QPointer>
#include <QWidget>
#include <memory>

namespace dw {

class ModalSession
{
public:
    enum class Response { Continue, Ended };

    ~ModalSession();
    ModalSession(const ModalSession&) = delete;
    ModalSession& operator=(const ModalSession&) = delete;

    // `window` must not be null.
    static std::shared_ptr<ModalSession> begin(QWidget* window);

    Response run();
    void end();

    bool isRunning() const { return m_running; }
    QWidget* window() const { return m_window; }

private:
    explicit ModalSession(QWidget* window);

    QPointer<QWidget> m_window;
    Qt::WindowModality m_previousModality = Qt::NonModal;
    bool m_running = false;
};

} // namespace dw
