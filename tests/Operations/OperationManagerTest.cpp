#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayAddItemRequestType.h"
#include "DWEBay2/types/EBayAddItemResponseType.h"
#include "DWEBay2/types/EBayFetchTokenRequestType.h"
#include "DWEBay2/types/EBayGetItemRecommendationsRequestType.h"
#include "DWEBay2/types/EBayGetSessionIDRequestType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWEBay2/types/EBayPictureDetailsType.h"
#include "DWEBay2/types/EBayUploadSiteHostedPicturesRequestType.h"
#include "DWEBay2/types/EBayVerifyAddItemRequestType.h"
#include "DWEBay2/types/EBayXMLRequesterCredentialsType.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMAddItemOperation.h"
#include "Operations/QMFetchTokenOperation.h"
#include "Operations/QMGetEbayDataOperation.h"
#include "Operations/QMGetEbayDataVersionsOperation.h"
#include "Operations/QMGetItemRecommendationsOperation.h"
#include "Operations/QMGetSessionIDOperation.h"
#include "Operations/QMImageUploadInformationManager.h"
#include "Operations/QMListingUUIDStore.h"
#include "Operations/QMOperationManager.h"
#include "Operations/QMVerifyAddItemOperationEnvelope.h"
#include "model/QMAccountDataSource.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMError.h"
#include "model/QMErrorEnvelope.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/DrainMainThread.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include "Operations/QMGenericAddImageOperation.h"
#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {

using dw::test::FakeHttpReply;
using namespace std::chrono_literals;

QByteArray reply(const char* call, const char* ack, const QByteArray& inner = {})
{
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?><)") + call +
           R"(Response xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>)" + ack + "</Ack>" + inner + "</" + call +
           "Response>";
}

const char* kWarning = "<Errors><ShortMessage>Check the title.</ShortMessage><LongMessage>Check the title."
                       "</LongMessage><ErrorCode>21916</ErrorCode><SeverityCode>Warning</SeverityCode></Errors>";
const char* kError = "<Errors><ShortMessage>No category.</ShortMessage><LongMessage>The category is not valid."
                     "</LongMessage><ErrorCode>87</ErrorCode><SeverityCode>Error</SeverityCode></Errors>";

class Accounts final : public QMAccountDataSource
{
public:
    QString defaultAccountID() const override { return QStringLiteral("seller"); }
    QString tokenForAccountID(const QString&) const override { return QStringLiteral("secret-token"); }
    QString payPalAddressForAccountID(const QString&) const override { return QString(); }
};

class Connectors final : public QMOperationManagerDelegate
{
public:
    Connectors(QString api, QString pictures) : m_api(std::move(api)), m_pictures(std::move(pictures)) {}
    std::unique_ptr<DWEbayConnector> standardEbayConnector() override { return connector(m_api); }
    std::unique_ptr<DWEbayConnector> pictureServiceConnector() override { return connector(m_pictures); }

private:
    static std::unique_ptr<DWEbayConnector> connector(const QString& url)
    {
        auto made = std::make_unique<DWEbayConnector>(url, 0, 747);
        made->setRequestTimeOut(10);
        return made;
    }
    QString m_api;
    QString m_pictures;
};

// Verifications, picture uploads and listings against the fake Trading API and a fake picture
// service, every status change and every finished notification recorded per envelope.
class OperationManagerTest : public ::testing::Test
{
protected:
    OperationManagerTest()
    {
        QMLogManager::resetSharedInstance();
        QMImageUploadInformationManager::resetSharedInstance();
        QMAccountDataSource::install(m_accounts);
        m_ebay.setReply(QStringLiteral("VerifyAddItem"), reply("VerifyAddItem", "Success"));
        m_ebay.setReply(QStringLiteral("AddItem"), reply("AddItem", "Success", "<ItemID>110089122715</ItemID>"));
        answerPictures("Success");
        auto& center = dw::NotificationCenter::defaultCenter();
        m_statusObservation = dw::ScopedObservation(
            center, center.addObserver(
                        QLatin1String(kQMAddItemOperationEnvelopeStatusChangedNotification), nullptr,
                        [this](const dw::Notification& note) {
                            const auto* key = note.object.identity;
                            m_statuses[key]
                                << note.userInfo.value(QLatin1String(kQMAddItemOperationEnvelopeStatusKey)).toInt();
                        }));
        m_finishedObservation = dw::ScopedObservation(
            center,
            center.addObserver(
                QLatin1String(kDWNSOperationEnvelopeQueueEnvelope_finished), nullptr,
                [this](const dw::Notification& note) {
                    const auto envelope =
                        note.userInfo.value(QLatin1String(kDWNSUserInfoKeyEnvelope)).value<DWNSOperationEnvelopePtr>();
                    ++m_finished[envelope.get()];
                }));
    }
    ~OperationManagerTest() override
    {
        // The manager's operations may still be logging: let them end before the singletons go.
        m_manager.reset();
        QMAccountDataSource::install(nullptr);
        dw::UserDefaults::standard().removeObjectForKey(QLatin1String(kQMMaxConcurrentOperationsKey));
        QMImageUploadInformationManager::resetSharedInstance();
        QMLogManager::resetSharedInstance();
    }

