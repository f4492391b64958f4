// The return policy, payment options, fee and create-link sheets.
#include "panels/QMCreateLinkPanelController.h"
#include "panels/QMFeePanelController.h"
#include "panels/QMOptionsWindowController.h"
#include "panels/QMReturnPolicyViewController.h"

#include "model/QMApplicationDefaults.h"
#include "model/QMEbayItem.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

// Presses a button of the sheet that is about to run modally.
void pressWhenShown(const char* button, std::function<void(QWidget*)> before = {})
{
    QTimer::singleShot(0, [button, before] {
        QWidget* sheet = QApplication::activeModalWidget();
        ASSERT_TRUE(sheet);
        if (before)
            before(sheet);
        sheet->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    });
}

std::shared_ptr<QMEbayItem> listing(int siteID)
{
    auto item = std::make_shared<QMEbayItem>();
    item->setSiteID(siteID);
    item->setReturnPolicyShippingCostPaidByOption(QStringLiteral("before"));
    item->setReturnPolicyReturnsWithinOption(QStringLiteral("before"));
    item->setReturnPolicyRefundOption(QStringLiteral("before"));
    return item;
}

class TermsSheetsTest : public ::testing::Test
{
protected:
    TermsSheetsTest() { EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard())); }
    dw::test::ScriptedAlertPresenter m_alerts;
};

TEST_F(TermsSheetsTest, ReturnPolicyWritesTheSitesChoicesIntoEveryListing)
{
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    auto first = listing(0);
    auto second = listing(77);
    pressWhenShown("okButton", [](QWidget* sheet) {
        sheet->findChild<QCheckBox*>(QStringLiteral("returnsAcceptedCheckbox"))->setChecked(true);
        sheet->findChild<QPlainTextEdit*>(QStringLiteral("detailsView"))->setPlainText(QStringLiteral("14 days"));
    });
    ASSERT_TRUE(QMReturnPolicyViewController::runSheetForItems({first, second}, nullptr));
    // The current options are not among the site's: each choice shows, and writes, its first item.
    const QString firstWithin =
        sites.returnPolicyReturnsWithinOptionsForSiteID(0).first().toMap().value(QStringLiteral("option")).toString();
    for (const auto& item : {first, second}) {
        EXPECT_TRUE(item->returnPolicyAccepted());
        EXPECT_EQ(item->returnPolicyDescription(), QStringLiteral("14 days"));
        EXPECT_EQ(item->returnPolicyReturnsWithinOption(), firstWithin);
    }

    pressWhenShown("cancelButton", [](QWidget* sheet) {
        sheet->findChild<QCheckBox*>(QStringLiteral("returnsAcceptedCheckbox"))->setChecked(false);
    });
    EXPECT_FALSE(QMReturnPolicyViewController::runSheetForItems({first}, nullptr));
    EXPECT_TRUE(first->returnPolicyAccepted());
    EXPECT_THROW(QMReturnPolicyViewController::runSheetForItems({}, nullptr), dw::InternalInconsistency);
}

// A site that offers none of the three choices (here one the table does not know) hides them and
// leaves the listing's options alone.
TEST_F(TermsSheetsTest, ReturnPolicyWithoutSupportedChoicesWritesOnlyTheFlagAndTheText)
{
    auto item = listing(4242);
    item->setReturnPolicyAccepted(false);
    QMReturnPolicyViewController sheet({item});
    EXPECT_FALSE(sheet.supportsReturnPolicyShippingCostPaidBy());
    EXPECT_FALSE(sheet.supportsReturnPolicyReturnsWithin());
    EXPECT_FALSE(sheet.supportsReturnPolicyRefundDetails());
    EXPECT_TRUE(sheet.findChild<QComboBox*>(QStringLiteral("refundOptionPopup"))->isHidden());
    sheet.findChild<QCheckBox*>(QStringLiteral("returnsAcceptedCheckbox"))->setChecked(true);
    sheet.findChild<QPlainTextEdit*>(QStringLiteral("detailsView"))->setPlainText(QStringLiteral("No questions"));
    sheet.doOK();
    EXPECT_TRUE(item->returnPolicyAccepted());
    EXPECT_EQ(item->returnPolicyDescription(), QStringLiteral("No questions"));
    EXPECT_EQ(item->returnPolicyShippingCostPaidByOption(), QStringLiteral("before"));
    EXPECT_EQ(item->returnPolicyReturnsWithinOption(), QStringLiteral("before"));
    EXPECT_EQ(item->returnPolicyRefundOption(), QStringLiteral("before"));
}

