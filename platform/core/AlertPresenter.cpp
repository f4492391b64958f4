#include "platform/core/AlertPresenter.h"

#include "platform/core/ConsoleOutput.h"

#include <atomic>

namespace dw {

namespace {

class ConsoleAlertPresenter final : public AlertPresenter
{
public:
    AlertResponse runModal(const AlertRequest& request) override
    {
        consoleWrite(QStringLiteral("Alert: %1 %2").arg(request.messageText, request.informativeText));
        return AlertResponse{};
    }
};

ConsoleAlertPresenter s_consolePresenter;
std::atomic<AlertPresenter*> s_presenter{nullptr};

} // namespace

AlertPresenter& alertPresenter()
{
    AlertPresenter* p = s_presenter.load();
    return p ? *p : s_consolePresenter;
}

AlertPresenter* setAlertPresenter(AlertPresenter* presenter)
{
    return s_presenter.exchange(presenter);
}

} // namespace dw