    // Each upload answers an address named after the picture, so a test sees which went where.
    void answerPictures(const char* ack, const QByteArray& inner = {})
    {
        m_pictureService.setResponder(
            QStringLiteral("UploadSiteHostedPictures"), [this, ack, inner](const dw::test::TradingApiRequest& request) {
                const auto sent = request.documentAs<EBayUploadSiteHostedPicturesRequestType>();
                const QString address = pictureAddress(sent ? sent->pictureName() : "");
                return FakeHttpReply{.body = reply("UploadSiteHostedPictures", ack,
                                                   inner + "<SiteHostedPictureDetails><FullURL>" + address.toUtf8() +
                                                       "</FullURL></SiteHostedPictureDetails>")};
            });
    }
    QString pictureAddress(const QString& name)
    {
        return m_pictureService.server().url(QStringLiteral("/pics/") + name + QStringLiteral(".JPG"));
    }

    std::shared_ptr<QMEbayItem> listing(const QString& uniqueID, int pictures)
    {
        auto item = std::make_shared<QMEbayItem>();
        item->setUniqueID(uniqueID);
        item->setSiteID(0);
        item->setCurrency(1);
        item->setTitle(QStringLiteral("Lamp ") + uniqueID);
        item->setDuration(7);
        item->setUseStartingBid(true);
        item->setMinimumBid(QStringLiteral("1.00"));
        item->shippingOptions()->addDomesticShippingServiceWithID(QStringLiteral("1"), QStringLiteral("4.90"), false,
                                                                  QStringLiteral("0"));
        QList<std::shared_ptr<QMEbayImage>> images;
        for (int index = 0; index < pictures; ++index) {
            const QString path = m_xdg.path(uniqueID + QString::number(index) + QStringLiteral(".jpg"));
            QImage picture(64, 48, QImage::Format_RGB32);
            picture.fill(Qt::darkGreen);
            EXPECT_TRUE(picture.save(path, "JPEG"));
            images << std::make_shared<QMEbayImage>(path, QString());
        }
        item->setImages(images);
        m_open << item;
        return item;
    }

    std::shared_ptr<QMOperationManager> makeManager()
    {
        auto manager = QMOperationManager::create();
        manager->setDelegate(m_connectors);
        manager->setOpenListings([this] { return m_open; });
        return manager;
    }

    QList<std::shared_ptr<QMAddItemOperationEnvelope>> upload(const QList<std::shared_ptr<QMEbayItem>>& items,
                                                              bool scheduled = false, bool suppress = true)
    {
        return m_manager->addAddItemOperationsForEbayItems(items, kQMImageUploadingSystemEPS, false, suppress, false,
                                                           scheduled, QStringLiteral("seller"));
    }

    // Runs what the queues and the main thread still have, so that whatever else would happen (a
    // second finished notification, an upload that must not start) has happened.
    void drain()
    {
        dw::test::drainMainThread([this] {
            m_manager->multiThreadedOperationQueue().waitUntilAllOperationsAreFinished();
            m_manager->singleThreadedOperationQueue().waitUntilAllOperationsAreFinished();
        });
    }
    // Waits until each envelope has finished, then drains, so that a second finished notification
    // would be seen too.
    bool waitForFinished(const QList<std::shared_ptr<QMAddItemOperationEnvelope>>& envelopes)
    {
        const bool all = QTest::qWaitFor(
            [&] {
                for (const auto& envelope : envelopes) {
                    if (m_finished[envelope.get()] == 0)
                        return false;
                }
                return true;
            },
            15000);
        drain();
        return all;
    }
    int finishedCount(const std::shared_ptr<QMAddItemOperationEnvelope>& envelope)
    {
        return m_finished[envelope.get()];
    }
    QList<int> statuses(const std::shared_ptr<QMAddItemOperationEnvelope>& envelope)
    {
        return m_statuses[envelope.get()];
    }
    bool waitForStatus(const std::shared_ptr<QMAddItemOperationEnvelope>& envelope, int status)
    {
        return QTest::qWaitFor([&] { return statuses(envelope).contains(status); }, 10000);
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::FakeTradingApi m_ebay;
    dw::test::FakeTradingApi m_pictureService;
    std::shared_ptr<Accounts> m_accounts = std::make_shared<Accounts>();
    std::shared_ptr<Connectors> m_connectors = std::make_shared<Connectors>(m_ebay.url(), m_pictureService.url());
    QList<std::shared_ptr<QMEbayItem>> m_open;
    std::map<const void*, QList<int>> m_statuses;
    std::map<const void*, int> m_finished;
    dw::ScopedObservation m_statusObservation;
    dw::ScopedObservation m_finishedObservation;
    std::shared_ptr<QMOperationManager> m_manager = makeManager();
};

} // namespace

