#include "panels/QMAddItemProgressPanelController.h"

#include "DWKit/widgets/QMContainerView.h"
#include "Operations/QMAddItemOperationEnvelope.h"
#include "ProgressAnimationView/QMProgressAnimationView.h"
#include "ProgressAnimationView/QMProgressItemListModel.h"
#include "model/QMErrorEnvelope.h"
#include "panels/QMAddItemOperationEnvelopeProgressItem.h"
#include "panels/QMAddItemOperationEnvelopeView.h"
#include "panels/QMAddItemOperationEnvelopeViewController.h"
#include "panels/QMError+Bindings.h"
#include "panels/QMError+Help.h"
#include "panels/QMErrorTableModel.h"
#include "platform/core/Localization.h"
#include "platform/widgets/ApplicationImage.h"

#include <QDialog>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <QVariantAnimation>

QMAddItemProgressPanelController::QMAddItemProgressPanelController(QWidget* parentWindow)
    : QMProgressPanelController(parentWindow)
{
    QDialog* panel = window();
    panel->setObjectName(QStringLiteral("addItemProgressPanel"));
    panel->setWindowTitle(dw::localized("Uploading Auctions"));
    // The base panel's own arrangement gives way to the two faces; its controls move into them.
    delete panel->layout();
    auto* content = new QVBoxLayout(panel);
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(0);
    buildEnvelopesView();
    buildErrorView();

    auto& center = dw::NotificationCenter::defaultCenter();
    m_statusObservation = dw::ScopedObservation(
        center, center.addObserver(
                    QLatin1String(kQMAddItemOperationEnvelopeStatusChangedNotification), nullptr,
                    [this](const dw::Notification& notification) { handleEnvelopeStatusChanged(notification); }));
    panel->installEventFilter(this);
}

bool QMAddItemProgressPanelController::eventFilter(QObject* watched, QEvent* event)
{
    // The seller's Escape or the window's close button: on the upload face it cancels, on the error
    // face it closes. A close of the program's own (dismissing the panel) is no such request.
    const bool escape = event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    const bool userClose = event->type() == QEvent::Close && event->spontaneous();
    if (watched == window() && (escape || userClose)) {
        event->ignore();
        if (m_currentView == m_errorView)
            errorButtonClicked(AbortButton);
        else if (m_currentView == m_envelopesView)
            doCancel();
        return true;
    }
    return QMProgressPanelController::eventFilter(watched, event);
}

QMAddItemProgressPanelController::~QMAddItemProgressPanelController()
{
    m_statusObservation.reset();
    if (m_errorLoop)
        m_errorLoop->quit();
    // The envelopes may outlive the panel; they must not call it afterwards.
    for (const auto& weak : std::as_const(m_envelopes)) {
        if (const auto envelope = weak.lock(); envelope && envelope->progressPanelController() == this)
            envelope->setProgressPanelController(nullptr);
    }
    if (m_progressAnimationView)
        m_progressAnimationView->unbindItems();
}

void QMAddItemProgressPanelController::buildEnvelopesView()
{
    QDialog* panel = window();
    auto* view = new QWidget(panel);
    view->setObjectName(QStringLiteral("envelopesView"));
    view->hide();
    m_envelopesView = view;

    m_progressArrayController = new QMProgressItemListModel(this);
    m_progressAnimationView = new QMProgressAnimationView(QSize(625, 270), view);
    // The binding of the nib: the animation follows the items' list.
    m_progressAnimationView->bindItems(m_progressArrayController);

    m_containerView = new QMContainerView(view);
    m_containerView->setObjectName(QStringLiteral("containerView"));
    m_containerView->setBackgroundColor(panel->palette().color(QPalette::Window));
    m_containerView->awakeFromNib();

    // The bottom strip: the message with the bar below it, and Cancel All.
    auto* strip = new QWidget(view);
    strip->setObjectName(QStringLiteral("progressStrip"));
    strip->setFixedHeight(int(additionalHeightForPanelShowingError(false)));
    messageField()->setParent(strip);
    informationField()->setParent(strip);
    progressBar()->setParent(strip);
    progressBar()->setFixedHeight(14);
    imageView()->setParent(strip);
    imageView()->hide();
    m_cancelAllButton = new QPushButton(dw::localized("Cancel All"), strip);
    m_cancelAllButton->setObjectName(QStringLiteral("cancelAllButton"));
    auto* texts = new QHBoxLayout;
    texts->addWidget(messageField(), 1);
    texts->addWidget(informationField());
    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    column->addLayout(texts);
    column->addWidget(progressBar());
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(12, 6, 12, 6);
    stripLayout->setSpacing(12);
    stripLayout->addLayout(column, 1);
    stripLayout->addWidget(m_cancelAllButton, 0, Qt::AlignVCenter);

    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_progressAnimationView);
    layout->addWidget(m_containerView, 1);
    layout->addWidget(strip);

    connect(m_cancelAllButton, &QPushButton::clicked, this, &QMAddItemProgressPanelController::doCancel);
}

