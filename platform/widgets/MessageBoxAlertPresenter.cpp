#include "platform/widgets/MessageBoxAlertPresenter.h"

#include "platform/Localization.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <memory>

namespace dw {

namespace {

QMessageBox::Icon iconFor(AlertRequest::Style style)
{
    switch (style) {
    case AlertRequest::Style::Informational:
        return QMessageBox::Information;
    case AlertRequest::Style::Critical:
        return QMessageBox::Critical;
    case AlertRequest::Style::Warning:
        break;
    }
    return QMessageBox::Warning;
}

struct Built
{
    std::unique_ptr<QMessageBox> box;
    QList<QAbstractButton*> buttons;
    QCheckBox* suppression = nullptr;
};

Built build(const AlertRequest& request)
{
    Built b;
    auto* parent = static_cast<QWidget*>(request.parentWindow);
    b.box = std::make_unique<QMessageBox>(parent);
    b.box->setIcon(iconFor(request.style));
    b.box->setTextFormat(Qt::PlainText);
    b.box->setText(request.messageText);
    b.box->setInformativeText(request.informativeText);
    QStringList titles = request.buttons;
    if (titles.isEmpty())
        titles << localized("OK");
    for (int i = 0; i < titles.size(); ++i) {
        auto* button = b.box->addButton(titles.at(i), i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        b.buttons << button;
        if (i == 0)
            b.box->setDefaultButton(button);
    }
    if (request.showsSuppressionButton) {
        b.suppression = new QCheckBox(request.suppressionText.isEmpty() ? localized("Do not show this message again")
                                                                        : request.suppressionText);
        b.box->setCheckBox(b.suppression);
    }
    if (parent)
        b.box->setWindowModality(Qt::WindowModal);
    return b;
}

AlertResponse responseOf(const Built& b)
{
    AlertResponse response;
    response.buttonIndex = int(b.buttons.indexOf(b.box->clickedButton()));
    if (response.buttonIndex < 0)
        response.buttonIndex = int(b.buttons.size()) - 1; // closed with Escape: the cancel button
    response.suppressed = b.suppression && b.suppression->isChecked();
    return response;
}

} // namespace

AlertResponse MessageBoxAlertPresenter::runModal(const AlertRequest& request)
{
    Built b = build(request);
    b.box->exec();
    return responseOf(b);
}

void MessageBoxAlertPresenter::beginSheet(const AlertRequest& request, std::function<void(AlertResponse)> handler)
{
    auto b = std::make_shared<Built>(build(request));
    QMessageBox* box = b->box.get();
    QObject::connect(box, &QMessageBox::finished, box, [b, handler](int) {
        const AlertResponse response = responseOf(*b);
        if (handler)
            handler(response);
        b->box.release()->deleteLater();
    });
    box->open();
}

} // namespace dw
