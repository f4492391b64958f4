#pragma once
// A small sheet on a document window that shows work in progress (a message, a line of
// information and an indeterminate bar) and can carry the error envelope of that work.
//
//     auto* sheet = QMBProgressErrorPanelController::progressSheetForParentWindow(
//         window, tr("Preparing pictures"), tr("3 of 7"));
//     sheet->setInformationFieldText(tr("4 of 7"));
//     sheet->close();
//
// The sheet belongs to its parent window (the caller does not own it) and goes away when closed.
// Main thread.

#include <QObject>
#include <QPointer>
#include <memory>

class QLabel;
class QMainWindow;
class QMErrorEnvelope;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QWidget;

class QMBProgressErrorPanelController : public QObject
{
    Q_OBJECT

public:
    // Opens the sheet on the parent window with its progress view and the two texts.
    static QMBProgressErrorPanelController* progressSheetForParentWindow(QWidget* parent, const QString& message,
                                                                         const QString& information);

    QMainWindow* window() const { return m_window; }
    QWidget* progressView() const { return m_progressView; }
    QWidget* errorView() const { return m_errorView; }
    QProgressBar* progressBar() const { return m_progressBar; }
    QLabel* messageField() const { return m_messageField; }
    QLabel* informationField() const { return m_informationField; }

    // Makes the progress view the sheet's content.
    void switchToProgressViewAnimate(bool animate);
    void setMessageFieldText(const QString& text);
    void setInformationFieldText(const QString& text);
    const std::shared_ptr<QMErrorEnvelope>& errors() const { return m_errors; }
    void setErrors(std::shared_ptr<QMErrorEnvelope> errors) { m_errors = std::move(errors); }
    // Ends the sheet; the controller goes with it.
    void close();

private:
    explicit QMBProgressErrorPanelController(QWidget* parent);

    QPointer<QMainWindow> m_window;
    QWidget* m_progressView = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_messageField = nullptr;
    QLabel* m_informationField = nullptr;
    QWidget* m_errorView = nullptr;
    QPushButton* m_continueButton = nullptr;
    QPushButton* m_okOrCancelButton = nullptr;
    QPushButton* m_moreInfoButon = nullptr;
    QTableWidget* m_errorsTableView = nullptr;
    QLabel* m_errorMessageField = nullptr;
    QLabel* m_errorQuestionField = nullptr;
    std::shared_ptr<QMErrorEnvelope> m_errors;
};
