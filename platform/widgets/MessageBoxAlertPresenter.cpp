#include "platform/widgets/MessageBoxAlertPresenter.h"

#include "platform/core/Localization.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <memory>
#include <vector>

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

// Where a borrowed accessory view came from, to put it back there.
struct Borrowed
{
    QPointer<QWidget> view;
    QPointer<QWidget> parent;
    QRect geometry;
    bool hidden = false;
};

struct Built
{
    std::unique_ptr<QMessageBox> box;
    QList<QAbstractButton*> buttons;
    QCheckBox* suppression = nullptr;
    std::vector<Borrowed> borrowed;

    // Returns the accessory views before the box goes: as its children they would go with it.
    void giveBack()
    {
        for (Borrowed& entry : borrowed) {
            if (!entry.view)
                continue;
            entry.view->setParent(entry.parent);
            entry.view->setGeometry(entry.geometry);
            entry.view->setHidden(entry.hidden);
        }
        borrowed.clear();
    }
};

// Puts the views between the texts and the buttons of the box's grid.
void addAccessoryViews(Built& b, const QList<void*>& views)
{
    auto* grid = qobject_cast<QGridLayout*>(b.box->layout());
    auto* buttonBox = b.box->findChild<QDialogButtonBox*>();
    if (!grid || !buttonBox)
        return;
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(buttonBox), &row, &column, &rowSpan, &columnSpan);
    grid->removeWidget(buttonBox);
    for (void* pointer : views) {
        auto* view = static_cast<QWidget*>(pointer);
        if (!view)
            continue;
        b.borrowed.push_back({view, view->parentWidget(), view->geometry(), view->isHidden()});
        grid->addWidget(view, row++, column, 1, columnSpan);
        view->show();
    }
    grid->addWidget(buttonBox, row, column, rowSpan, columnSpan);
}

// Wide enough that a sentence of explanation reads as a paragraph, not as a column of words: a
// strut across the whole grid under everything else.
void widen(QMessageBox& box)
{
    constexpr int kMinimumWidth = 460;
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    grid->addItem(new QSpacerItem(kMinimumWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

// An alert of no window stands in the middle of the screen of the active window (else the
// primary screen), as the platform's do, never in a corner.
void centreOnScreen(QMessageBox& box)
{
    const QWidget* active = QApplication::activeWindow();
    const QScreen* screen = active && active->screen() ? active->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    box.adjustSize();
    const QRect frame(QPoint(), box.frameGeometry().size().expandedTo(box.sizeHint()));
    box.move(screen->availableGeometry().center() - frame.center());
}

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
    if (!request.accessoryViews.isEmpty())
        addAccessoryViews(b, request.accessoryViews);
    widen(*b.box);
    if (parent)
        b.box->setWindowModality(Qt::WindowModal);
    return b;
}

// A box on a window is that window's child as well: a window that goes while the box is up takes
// the box along, and the box then must not be deleted a second time.
void forgetWhenDestroyed(const std::shared_ptr<Built>& b)
{
    QObject::connect(b->box.get(), &QObject::destroyed, [weak = std::weak_ptr<Built>(b)] {
        if (const auto built = weak.lock())
            (void)built->box.release();
    });
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
    const auto b = std::make_shared<Built>(build(request));
    forgetWhenDestroyed(b);
    if (!request.parentWindow)
        centreOnScreen(*b->box);
    b->box->exec();
    if (!b->box) {
        // The window went while the alert was up: answered as if cancelled.
        AlertResponse response;
        response.buttonIndex = int(b->buttons.size()) - 1;
        return response;
    }
    const AlertResponse response = responseOf(*b);
    b->giveBack();
    return response;
}

void MessageBoxAlertPresenter::beginSheet(const AlertRequest& request, std::function<void(AlertResponse)> handler)
{
    auto b = std::make_shared<Built>(build(request));
    forgetWhenDestroyed(b);
    QMessageBox* box = b->box.get();
    if (!request.parentWindow)
        centreOnScreen(*box);
    QObject::connect(box, &QMessageBox::finished, box, [b, handler](int) {
        const AlertResponse response = responseOf(*b);
        b->giveBack();
        if (handler)
            handler(response);
        b->box.release()->deleteLater();
    });
    box->open();
}

} // namespace dw
