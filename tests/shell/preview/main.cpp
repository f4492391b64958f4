// Shows an untitled document window as the program opens it, for screenshots:
//     shell_document_preview
#include "model/QMApplicationDefaults.h"
#include "model/widgets/QMFeesHighlightColor.h"
#include "platform/core/UserDefaults.h"
#include "platform/widgets/MessageBoxAlertPresenter.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuillmartVodar"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillmart Vodar"));
    if (qEnvironmentVariableIsEmpty("QV_RESOURCES_DIR"))
        qputenv("QV_RESOURCES_DIR", QByteArray(DW_SOURCE_DIR "/resources"));
    if (!registerApplicationDefaults(dw::UserDefaults::standard()))
        qWarning("the defaults could not be registered");
    dw::MessageBoxAlertPresenter alerts;
    dw::setAlertPresenter(&alerts);
    QMInstallFeesHighlightColorProvider();

    QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(true);
    return app.exec();
}
