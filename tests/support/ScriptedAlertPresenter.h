#pragma once
// An alert presenter for tests: installs itself while it lives, records every alert, and
// answers from a script (the first button when the script runs out).
//
//     dw::test::ScriptedAlertPresenter alerts;
//     alerts.answer(1);                       // the next alert answers its second button
//     validator.validate(item);
//     EXPECT_EQ(alerts.titles(), QStringList{"Missing Token"});

#include "platform/core/AlertPresenter.h"

#include <QList>
#include <QStringList>
#include <deque>
#include <functional>

namespace dw::test {

class ScriptedAlertPresenter final : public AlertPresenter
{
public:
    ScriptedAlertPresenter();
    ~ScriptedAlertPresenter() override;

    void answer(int buttonIndex, bool suppressed = false);
    // Runs while each alert is open (after it is recorded, before it is answered), as events
    // that arrive during a modal alert would.
    void setWhileOpen(std::function<void(const AlertRequest&)> whileOpen) { m_whileOpen = std::move(whileOpen); }
    AlertResponse runModal(const AlertRequest& request) override;

    const QList<AlertRequest>& alerts() const { return m_alerts; }
    QStringList titles() const;
    void clear() { m_alerts.clear(); }

private:
    AlertPresenter* m_previous;
    std::deque<AlertResponse> m_script;
    std::function<void(const AlertRequest&)> m_whileOpen;
    QList<AlertRequest> m_alerts;
};

} // namespace dw::test
