#include "model/QMApplicationDefaults.h"
#include "model/QMApplicationDefaults_p.h"
#include "model/QMPreferencesManager.h"

#include "platform/archive/PropertyList.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/DWAssert.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <QColor>
#include <QFile>
#include <QSet>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

struct InMemoryPrefs
{
    dw::UserDefaults defaults{QString()};
    QMPreferencesManager prefs{&defaults};
};

} // namespace

TEST(PreferencesKeys, SiteAndSandboxSuffixFollowTheCurrentModeAndSite)
{
    struct Row
    {
        const char* name;
        qint64 site;
        bool sandbox;
        const char* siteKey;
        const char* sandboxKey;
    };
    const Row rows[] = {
        {"production site 0", 0, false, "categoriesLastCheck.site0", "defaultAccountID"},
        {"sandbox site 77", 77, true, "categoriesLastCheck.site77.sandbox", "defaultAccountID.sandbox"},
        {"negative site", -1, false, "categoriesLastCheck.site-1", "defaultAccountID"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        InMemoryPrefs p;
        p.prefs.setDefaultSiteID(row.site);
        p.prefs.setIsRunningInSandbox(row.sandbox);
        EXPECT_EQ(p.prefs.modifiedDefaultsKeyForKey(QStringLiteral("categoriesLastCheck")), QLatin1String(row.siteKey));
        EXPECT_EQ(p.prefs.modifiedSandboxDefaultsKeyForKey(QStringLiteral("defaultAccountID")),
                  QLatin1String(row.sandboxKey));
    }
}

TEST(PreferencesKeys, CategoryCheckOfSite3InSandboxIsKeptApartFromProduction)
{
    InMemoryPrefs p;
    p.prefs.setDefaultSiteID(3);
    p.prefs.setIsRunningInSandbox(true);
    const QDateTime checked = QDateTime::fromSecsSinceEpoch(1300000000, Qt::UTC);
    p.prefs.setCategoriesLastCheckDate(checked);
    p.prefs.setDefaultAccountID(QStringLiteral("sandbox-account"));

    EXPECT_EQ(p.defaults.objectForKey(QStringLiteral("categoriesLastCheck.site3.sandbox")).toDateTime(), checked);
    EXPECT_EQ(p.defaults.stringForKey(QStringLiteral("defaultAccountID.sandbox")), QStringLiteral("sandbox-account"));

    p.prefs.setIsRunningInSandbox(false);
    EXPECT_FALSE(p.prefs.categoriesLastCheckDate().isValid());
    EXPECT_TRUE(p.prefs.defaultAccountID().isNull());
    p.prefs.setIsRunningInSandbox(true);
    EXPECT_EQ(p.prefs.categoriesLastCheckDate(), checked);
}

TEST(PreferencesKeys, NullKeyIsAProgrammingError)
{
    InMemoryPrefs p;
    EXPECT_THROW(p.prefs.modifiedDefaultsKeyForKey(QString()), dw::InternalInconsistency);
    EXPECT_THROW(p.prefs.modifiedSandboxDefaultsKeyForKey(QString()), dw::InternalInconsistency);
}

TEST(Preferences, SharedInstanceIsOneObjectForBothClasses)
{
    EXPECT_EQ(&DWEbayPreferencesManager::sharedInstance(),
              static_cast<DWEbayPreferencesManager*>(&QMPreferencesManager::sharedInstance()));
}

TEST(Preferences, RegisteredDefaultsAreOverriddenByWrittenValuesAcrossRestarts)
{
    dw::test::TemporaryXdg xdg;
    ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
    QMPreferencesManager prefs;
    EXPECT_EQ(prefs.defaultImageUploadingSystemTag(), kQMImageUploadingSystemEPS);
    EXPECT_EQ(prefs.defaultSiteID(), 0);
    EXPECT_EQ(prefs.returnPolicyReturnsWithinOption().toString(), QStringLiteral("Days_30"));
    EXPECT_EQ(prefs.APIURL(), QStringLiteral("https://api.ebay.com/ws/api.dll"));

    prefs.setDefaultImageUploadingSystemTag(kQMImageUploadingSystemWebDAVServer);
    prefs.setDefaultSiteID(77);

    dw::UserDefaults::resetStandard();
    ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
    EXPECT_EQ(prefs.defaultImageUploadingSystemTag(), kQMImageUploadingSystemWebDAVServer);
    EXPECT_TRUE(prefs.useOwnServer());
    EXPECT_EQ(prefs.defaultSiteIDAsString(), QStringLiteral("77"));
    EXPECT_EQ(prefs.defaultPaymentOptions(), QVariantList{QStringLiteral("PayPalAccepted")});
}

TEST(Preferences, MissingDefaultsResourceIsReported)
{
    dw::test::TemporaryXdg xdg;
    dw::test::ScopedEnv resources("QV_RESOURCES_DIR", xdg.root().toUtf8());
    QString error;
    EXPECT_FALSE(registerApplicationDefaults(dw::UserDefaults::standard(), &error));
    EXPECT_EQ(error, QStringLiteral("couldn't find defaults.plist"));
}

namespace {

// Equal values of the same types all the way down: a number compiled in as another type than
// the parser gives would compare equal and still read differently.
void expectSameValue(const QVariant& compiled, const QVariant& parsed, const QString& where)
{
    ASSERT_EQ(compiled.typeId(), parsed.typeId()) << qPrintable(where);
    if (parsed.typeId() == QMetaType::QVariantMap) {
        const QVariantMap a = compiled.toMap(), b = parsed.toMap();
        ASSERT_EQ(a.keys(), b.keys()) << qPrintable(where);
        for (auto it = b.constBegin(); it != b.constEnd(); ++it)
            expectSameValue(a.value(it.key()), it.value(), where + u'.' + it.key());
    } else if (parsed.typeId() == QMetaType::QVariantList) {
        const QVariantList a = compiled.toList(), b = parsed.toList();
        ASSERT_EQ(a.size(), b.size()) << qPrintable(where);
        for (qsizetype i = 0; i < b.size(); ++i)
            expectSameValue(a.at(i), b.at(i), where + u'[' + QString::number(i) + u']');
    } else {
        EXPECT_EQ(compiled, parsed) << qPrintable(where);
    }
}

} // namespace

TEST(Preferences, CompiledDefaultsAreWhatTheResourceFilesSay)
{
    ASSERT_EQ(compiledDefaults().size(), 2u);
    for (const QMCompiledDefaults& compiled : compiledDefaults()) {
        const QString path = dw::paths::resourcesFolder() + QLatin1String(compiled.fileName);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(path);
        EXPECT_EQ(QByteArrayView(file.readAll()), compiled.source) << qPrintable(path);
        const std::optional<QVariant> parsed = dw::plist::readFile(path);
        ASSERT_TRUE(parsed) << qPrintable(path);
        expectSameValue(QVariant(compiled.values()), *parsed, QLatin1String(compiled.fileName));
    }
}

TEST(Preferences, AnEditedDefaultsFileIsReadInsteadOfTheCompiledValues)
{
    dw::test::TemporaryXdg xdg;
    for (const QMCompiledDefaults& compiled : compiledDefaults()) {
        QByteArray text = compiled.source.toByteArray();
        if (QLatin1String(compiled.fileName) == QLatin1String("defaults.plist")) {
            const QByteArray entry = "<key>CounterType</key>\n\t<integer>1</integer>";
            ASSERT_TRUE(text.contains(entry));
            text.replace(entry, "<key>CounterType</key>\n\t<integer>5</integer>");
        }
        QFile file(xdg.path(QLatin1String(compiled.fileName)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    dw::test::ScopedEnv resources("QV_RESOURCES_DIR", xdg.root().toUtf8());
    dw::UserDefaults defaults{QString()};
    ASSERT_TRUE(registerApplicationDefaults(defaults));
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("CounterType")), 5);
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("countryID")), 1);
}

