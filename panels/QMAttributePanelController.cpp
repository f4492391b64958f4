#include "panels/QMAttributePanelController.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/DWOperation/DWNSOperation.h"
#include "DWKit/QMAlertPanels.h"
#include "DWKit/widgets/NSView+DWExtensions.h"
#include "Operations/QMGetItemRecommendationsOperation.h"
#include "Operations/QMOperationManager.h"
#include "model/QMAccountDataSource.h"
#include "model/QMEbayItem.h"
#include "model/QMError.h"
#include "model/QMErrorEnvelope.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/core/UserDefaults.h"
#include "platform/widgets/ProgressIndicator.h"
#include "specifics/QMAttributeSetView.h"
#include "specifics/QMCustomSpecificViewController.h"
#include "specifics/QMCustomSpecificsView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr const char* kCustomSpecificsTabIdentifier = "CustomSpecifics";
constexpr const char* kTabIdentifierProperty = "tabIdentifier";
// The sheet remembers its size under the name the platform gives a window's saved frame.
constexpr const char* kFrameDefaultsKey = "NSWindow Frame QMAttributePanel";
constexpr int kMargin = 12;

void showAlert(QWidget* window, const QString& title, const QString& message)
{
    dw::AlertRequest alert;
    alert.messageText = title;
    alert.informativeText = message;
    alert.parentWindow = window;
    dw::runAlertPanel(alert, dw::localized("OK"), QString(), QString());
}

} // namespace

std::optional<QVariantMap> QMAttributePanelController::runSheetForWindow(
    QWidget* parentWindow, const QVariantMap& currentAttributeValues, const QStringList& characteristicSetIDs,
    const SQAttributesDatabasePtr& attributesDataBase, const SQCategoriesDatabasePtr& categoriesDataBase, int siteID,
    const std::optional<QList<SQItemSpecificPtr>>& suggestedSpecifics,
    const std::optional<QVariantMap>& initialItemSpecifics, QVariant* selectedItemSpecifics,
    const QList<std::shared_ptr<QMEbayItem>>& items)
{
    // The document window may go while the sheet runs (and take the sheet with it).
    QPointer<QMAttributePanelController> sheet = new QMAttributePanelController(parentWindow);
    sheet->setCurrentValues(currentAttributeValues);
    sheet->setCharacteristicSetIDs(characteristicSetIDs);
    sheet->setAttributesDataBase(attributesDataBase);
    sheet->setCategoriesDataBase(categoriesDataBase);
    sheet->setSiteID(siteID);
    sheet->setSuggestedSpecifics(suggestedSpecifics);
    sheet->setInitialItemSpecifics(initialItemSpecifics);
    sheet->setRunsForMultipleTemplates(items.size() > 1);
    sheet->setItems(items);
    sheet->awakeFromNib();
    const QStringList savedFrame =
        dw::UserDefaults::standard().stringForKey(QLatin1String(kFrameDefaultsKey)).split(u' ');
    if (savedFrame.size() >= 4 && dw::intValue(savedFrame.at(2)) > 0 && dw::intValue(savedFrame.at(3)) > 0)
        sheet->resize(dw::intValue(savedFrame.at(2)), dw::intValue(savedFrame.at(3)));
    sheet->setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);

    const int response = sheet->exec();
    if (!sheet)
        return std::nullopt;
    const QRect frame = sheet->geometry();
    dw::UserDefaults::standard().setObject(
        QStringLiteral("%1 %2 %3 %4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height()),
        QLatin1String(kFrameDefaultsKey));
    std::optional<QVariantMap> result;
    if (response == QDialog::Accepted) {
        if (selectedItemSpecifics)
            *selectedItemSpecifics = sheet->selectedItemSpecifics();
        result = sheet->selectedAttributeValues();
    }
    delete sheet.data();
    return result;
}

