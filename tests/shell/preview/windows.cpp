// Shows one window of the shell for screenshots, against the fake Trading API:
//     shell_preview intro STEP          the first-run assistant at step 0 to 4 ("1now": authorizing now,
//                                       "2missing": no location, "3paypal": PayPal accepted without an
//                                       account, "4error": failed download)
//     shell_preview preferences PANE [--account]   the preferences window at pane 0 to 5, with an
//                                       account in the keyring (run in a D-Bus session with a keyring)
//     shell_preview media               the media browser on a folder of generated pictures
//     shell_preview token               the authorization panel
//     shell_preview caching             the progress panel while a design's remote file is cached
#include "DWEBay2/DWEbayConnector.h"
#include "Operations/QMAccountManager.h"
#include "Operations/QMOperationManager.h"
#include "description/QMDesignResourceProgress.h"
#include "description/QMDesignTemplate.h"
#include "description/QMDesignTemplateManager.h"
#include "model/QMPreferencesManager.h"
#include "model/widgets/QMFeesHighlightColor.h"
#include "platform/archive/PropertyList.h"
#include "platform/core/UserDefaults.h"
#include "platform/widgets/MessageBoxAlertPresenter.h"
#include "shell/QMBDesignResourceProgressPanel.h"
#include "shell/QMBMediaBrowserPanel.h"
#include "shell/QMBPreferencesPanelController.h"
#include "shell/QMIntroPanelController.h"
#include "shell/QMTokenPanelController.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/ebay/FakeConnectors.h"
#include "tests/support/ebay/FakeTradingApi.h"
#include "tests/support/program/PreviewProgram.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>

namespace {

void makePicture(const QString& path, const QColor& colour, int seed)
{
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(colour.lighter(160));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(200 + seed * 37 % 240, 240), 150, 150);
    painter.setBrush(colour.darker(150));
    painter.drawRect(360, 120 + seed * 23 % 120, 180, 220);
    image.save(path);
}

int intro(const QString& step)
{
    auto& assistant = QMIntroPanelController::sharedQMIntroPanelController();
    assistant.setCloseHandler([] { QCoreApplication::quit(); });
    const int target = step.left(1).toInt();
    if (target >= QMIntroPanelController::SiteStep) {
        QMPreferencesManager::sharedInstance().setDefaultLocation(QStringLiteral("Berlin"));
        QMPreferencesManager::sharedInstance().setDefaultZIPCode(QStringLiteral("10115"));
    }
    for (int i = 0; i < target; ++i) {
        if (i == QMIntroPanelController::PayPalStep) {
            assistant.setAcceptPayPal(true);
            assistant.setPayPalAddress(QStringLiteral("anna@example.com"));
        }
        assistant.nextView();
    }
    if (step == QLatin1String("1now"))
        assistant.setAuthorizeLater(false);
    if (step == QLatin1String("3paypal"))
        assistant.setAcceptPayPal(true);
    if (step == QLatin1String("4"))
        assistant.nextButton()->setEnabled(true);
    if (step == QLatin1String("4error"))
        assistant.getCategoriesTabView()->setCurrentIndex(1);
    if (target == QMIntroPanelController::SiteStep && step.endsWith(QLatin1String("missing"))) {
        QMPreferencesManager::sharedInstance().setDefaultLocation(QString());
        assistant.nextView();
    }
    assistant.show();
    return QApplication::exec();
}