TEST(Preferences, EndpointsFollowTheSandboxSwitchExceptTheFindingAPI)
{
    InMemoryPrefs p;
    const QString production[] = {p.prefs.APIURL(), p.prefs.ESAPIURL(), p.prefs.EFAPIURL(), p.prefs.paypalAPIURL()};
    p.prefs.setIsRunningInSandbox(true);
    const QString sandbox[] = {p.prefs.APIURL(), p.prefs.ESAPIURL(), p.prefs.EFAPIURL(), p.prefs.paypalAPIURL()};
    EXPECT_NE(production[0], sandbox[0]);
    EXPECT_NE(production[1], sandbox[1]);
    EXPECT_EQ(production[2], sandbox[2]);
    EXPECT_NE(production[3], sandbox[3]);
    EXPECT_EQ(sandbox[0], QStringLiteral("https://api.sandbox.ebay.com/ws/api.dll"));
    EXPECT_EQ(production[2], QStringLiteral("http://svcs.ebay.com/services/search/FindingService/v1"));
}

TEST(ImageCounter, StartsAtOneAndWrapsAfter99999)
{
    InMemoryPrefs p;
    EXPECT_EQ(p.prefs.imageCounterString(), QStringLiteral("1"));
    p.defaults.setInteger(99998, QStringLiteral("ImageCounter"));
    EXPECT_EQ(p.prefs.imageCounterString(), QStringLiteral("99999"));
    EXPECT_EQ(p.prefs.imageCounterString(), QStringLiteral("0"));
    EXPECT_EQ(p.prefs.imageCounterString(), QStringLiteral("1"));
}