QMAttributePanelController::QMAttributePanelController(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("attributePanel"));
    setWindowTitle(dw::localized("Item Specifics"));
    setMinimumSize(560, 420);
    resize(720, 600);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin + 8, kMargin + 8, kMargin + 8, kMargin + 8);
    layout->setSpacing(kMargin);
    m_tabView = new QTabWidget(this);
    m_tabView->setObjectName(QStringLiteral("tabView"));
    m_tabView->setDocumentMode(false);
    layout->addWidget(m_tabView, 1);

    // The bar under the custom rows: the pop-up that adds a row.
    m_addSpecificView = new QWidget(this);
    m_addSpecificView->setObjectName(QStringLiteral("addSpecificView"));
    m_addSpecificView->hide();
    auto* bar = new QHBoxLayout(m_addSpecificView);
    bar->setContentsMargins(0, 0, 0, 0);
    auto* addLabel = new QLabel(dw::localized("Add detail:"), m_addSpecificView);
    m_specificPopup = new QComboBox(m_addSpecificView);
    m_specificPopup->setObjectName(QStringLiteral("specificPopup"));
    m_specificPopup->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    addLabel->setBuddy(m_specificPopup);
    auto* progress = new dw::ProgressIndicator(this);
    progress->setObjectName(QStringLiteral("recommendationsProgress"));
    progress->setIndicatorStyle(dw::ProgressIndicator::Style::Spinning);
    progress->setIndeterminate(true);
    progress->setFixedSize(16, 16);
    progress->hide();
    m_recommendationsProgress = progress;
    // eBay's recommendations are asked for under the tabs, so that a category without custom
    // specifics (no "Custom Details" tab) reaches them too.
    m_recommendationsButton = new QPushButton(dw::localized("Get Suggestions from eBay"), this);
    m_recommendationsButton->setObjectName(QStringLiteral("recommendationsButton"));
    m_recommendationsButton->setToolTip(
        dw::localized("Asks eBay which item details fit the title of your listing in its category."));
    m_recommendationsButton->setAutoDefault(false);
    connect(m_recommendationsButton, &QPushButton::clicked, this, &QMAttributePanelController::getCurrentSpecifics);
    bar->addWidget(addLabel);
    bar->addWidget(m_specificPopup);
    bar->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_recommendationsButton);
    buttons->addWidget(progress);
    buttons->addStretch();
    auto* cancel = new QPushButton(dw::localized("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    auto* ok = new QPushButton(dw::localized("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, &QMAttributePanelController::doCancel);
    connect(ok, &QPushButton::clicked, this, &QMAttributePanelController::doOK);
    buttons->addWidget(cancel);
    buttons->addWidget(ok);
    layout->addLayout(buttons);

    auto& center = dw::NotificationCenter::defaultCenter();
    m_startedObservation = dw::ScopedObservation(
        center, center.addObserver(QLatin1String(DWNSNotificationOperation_started), nullptr,
                                   [this](const dw::Notification& note) { operationStarted(note); }));
    m_endedObservation = dw::ScopedObservation(
        center, center.addObserver(QLatin1String(DWNSNotificationOperation_ended), nullptr,
                                   [this](const dw::Notification& note) { operationEnded(note); }));
}

QMAttributePanelController::~QMAttributePanelController() = default;

QPushButton* QMAttributePanelController::recommendationsButton() const
{
    return m_recommendationsButton;
}

QMCustomSpecificsView* QMAttributePanelController::specificsView() const
{
    return m_specificsView;
}

void QMAttributePanelController::awakeFromNib()
{
    if (m_tabsBuilt)
        return;
    m_tabsBuilt = true;
    if (m_suggestedSpecifics)
        m_tabView->addTab(makeCustomTab(), dw::localized("Custom Details"));
    for (const QString& identifier : std::as_const(m_characteristicSetIDs)) {
        const auto set = m_attributesDataBase
                             ? m_attributesDataBase->attributeSetWithIdentifier(dw::integerValue(identifier))
                             : nullptr;
        // A tab label reads "&" as a shortcut mark; eBay's set names use it as a word.
        if (set)
            m_tabView->addTab(makeSetTab(set, identifier), QString(set->name()).replace(u'&', QLatin1String("&&")));
    }
}

QWidget* QMAttributePanelController::makeCustomTab()
{
    auto* page = new QWidget;
    page->setProperty(kTabIdentifierProperty, QLatin1String(kCustomSpecificsTabIdentifier));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kMargin);

    m_specificsView = new QMCustomSpecificsView(page);
    m_specificsView->setObjectName(QStringLiteral("specificsView"));
    m_specificsView->awakeFromNib();
    m_specificsView->setSuggestedSpecifics(*m_suggestedSpecifics);
    m_specificsView->setInitialItemSpecifics(m_initialItemSpecifics.value_or(QVariantMap()));
    m_specificsView->setSpecificPopup(m_specificPopup);
    layout->addWidget(m_specificsView, 1);
    m_addSpecificView->setParent(page);
    m_addSpecificView->show();
    layout->addWidget(m_addSpecificView);

    bool useSuggestions = false;
    const qsizetype suggestions = m_suggestedSpecifics->size();
    if (m_initialItemSpecifics.value_or(QVariantMap()).isEmpty() && suggestions > 0) {
        dw::AlertRequest question;
        question.style = dw::AlertRequest::Style::Informational;
        question.messageText = dw::localized("Add Suggested Specifics");
        question.informativeText = dw::format(
            dw::localized("There are no custom specifics added to your item. Do you want to add the %d specifics "
                          "suggested by eBay for this category?"),
            int(suggestions));
        question.parentWindow = parentWidget();
        useSuggestions = dw::runAlertPanel(question, dw::localized("Add Suggestions"), dw::localized("Don\u2019t Add"),
                                           QString()) == 1;
    }
    m_specificsView->setRunsForMultipleTemplates(m_runsForMultipleTemplates);
    m_specificsView->installViewsUsingSuggestions(useSuggestions);
    return page;
}