TEST_F(TermsSheetsTest, PaymentChoicesAreTheAllowedOnesInTheSitesOrder)
{
    dw::test::TemporaryXdg xdg;
    EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
    auto option = [](const char* id) {
        return QVariantMap{{QStringLiteral("OptionID"), QString::fromLatin1(id)},
                           {QStringLiteral("OptionName"), QString::fromLatin1(id)}};
    };
    const QVariantList allowed{option("PayPalAccepted"), option("MoneyXferAccepted"), option("COD")};
    const QStringList given{QStringLiteral("COD"), QStringLiteral("CCAccepted"), QStringLiteral("PayPalAccepted")};

    pressWhenShown("okButton");
    EXPECT_EQ(QMOptionsWindowController::runSheetForWindow(nullptr, given, allowed, true),
              (QStringList{QStringLiteral("PayPalAccepted"), QStringLiteral("COD")}));

    // Ticks made before Cancel count only where "Save as Default" stored them.
    pressWhenShown("cancelButton", [](QWidget* sheet) {
        EXPECT_TRUE(sheet->findChild<QPushButton*>(QStringLiteral("makeDefaultsButton"))->isHidden());
        auto* table = sheet->findChild<QListWidget*>(QStringLiteral("optionsTable"));
        table->item(1)->setCheckState(Qt::Checked);
        table->item(2)->setCheckState(Qt::Unchecked);
        static_cast<QMOptionsWindowController*>(sheet)->makeDefaults();
    });
    EXPECT_EQ(QMOptionsWindowController::runSheetForWindow(nullptr, given, allowed, true), std::nullopt);
    EXPECT_EQ(QMPreferencesManager::sharedInstance().defaultPaymentOptions(),
              (QVariantList{QStringLiteral("PayPalAccepted"), QStringLiteral("MoneyXferAccepted")}));
}

TEST_F(TermsSheetsTest, FeePanelMergesTheDurationFeesAndSortsFeeNames)
{
    const QVariantMap fees{
        {QStringLiteral("b-listing"), QVariantMap{{QStringLiteral("uniqueID"), QStringLiteral("b-listing")},
                                                  {QStringLiteral("title"), QStringLiteral("Brass lamp")},
                                                  {QStringLiteral("Listing Fee"), QStringLiteral("1.30")},
                                                  {QStringLiteral("Total Fee"), QStringLiteral("1.30")},
                                                  {QStringLiteral("GalleryPlus Fee"), QStringLiteral("0.35")},
                                                  {QStringLiteral("bold Fee"), QStringLiteral("0.10")},
                                                  {QStringLiteral("ExtendedDuration Fee"), QStringLiteral("0.40")},
                                                  {QStringLiteral("AuctionLength Fee"), QStringLiteral("0.40")},
                                                  {QStringLiteral("Zebra Fee"), QStringLiteral("0.05")}}},
        {QStringLiteral("A-listing"), QVariantMap{{QStringLiteral("uniqueID"), QStringLiteral("A-listing")},
                                                  {QStringLiteral("title"), QStringLiteral("Alarm clock")},
                                                  {QStringLiteral("Listing Fee"), QStringLiteral("0.00")},
                                                  {QStringLiteral("Total Fee"), QStringLiteral("0.00")}}},
    };
    QMFeePanelController panel(fees, QStringLiteral("1.30"));
    auto* outline = panel.findChild<QTreeWidget*>(QStringLiteral("feeOutlineView"));
    ASSERT_EQ(outline->topLevelItemCount(), 2);
    const QTreeWidgetItem* alarm = outline->topLevelItem(0);
    EXPECT_EQ(alarm->text(0), QStringLiteral("Alarm clock"));
    EXPECT_EQ(alarm->childCount(), 0);

    const QTreeWidgetItem* lamp = outline->topLevelItem(1);
    EXPECT_EQ(lamp->text(1), QStringLiteral("1.30"));
    QStringList keys;
    QStringList names;
    for (int i = 0; i < lamp->childCount(); ++i) {
        keys << lamp->child(i)->data(0, Qt::UserRole).toString();
        names << lamp->child(i)->text(0);
    }
    EXPECT_EQ(keys, (QStringList{QStringLiteral("b-listing/bold Fee"), QStringLiteral("b-listing/ExtendedDuration Fee"),
                                 QStringLiteral("b-listing/GalleryPlus Fee"), QStringLiteral("b-listing/Zebra Fee")}));
    EXPECT_EQ(names.at(2), dw::localized("GalleryPlus Fee", "ManualLocalizable"));
    EXPECT_NE(names.at(2), QStringLiteral("GalleryPlus Fee"));
    // A fee the string table does not know shows no name rather than eBay's key.
    EXPECT_EQ(names.at(0), QString());
    EXPECT_EQ(names.at(3), QString());
}