TEST(ImageCounter, ConcurrentUploadThreadsNeverShareANumber)
{
    InMemoryPrefs p;
    constexpr int kThreads = 8;
    constexpr int kPerThread = 250;
    std::vector<QStringList> handedOut(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i)
                handedOut[t] << p.prefs.imageCounterString();
        });
    }
    for (auto& thread : threads)
        thread.join();
    QSet<QString> numbers;
    for (const QStringList& list : handedOut)
        for (const QString& number : list)
            numbers.insert(number);
    EXPECT_EQ(numbers.size(), kThreads * kPerThread);
    EXPECT_EQ(p.defaults.integerForKey(QStringLiteral("ImageCounter")), kThreads * kPerThread);
}

TEST(Preferences, UploadedFileAddresses)
{
    struct Row
    {
        const char* prefix;
        const char* expected;
    };
    const Row rows[] = {
        {"files/items", "http://files/items/a.jpg"},
        {"https://pics.example.org/shop/", "https://pics.example.org/shop/a.jpg"},
        {"http://pics.example.org", "http://pics.example.org/a.jpg"},
        {"", "http:///a.jpg"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.prefix);
        EXPECT_EQ(QMPreferencesManager::HTTPURLStringForHTTPURLPrefix(QString::fromUtf8(row.prefix),
                                                                      QStringLiteral("/tmp/a.jpg")),
                  QLatin1String(row.expected));
    }
    EXPECT_EQ(QMPreferencesManager::HTTPURLStringForHTTPURLPrefix(QString(), QStringLiteral("/tmp/a.jpg")),
              QStringLiteral("http:///a.jpg"));
}

TEST(Preferences, IgnoreListsKeepEachEntryOnce)
{
    InMemoryPrefs p;
    int changes = 0;
    dw::ScopedObservation observation(
        dw::NotificationCenter::defaultCenter(),
        dw::NotificationCenter::defaultCenter().addObserver(QString::fromLatin1(dw::kUserDefaultsDidChangeNotification),
                                                            nullptr, [&](const dw::Notification&) { ++changes; }));
    p.prefs.addWarningCodeToIgnoreList(QStringLiteral("21917"));
    p.prefs.addWarningCodeToIgnoreList(QStringLiteral("21917"));
    p.prefs.addEbayMessageToIgnoreList(QStringLiteral("Listing fees changed"));
    p.prefs.addEbayMessageToIgnoreList(QStringLiteral("Listing fees changed"));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(p.defaults.arrayForKey(QStringLiteral("ebayWarningCodeIgnoreList")).size(), 1);
    EXPECT_TRUE(p.prefs.warningCodeIsOnIgnoreList(QStringLiteral("21917")));
    EXPECT_TRUE(p.prefs.eBayMessageIsOnIgnoreList(QStringLiteral("Listing fees changed")));
    p.prefs.forgetWarningIgnoreList();
    EXPECT_FALSE(p.prefs.warningCodeIsOnIgnoreList(QStringLiteral("21917")));
}

TEST(Preferences, FeesHighlightColourIsStoredAndAnnouncedOnlyTheFirstTime)
{
    InMemoryPrefs p;
    int posts = 0;
    dw::ScopedObservation observation(dw::NotificationCenter::defaultCenter(),
                                      dw::NotificationCenter::defaultCenter().addObserver(
                                          QString::fromLatin1(kFeesHighlightColorDidChangeNotification), &p.prefs,
                                          [&](const dw::Notification&) { ++posts; }));
    const QColor first = p.prefs.feesHighlightColor();
    const QColor second = p.prefs.feesHighlightColor();
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(first, second);
    EXPECT_NEAR(first.redF(), 0.36, 0.001);
    EXPECT_NEAR(first.blueF(), 145.0 / 255.0, 0.001);
}

