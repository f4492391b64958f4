#pragma once
// The one shared progress panel for long file work: a message with either a determinate bar or
// a spinner, shown and hidden through class operations, optionally in an application-modal
// session that has begun and run once when show returns.
//
// Showing again while shown selects the indicator again and restarts it, but never begins a
// second session; hiding ends the session (if any) and orders the panel out. The instance and
// its window live as long as the program. Main thread.
//
//     QMSaveProgressPanelController::showProgressPanelWithMessage(tr("Downloading the design…"));
//     downloadResources();
//     QMSaveProgressPanelController::hideProgressPanel();

#include "platform/widgets/ModalSession.h"
#include "platform/widgets/ProgressIndicator.h"

#include <QDialog>
#include <QObject>
#include <QStackedWidget>
#include <memory>

class QLabel;

class QMSaveProgressPanelController : public QObject
{
    Q_OBJECT

public:
    static QMSaveProgressPanelController* sharedQMSaveProgressPanelController();
    static QMSaveProgressPanelController* sharedPanelWithMessage(const QString& message);

    static void showProgressPanelWithMessage(const QString& message, bool selectBarProgressIndicator,
                                             bool useModalSession);
    static void showProgressPanelWithMessage(const QString& message, bool useModalSession);
    static void showProgressPanelWithMessage(const QString& message);
    // A determinate bar from 0 to the maximum, in a modal session; the caller advances the bar.
    static void showProgressPanelWithMessage(const QString& message, double progressMaxValue);
    static void hideProgressPanel();

    // Begins, stores and runs once a modal session for the window unless one runs already.
    void beginModalSessionWithBarIndicator(bool barIndicator);
    void beginModalSession();
    void endModalSession();

    QDialog* window() const { return m_window.get(); }
    dw::ProgressIndicator* spinningProgressIndicator() const { return m_spinningProgressIndicator; }
    dw::ProgressIndicator* barProgressIndicator() const { return m_barProgressIndicator; }
    // Pages "bar" and "spinning", by object name.
    QStackedWidget* tabView() const { return m_tabView; }
    QString message() const { return m_message; }
    void setMessage(const QString& message);
    const std::shared_ptr<dw::ModalSession>& modalSession() const { return m_modalSession; }

private:
    QMSaveProgressPanelController();
    void selectTab(const QString& identifier);

    std::unique_ptr<QDialog> m_window;
    dw::ProgressIndicator* m_spinningProgressIndicator = nullptr;
    dw::ProgressIndicator* m_barProgressIndicator = nullptr;
    QStackedWidget* m_tabView = nullptr;
    QLabel* m_messageField = nullptr;
    QString m_message;
    std::shared_ptr<dw::ModalSession> m_modalSession;
};
