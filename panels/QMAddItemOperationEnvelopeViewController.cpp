#include "panels/QMAddItemOperationEnvelopeViewController.h"

#include "DWKit/widgets/NSView+DWExtensions.h"
#include "DWKit/widgets/QMContainerView.h"
#include "Operations/QMAddItemOperation.h"
#include "Operations/QMAddItemOperationEnvelope.h"
#include "model/QMErrorEnvelope.h"
#include "panels/QMAddItemOperationEnvelopeView.h"
#include "panels/QMError+Bindings.h"
#include "panels/QMError+Help.h"
#include "panels/QMErrorTableModel.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <typeinfo>

namespace {

// Whether the envelope's last stage lists an item (the only kind of listing operation there is).
bool listsItem(const QMAddItemOperationEnvelope& envelope)
{
    const auto& operation = envelope.auctionItemOperation();
    return operation && typeid(*operation) == typeid(QMAddItemOperation);
}

} // namespace

QMAddItemOperationEnvelopeViewController* QMAddItemOperationEnvelopeViewController::controllerForEnvelope(
    const std::shared_ptr<QMAddItemOperationEnvelope>& envelope)
{
    auto* controller = new QMAddItemOperationEnvelopeViewController(envelope);
    auto* container = new QMAddItemOperationEnvelopeView;
    container->resize(container->width(), 0);
    controller->m_container = container;
    container->setController(controller);
    controller->buildViews();
    return controller;
}

QMAddItemOperationEnvelopeViewController::QMAddItemOperationEnvelopeViewController(
    const std::shared_ptr<QMAddItemOperationEnvelope>& envelope)
    : m_envelope(envelope)
{}

QMAddItemOperationEnvelopeViewController::~QMAddItemOperationEnvelopeViewController() = default;