TEST_F(OperationManagerTest, ListsEachListingWithItsUploadedPicturesAndLeavesTheListingsAddressesAlone)
{
    const auto two = listing(QStringLiteral("A"), 2);
    const auto none = listing(QStringLiteral("B"), 0);
    const auto one = listing(QStringLiteral("C"), 1);
    two->images().at(1)->setImageURL(QStringLiteral("http://127.0.0.1:1/old.jpg"));

    const auto envelopes = upload({two, none, one});
    ASSERT_EQ(envelopes.size(), 3);
    ASSERT_TRUE(waitForFinished(envelopes));

    EXPECT_EQ(envelopes.at(0)->stageCount(), 4u);
    EXPECT_EQ(envelopes.at(1)->stageCount(), 2u);
    EXPECT_EQ(envelopes.at(2)->stageCount(), 3u);
    for (const auto& envelope : envelopes) {
        EXPECT_EQ(envelope->overallStageCount(), 9u);
        EXPECT_EQ(finishedCount(envelope), 1);
        EXPECT_EQ(envelope->status(), QMAddItemOperationEnvelope::Finished);
        EXPECT_FALSE(envelope->errorOccurred());
    }
    EXPECT_EQ(statuses(envelopes.at(0)), (QList<int>{1, 2, 3, 6}));
    EXPECT_EQ(statuses(envelopes.at(1)), (QList<int>{1, 3, 6}));
    EXPECT_EQ(m_ebay.requests(QStringLiteral("AddItem")).size(), 3u);
    EXPECT_EQ(m_pictureService.requests(QStringLiteral("UploadSiteHostedPictures")).size(), 3u);

    // Verification sent placeholders; the listing went out with the uploads, picture by picture.
    QStringList verified;
    QStringList listed;
    for (const auto& request : m_ebay.requests()) {
        const auto* item = request.callName == QLatin1String("VerifyAddItem")
                               ? request.documentAs<EBayVerifyAddItemRequestType>()->item().get()
                               : request.documentAs<EBayAddItemRequestType>()->item().get();
        if (!item->title().contains(QLatin1String("Lamp A")))
            continue;
        const QStringList addresses = *item->pictureDetails()->pictureURLs();
        (request.callName == QLatin1String("VerifyAddItem") ? verified : listed) << addresses;
    }
    ASSERT_EQ(verified.size(), 2);
    const QString placeholder = QMPreferencesManager::sharedInstance().useEPS()
                                    ? QStringLiteral("/03/i/04/1c/97/cf_%1.JPG")
                                    : QStringLiteral("/testimage-%1.jpg");
    EXPECT_TRUE(verified.at(0).endsWith(placeholder.arg(0))) << verified.at(0).toStdString();
    EXPECT_TRUE(verified.at(1).endsWith(placeholder.arg(1))) << verified.at(1).toStdString();
    const auto& uploads = envelopes.at(0)->addImageOperations();
    ASSERT_EQ(uploads.size(), 2);
    EXPECT_NE(uploads.at(0)->uploadedImageURL(), uploads.at(1)->uploadedImageURL());
    EXPECT_EQ(listed, (QStringList{uploads.at(0)->uploadedImageURL(), uploads.at(1)->uploadedImageURL()}));
    EXPECT_TRUE(two->images().at(0)->imageURL().isNull());
    EXPECT_EQ(two->images().at(1)->imageURL(), QStringLiteral("http://127.0.0.1:1/old.jpg"));
}

TEST_F(OperationManagerTest, VerificationWarningsWaitForTheUserAndFailuresStopBeforeAnyUpload)
{
    m_ebay.setReply(QStringLiteral("VerifyAddItem"), reply("VerifyAddItem", "Warning", kWarning));
    const auto warned = upload({listing(QStringLiteral("A"), 1)}, false, false).first();
    ASSERT_TRUE(waitForStatus(warned, QMAddItemOperationEnvelope::WaitingOnWarnings));
    drain();
    EXPECT_TRUE(warned->suspended());
    EXPECT_EQ(m_pictureService.requestCount(), 0u);
    warned->continueExecution();
    ASSERT_TRUE(waitForFinished({warned}));
    EXPECT_EQ(statuses(warned), (QList<int>{1, 4, 2, 3, 6}));
    EXPECT_EQ(finishedCount(warned), 1);

    // A failure ends at 5, also when messages are suppressed and nobody is there to continue.
    m_ebay.setReply(QStringLiteral("VerifyAddItem"), reply("VerifyAddItem", "Failure", kError));
    const auto silent = upload({listing(QStringLiteral("B"), 1)}, false, true).first();
    ASSERT_TRUE(waitForFinished({silent}));
    EXPECT_EQ(statuses(silent), (QList<int>{1, 5}));
    EXPECT_EQ(finishedCount(silent), 1);
    EXPECT_TRUE(silent->errorEnvelope()->hasErrorWithCode(QStringLiteral("87")));

    // Shown to the user, the failure waits; continuing must not list it anyway.
    const auto shown = upload({listing(QStringLiteral("C"), 1)}, false, false).first();
    ASSERT_TRUE(waitForStatus(shown, QMAddItemOperationEnvelope::Failed));
    drain();
    EXPECT_TRUE(shown->suspended());
    shown->continueExecution();
    ASSERT_TRUE(waitForFinished({shown}));
    EXPECT_EQ(finishedCount(shown), 1);
    EXPECT_EQ(shown->status(), QMAddItemOperationEnvelope::Failed);
    EXPECT_EQ(m_pictureService.requestCount(), 1u);
    EXPECT_EQ(m_ebay.requests(QStringLiteral("AddItem")).size(), 1u);
}

