// Shows an untitled document window as the program opens it, for screenshots:
//     shell_document_preview               the window as it opens
//     shell_document_preview --bottom      the settings pane scrolled to its end
//     shell_document_preview --customize   the toolbar's customization sheet
//     shell_document_preview --alert       an alert of no window; --sheet-alert: one on the window
//     shell_document_preview --three       three new windows, as three New commands open them
#include "model/widgets/QMFeesHighlightColor.h"
#include "platform/core/AlertPresenter.h"
#include "platform/widgets/MessageBoxAlertPresenter.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"

#include "DWKit/widgets/QMContainerView.h"
#include "tests/support/program/PreviewProgram.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuillmartVodar"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillmart Vodar"));
    dw::test::startPreviewProgram(dw::test::PreviewDefaults::WithTransformers);
    dw::MessageBoxAlertPresenter alerts;
    dw::setAlertPresenter(&alerts);
    QMInstallFeesHighlightColorProvider();

    auto* document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(true);
    const QByteArray option = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (option == "--bottom") {
        QTimer::singleShot(500, document, [document] {
            QScrollBar* bar = document->rightVerticalSplitViewContentView()->scrollView()->verticalScrollBar();
            bar->setValue(bar->maximum());
        });
    } else if (option == "--customize") {
        QTimer::singleShot(500, document, [document] { document->customizeToolbar(); });
    } else if (option == "--alert" || option == "--sheet-alert") {
        QTimer::singleShot(500, document, [document, option] {
            dw::AlertRequest alert;
            alert.messageText = QStringLiteral("The document “Camera.qvlisting” could not be opened.");
            alert.informativeText = QStringLiteral("The file is not a listing document of Quillmart Vodar, or it "
                                                   "was damaged on its way.");
            alert.buttons = {QStringLiteral("OK")};
            if (option == "--sheet-alert")
                alert.parentWindow = document;
            dw::alertPresenter().runModal(alert);
        });
    } else if (option == "--three") {
        QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(true);
        QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(true);
    }
    return app.exec();
}
