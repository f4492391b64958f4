#include "Operations/QMAccountManager.h"
#include "Operations/QMFetchTokenOperation.h"
#include "ShellTestSupport.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "platform/widgets/DesktopServices.h"
#include "shell/QMIntroPanelController.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QByteArray getUserReply(const char* site, const char* country, const char* postalCode, const char* city)
{
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>)"
                      R"(<GetUserResponse xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>Success</Ack>)"
                      "<User><RegistrationAddress><CityName>") +
           city + "</CityName><Country>" + country + "</Country><PostalCode>" + postalCode +
           "</PostalCode></RegistrationAddress><Site>" + site +
           "</Site><UserID>anna_kamera</UserID></User></GetUserResponse>";
}

const QByteArray kFetchTokenFailure =
    R"(<?xml version="1.0" encoding="UTF-8"?>)"
    R"(<FetchTokenResponse xmlns="urn:ebay:apis:eBLBaseComponents">)"
    "<Ack>Failure</Ack><Errors><ShortMessage>Session not signed in</ShortMessage>"
    "<LongMessage>The end user has not completed Auth &amp; Auth sign in.</LongMessage>"
    "<ErrorCode>21916017</ErrorCode><SeverityCode>Error</SeverityCode></Errors>"
    "</FetchTokenResponse>";

class RecordingDelegate final : public QMIntroPanelControllerDelegate
{
public:
    void introPanelDidFinish(QMIntroPanelController&) override { ++finished; }
    void introPanelDownloadMissingeBayDataForSiteID(QMIntroPanelController&, qint64 siteID) override
    {
        downloads << siteID;
    }

    int finished = 0;
    QList<qint64> downloads;
};

// The assistant against the fake Trading API, with the program's registered defaults and no
// category data for any site.
class IntroPanel : public ::testing::Test
{
protected:
    IntroPanel()
    {
        QMLogManager::resetSharedInstance();
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        m_ebay.useFixtureReplies();
        QMOperationManager::sharedQMOperationManager()->setDelegate(m_connectors);
        makePanel();
    }
    ~IntroPanel() override
    {
        dw::test::waitForOperationQueues();
        QCoreApplication::processEvents();
        QMAccountDataSource::install(nullptr);
        QMLogManager::resetSharedInstance();
    }

    void makePanel()
    {
        m_panel.reset();
        m_panel = std::make_unique<QMIntroPanelController>();
        m_panel->setDelegate(m_delegate);
        m_panel->setCloseHandler([this] { ++m_closed; });
    }
    QMPreferencesManager& preferences() { return QMPreferencesManager::sharedInstance(); }
    void advanceTo(int step)
    {
        while (m_panel->currentViewIndex() < step) {
            const int before = m_panel->currentViewIndex();
            m_panel->nextView();
            ASSERT_NE(m_panel->currentViewIndex(), before) << "stuck at step " << before;
        }
    }
    // The seller means to authorize now, signs in and the browser comes back.
    // Returns once the assistant has handled the end of the token fetch: it observes the operations
    // before this test does, so the end reaching the test means it reached the assistant first.
    // (The spinner's text is hidden before the start reaches the main thread as well, so it tells
    // nothing on a busy machine.)
    void signIn()
    {
        auto& center = dw::NotificationCenter::defaultCenter();
        bool fetchEnded = false;
        const dw::ScopedObservation ended(
            center, center.addObserver(
                        QLatin1String(DWNSNotificationOperation_ended), nullptr, [&](const dw::Notification& note) {
                            if (std::dynamic_pointer_cast<QMFetchTokenOperation>(note.object.shared<DWNSOperation>()))
                                fetchEnded = true;
                        }));
        const std::size_t fetchesBefore = m_ebay.requests(QStringLiteral("FetchToken")).size();
        advanceTo(QMIntroPanelController::TokenStep);
        m_panel->setAuthorizeLater(false);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !m_panel->sessionID().isEmpty(); }, 10000));
        EXPECT_TRUE(m_panel->authorizeButton()->isEnabled());
        center.post(QStringLiteral("QMEbayTokenShouldBeFetched"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return fetchEnded; }, 10000));
        EXPECT_EQ(m_ebay.requests(QStringLiteral("FetchToken")).size(), fetchesBefore + 1);
        EXPECT_TRUE(m_panel->progressIndicatorTextField()->isHidden());
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::FakeTradingApi m_ebay;
    std::shared_ptr<dw::test::FakeConnectors> m_connectors = std::make_shared<dw::test::FakeConnectors>(m_ebay.url());
    std::shared_ptr<RecordingDelegate> m_delegate = std::make_shared<RecordingDelegate>();
    std::unique_ptr<QMIntroPanelController> m_panel;
    int m_closed = 0;
};

} // namespace

