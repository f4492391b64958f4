#include "DWEBay2/types/EBayAddItemRequestType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "platform/core/UserDefaults.h"
#include "platform/text/RtfCodec.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using dw::test::ProgramRun;

QByteArray reply(const char* call, const char* ack, const QByteArray& inner = {})
{
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?><)") + call +
           R"(Response xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>)" + ack + "</Ack>" + inner + "</" + call +
           "Response>";
}

class QvUpload : public ::testing::Test
{
protected:
    QvUpload()
    {
        m_ebay.setReply(QStringLiteral("VerifyAddItem"), reply("VerifyAddItem", "Success"));
        m_ebay.setReply(QStringLiteral("AddItem"),
                        reply("AddItem", "Success",
                              "<ItemID>110089122715</ItemID><Fees><Fee><Name>InsertionFee</Name>"
                              "<Fee currencyID=\"USD\">0.35</Fee></Fee></Fees>"));
        m_pictures.setReply(QStringLiteral("UploadSiteHostedPictures"),
                            reply("UploadSiteHostedPictures", "Success",
                                  "<SiteHostedPictureDetails><FullURL>" +
                                      m_pictures.server().url(QStringLiteral("/pics/1.JPG")).toUtf8() +
                                      "</FullURL></SiteHostedPictureDetails>"));
    }

    // A listing document with one picture file (or only the pictures its fields name), made by qv-listing.
    QString document(const QString& name, const QJsonObject& fields = {}, bool withPictureFile = true)
    {
        const QString picture = m_dir.filePath(name + QStringLiteral(".jpg"));
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        EXPECT_TRUE(image.save(picture, "JPEG"));
        const QString listing = m_dir.filePath(name + QStringLiteral(".json"));
        QFile json(listing);
        EXPECT_TRUE(json.open(QIODevice::WriteOnly));
        QJsonObject values{{QStringLiteral("title"), QStringLiteral("Oak lamp")},
                           {QStringLiteral("siteID"), 0},
                           {QStringLiteral("duration"), 7},
                           {QStringLiteral("useStartingBid"), true},
                           {QStringLiteral("minimumBid"), QStringLiteral("1.00")}};
        for (auto it = fields.begin(); it != fields.end(); ++it)
            values.insert(it.key(), it.value());
        json.write(QJsonDocument(values).toJson());
        json.close();
        const QString path = m_dir.filePath(name + QStringLiteral(".qvlisting"));
        QStringList arguments{QStringLiteral("create"), listing, path};
        if (withPictureFile)
            arguments << picture;
        const ProgramRun created = dw::test::runProgram(dw::test::builtTool(QStringLiteral("qv-listing")), arguments);
        EXPECT_EQ(created.exitCode, 0) << created.errors.toStdString();
        return path;
    }

    ProgramRun upload(QStringList arguments)
    {
        arguments = QStringList{QStringLiteral("--api"),      m_ebay.url(),
                                QStringLiteral("--pictures"), m_pictures.url(),
                                QStringLiteral("--token"),    QStringLiteral("secret-token")} +
                    arguments;
        return dw::test::runProgram(dw::test::builtTool(QStringLiteral("qv-upload")), arguments);
    }

    // Site 77's category stores, where a download puts them.
    void installSite77Stores()
    {
        for (const char* kind : {"Categories", "Attributes"}) {
            const QString folder = m_xdg.path(QStringLiteral("data/QuillmartVodar/%1").arg(QLatin1String(kind)));
            ASSERT_TRUE(QDir().mkpath(folder));
            const QString name = QStringLiteral("%1.site77.sqlite").arg(QLatin1String(kind));
            ASSERT_TRUE(QFile::copy(QString::fromUtf8(DW_TOOLS_TEST_STORES "/") + name, folder + u'/' + name));
        }
    }