void QMAddItemProgressPanelController::buildErrorView()
{
    QDialog* panel = window();
    auto* view = new QWidget(panel);
    view->setObjectName(QStringLiteral("errorView"));
    view->hide();
    m_errorView = view;

    m_errorIcon = new QLabel(view);
    m_errorIcon->setFixedSize(32, 32);
    m_errorIcon->setScaledContents(true);
    m_errorMessageField = new QLabel(view);
    m_errorMessageField->setObjectName(QStringLiteral("errorMessageField"));
    m_errorMessageField->setWordWrap(true);
    m_errorMessageField->setTextFormat(Qt::PlainText);
    QFont bold = m_errorMessageField->font();
    bold.setBold(true);
    m_errorMessageField->setFont(bold);
    m_errorQuestionField = new QLabel(view);
    m_errorQuestionField->setObjectName(QStringLiteral("errorQuestionField"));
    m_errorQuestionField->setWordWrap(true);
    m_errorQuestionField->setTextFormat(Qt::PlainText);

    m_errorsController = new QMErrorTableModel(this);
    m_errorsTable = m_errorsController->makeTableView(view);
    m_errorsTable->setObjectName(QStringLiteral("errorsTable"));
    m_errorsTable->setMinimumHeight(140);

    const auto button = [view](const char* title, const char* name) {
        auto* made = new QPushButton(dw::localized(title), view);
        made->setObjectName(QLatin1String(name));
        return made;
    };
    m_moreInfoButton = button("More Info", "moreInfoButton");
    m_ignoreButton = button("Ignore Warning", "ignoreButton");
    m_helpButton = button("Help", "helpButton");
    m_skipButton = button("Skip", "skipButton");
    m_abortButton = button("Cancel", "abortButton");
    m_continueButton = button("Continue", "continueButton");

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_errorMessageField);
    texts->addWidget(m_errorQuestionField);
    auto* top = new QHBoxLayout;
    top->addWidget(m_errorIcon, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_moreInfoButton);
    buttons->addWidget(m_ignoreButton);
    buttons->addWidget(m_helpButton);
    buttons->addStretch();
    buttons->addWidget(m_skipButton);
    buttons->addWidget(m_abortButton);
    buttons->addWidget(m_continueButton);
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(top);
    layout->addWidget(m_errorsTable, 1);
    layout->addLayout(buttons);

    connect(m_continueButton, &QPushButton::clicked, this, [this] { errorButtonClicked(ContinueButton); });
    connect(m_skipButton, &QPushButton::clicked, this, [this] { errorButtonClicked(SkipButton); });
    connect(m_abortButton, &QPushButton::clicked, this, [this] { errorButtonClicked(AbortButton); });
    connect(m_moreInfoButton, &QPushButton::clicked, this, &QMAddItemProgressPanelController::moreInfoButtonClicked);
    connect(m_ignoreButton, &QPushButton::clicked, this, &QMAddItemProgressPanelController::doIgnore);
    connect(m_helpButton, &QPushButton::clicked, this, &QMAddItemProgressPanelController::showErrorHelpAction);
    connect(m_errorsTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &QMAddItemProgressPanelController::updateErrorActionButtons);
}

