// The assistant shown for the running application, whose delegate answers its questions.
#include "shell/QMIntroPanelController.h"

#include "shell/QMBAppController.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

// Hands the assistant's calls to the application delegate while it lives.
class ApplicationIntroDelegate final : public QMIntroPanelControllerDelegate
{
public:
    explicit ApplicationIntroDelegate(std::weak_ptr<QMBAppController> application)
        : m_application(std::move(application))
    {}
    void introPanelDidFinish(QMIntroPanelController&) override
    {
        if (const auto application = m_application.lock())
            application->introPanelDidFinish();
    }
    void introPanelDownloadMissingeBayDataForSiteID(QMIntroPanelController&, qint64 siteID) override
    {
        if (const auto application = m_application.lock())
            application->introPanelDownloadMissingeBayDataForSiteID(siteID);
    }
    QString introPanelAuthorizeURLForSessionID(QMIntroPanelController&, const QString& sessionID) override
    {
        const auto application = m_application.lock();
        return application ? application->introPanelAuthorizeURLForSessionID(sessionID) : QString();
    }

private:
    std::weak_ptr<QMBAppController> m_application;
};

} // namespace

void QMIntroPanelController::showForApplication(QMBAppController& application)
{
    // The assistant holds its delegate weakly; this one lives as long as the assistant.
    static std::shared_ptr<ApplicationIntroDelegate> delegate;
    delegate = std::make_shared<ApplicationIntroDelegate>(application.weak_from_this());
    auto& assistant = sharedQMIntroPanelController();
    assistant.setDelegate(delegate);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        assistant.move(screen->availableGeometry().center() - assistant.rect().center());
    assistant.show();
    assistant.raise();
    assistant.activateWindow();
}
