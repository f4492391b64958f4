// The application delegate's menus and their commands: preferences, updates, the store, the two
// debug switches, the about panel and the widget page; and the store's calls back.
#include "shell/QMBAppController.h"

#include "DWKit/NSBundle+DWExtensions.h"
#include "DWKit/gui/QMUndoManager.h"
#include "DWKit/widgets/NSMenu+DWExtensions.h"
#include "DWPayment/DWPGateway.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/AlertPresenter.h"
#include "platform/core/Localization.h"
#include "platform/core/MainThread.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/widgets/DesktopServices.h"
#include "shell/QMBAboutPanel.h"
#include "updater/QMUpdater.h"

#include <QFile>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextDocument>
#include <QTextEdit>
#include <QUrl>

namespace {

// The maker's web site, configuration like every vendor server.
constexpr const char* kWebSiteBaseURLKey = "QMWebSiteBaseURL";

constexpr const char* kShowPreferencesPanel = "showPreferencesPanel:";
constexpr const char* kCheckForUpdates = "checkForUpdates:";
constexpr const char* kShowPaymentPanel = "showPaymentPanel:";
constexpr const char* kToggleSandboxMode = "toggleSandboxMode:";
constexpr const char* kToggleAlwaysShowIntro = "toggleAlwaysShowIntro:";
constexpr const char* kOpenAboutPanel = "openAboutPanel:";
constexpr const char* kInstallWidget = "installWidget:";

// A text field keeps its own history of what was typed into it: its step is "Typing" while it has
// one to take back (or do again), else it has none to name.
QString typingStep(const QObject* receiver, bool undo)
{
    bool available = false;
    if (const auto* field = qobject_cast<const QLineEdit*>(receiver))
        available = undo ? field->isUndoAvailable() : field->isRedoAvailable();
    else if (const auto* text = qobject_cast<const QTextEdit*>(receiver))
        available = undo ? text->document()->isUndoAvailable() : text->document()->isRedoAvailable();
    else if (const auto* plain = qobject_cast<const QPlainTextEdit*>(receiver))
        available = undo ? plain->document()->isUndoAvailable() : plain->document()->isRedoAvailable();
    return available ? dw::localized("Typing") : QString();
}

} // namespace

