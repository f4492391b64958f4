// The envelope view of one upload and the texts of eBay's errors: what the view shows for each
// state of the run, the order of the records, the levels, ignoring, help and "More Info".
#include "ScriptedEnvelope.h"

#include "DWKit/widgets/QMContainerView.h"
#include "model/QMPreferencesManager.h"
#include "panels/QMAddItemOperationEnvelopeView.h"
#include "panels/QMAddItemOperationEnvelopeViewController.h"
#include "panels/QMError+Bindings.h"
#include "panels/QMError+Help.h"
#include "panels/QMErrorTableModel.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/widgets/DesktopServices.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

using dw::test::errorEnvelope;
using dw::test::scriptedEnvelope;

const char* const kError = "error";
const char* const kWarning = "warning";

class EnvelopeViewTest : public ::testing::Test
{
protected:
    EnvelopeViewTest()
    {
        m_stack.resize(600, 400);
        m_stack.awakeFromNib();
        m_previousOpener = dw::setDesktopURLOpener([this](const QUrl& url) {
            m_opened << url;
            return true;
        });
    }
    ~EnvelopeViewTest() override { dw::setDesktopURLOpener(m_previousOpener); }

    QMAddItemOperationEnvelopeViewController* stack(const std::shared_ptr<dw::test::ScriptedEnvelope>& envelope)
    {
        auto* controller = QMAddItemOperationEnvelopeViewController::controllerForEnvelope(envelope);
        m_stack.addManagedViews({controller->containerView()});
        return controller;
    }
    static QString text(QMAddItemOperationEnvelopeViewController* controller, const char* name)
    {
        return controller->container()->findChild<QLabel*>(QLatin1String(name))->text();
    }
    static QPushButton* button(QMAddItemOperationEnvelopeViewController* controller, const char* name)
    {
        return controller->container()->findChild<QPushButton*>(QLatin1String(name));
    }

    dw::test::TemporaryXdg m_xdg;
    QMContainerView m_stack;
    dw::DesktopURLOpener m_previousOpener;
    QList<QUrl> m_opened;
};

TEST_F(EnvelopeViewTest, ARunningUploadTakesNoRoom)
{
    auto* controller = stack(scriptedEnvelope());
    EXPECT_EQ(controller->container()->height(), 0);
    EXPECT_EQ(m_stack.boundsForAllManagedSubviews().height(), 0);
}

TEST_F(EnvelopeViewTest, WarningsBeforeTheListingAskWhetherToContinue)
{
    auto envelope = scriptedEnvelope(QStringLiteral("Leica M3"));
    envelope->setErrorEnvelope(errorEnvelope("eBay", {{"21916", kWarning, "Check the title."}}));
    envelope->suspendExecution();
    auto* controller = stack(envelope);
    EXPECT_GT(controller->container()->height(), 0);
    EXPECT_EQ(m_stack.boundsForAllManagedSubviews().height(), controller->container()->height());
    EXPECT_EQ(text(controller, "titleTextField"), "Leica M3: A warning has been received from the eBay server:");
    EXPECT_EQ(text(controller, "informationTextField"), "Do you want to continue listing the item?");
    EXPECT_EQ(button(controller, "cancelOrOKButton")->text(), "Cancel");
    EXPECT_TRUE(button(controller, "continueButton")->isEnabled());

    button(controller, "continueButton")->click();
    EXPECT_FALSE(envelope->suspended());
}

TEST_F(EnvelopeViewTest, AnErrorShowsOKWhichCancelsTheRun)
{
    auto envelope = scriptedEnvelope(QString());
    envelope->setErrorEnvelope(errorEnvelope("FTP", {{"", kError, "The server refused the picture."}}));
    envelope->suspendExecution();
    auto* controller = stack(envelope);
    EXPECT_EQ(text(controller, "titleTextField"), "An error has been received from the FTP server:");
    EXPECT_EQ(text(controller, "informationTextField"), "");
    EXPECT_EQ(button(controller, "cancelOrOKButton")->text(), "OK");
    EXPECT_FALSE(button(controller, "continueButton")->isEnabled());

    button(controller, "cancelOrOKButton")->click();
    EXPECT_TRUE(envelope->allOperationsCanceled());
    EXPECT_FALSE(envelope->suspended());
}

