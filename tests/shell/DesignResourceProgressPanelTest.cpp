#include "shell/QMBDesignResourceProgressPanel.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/widgets/QMSaveProgressPanelController.h"
#include "description/QMDesignTemplateManager.h"
#include "model/QMApplicationDefaults.h"
#include "platform/archive/PropertyList.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/TemporaryXdg.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <atomic>
#include <gtest/gtest.h>

namespace {

// The application's panel, noting whether its window shows once it was asked to show.
class WatchedPanel : public QMDesignResourceProgress
{
public:
    void showProgressPanelWithMessage(const QString& message) override
    {
        m_panel.showProgressPanelWithMessage(message);
        const auto* shared = QMSaveProgressPanelController::sharedQMSaveProgressPanelController();
        visible = shared->window()->isVisible();
        shownMessage = shared->message();
    }
    void hideProgressPanel() override
    {
        m_panel.hideProgressPanel();
        visible = QMSaveProgressPanelController::sharedQMSaveProgressPanelController()->window()->isVisible();
    }
    std::atomic<bool> visible{false};
    QString shownMessage;

private:
    QMBDesignResourceProgressPanel m_panel;
};

} // namespace

TEST(DesignResourceProgressPanel, ShowsWhileASlowResourceIsCached)
{
    dw::test::TemporaryXdg xdg;
    ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
    auto panel = std::make_shared<WatchedPanel>();
    std::atomic<bool> fetchedWhileVisible{false};
    dw::test::FakeHttpServer server;
    server.addRoute({.path = "/res/slow.css"}, [&](const dw::test::FakeHttpRequest&) {
        fetchedWhileVisible = panel->visible.load();
        return dw::test::FakeHttpReply{.body = "p{}", .delay = std::chrono::milliseconds(300)};
    });
    DWEbayConnector::setAPIServerName(QStringLiteral("127.0.0.1"));
    const QString css = server.url(QStringLiteral("/res/slow.css"));
    const QString folder =
        QDir(QMDesignTemplateManager::userTemplatesDirectory()).filePath(QStringLiteral("Remote.designTemplate"));
    ASSERT_TRUE(dw::paths::ensureFolder(folder));
    QFile info(QDir(folder).filePath(QStringLiteral("Info.plist")));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write(dw::plist::write(QVariantMap{{QStringLiteral("CFBundleName"), QStringLiteral("Remote")},
                                            {QStringLiteral("CFBundleIdentifier"), QStringLiteral("t.remote")},
                                            {QStringLiteral("CFBundleVersion"), QStringLiteral("1")},
                                            {QStringLiteral("QMRemoteResources"), QStringList{css}}}));
    info.close();
    QMDesignTemplateManager manager;
    manager.setMinimumQMTemplateVersion(214);
    manager.registerDesignTemplates();

    QMDesignResourceProgress::install(panel);
    EXPECT_TRUE(
        manager.downloadRemoteResourcesForTemplate(*manager.designTemplateWithIdentifier(QStringLiteral("t.remote"))));
    QMDesignResourceProgress::install(nullptr);
    DWEbayConnector::setAPIServerName(QStringLiteral("api.ebay.com"));
    EXPECT_TRUE(fetchedWhileVisible) << "the panel showed while the file came";
    EXPECT_EQ(panel->shownMessage, QStringLiteral("Caching Design Resources"));
    EXPECT_FALSE(panel->visible) << "and went when it was there";
}
