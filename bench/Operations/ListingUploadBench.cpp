// 100 listings with three pictures each, uploaded through the operation manager against the fake
// Trading API and picture service, every call answered after 50 ms. Beside the time stands the
// bound that the envelope queue's width sets (all calls, 50 ms each, run width at a time) and the
// ratio of the time to it ("ratio"; the target is at most 1.1). The clock runs from the request to
// the last finished notification; the main thread sleeps in its event loop meanwhile.

#include "DWEBay2/DWEbayConnector.h"
#include "Operations/QMImageUploadInformationManager.h"
#include "Operations/QMOperationManager.h"
#include "model/QMAccountDataSource.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/NotificationCenter.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

using namespace std::chrono_literals;

constexpr int kListings = 100;
constexpr int kPicturesPerListing = 3;
constexpr auto kLatency = 50ms;

QByteArray reply(const char* call, const QByteArray& inner = {})
{
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?><)") + call +
           R"(Response xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>Success</Ack>)" + inner + "</" + call + "Response>";
}

class Accounts final : public QMAccountDataSource
{
public:
    QString defaultAccountID() const override { return QStringLiteral("seller"); }
    QString tokenForAccountID(const QString&) const override { return QStringLiteral("token"); }
    QString payPalAddressForAccountID(const QString&) const override { return QString(); }
};

class Connectors final : public QMOperationManagerDelegate
{
public:
    Connectors(QString api, QString pictures) : m_api(std::move(api)), m_pictures(std::move(pictures)) {}
    std::unique_ptr<DWEbayConnector> standardEbayConnector() override
    {
        return std::make_unique<DWEbayConnector>(m_api, 0, 747);
    }
    std::unique_ptr<DWEbayConnector> pictureServiceConnector() override
    {
        return std::make_unique<DWEbayConnector>(m_pictures, 0, 747);
    }

private:
    QString m_api;
    QString m_pictures;
};

void BM_UploadListingsWithPictures(benchmark::State& state)
{
    static int argc = 1;
    static char name[] = "operations_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    dw::test::TemporaryXdg xdg;
    QMAccountDataSource::install(std::make_shared<Accounts>());
    dw::test::FakeTradingApi ebay;
    dw::test::FakeTradingApi pictureService;
    ebay.setReplies(QStringLiteral("VerifyAddItem"), {{.body = reply("VerifyAddItem"), .delay = kLatency}});
    ebay.setReplies(QStringLiteral("AddItem"),
                    {{.body = reply("AddItem", "<ItemID>110089122715</ItemID>"), .delay = kLatency}});
    pictureService.setReplies(
        QStringLiteral("UploadSiteHostedPictures"),
        {{.body = reply("UploadSiteHostedPictures", "<SiteHostedPictureDetails><FullURL>" +
                                                        pictureService.server().url(QStringLiteral("/p.JPG")).toUtf8() +
                                                        "</FullURL></SiteHostedPictureDetails>"),
          .delay = kLatency}});

    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QList<std::shared_ptr<QMEbayItem>> items;
    for (int listing = 0; listing < kListings; ++listing) {
        auto item = std::make_shared<QMEbayItem>();
        item->setUniqueID(QStringLiteral("listing-%1").arg(listing));
        item->setTitle(QStringLiteral("Lamp %1").arg(listing));
        item->setSiteID(0);
        item->setCurrency(1);
        item->setDuration(7);
        item->setUseStartingBid(true);
        item->setMinimumBid(QStringLiteral("1.00"));
        QList<std::shared_ptr<QMEbayImage>> pictures;
        for (int index = 0; index < kPicturesPerListing; ++index) {
            const QString path = xdg.path(QStringLiteral("p%1-%2.jpg").arg(listing).arg(index));
            image.save(path, "JPEG");
            pictures << std::make_shared<QMEbayImage>(path, QString());
        }
        item->setImages(pictures);
        items << item;
    }

    const auto connectors = std::make_shared<Connectors>(ebay.url(), pictureService.url());
    const int width = QMOperationManager::maxConcurrentOperationsFromDefaults();
    const double calls = kListings * (2.0 + kPicturesPerListing);
    const double bound = calls * std::chrono::duration<double>(kLatency).count() / width;
    double seconds = 0;
    for (auto _ : state) {
        QMImageUploadInformationManager::resetSharedInstance();
        auto manager = QMOperationManager::create();
        manager->setDelegate(connectors);
        manager->setOpenListings([&items] { return items; });
        int finished = 0;
        QEventLoop loop;
        auto& center = dw::NotificationCenter::defaultCenter();
        const dw::ScopedObservation observation(
            center, center.addObserver(QLatin1String(kDWNSOperationEnvelopeQueueEnvelope_finished), nullptr,
                                       [&finished, &loop](const dw::Notification&) {
                                           if (++finished == kListings)
                                               loop.quit();
                                       }));
        QElapsedTimer clock;
        clock.start();
        const auto envelopes = manager->addAddItemOperationsForEbayItems(items, kQMImageUploadingSystemEPS, false, true,
                                                                         false, false, QStringLiteral("seller"));
        if (finished < envelopes.size())
            loop.exec();
        seconds = double(clock.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
    }
    state.counters["calls"] = calls;
    state.counters["width"] = width;
    state.counters["bound_s"] = bound;
    state.counters["ratio"] = seconds / bound;
    QMImageUploadInformationManager::resetSharedInstance();
    QMAccountDataSource::install(nullptr);
}

BENCHMARK(BM_UploadListingsWithPictures)->Iterations(1)->Unit(benchmark::kSecond)->UseManualTime();

} // namespace
