#include "DWKit/widgets/QMSaveProgressPanelController.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace {

const QString kBarTab = QStringLiteral("bar");
const QString kSpinningTab = QStringLiteral("spinning");

void centre(QWidget* window)
{
    window->adjustSize();
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen)
        window->move(screen->availableGeometry().center() - QPoint(window->width() / 2, window->height() / 2));
}

} // namespace

QMSaveProgressPanelController::QMSaveProgressPanelController() : m_window(std::make_unique<QDialog>())
{
    m_window->setObjectName(QStringLiteral("saveProgressPanel"));
    m_messageField = new QLabel(m_window.get());
    m_messageField->setObjectName(QStringLiteral("messageField"));
    m_messageField->setTextFormat(Qt::PlainText);

    m_tabView = new QStackedWidget(m_window.get());
    m_tabView->setObjectName(QStringLiteral("tabView"));
    auto* barPage = new QWidget;
    barPage->setObjectName(kBarTab);
    m_barProgressIndicator = new dw::ProgressIndicator(barPage);
    m_barProgressIndicator->setObjectName(QStringLiteral("barProgressIndicator"));
    (new QVBoxLayout(barPage))->addWidget(m_barProgressIndicator);
    auto* spinningPage = new QWidget;
    spinningPage->setObjectName(kSpinningTab);
    m_spinningProgressIndicator = new dw::ProgressIndicator(spinningPage);
    m_spinningProgressIndicator->setObjectName(QStringLiteral("spinningProgressIndicator"));
    m_spinningProgressIndicator->setIndicatorStyle(dw::ProgressIndicator::Style::Spinning);
    (new QVBoxLayout(spinningPage))->addWidget(m_spinningProgressIndicator, 0, Qt::AlignHCenter);
    m_tabView->addWidget(barPage);
    m_tabView->addWidget(spinningPage);

    auto* layout = new QVBoxLayout(m_window.get());
    layout->addWidget(m_messageField);
    layout->addWidget(m_tabView);
    m_window->setMinimumWidth(360);
}

QMSaveProgressPanelController* QMSaveProgressPanelController::sharedQMSaveProgressPanelController()
{
    // Made once (the initialisation is thread-safe) and never destroyed: a static destructor
    // would delete its window after the application object, which widgets must not outlive.
    static QMSaveProgressPanelController* const shared = new QMSaveProgressPanelController;
    return shared;
}

QMSaveProgressPanelController* QMSaveProgressPanelController::sharedPanelWithMessage(const QString& message)
{
    QMSaveProgressPanelController* panel = sharedQMSaveProgressPanelController();
    panel->setMessage(message);
    return panel;
}

void QMSaveProgressPanelController::showProgressPanelWithMessage(const QString& message,
                                                                 bool selectBarProgressIndicator, bool useModalSession)
{
    QMSaveProgressPanelController* panel = sharedPanelWithMessage(message);
    dw::ProgressIndicator* indicator = nullptr;
    if (selectBarProgressIndicator) {
        panel->selectTab(kBarTab);
        indicator = panel->m_barProgressIndicator;
        indicator->setIndeterminate(false);
        indicator->setMinValue(0);
        indicator->setDoubleValue(0);
        indicator->setUsesThreadedAnimation(true);
    } else {
        panel->selectTab(kSpinningTab);
        indicator = panel->m_spinningProgressIndicator;
    }
    indicator->startAnimation();
    if (useModalSession) {
        panel->beginModalSessionWithBarIndicator(selectBarProgressIndicator);
    } else {
        centre(panel->window());
        panel->window()->show();
        panel->window()->raise();
    }
}

void QMSaveProgressPanelController::showProgressPanelWithMessage(const QString& message, bool useModalSession)
{
    showProgressPanelWithMessage(message, false, useModalSession);
}

void QMSaveProgressPanelController::showProgressPanelWithMessage(const QString& message)
{
    showProgressPanelWithMessage(message, false, true);
}

void QMSaveProgressPanelController::showProgressPanelWithMessage(const QString& message, double progressMaxValue)
{
    sharedQMSaveProgressPanelController()->m_barProgressIndicator->setMaxValue(progressMaxValue);
    showProgressPanelWithMessage(message, true, true);
}

void QMSaveProgressPanelController::hideProgressPanel()
{
    QMSaveProgressPanelController* panel = sharedQMSaveProgressPanelController();
    panel->m_spinningProgressIndicator->stopAnimation();
    panel->m_barProgressIndicator->stopAnimation();
    panel->endModalSession();
    panel->window()->hide();
}

void QMSaveProgressPanelController::beginModalSessionWithBarIndicator(bool)
{
    beginModalSession();
}

void QMSaveProgressPanelController::beginModalSession()
{
    if (m_modalSession)
        return;
    centre(m_window.get());
    m_modalSession = dw::ModalSession::begin(m_window.get());
    m_modalSession->run();
}

void QMSaveProgressPanelController::endModalSession()
{
    if (!m_modalSession)
        return;
    m_modalSession->end();
    m_modalSession.reset();
}

void QMSaveProgressPanelController::setMessage(const QString& message)
{
    m_message = message;
    m_messageField->setText(message);
}

void QMSaveProgressPanelController::selectTab(const QString& identifier)
{
    if (QWidget* page = m_tabView->findChild<QWidget*>(identifier, Qt::FindDirectChildrenOnly))
        m_tabView->setCurrentWidget(page);
}