TEST_F(OperationManagerTest, PictureErrorsStopTheListing)
{
    answerPictures("Failure", kError);
    const auto failed = upload({listing(QStringLiteral("A"), 2)}).first();
    ASSERT_TRUE(waitForFinished({failed}));
    EXPECT_EQ(failed->status(), QMAddItemOperationEnvelope::Failed);
    EXPECT_EQ(finishedCount(failed), 1);
    EXPECT_TRUE(failed->errorEnvelope()->hasError());
    EXPECT_TRUE(m_ebay.requests(QStringLiteral("AddItem")).empty());
}

namespace {

// Lets a scripted upload go on; opened at the latest when the test ends, so that no upload waits
// for ever. The upload shares the flag, which may outlive the release.
class Release
{
public:
    Release() = default;
    Release(const Release&) = delete;
    Release& operator=(const Release&) = delete;
    ~Release() { open(); }
    void open()
    {
        m_open->store(true);
        m_open->notify_all();
    }
    std::shared_ptr<const std::atomic<bool>> flag() const { return m_open; }

private:
    std::shared_ptr<std::atomic<bool>> m_open = std::make_shared<std::atomic<bool>>(false);
};

// A picture upload that answers with an address, with or without a warning; with a release, only
// once that is opened.
class ScriptedPictureUpload final : public QMGenericAddImageOperation
{
public:
    ScriptedPictureUpload(const QMEbayConnectorFactory& factory, QString name, bool warn,
                          std::shared_ptr<const std::atomic<bool>> release = {})
        : QMGenericAddImageOperation(factory), m_name(std::move(name)), m_warn(warn), m_release(std::move(release))
    {}

protected:
    void internalMain() override
    {
        if (m_release)
            m_release->wait(false);
        setUploadedImageURL(QStringLiteral("http://127.0.0.1:1/%1.JPG").arg(m_name));
        if (m_warn) {
            auto envelope = std::make_shared<QMErrorEnvelope>(QStringLiteral("EPS"), name());
            envelope->setErrors({QMError::errorWithCode(QStringLiteral("21916"), QStringLiteral("Small picture."),
                                                        QStringLiteral("warning"))});
            setErrorEnvelope(envelope);
        }
        setProgress(1.0f);
    }

private:
    const QString m_name;
    const bool m_warn;
    const std::shared_ptr<const std::atomic<bool>> m_release;
};

} // namespace

TEST_F(OperationManagerTest, PictureWarningWhileAnotherPictureUploadsListsOnceBothAreUp)
{
    const auto item = listing(QStringLiteral("C"), 2);
    const QMEbayConnectorFactory factory = [this] {
        auto connector = m_connectors->standardEbayConnector();
        connector->setToken(QStringLiteral("secret-token"));
        return connector;
    };
    Release slowUpload;
    const QList<std::shared_ptr<QMGenericAddImageOperation>> uploads{
        std::make_shared<ScriptedPictureUpload>(factory, QStringLiteral("warned"), true),
        std::make_shared<ScriptedPictureUpload>(factory, QStringLiteral("slow"), false, slowUpload.flag())};
    auto add = std::make_shared<QMAddItemOperation>(factory, item->infoDictionaryForOperations(),
                                                    QStringLiteral("seller"), true, false);
    for (const auto& upload : uploads)
        add->addDependency(upload);
    const auto envelope =
        std::make_shared<QMAddItemOperationEnvelope>(QList<DWNSOperationPtr>{uploads.begin(), uploads.end()});
    envelope->setDelegate(m_manager);
    envelope->setAddImageOperations(uploads, item->images());
    envelope->setAuctionItemOperation(add);
    m_manager->multiThreadedOperationQueue().addOperationEnvelope(envelope);

    ASSERT_TRUE(QTest::qWaitFor([&] { return envelope->suspended(); }, 10000));
    EXPECT_EQ(envelope->addImageOperationsRemaining(), 1u);
    envelope->continueExecution();
    slowUpload.open();
    ASSERT_TRUE(waitForFinished({envelope}));
    EXPECT_EQ(finishedCount(envelope), 1);
    EXPECT_EQ(envelope->status(), QMAddItemOperationEnvelope::Finished);
    ASSERT_EQ(m_ebay.requests(QStringLiteral("AddItem")).size(), 1u);
    const auto sent = m_ebay.requests(QStringLiteral("AddItem")).at(0).documentAs<EBayAddItemRequestType>();
    EXPECT_EQ(*sent->item()->pictureDetails()->pictureURLs(),
              (QStringList{uploads.at(0)->uploadedImageURL(), uploads.at(1)->uploadedImageURL()}));
}

