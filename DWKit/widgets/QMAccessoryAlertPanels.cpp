#include "DWKit/widgets/QMAccessoryAlertPanels.h"

#include "DWKit/QMAlertPanels.h"

#include <QWidget>

namespace {

int runWithViews(const QString& title, const QString& message, const QString& defaultButton,
                 const QString& alternateButton, const QString& otherButton, dw::AlertRequest::Style style,
                 std::initializer_list<QWidget*> views)
{
    dw::AlertRequest alert;
    alert.style = style;
    alert.messageText = title;
    alert.informativeText = message;
    for (QWidget* view : views)
        if (view)
            alert.accessoryViews << view;
    return dw::runAlertPanel(alert, defaultButton, alternateButton, otherButton);
}

} // namespace

int QMRunAlertPanelWithStyleAndAccessoryView(const QString& title, const QString& message, const QString& defaultButton,
                                             const QString& alternateButton, const QString& otherButton, int style,
                                             QWidget* view)
{
    const dw::AlertRequest::Style styles[] = {dw::AlertRequest::Style::Warning, dw::AlertRequest::Style::Informational,
                                              dw::AlertRequest::Style::Critical};
    const dw::AlertRequest::Style chosen = style >= 0 && style <= 2 ? styles[style] : dw::AlertRequest::Style::Warning;
    return runWithViews(title, message, defaultButton, alternateButton, otherButton, chosen, {view});
}

int QMRunAlertPanelWithAccessoryView(const QString& title, const QString& message, const QString& defaultButton,
                                     const QString& alternateButton, const QString& otherButton, QWidget* view)
{
    return QMRunAlertPanelWithStyleAndAccessoryView(title, message, defaultButton, alternateButton, otherButton, 0,
                                                    view);
}

int QMRunInformationalAlertPanelWithAccessoryView(const QString& title, const QString& message,
                                                  const QString& defaultButton, const QString& alternateButton,
                                                  const QString& otherButton, QWidget* view)
{
    return QMRunAlertPanelWithStyleAndAccessoryView(title, message, defaultButton, alternateButton, otherButton, 1,
                                                    view);
}

int QMRunCriticalAlertPanelWithAccessoryView(const QString& title, const QString& message, const QString& defaultButton,
                                             const QString& alternateButton, const QString& otherButton, QWidget* view)
{
    return QMRunAlertPanelWithStyleAndAccessoryView(title, message, defaultButton, alternateButton, otherButton, 2,
                                                    view);
}

int QMRunAlertPanelWithView2(const QString& title, const QString& message, const QString& defaultButton,
                             const QString& alternateButton, const QString& otherButton, QWidget* view1, QWidget* view2)
{
    return runWithViews(title, message, defaultButton, alternateButton, otherButton, dw::AlertRequest::Style::Warning,
                        {view1, view2});
}
