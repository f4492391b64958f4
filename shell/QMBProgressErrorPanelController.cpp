#include "shell/QMBProgressErrorPanelController.h"

#include "DWKit/widgets/NSWindow+DWExtension.h"
#include "model/QMErrorEnvelope.h"
#include "platform/core/Localization.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kPanelWidth = 420;

QLabel* field(QWidget* parent, const char* name, bool bold)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

} // namespace

QMBProgressErrorPanelController::QMBProgressErrorPanelController(QWidget* parent)
{
    m_window = new QMainWindow(parent, Qt::Sheet | Qt::Dialog);
    m_window->setObjectName(QStringLiteral("progressErrorPanel"));
    m_window->setWindowModality(Qt::WindowModal);
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    setParent(m_window);

    m_progressView = new QWidget(m_window);
    m_progressView->setObjectName(QStringLiteral("progressView"));
    m_progressView->setFixedWidth(kPanelWidth);
    auto* progress = new QVBoxLayout(m_progressView);
    progress->setContentsMargins(20, 18, 20, 18);
    m_messageField = field(m_progressView, "messageField", true);
    m_progressBar = new QProgressBar(m_progressView);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setRange(0, 0);
    m_progressBar->setTextVisible(false);
    m_informationField = field(m_progressView, "informationField", false);
    progress->addWidget(m_messageField);
    progress->addWidget(m_progressBar);
    progress->addWidget(m_informationField);

    // The error view: the errors of the work, with a question and its buttons.
    m_errorView = new QWidget(m_window);
    m_errorView->setObjectName(QStringLiteral("errorView"));
    m_errorView->setFixedWidth(kPanelWidth);
    auto* error = new QVBoxLayout(m_errorView);
    error->setContentsMargins(20, 18, 20, 18);
    m_errorMessageField = field(m_errorView, "errorMessageField", true);
    m_errorsTableView = new QTableWidget(0, 1, m_errorView);
    m_errorsTableView->setObjectName(QStringLiteral("errorsTableView"));
    m_errorsTableView->horizontalHeader()->hide();
    m_errorsTableView->horizontalHeader()->setStretchLastSection(true);
    m_errorQuestionField = field(m_errorView, "errorQuestionField", false);
    auto* buttons = new QHBoxLayout;
    m_moreInfoButon = new QPushButton(dw::localized("More Info"), m_errorView);
    m_moreInfoButon->setObjectName(QStringLiteral("moreInfoButon"));
    m_okOrCancelButton = new QPushButton(dw::localized("OK"), m_errorView);
    m_okOrCancelButton->setObjectName(QStringLiteral("okOrCancelButton"));
    m_continueButton = new QPushButton(dw::localized("Continue"), m_errorView);
    m_continueButton->setObjectName(QStringLiteral("continueButton"));
    buttons->addWidget(m_moreInfoButon);
    buttons->addStretch(1);
    buttons->addWidget(m_okOrCancelButton);
    buttons->addWidget(m_continueButton);
    error->addWidget(m_errorMessageField);
    error->addWidget(m_errorsTableView, 1);
    error->addWidget(m_errorQuestionField);
    error->addLayout(buttons);
    m_errorView->hide();
}

QMBProgressErrorPanelController*
QMBProgressErrorPanelController::progressSheetForParentWindow(QWidget* parent, const QString& message,
                                                              const QString& information)
{
    auto* controller = new QMBProgressErrorPanelController(parent);
    controller->switchToProgressViewAnimate(false);
    controller->setMessageFieldText(message);
    controller->setInformationFieldText(information);
    QMainWindow* sheet = controller->m_window;
    sheet->adjustSize();
    if (parent) {
        // A sheet hangs from the top of the window's content, centred across it.
        const auto* window = qobject_cast<const QMainWindow*>(parent);
        const QWidget* content = window && window->centralWidget() ? window->centralWidget() : parent;
        const QPoint top = content->mapToGlobal(QPoint(content->width() / 2, 0));
        sheet->move(top.x() - sheet->width() / 2, top.y());
    }
    sheet->show();
    return controller;
}

void QMBProgressErrorPanelController::switchToProgressViewAnimate(bool animate)
{
    dw::changeContentViewToView(m_window, m_progressView, false, animate);
}

void QMBProgressErrorPanelController::setMessageFieldText(const QString& text)
{
    m_messageField->setText(text);
}

void QMBProgressErrorPanelController::setInformationFieldText(const QString& text)
{
    m_informationField->setText(text);
}

void QMBProgressErrorPanelController::close()
{
    if (m_window)
        m_window->close();
}
