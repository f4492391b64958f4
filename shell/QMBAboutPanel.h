#pragma once
// The about panel: the program's picture, name and version, and the credits page (the resource
// "Credits.html"). Links in the credits open on the desktop (web and mail addresses only). One
// panel at a time, brought forward when asked again. Main thread.
//
//     QMBAboutPanel::showAboutPanel(creditsHTML);

#include <QDialog>
#include <QString>

class QTextBrowser;

class QMBAboutPanel : public QDialog
{
    Q_OBJECT

public:
    explicit QMBAboutPanel(const QString& creditsHTML, QWidget* parent = nullptr);
    ~QMBAboutPanel() override;

    // Shows the panel (made on first use) with these credits and returns it.
    static QMBAboutPanel* showAboutPanel(const QString& creditsHTML);

    void setCredits(const QString& creditsHTML);
    QTextBrowser* creditsView() const { return m_credits; }

private:
    QTextBrowser* m_credits = nullptr;
};
