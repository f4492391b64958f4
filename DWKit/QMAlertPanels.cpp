#include "DWKit/QMAlertPanels.h"

#include "platform/AlertPresenter.h"
#include "platform/DWAssert.h"
#include "platform/Localization.h"
#include "platform/UserDefaults.h"

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
    alert.buttons << (defaultButton.isNull() ? dw::localized("OK") : defaultButton);
    QList<int> results{1};
    if (!alternateButton.isNull()) {
        alert.buttons << alternateButton;
        results << 0;
    }
    if (!otherButton.isNull()) {
        alert.buttons << otherButton;
        results << -1;
    }
    alert.showsSuppressionButton = true;

    const dw::AlertResponse response = dw::alertPresenter().runModal(alert);
    if (response.suppressed)
        defaults.setBool(true, preferencesKey);
    return results.value(response.buttonIndex, results.last());
}
