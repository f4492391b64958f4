// The program's entry point. Until the application shell stands, it opens one window that says
// what the program is.
#include "model/widgets/QMFeesHighlightColor.h"

#include "platform/widgets/MessageBoxAlertPresenter.h"

#include "shell/QMBApplication.h"

#include <QLabel>
#include <QMainWindow>
#include <QVBoxLayout>

int main(int argc, char** argv)
{
    QMBApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuillmartVodar"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillmart Vodar"));
    QApplication::setOrganizationName(QStringLiteral("Quillmart"));

    dw::MessageBoxAlertPresenter alerts;
    dw::setAlertPresenter(&alerts);
    QMInstallFeesHighlightColorProvider();

    QMainWindow window;
    window.setObjectName(QStringLiteral("mainWindow"));
    window.setWindowTitle(QStringLiteral("Quillmart Vodar"));
    auto* label = new QLabel(QStringLiteral("<h2>Quillmart Vodar</h2>"
                                            "<p>Prepare items for sale on eBay and list them.</p>"));
    label->setObjectName(QStringLiteral("aboutLabel"));
    label->setAlignment(Qt::AlignCenter);
    label->setMargin(32);
    window.setCentralWidget(label);
    window.resize(520, 260);
    window.show();
    return app.exec();
}
