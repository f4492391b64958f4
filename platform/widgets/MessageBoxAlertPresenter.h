#pragma once
// The program's alert presenter: a QMessageBox per alert, modal to the application or, when the
// request names a parent window, to that window.

#include "platform/core/AlertPresenter.h"

namespace dw {

class MessageBoxAlertPresenter final : public AlertPresenter
{
public:
    AlertResponse runModal(const AlertRequest& request) override;
    void beginSheet(const AlertRequest& request, std::function<void(AlertResponse)> handler) override;
};

} // namespace dw