QWidget* QMAttributePanelController::makeSetTab(const SQAttributeSetPtr& set, const QString& identifier)
{
    auto* page = new QWidget;
    page->setProperty(kTabIdentifierProperty, identifier);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kMargin);

    auto* setView = new QMAttributeSetView(page);
    setView->setObjectName(QStringLiteral("attributeSetView"));
    setView->setAttributeDataStore(m_attributesDataBase);
    setView->setAttributeSet(set);
    setView->setSiteID(m_siteID);
    setView->setAttributeValuesWrapper(m_currentValues.value(QString::number(set->identifier())).toMap());
    setView->installViews();
    layout->addWidget(setView, 1);

    auto* footer = new QWidget(page);
    footer->setObjectName(QStringLiteral("attributeCountView"));
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(0, 0, 0, 0);
    auto* count = new QLabel(footer);
    count->setObjectName(QStringLiteral("attributeCountLabel"));
    count->setText(dw::format(dw::localized("Item specifics in this set: %ld, required (marked *): %ld"),
                              qlonglong(setView->attributeControllers().size()),
                              qlonglong(setView->requiredAttributeControllers().size())));
    count->setForegroundRole(QPalette::PlaceholderText);
    footerLayout->addWidget(count);
    footerLayout->addStretch();
    layout->addWidget(footer);
    return page;
}

QVariantMap QMAttributePanelController::selectedAttributeValues() const
{
    const QString version = QString::number(m_attributesDataBase ? m_attributesDataBase->characterSetsVersion() : 0);
    QVariantMap result;
    for (int index = 0; index < m_tabView->count(); ++index) {
        QWidget* page = m_tabView->widget(index);
        const auto* setView = dw::firstSubviewOfClass<QMAttributeSetView>(page);
        if (!setView || !setView->attributeSet())
            continue;
        const QVariantMap values = setView->selectedAttributeValues();
        if (values.isEmpty())
            continue;
        result.insert(QString::number(setView->attributeSet()->identifier()),
                      QVariantMap{{QStringLiteral("version"), version}, {QStringLiteral("values"), values}});
    }
    return result;
}

QVariant QMAttributePanelController::selectedItemSpecifics() const
{
    return m_specificsView ? QVariant(m_specificsView->selectedItemSpecifics()) : QVariant();
}

void QMAttributePanelController::doOK()
{
    // A field being edited hands its text over before anything is read.
    if (QWidget* focus = focusWidget())
        focus->clearFocus();
    if (!validateCustomSpecifics())
        return;
    for (int index = 0; index < m_tabView->count(); ++index) {
        QWidget* page = m_tabView->widget(index);
        auto* setView = dw::firstSubviewOfClass<QMAttributeSetView>(page);
        if (!setView)
            continue;
        const auto erroneous = setView->erroneousAttributeControllers();
        if (erroneous.isEmpty())
            continue;
        QMAttributeViewController* first = erroneous.first();
        m_tabView->setCurrentIndex(index);
        if (setView->scrollView() && first->attributeView())
            setView->scrollView()->verticalScrollBar()->setValue(first->attributeView()->y());
        diplayValidationErrorPanelForAttribute(first->attribute(), first->lastErroneousRule());
        return;
    }
    accept();
}

void QMAttributePanelController::doCancel()
{
    reject();
}

bool QMAttributePanelController::validateCustomSpecifics()
{
    if (!m_specificsView)
        return true;
    const auto rows = m_specificsView->specificControllers();
    for (QMCustomSpecificViewController* row : rows) {
        QString message;
        const QString& name = row->specificName();
        if (name.isEmpty()) {
            message = dw::localized("Please enter a name for your custom item detail.");
        } else if (row->value().isEmpty()) {
            message = dw::format(dw::localized("Please enter a value for the detail %@."), name);
        } else if (std::any_of(rows.cbegin(), rows.cend(), [row, &name](const QMCustomSpecificViewController* other) {
                       return other != row && other->specificName() == name;
                   })) {
            message = dw::format(
                dw::localized("Item detail %@ is used more than once. Please remove all but one instance."), name);
        } else {
            continue;
        }
        showAlert(this, dw::localized("Item Detail Error"), message);
        m_tabView->setCurrentIndex(0);
        m_specificsView->scrollManagedViewToVisible(row->specificView());
        return false;
    }
    return true;
}

