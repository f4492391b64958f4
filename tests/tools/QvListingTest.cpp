#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryXdg.h"

#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using dw::test::ProgramRun;

ProgramRun qvListing(const QStringList& arguments)
{
    return dw::test::runProgram(dw::test::builtTool(QStringLiteral("qv-listing")), arguments);
}

QByteArray sha256(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()
                                          : QByteArray();
}

} // namespace

TEST(QvListing, CreatesADocumentThatShowsAndThatPythonReads)
{
    const QTemporaryDir dir;
    const QString front = dir.filePath(QStringLiteral("front.png"));
    const QString back = dir.filePath(QStringLiteral("back.jpg"));
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(front, "PNG"));
    ASSERT_TRUE(image.save(back, "JPEG"));

    const QString listing = dir.filePath(QStringLiteral("listing.json"));
    QFile json(listing);
    ASSERT_TRUE(json.open(QIODevice::WriteOnly));
    json.write(
        QJsonDocument(QJsonObject{
                          {QStringLiteral("title"), QStringLiteral("Oak lamp")},
                          {QStringLiteral("siteID"), 77},
                          {QStringLiteral("useBestOffer"), true},
                          {QStringLiteral("itemDescriptionString"), QStringLiteral("Solid oak.")},
                          {QStringLiteral("images"),
                           QJsonArray{QJsonObject{{QStringLiteral("file"), front}},
                                      QJsonObject{{QStringLiteral("url"), QStringLiteral("https://i.example/x.jpg")},
                                                  {QStringLiteral("gallery"), true}}}},
                      })
            .toJson());
    json.close();
    const QString document = dir.filePath(QStringLiteral("lamp.qvlisting"));
    const ProgramRun created = qvListing({QStringLiteral("create"), listing, document, back});
    ASSERT_EQ(created.exitCode, 0) << created.errors.toStdString();

    const ProgramRun shown = qvListing({QStringLiteral("show"), document});
    ASSERT_EQ(shown.exitCode, 0) << shown.errors.toStdString();
    const QJsonObject printed = QJsonDocument::fromJson(shown.output).object();
    EXPECT_EQ(printed[QStringLiteral("encodingFormat")].toString(), QStringLiteral("2"));
    const QJsonObject item = printed[QStringLiteral("listing")].toObject();
    EXPECT_EQ(item.size(), 126) << "every field";
    EXPECT_EQ(item[QStringLiteral("title")].toString(), QStringLiteral("Oak lamp"));
    EXPECT_EQ(item[QStringLiteral("itemDescriptionString")].toString(), QStringLiteral("Solid oak."));
    EXPECT_EQ(item[QStringLiteral("uniqueID")].toString().size(), 36);
    const QJsonArray pictures = item[QStringLiteral("images")].toArray();
    ASSERT_EQ(pictures.size(), 3);
    EXPECT_EQ(pictures[0][QStringLiteral("sha256")].toString().toLatin1(), sha256(front));
    EXPECT_EQ(pictures[0][QStringLiteral("bytes")].toInt(), QFile(front).size());
    EXPECT_TRUE(pictures[1][QStringLiteral("bytes")].isNull());
    EXPECT_TRUE(pictures[1][QStringLiteral("isGalleryImage")].toBool());
    EXPECT_EQ(pictures[2][QStringLiteral("sha256")].toString().toLatin1(), sha256(back));

    const ProgramRun python = dw::test::runProgram(
        QStringLiteral(DW_PYTHON),
        {qEnvironmentVariable("QV_TEST_DATA") + QStringLiteral("/tools/describe_listing_document.py"), document});
    ASSERT_EQ(python.exitCode, 0) << python.errors.toStdString();
    const QJsonObject read = QJsonDocument::fromJson(python.output).object();
    EXPECT_EQ(read[QStringLiteral("archiver")].toString(), QStringLiteral("NSKeyedArchiver"));
    EXPECT_EQ(read[QStringLiteral("elements")].toArray(), QJsonArray{QStringLiteral("QMEbayItemContainer")});
    EXPECT_EQ(read[QStringLiteral("encodingFormat")].toString(), QStringLiteral("2"));
    EXPECT_EQ(read[QStringLiteral("item")].toString(), QStringLiteral("QMEbayItem"));
    EXPECT_EQ(read[QStringLiteral("title")].toString(), QStringLiteral("Oak lamp"));
    EXPECT_EQ(read[QStringLiteral("imageFileDatas")].toArray(),
              (QJsonArray{int(QFile(front).size()), int(QFile(back).size())}));
}