void QMBAppController::addApplicationMenus(QMenuBar* menuBar)
{
    if (!menuBar)
        return;
    const std::weak_ptr<QMBAppController> self = weak_from_this();
    const auto command = [&](QMenu* menu, const char* name, const char* title, const char* action,
                             const QKeySequence& shortcut, void (QMBAppController::*handler)()) {
        QAction* item = menu->addAction(dw::localized(title));
        item->setObjectName(QLatin1String(name));
        item->setProperty(dw::kActionProperty, QLatin1String(action));
        item->setShortcut(shortcut);
        QObject::connect(item, &QAction::triggered, item, [self, handler] {
            if (const auto controller = self.lock())
                (controller.get()->*handler)();
        });
        return item;
    };
    // Editing commands go to the focus widget through the application's dispatch, which hands
    // the description's select-all and paste to its editor.
    const auto editing = [&](QMenu* menu, const char* name, const char* title, const char* action,
                             const QKeySequence& shortcut) {
        QAction* item = menu->addAction(dw::localized(title));
        item->setObjectName(QLatin1String(name));
        item->setShortcut(shortcut);
        const QString actionName = QLatin1String(action);
        QObject::connect(item, &QAction::triggered, item,
                         [item, actionName] { (void)dw::sendAction(actionName, nullptr, item); });
        return item;
    };

    QMenu* edit = menuBar->addMenu(dw::localized("&Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));
    QAction* undo = editing(edit, "undoAction", "Undo", "undo:", QKeySequence::Undo);
    QAction* redo = editing(edit, "redoAction", "Redo", "redo:", QKeySequence::Redo);
    // The open menu shows whether there is anything to undo or redo: a receiver in the focus chain,
    // else the documents' shared history. Once it closes both are enabled again, so that their
    // keys keep reaching whatever has the focus then.
    // Both name the step they would take back or do again: "Undo Typing" in a text field, the
    // history's own name ("Undo Convert Description to HTML") otherwise.
    QObject::connect(edit, &QMenu::aboutToShow, edit, [undo, redo] {
        const QMUndoManager* history = QMUndoManager::sharedQMUndoManager();
        QObject* undoReceiver = dw::targetForAction(QStringLiteral("undo:"), nullptr);
        QObject* redoReceiver = dw::targetForAction(QStringLiteral("redo:"), nullptr);
        undo->setEnabled(undoReceiver || history->canUndo() || history->isEventGroupOpen());
        redo->setEnabled(redoReceiver || history->canRedo());
        const auto titled = [](const char* verb, const QString& name) -> QString {
            return name.isEmpty() ? dw::localized(verb) : dw::localized(verb).append(u' ').append(name);
        };
        undo->setText(titled("Undo", undoReceiver ? typingStep(undoReceiver, true) : history->undoActionName()));
        redo->setText(titled("Redo", redoReceiver ? typingStep(redoReceiver, false) : history->redoActionName()));
    });
    QObject::connect(edit, &QMenu::aboutToHide, edit, [undo, redo] {
        undo->setEnabled(true);
        redo->setEnabled(true);
    });
    edit->addSeparator();
    editing(edit, "cutAction", "Cut", "cut:", QKeySequence::Cut);
    editing(edit, "copyAction", "Copy", "copy:", QKeySequence::Copy);
    editing(edit, "pasteAction", "Paste", "paste:", QKeySequence::Paste);
    editing(edit, "selectAllAction", "Select All", "selectAll:", QKeySequence::SelectAll);
    edit->addSeparator();
    // Desktops without a key for the preferences get the usual Ctrl+Comma.
    command(edit, "preferencesAction", "Preferences…", kShowPreferencesPanel,
            QKeySequence::keyBindings(QKeySequence::Preferences).value(0, QKeySequence(Qt::CTRL | Qt::Key_Comma)),
            &QMBAppController::showPreferencesPanel);

    if (m_debugMenuItemKept) {
        QMenu* debug = menuBar->addMenu(dw::localized("&Debug"));
        debug->setObjectName(QStringLiteral("debugMenu"));
        command(debug, "sandboxModeAction", "Use eBay Sandbox", kToggleSandboxMode, {},
                &QMBAppController::toggleSandboxMode)
            ->setCheckable(true);
        command(debug, "alwaysShowIntroAction", "Always Show Introduction", kToggleAlwaysShowIntro, {},
                &QMBAppController::toggleAlwaysShowIntro)
            ->setCheckable(true);
    }

    QMenu* help = menuBar->addMenu(dw::localized("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    command(help, "checkForUpdatesAction", "Check for Updates…", kCheckForUpdates, {},
            &QMBAppController::checkForUpdates);
    command(help, "paymentPanelAction", "Quillmart Store…", kShowPaymentPanel, {}, &QMBAppController::showPaymentPanel);
    command(help, "installWidgetAction", "Install Widget…", kInstallWidget, {}, &QMBAppController::installWidget);
    help->addSeparator();
    command(help, "aboutAction", "About Quillmart Vodar", kOpenAboutPanel, {}, &QMBAppController::openAboutPanel);

    const QPointer<QMenuBar> bar = menuBar;
    for (QMenu* menu : menuBar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) {
        QObject::connect(menu, &QMenu::aboutToShow, menu, [self, bar] {
            if (const auto controller = self.lock(); controller && bar)
                controller->updateMenuItems(bar);
        });
    }
    updateMenuItems(menuBar);
}

void QMBAppController::updateMenuItems(QMenuBar* menuBar) const
{
    for (QAction* item : menuBar->findChildren<QAction*>()) {
        if (!item->property(dw::kActionProperty).toString().isEmpty())
            item->setEnabled(validateMenuItem(item));
    }
}

bool QMBAppController::validateMenuItem(QAction* item) const
{
    const QString action = item->property(dw::kActionProperty).toString();
    const auto& preferences = QMPreferencesManager::sharedInstance();
    if (action == QLatin1String(kShowPaymentPanel))
        return !m_introWindowIsShown;
    if (action == QLatin1String(kToggleSandboxMode)) {
        item->setChecked(preferences.isRunningInSandbox());
        return true;
    }
    if (action == QLatin1String(kToggleAlwaysShowIntro)) {
        item->setChecked(preferences.alwaysShowIntro());
        return true;
    }
    // Not offered before the preferences window is part of the program.
    if (action == QLatin1String(kShowPreferencesPanel))
        return bool(m_services.showPreferencesPanel);
    return true;
}

void QMBAppController::showPreferencesPanel()
{
    if (m_services.showPreferencesPanel)
        m_services.showPreferencesPanel();
}

void QMBAppController::checkForUpdates()
{
    QMUpdater::sharedUpdater().checkForUpdates();
}

void QMBAppController::toggleSandboxMode()
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    preferences.setIsRunningInSandbox(!preferences.isRunningInSandbox());
}

void QMBAppController::toggleAlwaysShowIntro()
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    preferences.setAlwaysShowIntro(!preferences.alwaysShowIntro());
}

void QMBAppController::openAboutPanel()
{
    QFile file(dw::paths::resourcesFolder() + QStringLiteral("Credits.html"));
    if (!file.open(QIODevice::ReadOnly))
        return;
    QString credits = QString::fromUtf8(file.readAll());
    credits.replace(QLatin1String("__MAILTO_SUBJECT__"),
                    QStringLiteral("%1 %2 Feedback").arg(dw::bundleName(), dw::versionInfo()));
    QMBAboutPanel::showAboutPanel(credits);
}

void QMBAppController::installWidget()
{
    const QString base = dw::UserDefaults::standard().stringForKey(QLatin1String(kWebSiteBaseURLKey));
    (void)dw::openURLOnDesktop(QUrl(base + QStringLiteral("/Quillmart/Widget.html")));
}

// The store

void QMBAppController::showPaymentPanel()
{
    if (m_introWindowIsShown)
        return;
    // The store sheet without a window runs until it ends; the controller stays until the next.
    m_paymentController = DWPaymentController::newPaySheetOnWindow(nullptr, dw::payment::catalogueURL(),
                                                                   dw::payment::alternatePaymentMethodsURL(), this);
}

void QMBAppController::paymentControllerErrorOccurredGettingPlist(DWPaymentController*, const QString& error,
                                                                  const QUrl&)
{
    // Called on the store's fetch thread; the alert belongs to the main thread.
    const std::weak_ptr<QMBAppController> self = weak_from_this();
    dw::postToMain([self, error] {
        if (!self.lock())
            return;
        dw::AlertRequest alert;
        alert.style = dw::AlertRequest::Style::Warning;
        alert.messageText = dw::localized("Can't reach server");
        alert.informativeText =
            dw::localized("The Quillmart Store could not be reached. Please check your internet connection and try "
                          "again.");
        if (!error.isEmpty())
            alert.informativeText += QStringLiteral("\n\n") + error;
        alert.buttons = {dw::localized("OK")};
        dw::queueAlert(alert);
    });
}

std::optional<QString> QMBAppController::shoppingCartWantsPayloadString(const DWPShoppingCart&)
{
    return shoppingCartPayloadString();
}

QString QMBAppController::shoppingCartPayloadString()
{
    const QVariantMap& info = dw::Bundle::mainBundle().infoDictionary();
    return QStringLiteral("program: \"%1\"\nversion: %2")
        .arg(info.value(QStringLiteral("CFBundleIdentifier")).toString(),
             info.value(QStringLiteral("CFBundleVersion")).toString());
}