    static QList<QJsonObject> results(const QByteArray& output)
    {
        QList<QJsonObject> objects;
        for (const QByteArray& line : output.split('\n')) {
            if (line.startsWith('{'))
                objects << QJsonDocument::fromJson(line).object();
        }
        return objects;
    }

    dw::test::TemporaryXdg m_xdg;
    QTemporaryDir m_dir;
    dw::test::FakeTradingApi m_ebay;
    dw::test::FakeTradingApi m_pictures;
};

} // namespace

TEST_F(QvUpload, ListsDocumentsAndReportsEachStatusChange)
{
    const QString lamp = document(QStringLiteral("lamp"));
    const ProgramRun run = upload({lamp});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString() << run.output.toStdString();
    const QString output = QString::fromUtf8(run.output);
    for (int status : {1, 2, 3, 6})
        EXPECT_TRUE(output.contains(lamp + QStringLiteral(": status ") + QString::number(status))) << status;
    const auto printed = results(run.output);
    ASSERT_EQ(printed.size(), 1);
    EXPECT_EQ(printed[0][QStringLiteral("status")].toInt(), 6);
    EXPECT_EQ(printed[0][QStringLiteral("itemID")].toString(), QStringLiteral("110089122715"));
    EXPECT_EQ(printed[0][QStringLiteral("fees")][QStringLiteral("InsertionFee")].toString(), QStringLiteral("0.35"));
    EXPECT_TRUE(m_ebay.requests(QStringLiteral("AddItem")).at(0).xml.contains("secret-token"));
}

TEST_F(QvUpload, WarningsCancelTheListingUnlessToldToContinue)
{
    m_ebay.setReply(QStringLiteral("VerifyAddItem"),
                    reply("VerifyAddItem", "Warning",
                          "<Errors><ShortMessage>Check the title.</ShortMessage><LongMessage>Check the title, please."
                          "</LongMessage><ErrorCode>21916</ErrorCode><SeverityCode>Warning</SeverityCode></Errors>"));
    const QString lamp = document(QStringLiteral("lamp"));
    const ProgramRun cancelled = upload({lamp});
    EXPECT_EQ(cancelled.exitCode, 1) << cancelled.errors.toStdString();
    EXPECT_TRUE(cancelled.output.contains(": status 4"));
    auto printed = results(cancelled.output);
    ASSERT_EQ(printed.size(), 1);
    EXPECT_TRUE(printed[0][QStringLiteral("itemID")].isNull());
    const QJsonObject warning = printed[0][QStringLiteral("errors")][0].toObject();
    EXPECT_EQ(warning[QStringLiteral("code")].toString(), QStringLiteral("21916"));
    EXPECT_EQ(warning[QStringLiteral("level")].toString(), QStringLiteral("warning"));
    EXPECT_EQ(warning[QStringLiteral("message")].toString(), QStringLiteral("Check the title, please."));
    EXPECT_TRUE(m_ebay.requests(QStringLiteral("AddItem")).empty());

    const ProgramRun continued = upload({QStringLiteral("--continue-on-warnings"), lamp});
    EXPECT_EQ(continued.exitCode, 0) << continued.errors.toStdString();
    EXPECT_EQ(m_ebay.requests(QStringLiteral("AddItem")).size(), 1u);

    const ProgramRun verified = upload({QStringLiteral("--verify-only"), lamp});
    EXPECT_EQ(verified.exitCode, 0) << verified.errors.toStdString();
    EXPECT_EQ(m_ebay.requests(QStringLiteral("AddItem")).size(), 1u);
}

