#pragma once
// Alerts that show a view of the caller's below their texts (a field to fill in, a list to pick
// from).
//
// The view is lent to the alert and put back into its own parent, where it was, when the alert
// closes. Texts are shown as plain text. Each function answers 1 for the default button, 0 for
// the alternate one, -1 for the other one; a null button title leaves that button out (a null
// default title gives "OK"). Main thread.
//
//     const int answer = QMRunAlertPanelWithAccessoryView(dw::localized("Rename"), QString(),
//         dw::localized("Rename"), dw::localized("Cancel"), QString(), nameLineEdit);

#include <QString>

class QWidget;

// style: 0 warning, 1 informational, 2 critical.
int QMRunAlertPanelWithStyleAndAccessoryView(const QString& title, const QString& message, const QString& defaultButton,
                                             const QString& alternateButton, const QString& otherButton, int style,
                                             QWidget* view);
int QMRunAlertPanelWithAccessoryView(const QString& title, const QString& message, const QString& defaultButton,
                                     const QString& alternateButton, const QString& otherButton, QWidget* view);
int QMRunInformationalAlertPanelWithAccessoryView(const QString& title, const QString& message,
                                                  const QString& defaultButton, const QString& alternateButton,
                                                  const QString& otherButton, QWidget* view);
int QMRunCriticalAlertPanelWithAccessoryView(const QString& title, const QString& message, const QString& defaultButton,
                                             const QString& alternateButton, const QString& otherButton, QWidget* view);
// Two views, one below the other; a null view is left out.
int QMRunAlertPanelWithView2(const QString& title, const QString& message, const QString& defaultButton,
                             const QString& alternateButton, const QString& otherButton, QWidget* view1,
                             QWidget* view2);