TEST_F(EnvelopeViewTest, WarningsAfterTheListingAreAcknowledgedAndTheViewCloses)
{
    auto envelope = scriptedEnvelope(QStringLiteral("Leica M3"));
    envelope->setErrorEnvelope(errorEnvelope("eBay", {{"21917", kWarning, "Shipping to Alaska costs more."}}));
    envelope->finished = true;
    envelope->suspendExecution();
    auto* controller = stack(envelope);
    EXPECT_EQ(text(controller, "titleTextField"), "The item \u201CLeica M3\u201D was started with a warning:");
    EXPECT_EQ(button(controller, "cancelOrOKButton")->text(), "OK");

    button(controller, "cancelOrOKButton")->click();
    EXPECT_FALSE(envelope->allOperationsCanceled());
    EXPECT_EQ(envelope->status(), QMAddItemOperationEnvelope::Finished);
    EXPECT_EQ(controller->container()->height(), 0);
    EXPECT_EQ(m_stack.boundsForAllManagedSubviews().height(), 0);
}

TEST_F(EnvelopeViewTest, SwitchingToTheShownViewAgainChangesNothing)
{
    auto envelope = scriptedEnvelope();
    envelope->setErrorEnvelope(errorEnvelope("eBay", {{"21916", kWarning, "Check the title."}}));
    envelope->suspendExecution();
    auto* controller = stack(envelope);
    const int height = controller->container()->height();
    controller->errorOrWarningsView()->resize(controller->errorOrWarningsView()->width(), height + 50);
    controller->switchToView(controller->errorOrWarningsView());
    EXPECT_EQ(controller->container()->height(), height);
}

TEST_F(EnvelopeViewTest, ErrorsComeBeforeWarningsEachByCodeAsText)
{
    auto errors = errorEnvelope("eBay", {{"240", kWarning, "w240"},
                                         {"1017", kWarning, "w1017"},
                                         {"87", kError, "e87"},
                                         {"1", kWarning, "eBay's own message"},
                                         {"10007", kError, "e10007"}});
    QMErrorTableModel table;
    table.setErrorEnvelope(errors);
    QStringList shown;
    for (int row = 0; row < table.rowCount(); ++row)
        shown << table.index(row, QMErrorTableModel::MessageColumn).data().toString() + QLatin1Char('/') +
                     table.index(row, QMErrorTableModel::LevelColumn).data().toString();
    EXPECT_EQ(shown, QStringList(
                         {"e10007/Error", "e87/Error", "eBay's own message/Message", "w1017/Warning", "w240/Warning"}));
    EXPECT_FALSE(table.index(0, QMErrorTableModel::LevelColumn).data(Qt::DecorationRole).value<QIcon>().isNull());
}

TEST_F(EnvelopeViewTest, ServerNamesOfTheErrorSentence)
{
    const struct
    {
        const char* source;
        const char* level;
        const char* text;
    } rows[] = {
        {"eBay", kError, "An error has been received from the eBay server"},
        {"EPS", kWarning, "A warning has been received from the eBay image server"},
        {"FTP", kError, "An error has been received from the FTP server"},
        {"WebDav", kWarning, "A warning has been received from the WebDAV server"},
        {"PayPal", kError, "An error has been received from the "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.source);
        EXPECT_EQ(QMErrorBindings::receivedFromServerText(*errorEnvelope(row.source, {{"5", row.level, "m"}})),
                  QString::fromLatin1(row.text));
    }
}

TEST_F(EnvelopeViewTest, IgnoringAWarningStoresItsCodeOrEBaysMessageOnce)
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    auto envelope = scriptedEnvelope();
    envelope->setErrorEnvelope(errorEnvelope("eBay",
                                             {{"1", kWarning, "Sell more with pictures."}, {"21916", kWarning, "w"}},
                                             QStringLiteral("<p>Sell more with pictures.</p>")));
    envelope->suspendExecution();
    auto* controller = stack(envelope);
    auto* table = controller->container()->findChild<QTableView*>(QStringLiteral("errorsTable"));
    table->selectRow(0);
    controller->doIgnore();
    controller->doIgnore();
    EXPECT_TRUE(preferences.eBayMessageIsOnIgnoreList(QStringLiteral("<p>Sell more with pictures.</p>")));
    EXPECT_FALSE(preferences.warningCodeIsOnIgnoreList(QStringLiteral("1")));
    table->selectRow(1);
    controller->doIgnore();
    controller->doIgnore();
    EXPECT_TRUE(preferences.warningCodeIsOnIgnoreList(QStringLiteral("21916")));
    EXPECT_EQ(dw::UserDefaults::standard()
                  .arrayForKey(QStringLiteral("ebayWarningCodeIgnoreList"))
                  .count(QStringLiteral("21916")),
              1);
    EXPECT_EQ(controller->errorsController()->index(1, QMErrorTableModel::IgnoredColumn).data(Qt::CheckStateRole),
              Qt::Checked);
    preferences.forgetWarningIgnoreList();
    preferences.forgetEbayMessageIgnoreList();
}

