#pragma once
// Alerts shown to the user, behind a seam that tests script.
//
// Code builds an AlertRequest and calls dw::alertPresenter().runModal(request); the answer says
// which button was pressed (0 = the first, default button) and whether the suppression box was
// ticked. The program installs a presenter on message boxes; tests install a
// ScriptedAlertPresenter that records every request and answers from a script. Texts are shown
// as plain text, never interpreted as markup or as format strings. Main thread.
//
//     dw::AlertRequest alert;
//     alert.messageText = dw::localized("Missing Token");
//     alert.buttons = {dw::localized("OK")};
//     dw::alertPresenter().runModal(alert);

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace dw {

struct AlertRequest
{
    enum class Style { Warning, Informational, Critical };
    Style style = Style::Warning;
    QString messageText;     // the bold title
    QString informativeText; // the explanation below it
    QStringList buttons;     // left to right as the user reads them; empty gives one "OK"
    bool showsSuppressionButton = false;
    QString suppressionText;      // empty: the platform's "Do not show this message again"
    void* parentWindow = nullptr; // a window for a sheet (document-modal), nullptr for app-modal
    // Widgets (QWidget*) shown below the texts, in order. The presenter borrows them and gives
    // them back to their own parents, where they were, when the alert closes.
    QList<void*> accessoryViews;
};

struct AlertResponse
{
    int buttonIndex = 0;
    bool suppressed = false;
};

class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;
    virtual AlertResponse runModal(const AlertRequest& request) = 0;
    // A sheet on a window: the handler runs when the user answers. The default runs it modally.
    virtual void beginSheet(const AlertRequest& request, std::function<void(AlertResponse)> handler)
    {
        const AlertResponse response = runModal(request);
        if (handler)
            handler(response);
    }
};

// The presenter in use. Without one installed, alerts go to the console and answer the first
// button (a command-line tool has no one to ask).
AlertPresenter& alertPresenter();
// Installs a presenter (nullptr restores the console one); returns the previous one. Not owned.
AlertPresenter* setAlertPresenter(AlertPresenter* presenter);

} // namespace dw