TEST_F(OperationManagerTest, ScheduledListingWithoutPicturesGoesStraightToTheListing)
{
    const auto envelope = upload({listing(QStringLiteral("A"), 0)}, true).first();
    EXPECT_EQ(envelope->operations(), (QList<DWNSOperationPtr>{envelope->auctionItemOperation()}));
    ASSERT_TRUE(waitForFinished({envelope}));
    EXPECT_EQ(statuses(envelope), (QList<int>{3, 6}));
    EXPECT_EQ(finishedCount(envelope), 1);
    EXPECT_TRUE(m_ebay.requests(QStringLiteral("VerifyAddItem")).empty());
}

TEST_F(OperationManagerTest, ClosedDocumentOrVanishedPictureEndsTheRunWithAnError)
{
    struct Row
    {
        const char* name;
        bool closeDocument;
    };
    QList<std::shared_ptr<QMAddItemOperationEnvelope>> kept; // so that no envelope reuses another's address
    for (const Row row : {Row{"closed document", true}, Row{"vanished picture", false}}) {
        SCOPED_TRACE(row.name);
        // The uploads are slow, so the listing changes while they run.
        m_pictureService.setResponder(
            QStringLiteral("UploadSiteHostedPictures"), [this](const dw::test::TradingApiRequest& request) {
                const auto sent = request.documentAs<EBayUploadSiteHostedPicturesRequestType>();
                return FakeHttpReply{.body = reply("UploadSiteHostedPictures", "Success",
                                                   "<SiteHostedPictureDetails><FullURL>" +
                                                       pictureAddress(sent->pictureName()).toUtf8() +
                                                       "</FullURL></SiteHostedPictureDetails>"),
                                     .delay = 300ms};
            });
        const auto item = listing(QString::fromLatin1(row.name), 2);
        const auto envelope = upload({item}).first();
        kept << envelope;
        ASSERT_TRUE(waitForStatus(envelope, QMAddItemOperationEnvelope::UploadingPictures));
        if (row.closeDocument) {
            m_open.removeOne(item);
        } else {
            auto pictures = item->images();
            pictures.removeFirst();
            item->setImages(pictures);
        }
        ASSERT_TRUE(waitForFinished({envelope}));
        EXPECT_EQ(envelope->status(), QMAddItemOperationEnvelope::Failed);
        EXPECT_EQ(finishedCount(envelope), 1);
        ASSERT_TRUE(envelope->errorEnvelope());
        EXPECT_TRUE(envelope->errorEnvelope()->hasError());
        EXPECT_TRUE(m_ebay.requests(QStringLiteral("AddItem")).empty());
    }
}

