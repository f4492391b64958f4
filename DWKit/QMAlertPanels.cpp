#include "DWKit/QMAlertPanels.h"

#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "platform/core/UserDefaults.h"

int QMRunAlertPanelWithSuppressionPreferencesKey(const QString& title, const QString& message,
                                                 const QString& defaultButton, const QString& alternateButton,
                                                 const QString& otherButton, const QString& preferencesKey)
{
    DW_PARAMETER_ASSERT(!preferencesKey.isEmpty());
    auto& defaults = dw::UserDefaults::standard();
    if (defaults.boolForKey(preferencesKey))
        return 1;

    dw::AlertRequest alert;
    alert.style = dw::AlertRequest::Style::Warning;
    alert.messageText = title;
    alert.informativeText = message;
    alert.showsSuppressionButton = true;
    dw::AlertResponse response;
    const int result = dw::runAlertPanel(alert, defaultButton, alternateButton, otherButton, &response);
    if (response.suppressed)
        defaults.setBool(true, preferencesKey);
    return result;
}

namespace dw {

int runAlertPanel(AlertRequest alert, const QString& defaultButton, const QString& alternateButton,
                  const QString& otherButton, AlertResponse* response)
{
    alert.buttons = QStringList{defaultButton.isNull() ? localized("OK") : defaultButton};
    QList<int> results{1};
    if (!alternateButton.isNull()) {
        alert.buttons << alternateButton;
        results << 0;
    }
    if (!otherButton.isNull()) {
        alert.buttons << otherButton;
        results << -1;
    }
    const AlertResponse answer = alertPresenter().runModal(alert);
    if (response)
        *response = answer;
    return results.value(answer.buttonIndex, results.last());
}

} // namespace dw