TEST(Preferences, StoredStateWithFallbacks)
{
    InMemoryPrefs p;
    p.defaults.setObject(QString(), QStringLiteral("overviewImageSize"));
    EXPECT_EQ(p.prefs.overviewImageSize(), QSizeF(160, 160));
    p.prefs.setOverviewImageSize(QSizeF(96, 72.5));
    EXPECT_EQ(p.prefs.overviewImageSize(), QSizeF(96, 72.5));

    p.prefs.setLastScheduleDate(QDateTime::fromSecsSinceEpoch(1000, Qt::UTC));
    EXPECT_GT(p.prefs.lastScheduleDate(), QDateTime::fromSecsSinceEpoch(1000, Qt::UTC));

    // A null date removes the key of the current mode only.
    const QDateTime run = QDateTime::fromSecsSinceEpoch(1300000000, Qt::UTC);
    p.prefs.setGetSellerListLastRunDate(run);
    p.prefs.setIsRunningInSandbox(true);
    p.prefs.setGetSellerListLastRunDate(run);
    p.prefs.setGetSellerListLastRunDate(QDateTime());
    EXPECT_FALSE(p.prefs.getSellerListLastRunDate().isValid());
    p.prefs.setIsRunningInSandbox(false);
    EXPECT_EQ(p.prefs.getSellerListLastRunDate(), run);

    p.prefs.setDefaultFooterString(QStringLiteral("Thanks for looking – Grüße"));
    EXPECT_EQ(p.prefs.defaultFooterString(), QStringLiteral("Thanks for looking – Grüße"));
    p.prefs.setDefaultFooterString(QString(""));
    EXPECT_FALSE(p.defaults.hasKey(QStringLiteral("footerData")));
    EXPECT_TRUE(p.prefs.defaultFooterString().isNull());
    p.defaults.setObject(QByteArray("not rtf"), QStringLiteral("footerData"));
    EXPECT_TRUE(p.prefs.defaultFooterString().isNull());

    EXPECT_EQ(p.prefs.twitterUpdateStatusMessagePrefix(),
              QStringLiteral("I just listed '%t' on eBay with #Quillmart:"));
    EXPECT_TRUE(p.defaults.hasKey(QStringLiteral("twitterUpdateStatusMessagePrefix")));
}

TEST(ImageDefaults, SizeTagsAndScaling)
{
    struct Row
    {
        qint64 tag;
        QSize size;
        bool scaledWithOwnServer;
    };
    const Row rows[] = {
        {199, QSize(0, 0), false},    {200, QSize(1024, 768), true}, {201, QSize(800, 600), true},
        {202, QSize(640, 480), true}, {203, QSize(400, 300), true},  {7, QSize(400, 300), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tag);
        InMemoryPrefs p;
        p.defaults.setInteger(row.tag, QStringLiteral("ImageSizePopupTag"));
        EXPECT_EQ(p.prefs.defaultUploadImageSize(), row.size);
        p.prefs.setDefaultImageUploadingSystemTag(kQMImageUploadingSystemOwnFTPServer);
        EXPECT_EQ(p.prefs.scaleImages(), row.scaledWithOwnServer);
        p.prefs.setDefaultImageUploadingSystemTag(kQMImageUploadingSystemEPS);
        EXPECT_TRUE(p.prefs.scaleImages());
    }
    InMemoryPrefs p;
    EXPECT_EQ(p.prefs.defaultEPSNormalImageSize(), QSize(400, 300));
    EXPECT_EQ(p.prefs.defaultEPSXXLImageSize(), QSize(800, 600));
}

TEST(FeeTables, SavedTablesWinOverTheBundledOnesAndAFailedSaveKeepsThem)
{
    dw::test::TemporaryXdg xdg;
    QMPreferencesManager prefs;
    EXPECT_TRUE(prefs.feesDictionary().isEmpty());
    const QVariantMap fees{{QStringLiteral("InsertionFee"), QStringLiteral("0.30")}};
    ASSERT_TRUE(prefs.saveDownloadedFeesDictionary(fees));
    EXPECT_EQ(prefs.feesDictionary(), fees);
    {
        dw::ScopedWriteFailure fullDisk;
        EXPECT_FALSE(prefs.saveDownloadedFeesDictionary({{QStringLiteral("InsertionFee"), QStringLiteral("9.99")}}));
    }
    EXPECT_EQ(prefs.feesDictionary(), fees);

    QFile damaged(dw::paths::fixedDataFolder() + QStringLiteral("fees.data"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("bplist00 not really");
    damaged.close();
    EXPECT_TRUE(prefs.feesDictionary().isEmpty());
}
