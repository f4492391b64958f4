#pragma once
// The progress panel that the design-template manager shows while it caches the remote files of
// a design: the kit's shared save-progress panel, which the application installs at start, so
// that the description layer needs no widgets. Without one installed nothing is shown.
//
//     QMDesignResourceProgress::install(std::make_shared<SaveProgressPanel>());   // the shell, at start
//     if (const auto panel = QMDesignResourceProgress::installed())
//         panel->showProgressPanelWithMessage(dw::localized("Caching Design Resources"));
//
// Main thread.

#include <QString>
#include <memory>

class QMDesignResourceProgress
{
public:
    virtual ~QMDesignResourceProgress() = default;
    // Shows the panel with the message, drawn before the call returns.
    virtual void showProgressPanelWithMessage(const QString& message) = 0;
    virtual void hideProgressPanel() = 0;

    static std::shared_ptr<QMDesignResourceProgress> installed();
    // Null takes it away again.
    static void install(std::shared_ptr<QMDesignResourceProgress> panel);
};
