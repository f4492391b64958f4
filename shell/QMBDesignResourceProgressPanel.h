#pragma once
// The save-progress panel of the kit as the design-template manager's progress panel: shown, with
// its spinner, in a modal session while a design's remote files are cached. Installed by the
// application at start (QMBAppController::installApplicationServices). Main thread.

#include "description/QMDesignResourceProgress.h"

class QMBDesignResourceProgressPanel final : public QMDesignResourceProgress
{
public:
    void showProgressPanelWithMessage(const QString& message) override;
    void hideProgressPanel() override;
};