void QMAttributePanelController::diplayValidationErrorPanelForAttribute(const SQAttributePtr& attribute,
                                                                        const SQAttributeValidationRulePtr& rule)
{
    const QString label = attribute ? attribute->label() : QString();
    const qint64 type = rule ? rule->type() : 0;
    const QString min = rule ? rule->min() : QString();
    const QString max = rule ? rule->max() : QString();
    QString message;
    switch (type) {
    case 1:
        message = dw::format(
            dw::localized(
                "For the attribute \u201c%1$@\u201d, please enter a value with not more than %2$d characters."),
            label, dw::intValue(rule->length()));
        break;
    case 2:
    case 4:
        message = dw::format(dw::localized("For the attribute \u201c%1$@\u201d, please select a value between %2$@ and "
                                           "%3$@."),
                             label, min, max);
        break;
    case 3:
        message = dw::format(dw::localized("Please select a value for the attribute \u201c%@\u201d."), label);
        break;
    case 5:
    case 6:
        message = dw::format(dw::localized("For the attribute \u201c%1$@\u201d, please select a value below %2$@."),
                             label, max);
        break;
    case 7:
    case 8:
        message = dw::format(dw::localized("For the attribute \u201c%1$@\u201d, please select a value over %2$@."),
                             label, min);
        break;
    case 9:
        message = dw::format(
            dw::localized("For the attribute \u201c%1$@\u201d, please don\u2019t select more than %2$@ values."), label,
            max);
        break;
    case 10:
        message = dw::format(
            dw::localized("For the attribute \u201c%1$@\u201d, please don\u2019t select less than %2$@ values."), label,
            min);
        break;
    case 11:
        message =
            dw::format(dw::localized("For the attribute \u201c%1$@\u201d, please don\u2019t select more than %2$@ "
                                     "or less than %3$@ values."),
                       label, max, min);
        break;
    default:
        message = dw::format(dw::localized("Error while validating attribute \u201c%1$@\u201d (%2$@)."), label,
                             qlonglong(type));
        break;
    }
    showAlert(this, dw::localized("Attribute Validation Error"), message);
}

void QMAttributePanelController::getCurrentSpecifics()
{
    const auto accounts = QMAccountDataSource::installed();
    const QString accountID = accounts ? accounts->defaultAccountID() : QString();
    if (accountID.isEmpty()) {
        showAlert(this, dw::localized("Authorization required"),
                  dw::localized("You need to authorized Quillmart for your eBay account, before you can perform this "
                                "function"));
        return;
    }
    if (m_items.isEmpty() || !m_items.first())
        return;
    QMOperationManager::sharedQMOperationManager()->addGetItemRecommendationsOperationForAccountID(accountID,
                                                                                                   *m_items.first());
}

bool QMAttributePanelController::isRecommendationForFirstItem(const dw::Notification& notification) const
{
    const auto operation =
        std::dynamic_pointer_cast<QMGetItemRecommendationsOperation>(notification.object.shared<DWNSOperation>());
    return operation && !m_items.isEmpty() && m_items.first() &&
           operation->itemInfo().value(QStringLiteral("uniqueID")).toString() == m_items.first()->uniqueID();
}

void QMAttributePanelController::operationStarted(const dw::Notification& notification)
{
    if (isRecommendationForFirstItem(notification))
        setRecommendationsOperationRunning(true);
}

void QMAttributePanelController::operationEnded(const dw::Notification& notification)
{
    if (!isRecommendationForFirstItem(notification))
        return;
    setRecommendationsOperationRunning(false);
    const auto operation =
        std::dynamic_pointer_cast<QMGetItemRecommendationsOperation>(notification.object.shared<DWNSOperation>());
    if (m_specificsView && m_categoriesDataBase)
        m_specificsView->addGetItemRecommendations(operation->suggestedValues(), m_categoriesDataBase);
    // Nobody else reports this call's failure, and the seller is waiting for its answer.
    if (const auto envelope = operation->errorEnvelope(); envelope && envelope->hasError())
        showAlert(this, dw::localized("eBay could not suggest item details"), envelope->firstError()->message());
}

void QMAttributePanelController::setRecommendationsOperationRunning(bool running)
{
    if (m_recommendationsOperationRunning == running)
        return;
    m_recommendationsOperationRunning = running;
    if (auto* progress = qobject_cast<dw::ProgressIndicator*>(m_recommendationsProgress.data())) {
        progress->setVisible(running);
        if (running)
            progress->startAnimation();
        else
            progress->stopAnimation();
    }
    Q_EMIT recommendationsOperationRunningChanged(running);
}
