// Shows one window of the updater or the crash reporter with sample content:
// updater_window_sample offer|progress|ready|crash
#include "updater/QMCrashReportPanelController.h"
#include "updater/QMUpdateAlertController.h"
#include "updater/QMUpdateStatusController.h"

#include <QApplication>
#include <QComboBox>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("offer");
    if (which == u"offer") {
        QMRelease release;
        release.applicationName = QStringLiteral("QuillmartVodar");
        release.versionString = QStringLiteral("6.2");
        release.bundleVersion = QStringLiteral("620");
        release.generateTitle();
        release.releaseNotes = "<h3>What is new in 6.2</h3><ul><li>Listings open faster.</li>"
                               "<li>Pictures keep their order after an upload.</li>"
                               "<li>The preview shows the shipping costs.</li></ul>"
                               "<p>See <a href=\"https://www.example.invalid/notes\">all changes</a>.</p>";
        release.updateConditions = "<p>This update is free for every owner of version 6.</p>";
        auto* alert = new QMUpdateAlertController(release);
        alert->show();
    } else if (which == u"progress" || which == u"ready") {
        auto* status = new QMUpdateStatusController;
        if (which == u"progress") {
            status->beginActionWithTitle(QStringLiteral("Downloading update..."), 1000, QString());
            status->setProgressValue(420);
            status->setStatusText(QStringLiteral("42.00 % downloaded."));
            status->setButtonTitle(QStringLiteral("Cancel"), {}, false);
        } else {
            status->beginActionWithTitle(QStringLiteral("Ready to install"), 1, QString());
            status->setProgressValue(1);
            status->setButtonTitle(QStringLiteral("Install and Relaunch"), {}, true);
        }
        status->show();
    } else {
        auto* panel = new QMCrashReportPanelController;
        panel->setLastCrashLog(QStringLiteral("Console.log:\n\n\nCrash.log:\nProcess: QuillmartVodar [4242]\n"
                                              "Version: 6.1 (612)\nSignal: 11 (SIGSEGV)\n"));
        panel->emailAddressComboBox()->addItem(QStringLiteral("seller@example.com"));
        panel->show();
    }
    return app.exec();
}