std::unique_ptr<QMAddItemProgressPanelController>
QMAddItemProgressPanelController::progressSheetForParentWindow(QWidget* parentWindow, const QString& message,
                                                               const QString& actionName)
{
    std::unique_ptr<QMAddItemProgressPanelController> panel(new QMAddItemProgressPanelController(parentWindow));
    panel->setIsSheet(true);
    panel->switchToEnvelopesView();
    panel->setMessageFieldText(message);
    panel->progressAnimationView()->setRightOperationText(actionName);
    panel->setInformationFieldText(QString());
    panel->setCanCancel(true);
    panel->beginAsSheet();
    return panel;
}

std::unique_ptr<QMAddItemProgressPanelController>
QMAddItemProgressPanelController::progressPanelWithTitle(const QString& title, const QString& message,
                                                         const QString& actionName)
{
    std::unique_ptr<QMAddItemProgressPanelController> panel(new QMAddItemProgressPanelController(nullptr));
    panel->switchToEnvelopesView();
    panel->setMessageFieldText(message);
    panel->progressAnimationView()->setRightOperationText(actionName);
    panel->setInformationFieldText(QString());
    panel->setCanCancel(true);
    panel->window()->setWindowTitle(title);
    panel->beginModalPanel();
    return panel;
}

void QMAddItemProgressPanelController::displayPanelForError(const std::shared_ptr<QMErrorEnvelope>& errorEnvelope,
                                                            QWidget* window)
{
    std::unique_ptr<QMAddItemProgressPanelController> panel(new QMAddItemProgressPanelController(window));
    panel->setIsSheet(true);
    panel->setCanCancel(true);
    panel->switchToErrorView();
    panel->window()->setWindowTitle(dw::localized("eBay Errors"));
    panel->window()->resize(panel->window()->sizeHint().expandedTo(QSize(600, 360)));
    panel->beginAsSheet();
    panel->displayErrorPanelForErrors(errorEnvelope, false);
    panel->dismissSheet();
}

void QMAddItemProgressPanelController::switchToView(QWidget* view)
{
    auto* layout = static_cast<QVBoxLayout*>(window()->layout());
    for (QWidget* face : {m_envelopesView, m_errorView}) {
        if (face != view) {
            layout->removeWidget(face);
            face->hide();
        }
    }
    if (layout->indexOf(view) < 0)
        layout->addWidget(view);
    view->show();
    m_currentView = view;
}

void QMAddItemProgressPanelController::setWindowHeightKeepingTop(int height)
{
    if (m_growth)
        m_growth->stop();
    // Qt keeps a window's top-left corner when it is resized: the top edge stays.
    window()->resize(window()->width(), height);
}

void QMAddItemProgressPanelController::growWindowKeepingTop(int height)
{
    if (!window()->isVisible()) {
        setWindowHeightKeepingTop(height);
        return;
    }
    if (!m_growth) {
        m_growth = new QVariantAnimation(window());
        m_growth->setDuration(250);
        m_growth->setEasingCurve(QEasingCurve::OutCubic);
        QObject::connect(m_growth, &QVariantAnimation::valueChanged, this,
                         [this](const QVariant& value) { window()->resize(window()->width(), value.toInt()); });
    }
    m_growth->stop();
    m_growth->setStartValue(window()->height());
    m_growth->setEndValue(height);
    m_growth->start();
}

int QMAddItemProgressPanelController::windowTargetHeight() const
{
    if (m_growth && m_growth->state() == QAbstractAnimation::Running)
        return m_growth->endValue().toInt();
    return window()->height();
}

void QMAddItemProgressPanelController::switchToEnvelopesView()
{
    switchToView(m_envelopesView);
    window()->setFixedWidth(m_progressAnimationView->width());
    window()->setMinimumHeight(m_progressAnimationView->height() + int(additionalHeightForPanelShowingError(false)));
    setWindowHeightKeepingTop(m_progressAnimationView->height() + int(additionalHeightForPanelShowingError(false)));
}