TEST_F(IntroPanel, PostponedAuthorizationMovesOnWithoutAnyEbayCall)
{
    ASSERT_TRUE(m_panel->authorizeLater());
    advanceTo(QMIntroPanelController::TokenStep);
    EXPECT_TRUE(m_panel->nextButton()->isEnabled());
    EXPECT_FALSE(m_panel->authorizeButton()->isEnabled());
    m_panel->nextView();
    EXPECT_EQ(m_panel->currentViewIndex(), QMIntroPanelController::SiteStep);
    dw::test::waitForOperationQueues();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_ebay.server().requests().empty());
}

TEST_F(IntroPanel, UserRecordFillsSiteCountryAndTheEmptyAddressFields)
{
    struct Case
    {
        const char* name;
        const char* site;
        QString zipBefore, locationBefore;
        qint64 siteAfter;
        QString zipAfter, locationAfter;
    };
    const Case cases[] = {
        {"empty fields are filled", "Germany", "", "", 77, "10115", "Berlin"},
        {"typed fields are kept", "Germany", "80331", "München", 77, "80331", "München"},
        {"a site eBay does not name keeps the seller's", "Atlantis", "", "", 16, "10115", "Berlin"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        dw::test::TemporaryXdg xdg;
        ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        preferences().setDefaultSiteID(16);
        preferences().setDefaultZIPCode(row.zipBefore);
        preferences().setDefaultLocation(row.locationBefore);
        m_ebay.setReply(QStringLiteral("GetUser"), getUserReply(row.site, "DE", "10115", "Berlin"));
        makePanel();
        signIn();
        EXPECT_EQ(preferences().defaultSiteID(), row.siteAfter);
        EXPECT_EQ(preferences().defaultCountryID(), 77);
        EXPECT_EQ(preferences().defaultZIPCode(), row.zipAfter);
        EXPECT_EQ(preferences().defaultLocation().toString(), row.locationAfter);
        // The currency follows the site.
        EXPECT_EQ(preferences().defaultCurrencyID(),
                  QMSiteDescriptionManager::sharedInstance().firstCurrencyIDForSiteID(row.siteAfter));
        EXPECT_TRUE(m_panel->passwordUsernameErrorTextField()->text().isEmpty());
    }
}

TEST_F(IntroPanel, FailedTokenFetchShowsWhyAndLetsTheSellerAuthorizeAgain)
{
    m_ebay.setReply(QStringLiteral("FetchToken"), kFetchTokenFailure);
    signIn();
    EXPECT_TRUE(m_panel->passwordUsernameErrorTextField()->text().contains(QStringLiteral("access token")));
    EXPECT_TRUE(m_panel->authorizeButton()->isEnabled());
    EXPECT_EQ(m_panel->currentViewIndex(), QMIntroPanelController::TokenStep);
    EXPECT_TRUE(m_ebay.requests(QStringLiteral("GetUser")).empty());
    EXPECT_EQ(preferences().defaultSiteID(), 0);
}

TEST_F(IntroPanel, StoredTokenMovesToTheSiteStep)
{
    advanceTo(QMIntroPanelController::TokenStep);
    dw::NotificationCenter::defaultCenter().post(QLatin1String(kQMAccountsChangedNotification), {},
                                                 {{QStringLiteral("error"), QStringLiteral("Keychain locked")}});
    EXPECT_EQ(m_panel->currentViewIndex(), QMIntroPanelController::TokenStep);
    EXPECT_EQ(m_panel->passwordUsernameErrorTextField()->text(), QStringLiteral("Keychain locked"));
    dw::NotificationCenter::defaultCenter().post(QLatin1String(kQMAccountsChangedNotification));
    EXPECT_TRUE(m_panel->tokenDownloaded());
    EXPECT_EQ(m_panel->currentViewIndex(), QMIntroPanelController::SiteStep);
}

TEST_F(IntroPanel, SiteStepNeedsALocation)
{
    advanceTo(QMIntroPanelController::SiteStep);
    m_panel->nextView();
    EXPECT_EQ(m_panel->currentViewIndex(), QMIntroPanelController::SiteStep);
    EXPECT_FALSE(m_panel->locationErrorTextField()->isHidden());

    // What the seller typed counts although the field still has the focus.
    auto* location = m_panel->findChild<QLineEdit*>(QStringLiteral("locationField"));
    ASSERT_TRUE(location);
    location->setText(QStringLiteral("Hamburg"));
    m_panel->nextView();
    EXPECT_EQ(m_panel->currentViewIndex(), QMIntroPanelController::PayPalStep);
    EXPECT_EQ(preferences().defaultLocation().toString(), QStringLiteral("Hamburg"));
}

TEST_F(IntroPanel, PayPalAddressGoesOnlyToAnExistingAccount)
{
    struct Case
    {
        const char* name;
        QString accountID;
        QString typedAddress;
        bool movesWithoutAddress;
    };
    const Case cases[] = {
        {"with an account the address is needed and kept with it", "account-1", "anna@example.com", false},
        {"with the authorization postponed nothing is written", "", "anna@example.com", true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        dw::test::TemporaryXdg xdg;
        ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        preferences().setDefaultLocation(QStringLiteral("Berlin"));
        preferences().setDefaultPaymentOptions({QStringLiteral("MOCC")});
        QMAccountDataSource::install(row.accountID.isEmpty() ? nullptr
                                                             : std::make_shared<dw::test::FakeAccounts>(row.accountID));
        makePanel();
        advanceTo(QMIntroPanelController::PayPalStep);
        m_panel->setAcceptPayPal(true);
        m_panel->nextView();
        EXPECT_EQ(m_panel->currentViewIndex() == QMIntroPanelController::FinishStep, row.movesWithoutAddress);
        EXPECT_EQ(m_panel->payPalErrorTextField()->isHidden(), row.movesWithoutAddress);
        if (!row.movesWithoutAddress) {
            m_panel->setPayPalAddress(row.typedAddress);
            m_panel->nextView();
        } else {
            // Typed before the account went away: still not kept under no account.
            m_panel->setPayPalAddress(row.typedAddress);
        }
        ASSERT_EQ(m_panel->currentViewIndex(), QMIntroPanelController::FinishStep);
        m_panel->nextButton()->setEnabled(true);
        m_panel->nextView();

        EXPECT_EQ(m_delegate->finished, 1);
        m_delegate->finished = 0;
        EXPECT_EQ(preferences().defaultPaymentOptions(),
                  (QVariantList{QStringLiteral("MOCC"), QStringLiteral("PayPalAccepted")}));
        QStringList addressKeys;
        for (const QString& key : dw::UserDefaults::standard().dictionaryRepresentation().keys()) {
            if (key.startsWith(QLatin1String("PayPalEmailAddressPrefix")))
                addressKeys << key;
        }
        if (row.accountID.isEmpty()) {
            EXPECT_TRUE(addressKeys.isEmpty()) << addressKeys.join(u',').toStdString();
        } else {
            EXPECT_EQ(addressKeys, QStringList{QStringLiteral("PayPalEmailAddressPrefix.account-1")});
            EXPECT_EQ(dw::UserDefaults::standard().stringForKey(addressKeys.value(0)), row.typedAddress);
        }
        QMAccountDataSource::install(nullptr);
    }
}

TEST_F(IntroPanel, MissingCategoryDataIsDownloadedBeforeFinishing)
{
    preferences().setDefaultLocation(QStringLiteral("Berlin"));
    preferences().setDefaultSiteID(77);
    advanceTo(QMIntroPanelController::FinishStep);
    EXPECT_EQ(m_delegate->downloads, QList<qint64>{77});
    EXPECT_EQ(m_panel->nextButton()->text(), QStringLiteral("Finish"));
    EXPECT_FALSE(m_panel->nextButton()->isEnabled());
    EXPECT_TRUE(m_panel->prevButton()->isHidden());
    EXPECT_TRUE(m_panel->getCategoriesTabTextField()->text().endsWith(
        QStringLiteral("Press “Finish” to start using Quillmart.\n\n")));

    // The download the application queues for it fails (no download server here): the seller
    // learns so and can still finish.
    QMOperationManager::sharedQMOperationManager()->addGetCurrenteBayDataOperationForSiteID(77, true, true, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_panel->nextButton()->isEnabled(); }, 10000));
    EXPECT_EQ(m_panel->getCategoriesTabView()->currentWidget()->objectName(), QStringLiteral("error"));
    m_panel->nextView();
    EXPECT_EQ(m_delegate->finished, 1);
    EXPECT_TRUE(m_panel->isHidden());
    EXPECT_EQ(m_closed, 0);
}