TEST_F(TermsSheetsTest, LinksGetASchemeAndEscapedMarkup)
{
    struct Row
    {
        const char* name;
        QString address;
        QString text;
        bool image;
        QString link;
    };
    const Row rows[] = {
        {"a bare host", QStringLiteral("shop.example"), QStringLiteral("shop"), false,
         QStringLiteral("<a href=\"http://shop.example\">shop</a>")},
        {"a scheme in capitals keeps its case", QStringLiteral("HTTPS://X"), QStringLiteral("x"), false,
         QStringLiteral("<a href=\"HTTPS://X\">x</a>")},
        {"a picture without scheme", QStringLiteral("http://shop.example"), QStringLiteral("pics.example/a.jpg"), true,
         QStringLiteral("<a href=\"http://shop.example\"><img src=\"http://pics.example/a.jpg\"></a>")},
        {"markup in text and address", QStringLiteral("x.example/\" onmouseover=\"alert(1)"),
         QStringLiteral("<script>alert(1)</script> & more"), false,
         QStringLiteral("<a href=\"http://x.example/&quot; onmouseover=&quot;alert(1)\">"
                        "&lt;script&gt;alert(1)&lt;/script&gt; &amp; more</a>")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString link = QMCreateLinkPanelController::linkForAddress(row.address, row.text, row.image);
        EXPECT_EQ(link, row.link);
        // Read as markup, the link is one element whose address and text are what was typed.
        QXmlStreamReader reader(row.image ? QString(link).replace(QStringLiteral("\">"), QStringLiteral("\"/>"))
                                          : link);
        ASSERT_TRUE(reader.readNextStartElement());
        EXPECT_EQ(reader.name(), QStringLiteral("a"));
        EXPECT_EQ(reader.attributes().size(), 1);
        EXPECT_TRUE(reader.attributes().value(QStringLiteral("href")).endsWith(row.address));
        if (!row.image) {
            EXPECT_EQ(reader.readElementText(), row.text);
        }
        EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    }
}

TEST_F(TermsSheetsTest, CreateLinkAsksForWhatIsMissing)
{
    pressWhenShown("okButton", [](QWidget* sheet) {
        EXPECT_EQ(sheet->findChild<QPlainTextEdit*>(QStringLiteral("displayTextView"))->toPlainText(),
                  QStringLiteral("our shop"));
        sheet->findChild<QPlainTextEdit*>(QStringLiteral("linkAddressView"))
            ->setPlainText(QStringLiteral("shop.example"));
    });
    EXPECT_EQ(QMCreateLinkPanelController::showCreateLinkPanelForSelectedString(QStringLiteral("our shop"), nullptr),
              QStringLiteral("<a href=\"http://shop.example\">our shop</a>"));

    QMCreateLinkPanelController sheet{QString()};
    EXPECT_EQ(sheet.initiallySelectedString(), QStringLiteral(""));
    sheet.doOK();
    sheet.findChild<QPlainTextEdit*>(QStringLiteral("linkAddressView"))->setPlainText(QStringLiteral("a.example"));
    sheet.doOK();
    EXPECT_EQ(m_alerts.titles(),
              (QStringList{QStringLiteral("Missing Link Address"), QStringLiteral("Missing Link Text")}));
    EXPECT_NE(sheet.result(), QDialog::Accepted);

    pressWhenShown("cancelButton");
    EXPECT_TRUE(
        QMCreateLinkPanelController::showCreateLinkPanelForSelectedString(QStringLiteral("x"), nullptr).isNull());
}

} // namespace