void QMAddItemOperationEnvelopeViewController::buildViews()
{
    // Made as a child of the container and hidden: it goes in only when there is something to say.
    auto* view = new QWidget(m_container);
    view->setObjectName(QStringLiteral("errorOrWarningsView"));
    view->hide();
    m_errorOrWarningsView = view;

    m_titleTextField3 = new QLabel(view);
    m_titleTextField3->setObjectName(QStringLiteral("titleTextField"));
    m_titleTextField3->setWordWrap(true);
    m_titleTextField3->setTextFormat(Qt::PlainText);
    QFont bold = m_titleTextField3->font();
    bold.setBold(true);
    m_titleTextField3->setFont(bold);
    m_informationTextField3 = new QLabel(view);
    m_informationTextField3->setObjectName(QStringLiteral("informationTextField"));
    m_informationTextField3->setWordWrap(true);
    m_informationTextField3->setTextFormat(Qt::PlainText);

    m_errorsController = new QMErrorTableModel(this);
    m_errorsTable = m_errorsController->makeTableView(view);
    m_errorsTable->setObjectName(QStringLiteral("errorsTable"));
    m_errorsTable->setFixedHeight(96);

    m_moreInfoButton = new QPushButton(dw::localized("More Info"), view);
    m_moreInfoButton->setObjectName(QStringLiteral("moreInfoButton"));
    m_ignoreButton = new QPushButton(dw::localized("Ignore Warning"), view);
    m_ignoreButton->setObjectName(QStringLiteral("ignoreButton"));
    m_helpButton = new QPushButton(dw::localized("Help"), view);
    m_helpButton->setObjectName(QStringLiteral("helpButton"));
    m_continueButton = new QPushButton(dw::localized("Continue"), view);
    m_continueButton->setObjectName(QStringLiteral("continueButton"));
    m_cancelOrOKButton = new QPushButton(dw::localized("Cancel"), view);
    m_cancelOrOKButton->setObjectName(QStringLiteral("cancelOrOKButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_moreInfoButton);
    buttons->addWidget(m_ignoreButton);
    buttons->addWidget(m_helpButton);
    buttons->addStretch();
    buttons->addWidget(m_cancelOrOKButton);
    buttons->addWidget(m_continueButton);

    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(4);
    layout->addWidget(m_titleTextField3);
    layout->addWidget(m_informationTextField3);
    layout->addWidget(m_errorsTable);
    layout->addLayout(buttons);

    connect(m_continueButton, &QPushButton::clicked, this, &QMAddItemOperationEnvelopeViewController::doContinue);
    connect(m_cancelOrOKButton, &QPushButton::clicked, this, &QMAddItemOperationEnvelopeViewController::doCancelOrOK);
    connect(m_moreInfoButton, &QPushButton::clicked, this, &QMAddItemOperationEnvelopeViewController::doMoreInfo);
    connect(m_ignoreButton, &QPushButton::clicked, this, &QMAddItemOperationEnvelopeViewController::doIgnore);
    connect(m_helpButton, &QPushButton::clicked, this, &QMAddItemOperationEnvelopeViewController::showErrorHelpAction);
    connect(m_errorsTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &QMAddItemOperationEnvelopeViewController::updateActionButtons);
    connect(m_errorsController, &QAbstractItemModel::modelReset, this,
            &QMAddItemOperationEnvelopeViewController::updateActionButtons);
    updateActionButtons();
}

QMAddItemOperationEnvelopeView* QMAddItemOperationEnvelopeViewController::containerView()
{
    updateViews();
    return m_container;
}

void QMAddItemOperationEnvelopeViewController::updateActionButtons()
{
    const auto errors = m_errorsController->errorEnvelope();
    m_moreInfoButton->setEnabled(errors && !errors->eBayMessage().isEmpty());
    m_ignoreButton->setEnabled(selectedWarning() != nullptr);
    bool help = false;
    for (const auto& error : m_errorsController->selectedErrors(m_errorsTable))
        help = help || QMErrorBindings::helpAvailable(*error);
    m_helpButton->setEnabled(help);
}

void QMAddItemOperationEnvelopeViewController::updateViews()
{
    if (!m_envelope)
        return;
    QMAddItemOperationEnvelope& envelope = *m_envelope;
    const bool allDone = envelope.allOperationsFinishedOrCanceled();
    if (allDone && !envelope.suspended()) {
        switchToView(nullptr);
        return;
    }
    if (!envelope.errorOccurred()) {
        // A run that waits for the user keeps what it shows.
        if (!envelope.suspended())
            switchToView(nullptr);
        return;
    }
    const auto errors = envelope.errorEnvelope();
    m_errorsController->setErrorEnvelope(errors);
    switchToView(m_errorOrWarningsView);
    if (!m_errorsTable->selectionModel()->hasSelection() && m_errorsController->rowCount() > 0)
        m_errorsTable->selectRow(0);

    if (!errors->hasError() && !allDone) {
        m_titleTextField3->setText(errorMessageStringForErrorEnvelope(*errors));
        m_cancelOrOKButton->setText(dw::localized("Cancel"));
        m_cancelOrOKButton->setEnabled(true);
        m_continueButton->setEnabled(true);
        m_continueButton->setVisible(true);
        m_continueButton->setDefault(true);
        m_informationTextField3->setText(continueQuestionInfoMessage());
    } else {
        m_informationTextField3->setText(QString());
        m_titleTextField3->setText(allDone ? startedWithWarningInfoMessage()
                                           : errorMessageStringForErrorEnvelope(*errors));
        m_cancelOrOKButton->setText(dw::localized("OK"));
        m_cancelOrOKButton->setEnabled(true);
        m_cancelOrOKButton->setDefault(true);
        m_continueButton->setEnabled(false);
    }
    m_informationTextField3->setVisible(!m_informationTextField3->text().isEmpty());
    updateActionButtons();
}

QString QMAddItemOperationEnvelopeViewController::titleMessage() const
{
    const auto& operation = m_envelope ? m_envelope->auctionItemOperation() : nullptr;
    return operation ? operation->itemTitle() : QString();
}

QString QMAddItemOperationEnvelopeViewController::continueQuestionInfoMessage() const
{
    return m_envelope && listsItem(*m_envelope) ? dw::localized("Do you want to continue listing the item?")
                                                : QString();
}

QString QMAddItemOperationEnvelopeViewController::startedWithWarningInfoMessage() const
{
    if (m_envelope && listsItem(*m_envelope))
        return dw::format(dw::localized("The item \u201C%@\u201D was started with a warning:"), titleMessage());
    return titleMessage();
}

QString QMAddItemOperationEnvelopeViewController::errorMessageStringForErrorEnvelope(const QMErrorEnvelope& errors,
                                                                                     bool appendColon) const
{
    const QString title = titleMessage();
    QString text = title.isEmpty() ? QString() : dw::format(QStringLiteral("%@: "), title);
    text += QMErrorBindings::receivedFromServerText(errors);
    if (appendColon)
        text += QLatin1Char(':');
    return text;
}

void QMAddItemOperationEnvelopeViewController::switchToView(QWidget* view)
{
    if (!m_container)
        return;
    if (view) {
        if (view->parentWidget() == m_container && view->isVisibleTo(m_container))
            return;
        for (QWidget* child : m_container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            child->hide();
        const int width = m_container->width();
        const int height = view->hasHeightForWidth() ? view->heightForWidth(width) : view->sizeHint().height();
        view->setParent(m_container);
        view->setGeometry(0, 0, width, height);
        m_container->resize(width, height);
        view->show();
    } else {
        for (QWidget* child : m_container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            child->hide();
        m_container->resize(m_container->width(), 0);
    }
    if (auto* stack = dw::enclosingViewOfClass<QMContainerView>(m_container))
        stack->realignAllManagedViews();
}

std::shared_ptr<QMError> QMAddItemOperationEnvelopeViewController::selectedWarning() const
{
    return QMErrorBindings::firstWarning(m_errorsController->selectedErrors(m_errorsTable));
}

void QMAddItemOperationEnvelopeViewController::doContinue()
{
    if (!m_envelope)
        return;
    m_envelope->continueExecution();
    updateViews();
}

void QMAddItemOperationEnvelopeViewController::doCancel()
{
    if (!m_envelope)
        return;
    m_envelope->cancelAllOperations();
    m_envelope->continueExecution();
    updateViews();
}

void QMAddItemOperationEnvelopeViewController::doCancelOrOK()
{
    if (!m_envelope)
        return;
    const auto errors = m_envelope->errorEnvelope();
    if ((errors && errors->hasError()) || !m_envelope->allOperationsFinishedOrCanceled()) {
        doCancel();
        return;
    }
    m_envelope->continueExecution();
    updateViews();
}

void QMAddItemOperationEnvelopeViewController::doMoreInfo()
{
    if (const auto errors = m_envelope ? m_envelope->errorEnvelope() : nullptr)
        QMErrorHelp::showEBayMessage(errors->eBayMessage());
}

void QMAddItemOperationEnvelopeViewController::doIgnore()
{
    const auto errors = m_envelope ? m_envelope->errorEnvelope() : nullptr;
    const auto warning = selectedWarning();
    if (!errors || !warning)
        return;
    QMErrorBindings::ignoreWarning(warning, *errors);
    m_errorsController->refreshIgnoreState();
}

void QMAddItemOperationEnvelopeViewController::showErrorHelpAction()
{
    for (const auto& error : m_errorsController->selectedErrors(m_errorsTable)) {
        const QString anchor = QMErrorHelp::helpAnchor(*error);
        if (!anchor.isNull()) {
            QMErrorHelp::openHelpAnchor(anchor);
            return;
        }
    }
}
