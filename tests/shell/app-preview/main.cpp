// Shows the application delegate's windows, for screenshots:
//     shell_app_preview about        the about panel with the credits
//     shell_app_preview MENU         a window with the application's menus, MENU opened
//                                    (editMenu, helpMenu, debugMenu; debug mode is switched on)
#include "platform/core/UserDefaults.h"
#include "shell/QMBAppController.h"
#include "shell/QMBApplication.h"
#include "tests/support/program/PreviewProgram.h"

#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

int main(int argc, char** argv)
{
    QMBApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuillmartVodar"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillmart Vodar"));
    dw::test::startPreviewProgram(dw::test::PreviewDefaults::WithTransformers);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("about");
    if (what != QLatin1String("about"))
        dw::UserDefaults::standard().setBool(true, QStringLiteral("debug"));

    const auto controller = QMBAppController::create();
    controller->awakeFromNib();
    if (what == QLatin1String("about")) {
        controller->openAboutPanel();
        return QApplication::exec();
    }
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Untitled"));
    window.menuBar()->addMenu(QStringLiteral("&File"));
    controller->addApplicationMenus(window.menuBar());
    window.setCentralWidget(new QLabel(QStringLiteral("A document window")));
    window.resize(640, 420);
    window.show();
    QTimer::singleShot(500, &window, [&window, what] {
        if (auto* menu = window.menuBar()->findChild<QMenu*>(what)) {
            window.menuBar()->setActiveAction(menu->menuAction());
        }
    });
    return QApplication::exec();
}
