#pragma once
// The window that tells the user the program quit unexpectedly and offers to send the report:
// the user's comment above, the report text below (read-only, folded away until dragged open),
// and a contact address. Main thread.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QSplitter;

class QMCrashReportPanelController : public QDialog
{
    Q_OBJECT
public:
    explicit QMCrashReportPanelController(QWidget* parent = nullptr);

    // Runs the window modally with "Console.log:\n<console>\n\nCrash.log:\n<crash log>" as its
    // report; "Send Report" sends it without blocking the program.
    static void showReportPanelWithCrashLog(const QString& crashLog, const QString& consoleLogs,
                                            const QString& subject);

    void setLastCrashLog(const QString& text);
    QString lastCrashLog() const { return m_lastCrashLog; }
    void setSubject(const QString& subject) { m_subject = subject; }
    QString subject() const { return m_subject; }
    bool includeContactInfo() const;
    void setIncludeContactInfo(bool include);
    QString descriptionAsString() const;
    QComboBox* emailAddressComboBox() const { return m_emailAddressComboBox; }
    QPlainTextEdit* descriptionTextView() const { return m_descriptionTextView; }

    // The form as it is sent: subject, content and the contact address (empty when not included).
    struct Form
    {
        QString subject;
        QString content;
        QString email;
    };
    Form form() const;
    // Sends the form on a thread of its own; a failure is a console line.
    void sendCrashlog() const;

private:
    QLabel* m_titleTextField;
    QLabel* m_descriptionTextField;
    QSplitter* m_splitView;
    QPlainTextEdit* m_descriptionTextView;
    QPlainTextEdit* m_logTextView;
    QComboBox* m_emailAddressComboBox;
    QCheckBox* m_includeContactInfoCheckBox;
    QString m_lastCrashLog;
    QString m_subject;
};