void QMAddItemProgressPanelController::switchToErrorView()
{
    switchToView(m_errorView);
}

void QMAddItemProgressPanelController::addViewForEnvelope(const std::shared_ptr<QMAddItemOperationEnvelope>& envelope)
{
    if (!envelope)
        return;
    auto* controller = QMAddItemOperationEnvelopeViewController::controllerForEnvelope(envelope);
    m_containerView->addManagedViews({controller->containerView()});
    m_envelopes.append(envelope);
    envelope->setProgressPanelController(this);

    const auto item = QMAddItemOperationEnvelopeProgressItem::itemWithEnvelope(*envelope);
    m_progressItems.append(item);
    m_progressArrayController->appendItem(item);
    envelope->setStatus(QMAddItemOperationEnvelope::Created);
}

QList<QMAddItemOperationEnvelopeView*> QMAddItemProgressPanelController::envelopeViews() const
{
    QList<QMAddItemOperationEnvelopeView*> views;
    for (QWidget* view : m_containerView->managedViews()) {
        if (auto* envelopeView = qobject_cast<QMAddItemOperationEnvelopeView*>(view))
            views.append(envelopeView);
    }
    return views;
}

void QMAddItemProgressPanelController::updateViewForEnvelope(QMGenericEbayNSOperationEnvelope& envelope)
{
    if (const auto addItem = std::dynamic_pointer_cast<QMAddItemOperationEnvelope>(envelope.weak_from_this().lock()))
        updateViewForEnvelope(addItem);
}

void QMAddItemProgressPanelController::updateViewForEnvelope(
    const std::shared_ptr<QMAddItemOperationEnvelope>& envelope)
{
    for (QMAddItemOperationEnvelopeView* view : envelopeViews()) {
        if (view->controller() && view->controller()->envelope() == envelope) {
            view->controller()->updateViews();
            break;
        }
    }
    m_containerView->realignAllManagedViews();
    if (m_containerView->boundsForAllManagedSubviews().height() > 0) {
        const int wanted = m_progressAnimationView->height() + int(additionalHeightForPanelShowingError(true));
        // The panel grows to show an envelope's message and never shrinks while it shows uploads.
        if (wanted > windowTargetHeight())
            growWindowKeepingTop(wanted);
    }
}

void QMAddItemProgressPanelController::updateViewForOperation(const DWNSOperationPtr& operation)
{
    for (QMAddItemOperationEnvelopeView* view : envelopeViews()) {
        if (view->controller() && view->controller()->envelope() &&
            view->controller()->envelope()->containsOperation(operation)) {
            view->controller()->updateViews();
            break;
        }
    }
    m_containerView->realignAllManagedViews();
}

void QMAddItemProgressPanelController::handleEnvelopeStatusChanged(const dw::Notification& notification)
{
    const auto envelope =
        std::dynamic_pointer_cast<QMAddItemOperationEnvelope>(notification.object.shared<DWNSOperationEnvelope>());
    if (!envelope)
        return;
    const QString uuid = envelope->envelopeUuid();
    for (const auto& item : std::as_const(m_progressItems)) {
        if (item->uuid() == uuid) {
            // The status as it is now: the notification may arrive after further changes.
            item->setEnvelopeStatus(envelope->status());
            return;
        }
    }
}

void QMAddItemProgressPanelController::doCancel()
{
    const QList<QMAddItemOperationEnvelopeView*> views = envelopeViews();
    for (QMAddItemOperationEnvelopeView* view : views) {
        const auto envelope = view->controller() ? view->controller()->envelope() : nullptr;
        if (!envelope || envelope->allOperationsFinishedOrCanceled())
            continue;
        envelope->cancelAllOperations();
        // A failed envelope refuses this and stays failed.
        envelope->setStatus(QMAddItemOperationEnvelope::Finished);
        updateViewForEnvelope(envelope);
    }
    dismissSheet();
    // The delegate may release the panel: nothing of it is touched afterwards.
    if (m_delegate)
        m_delegate->addItemProgressPanelControllerDidCancel(this);
}

