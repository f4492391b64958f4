// The program's entry point: one running program per user, then the start-up of the application
// delegate, the documents named on the command line, and the event loop.
//
//     QuillmartVodar [DOCUMENT | ADDRESS]...
//
// A start while the program already runs hands its arguments to the running program and ends
// with 0: that is how the desktop delivers eBay's sign-in callback address and opens documents. A
// start whose arguments the running program does not take (or that names no ordinary file as a
// document) ends with a message and 1; it never stays as a second program.
#include "model/widgets/QMFeesHighlightColor.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/widgets/ApplicationImage.h"
#include "platform/widgets/MessageBoxAlertPresenter.h"
#include "shell/QMBAppController.h"
#include "shell/QMBApplication.h"
#include "shell/QMBSingleInstance.h"
#include "updater/DWCrashReporter.h"

#include <QIcon>
#include <QPixmap>
#include <QStringList>
#include <cstdio>

int main(int argc, char** argv)
{
    DWCrashReporter::installSignalHandler();
    QMBApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuillmartVodar"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillmart Vodar"));
    QApplication::setOrganizationName(QStringLiteral("Quillmart"));
    QApplication::setDesktopFileName(QStringLiteral("org.quillmart.Vodar"));

    const QStringList arguments = QCoreApplication::arguments().mid(1);
    QMBSingleInstance instance;
    if (const std::optional<int> status = instance.handOverOrListen(arguments))
        return *status;

    DWCrashReporter::startConsoleRecording();
    dw::MessageBoxAlertPresenter alerts;
    dw::setAlertPresenter(&alerts);
    QMInstallFeesHighlightColorProvider();

    try {
        QMBAppController::registerDefaults();
    } catch (const dw::InternalInconsistency& broken) {
        // The installation lacks its resources: nothing would work.
        std::fprintf(stderr, "QuillmartVodar: %s\n", broken.what());
        return 1;
    }
    // Every window, dialog and the task switcher show the application's own picture.
    QApplication::setWindowIcon(dw::applicationIcon(QStringLiteral("QuillmartBig")));
    QMBAppController::installApplicationServices();
    const auto controller = QMBAppController::create();
    controller->awakeFromNib(&instance);
    // As the platform does it: the documents (or an untitled one) first, so that they stand behind
    // whatever the launch checks ask, then the end of launching. The documents are read on a worker.
    controller->openFilesAndURLs(arguments, [controller](int opened) {
        if (opened == 0 && controller->applicationShouldOpenUntitledFile() &&
            controller->services().openUntitledDocument)
            controller->services().openUntitledDocument();
        controller->applicationDidFinishLaunching();
    });

    const int result = QApplication::exec();
    dw::setAlertPresenter(nullptr);
    return result;
}
