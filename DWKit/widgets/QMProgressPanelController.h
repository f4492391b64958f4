#pragma once
// A small progress window with a bar, a message line, an information line and an optional
// picture, shown as a sheet on a document window (window-modal) or as a panel in a modal session
// of its own (application-modal) that the caller drives step by step.
//
// dismissSheet() ends whichever of the two runs and closes the window; a second call does
// nothing. The window goes when the controller goes. Main thread.
//
//     auto panel = QMProgressPanelController::progressPanelWithTitle(tr("Upload"), tr("Uploading…"), {});
//     panel->progressBar()->setIndeterminate(false);
//     panel->progressBar()->setMaxValue(files.size());
//     for (const auto& file : files) {
//         upload(file);
//         panel->progressBar()->incrementBy(1);
//         panel->modalSession()->run();
//     }
//     panel->dismissSheet();

#include "platform/widgets/ModalSession.h"
#include "platform/widgets/ProgressIndicator.h"

#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <memory>

class QMProgressPanelController : public QObject
{
    Q_OBJECT

public:
    ~QMProgressPanelController() override;

    // A centred panel in a modal session that has begun; the action name is not used.
    static std::unique_ptr<QMProgressPanelController>
    progressPanelWithTitle(const QString& title, const QString& message, const QString& actionName);
    // A sheet on the parent window with an indeterminate, animating bar; the action name is not used.
    static std::unique_ptr<QMProgressPanelController>
    progressSheetForParentWindow(QWidget* parentWindow, const QString& message, const QString& actionName);

    void dismissSheet();

    void setMessageFieldText(const QString& text);
    void setInformationFieldText(const QString& text);
    void setImage(const QImage& image);

    QDialog* window() const { return m_window; }
    dw::ProgressIndicator* progressBar() const { return m_progressBar; }
    QLabel* messageField() const { return m_messageField; }
    QLabel* informationField() const { return m_informationField; }
    QLabel* imageView() const { return m_imageView; }

    bool isSheet() const { return m_isSheet; }
    void setIsSheet(bool isSheet) { m_isSheet = isSheet; }
    const std::shared_ptr<dw::ModalSession>& modalSession() const { return m_modalSession; }
    void setModalSession(std::shared_ptr<dw::ModalSession> session) { m_modalSession = std::move(session); }

protected:
    // Builds the panel's window, a child of `parentWindow` when one is given. Subclasses add their
    // own controls to window() and then show it with beginAsSheet() or beginModalPanel().
    explicit QMProgressPanelController(QWidget* parentWindow);

    void beginAsSheet();
    void beginModalPanel();

private:
    QPointer<QDialog> m_window;
    dw::ProgressIndicator* m_progressBar = nullptr;
    QLabel* m_messageField = nullptr;
    QLabel* m_informationField = nullptr;
    QLabel* m_imageView = nullptr;
    bool m_isSheet = false;
    std::shared_ptr<dw::ModalSession> m_modalSession;
};