TEST_F(OperationManagerTest, EnvelopeQueueWidthFollowsTheUserDefault)
{
    struct Row
    {
        const char* name;
        QVariant value;
        int expected;
    };
    const Row rows[] = {{"unset", QVariant(), 4}, {"zero", 0, 4}, {"negative", -1, 4}, {"two", 2, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto& defaults = dw::UserDefaults::standard();
        if (row.value.isValid())
            defaults.setObject(row.value, QLatin1String(kQMMaxConcurrentOperationsKey));
        else
            defaults.removeObjectForKey(QLatin1String(kQMMaxConcurrentOperationsKey));
        dw::test::FakeTradingApi ebay;
        ebay.setReplies(QStringLiteral("VerifyAddItem"), {{.body = reply("VerifyAddItem", "Success"), .delay = 150ms}});
        auto connectors = std::make_shared<Connectors>(ebay.url(), ebay.url());
        auto manager = QMOperationManager::create();
        manager->setDelegate(connectors);
        manager->setOpenListings([this] { return m_open; });
        m_open.clear();
        QList<std::shared_ptr<QMEbayItem>> items;
        for (int index = 0; index < 6; ++index)
            items << listing(QString::number(index), 0);
        const auto envelope = manager->addVerifyAddItemOperationsForEbayItems(items, QStringLiteral("seller"),
                                                                              QString(), true, false, false);
        ASSERT_TRUE(QTest::qWaitFor([&] { return envelope->fees().has_value(); }, 15000));
        EXPECT_EQ(ebay.requestCount(), 6u);
        EXPECT_EQ(ebay.peakConcurrentRequests(), row.expected);
    }
}

TEST_F(OperationManagerTest, ProductSearchAsksInTheListingsSiteWithinItsCategoriesCharacteristicSets)
{
    m_ebay.useFixtureReplies();
    const auto item = listing(QStringLiteral("A"), 0);
    item->setSiteID(77);
    item->setCategory(1245);
    QList<qint64> askedCategories;
    qint64 askedSite = -1;
    m_manager->setSearchCharacteristicSets([&](const QList<qint64>& categoryIDs, qint64 siteID) {
        askedCategories = categoryIDs;
        askedSite = siteID;
        return QStringList{QStringLiteral("1137")};
    });
    m_manager->addGetProductSearchResultsOperationForItem(*item, {QStringLiteral("9780131103627")});
    ASSERT_TRUE(m_ebay.waitForRequests(1));
    const auto sent = m_ebay.requests(QStringLiteral("GetProductSearchResults"));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent.at(0).headerValue("X-EBAY-API-SITEID"), "77");
    EXPECT_TRUE(sent.at(0).xml.contains("9780131103627"));
    EXPECT_TRUE(sent.at(0).xml.contains("1137"));
    EXPECT_EQ(askedCategories, (QList<qint64>{1245}));
    EXPECT_EQ(askedSite, 77);
}

// Which queue each sign-in, eBay-data and recommendation call lands on, and what it sends.
TEST_F(OperationManagerTest, SignInDataAndRecommendationCallsGoOnTheirQueuesWithTheirSettings)
{
    m_ebay.useFixtureReplies();
    dw::UserDefaults::standard().registerDefaults({{QStringLiteral("eBayRuName"), QStringLiteral("Quillmart-RuName")}});
    std::map<const void*, QList<DWNSOperationPtr>> added;
    auto& center = dw::NotificationCenter::defaultCenter();
    dw::ScopedObservation observation(
        center,
        center.addObserver(
            QLatin1String(DWNSNotificationOperationQueueOperation_added), nullptr, [&](const dw::Notification& note) {
                added[note.object.identity]
                    << note.userInfo.value(QLatin1String(kDWNSUserInfoKeyOperation)).value<DWNSOperationPtr>();
            }));
    const void* serial = &m_manager->singleThreadedOperationQueue();
    const void* envelopes = &m_manager->multiThreadedOperationQueue();
    auto waitForCalls = [&](std::size_t count) {
        return QTest::qWaitFor([&] { return m_ebay.requestCount() >= count; }, 10000);
    };

    const auto session = m_manager->addGetSessionIDOperation();
    ASSERT_TRUE(waitForCalls(1));
    const auto asked = m_ebay.requests(QStringLiteral("GetSessionID"));
    ASSERT_EQ(asked.size(), 1u);
    const auto sessionRequest = asked.at(0).documentAs<EBayGetSessionIDRequestType>();
    ASSERT_TRUE(sessionRequest);
    EXPECT_EQ(sessionRequest->ruName(), QStringLiteral("Quillmart-RuName"));
    EXPECT_FALSE(sessionRequest->requesterCredentials() &&
                 !sessionRequest->requesterCredentials()->eBayAuthToken().isEmpty());

    // The user record is read after a fetch by session even when the caller says no.
    m_manager->addFetchTokenOperationForSessionID(QStringLiteral("session-1"), QStringLiteral("Default Account"),
                                                  QStringLiteral("account-1"), false);
    ASSERT_TRUE(waitForCalls(3));
    ASSERT_EQ(m_ebay.requests(QStringLiteral("FetchToken")).size(), 1u);
    EXPECT_EQ(m_ebay.requests(QStringLiteral("FetchToken")).at(0).documentAs<EBayFetchTokenRequestType>()->sessionID(),
              QStringLiteral("session-1"));
    EXPECT_EQ(m_ebay.requests(QStringLiteral("GetUser")).size(), 1u);

    const auto item = listing(QStringLiteral("R"), 0);
    item->setSiteID(77);
    item->setCategory(1245);
    m_manager->addGetItemRecommendationsOperationForAccountID(QStringLiteral("seller"), *item);
    ASSERT_TRUE(waitForCalls(4));
    const auto recommended = m_ebay.requests(QStringLiteral("GetItemRecommendations"));
    ASSERT_EQ(recommended.size(), 1u);
    EXPECT_EQ(recommended.at(0).headerValue("X-EBAY-API-SITEID"), "77");
    EXPECT_TRUE(recommended.at(0).xml.contains("<CategoryID>1245</CategoryID>"));
    EXPECT_TRUE(recommended.at(0).xml.contains("secret-token"));

    m_manager->addGetCurrenteBayDataVersionsOperationSilent(true);
    m_manager->addGetCurrenteBayDataOperationForSiteID(77, true, false, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return added[envelopes].size() == 3; }, 10000));
    m_manager->multiThreadedOperationQueue().waitUntilAllOperationsAreFinished();
    m_manager->singleThreadedOperationQueue().waitUntilAllOperationsAreFinished();

    ASSERT_EQ(added[serial].size(), 2);
    EXPECT_TRUE(std::dynamic_pointer_cast<QMFetchTokenOperation>(added[serial].at(0)));
    EXPECT_TRUE(std::dynamic_pointer_cast<QMGetItemRecommendationsOperation>(added[serial].at(1)));
    EXPECT_EQ(added[envelopes].at(0), session);
    const auto versions = std::dynamic_pointer_cast<QMGetEbayDataVersionsOperation>(added[envelopes].at(1));
    ASSERT_TRUE(versions);
    EXPECT_TRUE(versions->runSilent());
    const auto data = std::dynamic_pointer_cast<QMGetEbayDataOperation>(added[envelopes].at(2));
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->downloadCategoryTree());
    EXPECT_FALSE(data->downloadCharacteristicSets());
    EXPECT_TRUE(data->runSilent());
}