TEST_F(EnvelopeViewTest, HelpOpensTheLocalPageOfTheFirstSelectedCodeWithOne)
{
    auto envelope = scriptedEnvelope();
    envelope->setErrorEnvelope(errorEnvelope("eBay", {{"87", kError, "No leaf."}, {"99999", kError, "Unknown."}}));
    envelope->suspendExecution();
    auto* controller = stack(envelope);
    auto* table = controller->container()->findChild<QTableView*>(QStringLiteral("errorsTable"));
    table->selectRow(1);
    EXPECT_FALSE(button(controller, "helpButton")->isEnabled());
    controller->showErrorHelpAction();
    EXPECT_TRUE(m_opened.isEmpty());
    table->selectAll();
    controller->showErrorHelpAction();
    ASSERT_EQ(m_opened.size(), 1);
    EXPECT_TRUE(m_opened.first().isLocalFile());
    EXPECT_TRUE(m_opened.first().toLocalFile().endsWith(QLatin1String("/help/ebay-error-category.html")));
}

TEST_F(EnvelopeViewTest, MoreInfoWritesTheMessageForTheUserAloneAndOpensIt)
{
    const QString path = QMErrorHelp::writeEBayMessageFile(QStringLiteral("<b>Old</b>"));
    ASSERT_FALSE(path.isNull());
    auto envelope = scriptedEnvelope();
    envelope->setErrorEnvelope(errorEnvelope("eBay", {{"1", kWarning, "m"}}, QStringLiteral("<p>Read this.</p>")));
    envelope->suspendExecution();
    auto* controller = stack(envelope);
    controller->doMoreInfo();

    // The per-user temporary folder, never the shared one.
    EXPECT_EQ(path, QDir::cleanPath(dw::paths::temporaryFolder() + QLatin1String("/lasteBayErrorMessage.html")));
    EXPECT_NE(QFileInfo(path).absolutePath(), QFileInfo(QStringLiteral("/tmp")).absoluteFilePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html><body><p>Read this.</p></body></html>");
    EXPECT_EQ(file.permissions() &
                  (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup | QFileDevice::WriteOther),
              QFileDevice::Permissions());
    ASSERT_EQ(m_opened.size(), 1);
    EXPECT_EQ(m_opened.first().toLocalFile(), QFileInfo(path).canonicalFilePath());
}

TEST(LocalFilesOnTheDesktop, OnlyTheProgramsOwnFilesAreOpened)
{
    dw::test::TemporaryXdg xdg;
    QList<QUrl> opened;
    const auto previous = dw::setDesktopURLOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    QFile outside(xdg.path(QStringLiteral("elsewhere.html")));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.close();
    const QString link = dw::paths::temporaryFolder() + QLatin1String("/link.html");
    ASSERT_TRUE(QFile::link(outside.fileName(), link));
    EXPECT_FALSE(dw::openLocalFileOnDesktop(outside.fileName()));
    EXPECT_FALSE(dw::openLocalFileOnDesktop(link));
    EXPECT_FALSE(dw::openLocalFileOnDesktop(dw::paths::temporaryFolder() + QLatin1String("/missing.html")));
    EXPECT_TRUE(dw::openLocalFileOnDesktop(QMErrorHelp::helpPagePathForAnchor(QStringLiteral("ebay-error-server"))));
    EXPECT_EQ(opened.size(), 1);
    EXPECT_TRUE(QMErrorHelp::helpPagePathForAnchor(QStringLiteral("../../etc/passwd")).isNull());
    dw::setDesktopURLOpener(previous);
}

} // namespace