TEST(QvListing, RefusesWhatIsNoListing)
{
    const QTemporaryDir dir;
    const QString listing = dir.filePath(QStringLiteral("listing.json"));
    QFile json(listing);
    ASSERT_TRUE(json.open(QIODevice::WriteOnly));
    json.write(R"({"titel": "typo"})");
    json.close();
    const ProgramRun unknownField = qvListing({QStringLiteral("create"), listing, dir.filePath(QStringLiteral("x"))});
    EXPECT_EQ(unknownField.exitCode, 1);
    EXPECT_TRUE(unknownField.errors.contains("no field titel"));

    const ProgramRun notADocument = qvListing({QStringLiteral("show"), listing});
    EXPECT_EQ(notADocument.exitCode, 1);
    EXPECT_TRUE(notADocument.errors.contains("not a listing document"));
    EXPECT_EQ(qvListing({QStringLiteral("show")}).exitCode, 2);
}

TEST(QvListing, NullInsideAListOrDictionaryIsRefusedNotAborted)
{
    const QTemporaryDir dir;
    const QString listing = dir.filePath(QStringLiteral("listing.json"));
    const QString document = dir.filePath(QStringLiteral("out.qvlisting"));
    const struct
    {
        const char* json;
        const char* where;
    } rows[] = {
        {R"({"transactions": [null]})", "transactions"},
        {R"({"customItemSpecifics": {"Colour": null}})", "customItemSpecifics"},
        {R"({"videoPreferences": [1, {"a": null}]})", "videoPreferences"},
        {R"({"shippingOptions": {"domesticShippingServices": [{"cost": null}]}})",
         "shippingOptions.domesticShippingServices"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.json);
        QFile json(listing);
        ASSERT_TRUE(json.open(QIODevice::WriteOnly | QIODevice::Truncate));
        json.write(row.json);
        json.close();
        const ProgramRun run = qvListing({QStringLiteral("create"), listing, document});
        EXPECT_EQ(run.exitCode, 1) << run.errors.toStdString();
        EXPECT_TRUE(run.errors.contains(QByteArray(QByteArray(row.where) + " holds null inside a list or dictionary")))
            << run.errors.toStdString();
        EXPECT_FALSE(QFile::exists(document));
    }

    QFile json(listing);
    ASSERT_TRUE(json.open(QIODevice::WriteOnly | QIODevice::Truncate));
    json.write(R"({"title": null, "videoPreferences": null})");
    json.close();
    const ProgramRun nilFields = qvListing({QStringLiteral("create"), listing, document});
    EXPECT_EQ(nilFields.exitCode, 0) << nilFields.errors.toStdString();
}

TEST(QvListing, WritesFormatOneWhenAsked)
{
    const QTemporaryDir dir;
    const QString front = dir.filePath(QStringLiteral("front.png"));
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(front, "PNG"));
    const QString listing = dir.filePath(QStringLiteral("listing.json"));
    QFile json(listing);
    ASSERT_TRUE(json.open(QIODevice::WriteOnly));
    json.write(R"({"title": "Oak lamp"})");
    json.close();
    const QString document = dir.filePath(QStringLiteral("lamp.qvlisting"));
    const ProgramRun created = qvListing(
        {QStringLiteral("create"), QStringLiteral("--format"), QStringLiteral("1"), listing, document, front});
    ASSERT_EQ(created.exitCode, 0) << created.errors.toStdString();

    const ProgramRun shown = qvListing({QStringLiteral("show"), document});
    ASSERT_EQ(shown.exitCode, 0) << shown.errors.toStdString();
    const QJsonObject printed = QJsonDocument::fromJson(shown.output).object();
    EXPECT_EQ(printed[QStringLiteral("encodingFormat")].toString(), QStringLiteral("1"));
    EXPECT_EQ(printed[QStringLiteral("embeddedPictures")].toInt(), 1);
    EXPECT_EQ(qvListing({QStringLiteral("create"), QStringLiteral("--format"), QStringLiteral("3"), listing, document})
                  .exitCode,
              2);
}

TEST(QvListing, ShowsAListingAsTheApplicationDoes)
{
    // Written by an earlier edition that stored the starting bid as the seller typed it.
    const ProgramRun shown = qvListing(
        {QStringLiteral("show"), dw::test::fixturePath(QStringLiteral("tools/StartingBidWithDecimalComma.qvlisting"))});
    ASSERT_EQ(shown.exitCode, 0) << shown.errors.toStdString();
    const QJsonObject item = QJsonDocument::fromJson(shown.output).object()[QStringLiteral("listing")].toObject();
    EXPECT_EQ(item[QStringLiteral("minimumBid")].toString(), QStringLiteral("12.50"));
    EXPECT_EQ(item[QStringLiteral("title")].toString(), QStringLiteral("Brass compass"));
}