namespace {

QString firstErrorMessage(const std::shared_ptr<QMErrorEnvelope>& envelope)
{
    return envelope && !envelope->errors().isEmpty() ? envelope->errors().first()->message() : QString();
}

QString sentUUID(const dw::test::TradingApiRequest& request)
{
    const auto document = request.documentAs<EBayAddItemRequestType>();
    return document && document->item() ? document->item()->uUID() : QString();
}

} // namespace

TEST_F(OperationManagerTest, ALostListingAnswerSaysSoAndEveryRetryCarriesTheSameUUID)
{
    struct Row
    {
        const char* name;
        FakeHttpReply lost;
    };
    const Row rows[] = {
        {"connection closed before the answer", {.cutAfterBytes = 0}},
        {"answer cut off halfway",
         {.body = reply("AddItem", "Success", "<ItemID>110089122715</ItemID>"), .cutAfterBytes = 120}},
    };
    const auto lastUUID = [this] { return sentUUID(m_ebay.requests(QStringLiteral("AddItem")).back()); };
    QList<std::shared_ptr<QMAddItemOperationEnvelope>> kept; // so that no envelope reuses another's address
    int listing = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto item = this->listing(QStringLiteral("lost-%1").arg(++listing), 0);
        const std::size_t before = m_ebay.requests(QStringLiteral("AddItem")).size();
        m_ebay.setReplies(QStringLiteral("AddItem"), {row.lost});
        const auto lost = upload({item}, false, false).first();
        kept << lost;
        ASSERT_TRUE(waitForStatus(lost, QMAddItemOperationEnvelope::Failed));
        EXPECT_TRUE(firstErrorMessage(lost->errorEnvelope()).contains(QLatin1String("may already be listed")))
            << firstErrorMessage(lost->errorEnvelope()).toStdString();
        lost->continueExecution();
        ASSERT_TRUE(waitForFinished({lost}));
        EXPECT_EQ(lost->status(), QMAddItemOperationEnvelope::Failed);
        EXPECT_EQ(finishedCount(lost), 1);
        const QString uuid = sentUUID(m_ebay.requests(QStringLiteral("AddItem")).at(before));
        EXPECT_EQ(uuid.size(), 32);
        EXPECT_EQ(QMListingUUIDStore::keptUUIDForListing(item->uniqueID()), uuid);

        // The retry goes out under the same UUID, so eBay could not list the item twice.
        m_ebay.setReply(QStringLiteral("AddItem"), reply("AddItem", "Success", "<ItemID>110089122716</ItemID>"));
        const auto retried = upload({item}).first();
        kept << retried;
        ASSERT_TRUE(waitForFinished({retried}));
        EXPECT_EQ(retried->status(), QMAddItemOperationEnvelope::Finished);
        EXPECT_EQ(lastUUID(), uuid);

        // eBay answered: the next listing of the same document is a new one.
        EXPECT_TRUE(QMListingUUIDStore::keptUUIDForListing(item->uniqueID()).isNull());
        const auto again = upload({item}).first();
        kept << again;
        ASSERT_TRUE(waitForFinished({again}));
        EXPECT_NE(lastUUID(), uuid);
    }
}

