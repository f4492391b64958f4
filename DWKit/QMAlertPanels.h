#pragma once
// Warnings that the user can switch off for good.
//
// QMRunAlertPanelWithSuppressionPreferencesKey shows a warning with a "Do not show this message
// again" box through dw::alertPresenter(). Once the user ticks the box, the user default named by
// `preferencesKey` holds YES and later calls answer 1 at once without showing anything (the
// validator reads the same keys; resetting them shows the warnings again). Title and message are
// shown as plain text: a "%" in them is just a character. Main thread.
//
//     if (QMRunAlertPanelWithSuppressionPreferencesKey(dw::localized("Delete Images?"), text,
//             dw::localized("Delete"), dw::localized("Cancel"), QString(), QStringLiteral("warnDeleteImages")) != 1)
//         return;

#include "platform/core/AlertPresenter.h"

#include <QString>

// 1 for the default button, 0 for the alternate one, -1 for the other one. A null button title
// leaves that button out (a null default title gives "OK"). An empty key is a caller error (DW_ASSERT).
int QMRunAlertPanelWithSuppressionPreferencesKey(const QString& title, const QString& message,
                                                 const QString& defaultButton, const QString& alternateButton,
                                                 const QString& otherButton, const QString& preferencesKey);

namespace dw {

// Runs `alert` through dw::alertPresenter() with the classic three buttons (as above) and answers
// 1, 0 or -1; the presenter's full answer goes to *response when given.
int runAlertPanel(AlertRequest alert, const QString& defaultButton, const QString& alternateButton,
                  const QString& otherButton, AlertResponse* response = nullptr);

} // namespace dw
