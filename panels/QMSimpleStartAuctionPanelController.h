#pragma once
// The start-listings sheet: confirms the upload of listings after a verify pass that shows their
// fees. Document-modal, without a modal loop: it answers with a notification whose object is the
// sheet, "QMStartTemplates" (user info "templates": QVariant::fromValue of the
// QList<std::shared_ptr<QMEbayItem>>, "accountID": text) or "QStartTemplatesPanelCanceldNotification".

#include <QList>
#include <QObject>
#include <memory>

class QMEbayItem;
class QWidget;

inline constexpr const char* kQMStartTemplatesNotification = "QMStartTemplates";
inline constexpr const char* kQMStartTemplatesPanelCanceledNotification = "QStartTemplatesPanelCanceldNotification";

class QMSimpleStartAuctionPanelController : public QObject
{
    Q_OBJECT

public:
    // Opens the sheet on the window and returns at once; the sheet deletes itself when it ends.
    static QMSimpleStartAuctionPanelController*
    displayStartAuctionPanelForTemplates(const QList<std::shared_ptr<QMEbayItem>>& templates, QWidget* parentWindow);

protected:
    explicit QMSimpleStartAuctionPanelController(QObject* parent = nullptr) : QObject(parent) {}
};