int preferences(const QString& pane, bool withAccount)
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    preferences.setDefaultLocation(QStringLiteral("Berlin"));
    preferences.setDefaultZIPCode(QStringLiteral("10115"));
    dw::UserDefaults::standard().setInteger(pane.toInt(), QStringLiteral("QMLastSelectedPreferencesPane"));
    auto& designs = QMDesignTemplateManager::sharedInstance();
    designs.setMinimumQMTemplateVersion(214);
    designs.registerDesignTemplates();
    if (withAccount) {
        // Needs a keyring (run under dbus-run-session with gnome-keyring).
        const auto accounts = QMAccountManager::sharedQMAccountManager();
        QString error;
        if (!accounts->insertToken(QStringLiteral("preview-token"), QStringLiteral("account-1"),
                                   QStringLiteral("anna_kamera"), &error))
            qWarning("no account: %s", qPrintable(error));
        accounts->setPayPalAddress(QStringLiteral("anna@example.com"), QStringLiteral("account-1"));
    }
    QMBPreferencesPanelController::sharedPreferencesPanelController().showWindow();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("QV_TEST_DATA"))
        qputenv("QV_TEST_DATA", QByteArray(DW_SOURCE_DIR "/tests/data"));
    dw::test::startPreviewProgram();
    dw::test::FakeTradingApi ebay;
    ebay.useFixtureReplies();
    auto connectors = std::make_shared<dw::test::FakeConnectors>(ebay.url());
    QMOperationManager::sharedQMOperationManager()->setDelegate(connectors);

    dw::MessageBoxAlertPresenter alerts;
    dw::setAlertPresenter(&alerts);
    QMInstallFeesHighlightColorProvider();

    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("intro");
    const QString argument = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (what == QLatin1String("intro"))
        return intro(argument.isEmpty() ? QStringLiteral("0") : argument);
    if (what == QLatin1String("preferences"))
        return preferences(argument, argc > 3 && QByteArray(argv[3]) == "--account");
    if (what == QLatin1String("token")) {
        QTimer::singleShot(0, [] {
            QMTokenPanelController::runTokenPanelModalForAccountName(QStringLiteral("New Account"),
                                                                     QStringLiteral("account-1"), true);
        });
        return QApplication::exec();
    }
    if (what == QLatin1String("media")) {
        QTemporaryDir pictures;
        const QColor colours[] = {QColor(0x2e, 0x86, 0xab), QColor(0xe0, 0x7a, 0x5f), QColor(0x81, 0xb2, 0x9a),
                                  QColor(0xf2, 0xcc, 0x8f), QColor(0x8d, 0x5a, 0x97), QColor(0x3d, 0x40, 0x5b)};
        const char* names[] = {"Camera front.jpg", "Camera back.jpg", "Lens.png", "Box.jpg", "Manual.png", "Strap.jpg"};
        for (int i = 0; i < 6; ++i)
            makePicture(pictures.filePath(QString::fromLatin1(names[i])), colours[i], i);
        QDir(pictures.path()).mkpath(QStringLiteral("Holiday 2024/Beach"));
        QDir(pictures.path()).mkpath(QStringLiteral("Shop"));
        QMBMediaBrowserPanel panel;
        panel.setRootFolder(pictures.path());
        panel.show();
        QTimer::singleShot(300, [&] { panel.selectPaths({panel.picturePaths().value(1)}); });
        return QApplication::exec();
    }
    if (what == QLatin1String("caching")) {
        // A design with a remote file that the server gives slowly: the panel shows meanwhile.
        dw::test::FakeHttpServer server;
        server.addRoute({.path = "/designs/linen.css"}, {.body = "p{}", .delay = std::chrono::seconds(8)});
        DWEbayConnector::setAPIServerName(QStringLiteral("127.0.0.1"));
        QMDesignResourceProgress::install(std::make_shared<QMBDesignResourceProgressPanel>());
        QTemporaryDir designs;
        const QString folder = designs.filePath(QStringLiteral("Remote Linen.designTemplate"));
        QDir().mkpath(folder);
        QFile info(QDir(folder).filePath(QStringLiteral("Info.plist")));
        if (!info.open(QIODevice::WriteOnly))
            return 1;
        info.write(dw::plist::write(QVariantMap{
            {QStringLiteral("CFBundleName"), QStringLiteral("Remote Linen")},
            {QStringLiteral("CFBundleIdentifier"), QStringLiteral("preview.remote-linen")},
            {QStringLiteral("CFBundleVersion"), QStringLiteral("1")},
            {QStringLiteral("QMRemoteResources"), QStringList{server.url(QStringLiteral("/designs/linen.css"))}}}));
        info.close();
        const auto remote = QMDesignTemplate::designTemplateWithPath(folder);
        QTimer::singleShot(300, [&] {
            QMDesignTemplateManager manager;
            if (remote)
                manager.downloadRemoteResourcesForTemplate(*remote);
            QApplication::quit();
        });
        return QApplication::exec();
    }
    qWarning("unknown window %s", qPrintable(what));
    return 2;
}
