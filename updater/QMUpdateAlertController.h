#pragma once
// The window that offers a release: its title, release notes and update conditions, and the
// choices install now (0), remind me later (1) and skip this version (2). Main thread.
//
// The notes come from the update server: they are shown as HTML that loads nothing (no pictures,
// no style sheets, no local files), and a link the user follows is handed to the desktop only when
// it is an http, https or mailto address.

#include "updater/QMRelease.h"

#include <QDialog>

class QTextBrowser;

class QMUpdateAlertController : public QDialog
{
    Q_OBJECT
public:
    enum Choice { InstallUpdate = 0, RemindMeLater = 1, SkipThisVersion = 2 };

    explicit QMUpdateAlertController(const QMRelease& release, QWidget* parent = nullptr);

    const QMRelease& releaseItem() const { return m_release; }
    QString titleText() const { return m_release.title; }
    // Closes the window and reports the choice.
    void endWithChoice(int choice);

Q_SIGNALS:
    void finishedWithChoice(int choice);

private:
    QMRelease m_release;
    bool m_ended = false;
};
