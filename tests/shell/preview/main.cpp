// Shows an untitled document window as the program opens it, for screenshots:
//     shell_document_preview            the window as it opens
//     shell_document_preview --bottom   the settings pane scrolled to its end
#include "model/widgets/QMFeesHighlightColor.h"
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
    if (argc > 1 && QByteArray(argv[1]) == "--bottom")
        QTimer::singleShot(500, document, [document] {
            QScrollBar* bar = document->rightVerticalSplitViewContentView()->scrollView()->verticalScrollBar();
            bar->setValue(bar->maximum());
        });
    return app.exec();
}