int QMAddItemProgressPanelController::displayErrorPanelForErrors(const std::shared_ptr<QMErrorEnvelope>& errors,
                                                                 bool hasContinueButton)
{
    switchToErrorView();
    m_errors = errors;
    m_errorsController->setErrorEnvelope(errors);
    if (m_errorsController->rowCount() > 0)
        m_errorsTable->selectRow(0);
    m_continueButton->setVisible(hasContinueButton);
    m_skipButton->setVisible(false);
    const QMErrorEnvelope empty;
    const QMErrorEnvelope& shown = errors ? *errors : empty;
    m_abortButton->setText(abortButtonTitleForErrorEnvelope(shown, hasContinueButton));
    (hasContinueButton ? m_continueButton : m_abortButton)->setDefault(true);
    m_errorMessageField->setText(errorMessageStringForErrorEnvelope(shown));
    m_errorQuestionField->setText(errorQuestionStringForErrorEnvelope(shown, hasContinueButton));
    m_errorIcon->setPixmap(
        dw::applicationPixmap(shown.hasError() ? QStringLiteral("AddItemError") : QStringLiteral("AddItemWarning")));
    updateErrorActionButtons();

    m_lastErrorButtonClicked = AbortButton;
    if (!window()->isVisible())
        window()->show();
    QEventLoop loop;
    m_errorLoop = &loop;
    loop.exec();
    m_errorLoop = nullptr;
    return m_lastErrorButtonClicked;
}

QString QMAddItemProgressPanelController::errorMessageStringForErrorEnvelope(const QMErrorEnvelope& errors)
{
    return QMErrorBindings::receivedFromServerText(errors) + QLatin1Char(':');
}

QString QMAddItemProgressPanelController::errorQuestionStringForErrorEnvelope(const QMErrorEnvelope& errors, bool)
{
    return errors.firstError() ? dw::localized("The current operation has been canceled.")
                               : dw::localized("The current operation succeeded with a warning.");
}

QString QMAddItemProgressPanelController::abortButtonTitleForErrorEnvelope(const QMErrorEnvelope&,
                                                                           bool continueButtonAvailable)
{
    return continueButtonAvailable ? dw::localized("Cancel") : dw::localized("Close");
}

std::shared_ptr<QMError> QMAddItemProgressPanelController::selectedWarning() const
{
    return QMErrorBindings::firstWarning(m_errorsController->selectedErrors(m_errorsTable));
}

void QMAddItemProgressPanelController::updateErrorActionButtons()
{
    m_moreInfoButton->setEnabled(m_errors && !m_errors->eBayMessage().isEmpty());
    m_ignoreButton->setEnabled(selectedWarning() != nullptr);
    bool help = false;
    for (const auto& error : m_errorsController->selectedErrors(m_errorsTable))
        help = help || QMErrorBindings::helpAvailable(*error);
    m_helpButton->setEnabled(help);
}

void QMAddItemProgressPanelController::errorButtonClicked(int tag)
{
    m_lastErrorButtonClicked = tag;
    if (m_errorLoop)
        m_errorLoop->quit();
}

void QMAddItemProgressPanelController::moreInfoButtonClicked()
{
    if (m_errors)
        QMErrorHelp::showEBayMessage(m_errors->eBayMessage());
}

void QMAddItemProgressPanelController::doIgnore()
{
    const auto warning = selectedWarning();
    if (!warning || !m_errors)
        return;
    QMErrorBindings::ignoreWarning(warning, *m_errors);
    m_errorsController->refreshIgnoreState();
}

void QMAddItemProgressPanelController::showErrorHelpAction()
{
    for (const auto& error : m_errorsController->selectedErrors(m_errorsTable)) {
        const QString anchor = QMErrorHelp::helpAnchor(*error);
        if (!anchor.isNull()) {
            QMErrorHelp::openHelpAnchor(anchor);
            return;
        }
    }
}
