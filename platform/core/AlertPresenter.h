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
//
// Reports that arrive on their own (an operation ended with an error, a download failed) go
// through dw::queueAlert() instead: while another alert is open they wait and are shown one after
// the other once it has closed, rather than each opening a modal loop inside the previous one.
//
//     dw::queueAlert(alert, [](dw::AlertResponse) { ... }, window);   // dropped if window is gone

#include <QList>
#include <QObject>
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

// Whether an alert shown through alertPresenter() (modal or as a sheet) is open now.
bool isAlertOpen();

// Shows the alert at once when no other alert is open (as a sheet when it names a parent window),
// else queues it: queued alerts are shown in the order they came, each on a later turn of the
// event loop after the open ones have closed. The handler (optional) gets the answer. With a
// context, an alert whose context is destroyed before its turn is dropped unseen and its handler
// never runs; pass the parent window as context, since a queued alert outlives the call. Main
// thread.
void queueAlert(AlertRequest request, std::function<void(AlertResponse)> handler = {},
                const QObject* context = nullptr);

} // namespace dw
