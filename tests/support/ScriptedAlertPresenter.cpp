#include "tests/support/ScriptedAlertPresenter.h"

namespace dw::test {

ScriptedAlertPresenter::ScriptedAlertPresenter() : m_previous(setAlertPresenter(this)) {}

ScriptedAlertPresenter::~ScriptedAlertPresenter()
{
    setAlertPresenter(m_previous);
}

void ScriptedAlertPresenter::answer(int buttonIndex, bool suppressed)
{
    m_script.push_back(AlertResponse{buttonIndex, suppressed});
}

AlertResponse ScriptedAlertPresenter::runModal(const AlertRequest& request)
{
    m_alerts.append(request);
    if (m_whileOpen)
        m_whileOpen(request);
    if (m_script.empty())
        return AlertResponse{};
    const AlertResponse response = m_script.front();
    m_script.pop_front();
    return response;
}

QStringList ScriptedAlertPresenter::titles() const
{
    QStringList result;
    for (const AlertRequest& alert : m_alerts)
        result << alert.messageText;
    return result;
}

} // namespace dw::test
