#pragma once
// The progress window of a running update: a title, a progress bar, a status line and one button
// whose title and action change with the step (Cancel, Install and Relaunch). A maximum of 0 shows
// a busy bar. Main thread.

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

class QMUpdateStatusController : public QDialog
{
    Q_OBJECT
public:
    explicit QMUpdateStatusController(QWidget* parent = nullptr);

    void beginActionWithTitle(const QString& title, double maxProgressValue, const QString& statusText);
    void setButtonTitle(const QString& title, std::function<void()> action, bool isDefault);
    void setButtonEnabled(bool enabled);
    void setProgressValue(double value);
    void setMaxProgressValue(double value);
    void setStatusText(const QString& text);

    QString title() const;
    QString statusText() const;
    QString buttonTitle() const;
    double progressValue() const { return m_progressValue; }
    double maxProgressValue() const { return m_maxProgressValue; }
    QPushButton* actionButton() const { return m_actionButton; }

private:
    void updateBar();

    QLabel* m_titleLabel;
    QProgressBar* m_progressBar;
    QLabel* m_statusLabel;
    QPushButton* m_actionButton;
    std::function<void()> m_action;
    double m_progressValue = 0;
    double m_maxProgressValue = 0;
};
