#include "panels/QMSimpleStartAuctionPanelController.h"

#include "platform/core/NotificationCenter.h"

#include <QTimer>
#include <QWidget>

QMSimpleStartAuctionPanelController*
QMSimpleStartAuctionPanelController::displayStartAuctionPanelForTemplates(const QList<std::shared_ptr<QMEbayItem>>&,
                                                                          QWidget* parentWindow)
{
    // Not built yet: the sheet cancels itself on the next turn of the event loop.
    auto* sheet = new QMSimpleStartAuctionPanelController(parentWindow);
    QTimer::singleShot(0, sheet, [sheet] {
        dw::NotificationCenter::defaultCenter().post(QLatin1String(kQMStartTemplatesPanelCanceledNotification),
                                                     dw::NotificationObject::of(sheet));
        sheet->deleteLater();
    });
    return sheet;
}