TEST_F(OperationManagerTest, EBaysDuplicateUUIDAnswerCountsAsTheListingItNames)
{
    m_ebay.setReply(QStringLiteral("AddItem"),
                    reply("AddItem", "Failure",
                          "<Errors><ShortMessage>Duplicate UUID used.</ShortMessage><LongMessage>The specified UUID "
                          "has already been used; ListedByRequestAppId=1, item ID=4503632367.</LongMessage>"
                          "<ErrorCode>488</ErrorCode><SeverityCode>Error</SeverityCode>"
                          "<ErrorParameters ParamID=\"0\"><Value>1</Value></ErrorParameters>"
                          "<ErrorParameters ParamID=\"1\"><Value>4503632367</Value></ErrorParameters>"
                          "<ErrorClassification>RequestError</ErrorClassification></Errors>"));
    const auto item = listing(QStringLiteral("A"), 1);
    const auto envelope = upload({item}, false, false).first();
    ASSERT_TRUE(waitForFinished({envelope}));
    EXPECT_EQ(statuses(envelope), (QList<int>{1, 2, 3, 6}));
    EXPECT_EQ(finishedCount(envelope), 1);
    EXPECT_FALSE(envelope->errorOccurred());
    const auto listed =
        std::dynamic_pointer_cast<EBayAddItemResponseType>(envelope->auctionItemOperation()->addItemResponse());
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->itemID(), QStringLiteral("4503632367"));
    EXPECT_EQ(listed->ack(), QStringLiteral("Success"));
    EXPECT_EQ(envelope->auctionItemOperation()->logEntry()->state(), QLatin1String(kQMLogEntryStateSuccess));
    EXPECT_TRUE(QMListingUUIDStore::keptUUIDForListing(item->uniqueID()).isNull());
}

TEST_F(OperationManagerTest, ACancelStopsTheCallInFlightAndEndsTheRunAsCancelled)
{
    struct Row
    {
        const char* name;
        const char* stalledCall;
        int stalledStatus;
        QList<int> statuses;
    };
    const Row rows[] = {
        {"during the verification", "VerifyAddItem", QMAddItemOperationEnvelope::Verifying, {1, 6}},
        {"during the picture uploads",
         "UploadSiteHostedPictures",
         QMAddItemOperationEnvelope::UploadingPictures,
         {1, 2, 6}},
    };
    QList<std::shared_ptr<QMAddItemOperationEnvelope>> kept; // so that no envelope reuses another's address
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto& service = QLatin1String(row.stalledCall) == QLatin1String("VerifyAddItem") ? m_ebay : m_pictureService;
        service.setReplies(QLatin1String(row.stalledCall), {FakeHttpReply{.stall = true}});
        const std::size_t before = service.requestCount();
        const auto envelope = upload({listing(QString::fromLatin1(row.name), 2)}, false, false).first();
        kept << envelope;
        ASSERT_TRUE(waitForStatus(envelope, row.stalledStatus));
        ASSERT_TRUE(QTest::qWaitFor([&] { return service.requestCount() > before; }, 10000));

        // The panel's abort: cancel, then continue, while the call still waits for its answer.
        QElapsedTimer elapsed;
        elapsed.start();
        envelope->cancelAllOperations();
        envelope->continueExecution();
        ASSERT_TRUE(QTest::qWaitFor([&] { return finishedCount(envelope) > 0; }, 15000));
        // The connectors wait 10 s for an answer: the call was given up at once, not waited out.
        EXPECT_LT(elapsed.elapsed(), 2000);
        ASSERT_TRUE(waitForFinished({envelope}));
        EXPECT_EQ(finishedCount(envelope), 1);
        EXPECT_EQ(envelope->status(), QMAddItemOperationEnvelope::Finished);
        EXPECT_EQ(statuses(envelope), row.statuses);
        EXPECT_FALSE(envelope->suspended());
        for (const auto& operation : envelope->operations())
            EXPECT_TRUE(operation->isFinished() || !operation->isExecuting());
        if (const auto verify = envelope->verifyAddItemOperation(); verify && verify->logEntry()) {
            EXPECT_NE(verify->logEntry()->state(), QLatin1String(kQMLogEntryStatePending));
        }
        EXPECT_TRUE(m_ebay.requests(QStringLiteral("AddItem")).empty());
        m_ebay.setReply(QStringLiteral("VerifyAddItem"), reply("VerifyAddItem", "Success"));
        answerPictures("Success");
    }
}

TEST_F(OperationManagerTest, QuitWithAStalledCallEndsPromptly)
{
    m_ebay.setReplies(QStringLiteral("VerifyAddItem"), {FakeHttpReply{.stall = true}});
    const auto envelope = upload({listing(QStringLiteral("A"), 0)}).first();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_ebay.requestCount() == 1; }, 10000));
    const auto verify = envelope->verifyAddItemOperation();
    QElapsedTimer elapsed;
    elapsed.start();
    m_manager.reset(); // the queues cancel everything and wait for their workers, as on quit
    EXPECT_LT(elapsed.elapsed(), 2000) << "quitting waits for no stalled call";
    EXPECT_TRUE(verify->isFinished());
    EXPECT_TRUE(m_ebay.requests(QStringLiteral("AddItem")).empty());
}
