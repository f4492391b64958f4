#include "DWKit/widgets/QMProgressPanelController.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

namespace {

void centre(QWidget* window)
{
    window->adjustSize();
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

} // namespace

QMProgressPanelController::QMProgressPanelController(QWidget* parentWindow)
{
    auto* window = new QDialog(parentWindow ? parentWindow->window() : nullptr);
    window->setObjectName(QStringLiteral("progressPanel"));
    m_window = window;

    m_imageView = new QLabel(window);
    m_imageView->setObjectName(QStringLiteral("imageView"));
    m_imageView->setFixedSize(48, 48);
    m_imageView->setScaledContents(true);
    m_messageField = new QLabel(window);
    m_messageField->setObjectName(QStringLiteral("messageField"));
    m_messageField->setTextFormat(Qt::PlainText);
    m_informationField = new QLabel(window);
    m_informationField->setObjectName(QStringLiteral("informationField"));
    m_informationField->setTextFormat(Qt::PlainText);
    m_progressBar = new dw::ProgressIndicator(window);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setMinimumWidth(320);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_messageField);
    texts->addWidget(m_progressBar);
    texts->addWidget(m_informationField);
    auto* layout = new QHBoxLayout(window);
    layout->addWidget(m_imageView, 0, Qt::AlignTop);
    layout->addLayout(texts, 1);
}

QMProgressPanelController::~QMProgressPanelController()
{
    if (m_modalSession)
        m_modalSession->end();
    if (m_window) {
        m_window->hide();
        m_window->deleteLater();
    }
}

std::unique_ptr<QMProgressPanelController>
QMProgressPanelController::progressPanelWithTitle(const QString& title, const QString& message, const QString&)
{
    std::unique_ptr<QMProgressPanelController> controller(new QMProgressPanelController(nullptr));
    controller->setMessageFieldText(message);
    controller->setInformationFieldText(QString());
    controller->window()->setWindowTitle(title);
    controller->beginModalPanel();
    return controller;
}

std::unique_ptr<QMProgressPanelController>
QMProgressPanelController::progressSheetForParentWindow(QWidget* parentWindow, const QString& message, const QString&)
{
    std::unique_ptr<QMProgressPanelController> controller(new QMProgressPanelController(parentWindow));
    controller->setIsSheet(true);
    controller->setMessageFieldText(message);
    controller->setInformationFieldText(QString());
    controller->progressBar()->startAnimation();
    controller->progressBar()->setIndeterminate(true);
    controller->beginAsSheet();
    return controller;
}

void QMProgressPanelController::beginAsSheet()
{
    m_window->setWindowModality(Qt::WindowModal);
    m_window->show();
}

void QMProgressPanelController::beginModalPanel()
{
    centre(m_window);
    setModalSession(dw::ModalSession::begin(m_window));
}

void QMProgressPanelController::dismissSheet()
{
    // Ends exactly what this panel began, once: the session is forgotten when it ends, and a
    // closed sheet has nothing left to end.
    if (!m_isSheet && m_modalSession) {
        m_modalSession->end();
        m_modalSession.reset();
    }
    if (m_window) {
        m_window->close();
        m_window->hide();
    }
}

void QMProgressPanelController::setMessageFieldText(const QString& text)
{
    m_messageField->setText(text);
}

void QMProgressPanelController::setInformationFieldText(const QString& text)
{
    m_informationField->setText(text);
}

void QMProgressPanelController::setImage(const QImage& image)
{
    m_imageView->setPixmap(QPixmap::fromImage(image));
}