TEST_F(IntroPanel, CompleteCategoryDataLetsTheSellerFinishAtOnce)
{
    dw::test::saveCompleteCategoryDataOfSite77();
    preferences().setDefaultLocation(QStringLiteral("Berlin"));
    preferences().setDefaultSiteID(77);
    advanceTo(QMIntroPanelController::FinishStep);
    EXPECT_TRUE(m_delegate->downloads.isEmpty());
    EXPECT_TRUE(m_panel->nextButton()->isEnabled());
    m_panel->nextView();
    EXPECT_EQ(m_delegate->finished, 1);
    QMCategoryDataManager::sharedQMCategoryDataManager()->unloadAll();
}

TEST_F(IntroPanel, ClosingTheWindowQuits)
{
    m_panel->show();
    m_panel->close();
    EXPECT_EQ(m_closed, 1);
}

TEST_F(IntroPanel, CreateANewAccountOpensEbaysRegistrationPageOfTheDefaultSite)
{
    QList<QUrl> opened;
    const auto previous = dw::setDesktopURLOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    auto* button = m_panel->findChild<QPushButton*>(QStringLiteral("createNewEbayAccountButton"));
    ASSERT_TRUE(button);
    for (const qint64 site : {qint64(0), qint64(77)}) {
        preferences().setDefaultSiteID(site);
        button->click();
    }
    dw::setDesktopURLOpener(previous);
    EXPECT_EQ(opened, (QList<QUrl>{QUrl(QStringLiteral("https://signup.ebay.com/pa/crte")),
                                   QUrl(QStringLiteral("https://signup.ebay.de/pa/crte"))}));
}