TEST_F(QvUpload, SendsWhatTheApplicationSendsAndLeavesNothingBehind)
{
    installSite77Stores();
    const QString lamp =
        document(QStringLiteral("lamp"),
                 {{QStringLiteral("siteID"), 77},
                  {QStringLiteral("currency"), 7},
                  {QStringLiteral("category"), 345},
                  {QStringLiteral("conditionID"), 1000},
                  {QStringLiteral("useDesignTemplate"), true},
                  {QStringLiteral("designTemplateIdentifier"), QStringLiteral("com.quillmart.design.harbour-blue")}});
    const ProgramRun run = upload({lamp});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString() << run.output.toStdString();

    const auto listed = m_ebay.requests(QStringLiteral("AddItem"));
    ASSERT_EQ(listed.size(), 1u);
    const auto request = listed.at(0).documentAs<EBayAddItemRequestType>();
    ASSERT_TRUE(request && request->item()) << listed.at(0).parseError.toStdString();
    EXPECT_EQ(request->item()->conditionID(), 1000) << "the category store says the category has conditions";
    EXPECT_TRUE(request->item()->description().contains(QLatin1String("qvhb-card")))
        << "the design's description, not the bare text: " << request->item()->description().toStdString();

    // The pictures taken out of the document, their upload copies and their records are gone.
    QStringList left;
    for (const char* folder : {"tmp", "data/Quillmart/ImageInformations"}) {
        QDirIterator files(m_xdg.path(QLatin1String(folder)), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString file = files.next();
            if (!file.startsWith(m_dir.path() + u'/')) // the test's own documents and pictures
                left << file;
        }
    }
    EXPECT_EQ(left, QStringList());
}

TEST_F(QvUpload, QmDescribePrintsTheDescriptionTheListingIsSentWith)
{
    // A designed listing with pictures on the web, in a category whose store is in place, and a
    // footer in the seller's settings: the design, the pictures and the footer of the description
    // depend on the services set up.
    installSite77Stores();
    auto& defaults = dw::UserDefaults::standard();
    defaults.setObject(dw::rtf::write(dw::StyledText(QStringLiteral("Posted within a day."))),
                       QStringLiteral("footerData"));
    defaults.setBool(true, QStringLiteral("includeFooterInDescription"));
    QJsonArray pictures;
    for (const char* name : {"front", "side", "back"})
        pictures << QJsonObject{
            {QStringLiteral("url"), QStringLiteral("http://127.0.0.1:9/lamp-%1.jpg").arg(QLatin1String(name))}};
    const QString lamp =
        document(QStringLiteral("lamp"),
                 {{QStringLiteral("siteID"), 77},
                  {QStringLiteral("currency"), 7},
                  {QStringLiteral("category"), 345},
                  {QStringLiteral("images"), pictures},
                  {QStringLiteral("itemDescriptionString"),
                   QStringLiteral("Solid oak, [[item.title]], in [[item.categoryName]].")},
                  {QStringLiteral("useDesignTemplate"), true},
                  {QStringLiteral("designTemplateIdentifier"), QStringLiteral("com.quillmart.design.harbour-blue")}},
                 false);
    const ProgramRun run = upload({lamp});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString() << run.output.toStdString();
    const auto listed = m_ebay.requests(QStringLiteral("AddItem"));
    ASSERT_EQ(listed.size(), 1u);
    const auto request = listed.at(0).documentAs<EBayAddItemRequestType>();
    ASSERT_TRUE(request && request->item()) << listed.at(0).parseError.toStdString();
    const QString sent = request->item()->description();
    // The first picture is the listing's own (eBay shows it); the others follow the text.
    for (const char* part :
         {"qvhb-card", "lamp-side.jpg", "lamp-back.jpg", "Solid oak, Oak lamp, in B.", "Posted within"})
        EXPECT_TRUE(sent.contains(QLatin1String(part))) << part << " in " << sent.toStdString();

    const ProgramRun described = dw::test::runProgram(dw::test::builtTool(QStringLiteral("qm-describe")),
                                                      {QStringLiteral("--resolve-secondary"), lamp});
    ASSERT_EQ(described.exitCode, 0) << described.errors.toStdString();
    EXPECT_EQ(QString::fromUtf8(described.output).toStdString(), sent.toStdString());
}
