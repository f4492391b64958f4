// The pay sheet's window: each step's own size, the animated change of step, the total boxes and
// the form growing as its VAT fields and status line appear.
#include "PaySheetFixture.h"

#include <QPushButton>

namespace {

using dw::test::evaluate;
using dw::test::waitUntil;

class PaySheetSteps : public dw::test::PaySheetTest
{
protected:
    int placeholderHeight() const { return m_sheet->placeholderView()->height(); }
};

TEST_F(PaySheetSteps, AStepChangeIsOneStepWithAStillImageOfTheStorePage)
{
    DWPPaySheetController* sheet = openSheet();
    sheet->nextAction();
    sheet->nextAction(); // a second click while the step changes goes nowhere
    EXPECT_TRUE(sheet->isChangingStep());
    EXPECT_TRUE(sheet->isStillImageShown());
    waitForStep();
    EXPECT_EQ(sheet->step(), 1);
    EXPECT_EQ(sheet->placeholderView()->size(), sheet->viewAtStep(1)->size());

    previous();
    EXPECT_EQ(sheet->step(), 0);
    EXPECT_FALSE(sheet->isStillImageShown());
    QSignalSpy ready(sheet, &DWPPaySheetController::storePageReady);
    ASSERT_TRUE(ready.wait(30000)); // the store page is built anew
}

TEST_F(PaySheetSteps, TheTotalShowsOnTheFormPaymentAndWaitInTheBuyersCurrency)
{
    DWPPaySheetController* sheet = openSheet();
    EXPECT_TRUE(sheet->totalBoxText(1).isEmpty()); // the store page has its own totals
    next();
    fillForm();
    DWPTransaction* transaction = sheet->transaction();
    auto total = [transaction] { return QString(QStringLiteral("Total: ") + transaction->finalPriceStringValue()); };
    const QString dollars = total();
    EXPECT_TRUE(dollars.startsWith(QStringLiteral("Total: $ "))) << dollars.toStdString();
    EXPECT_EQ(sheet->totalBoxText(1), dollars);
    transaction->setUserCountry(QStringLiteral("FR"));
    EXPECT_TRUE(total().startsWith(QStringLiteral("Total: € "))) << total().toStdString();
    EXPECT_EQ(sheet->totalBoxText(1), total());
    transaction->setUserCountry(QStringLiteral("US"));
    settle();
    waitForStep();

    next(); // the address is only plausible: a warning stops once
    next();
    ASSERT_EQ(sheet->step(), 2);
    EXPECT_TRUE(sheet->totalBoxText(1).isEmpty());
    EXPECT_EQ(sheet->totalBoxText(2), dollars);
    ASSERT_TRUE(waitUntil([&] { return m_names.contains(QStringLiteral("_DWPUserDidCompleteTransaction")); }));
    // The page with the return link is short: the window follows it.
    ASSERT_TRUE(waitUntil([&] { return !sheet->isWindowResizing() && placeholderHeight() < 300; }))
        << placeholderHeight();
    evaluate(sheet->paymentWebView(), QStringLiteral("document.getElementById('payLink').click(); 0"));
    ASSERT_TRUE(waitUntil([&] { return sheet->step() == 3 && !sheet->isChangingStep(); }));
    EXPECT_EQ(sheet->totalBoxText(2), dollars);
}

TEST_F(PaySheetSteps, TheFormGrowsForTheVatFieldsAndTheStatusLine)
{
    DWPPaySheetController* sheet = openSheet();
    sheet->transaction()->setUserCountry(QStringLiteral("US"));
    settle();
    next();
    ASSERT_FALSE(sheet->areVATFieldsShown());
    const int plain = placeholderHeight();

    sheet->transaction()->setUserCountry(QStringLiteral("FR"));
    ASSERT_TRUE(waitUntil([&] { return sheet->areVATFieldsShown() && !sheet->isWindowResizing(); }));
    EXPECT_EQ(placeholderHeight(), plain + 33);

    EXPECT_EQ(sheet->showUDIStatusIndicators(true), DWPUDIError);
    ASSERT_TRUE(waitUntil([&] { return sheet->isUDIStatusLineShown() && !sheet->isWindowResizing(); }));
    EXPECT_EQ(placeholderHeight(), plain + 33 + 30);
    sheet->showUDIStatusIndicators(true); // shown already: the form grows once
    waitForStep();
    EXPECT_EQ(placeholderHeight(), plain + 33 + 30);
    // Every field keeps at least its own height.
    for (int tag : {DWPUDINameTag, DWPUDIMailTag, DWPUDIStreetTag, DWPUDICityTag, DWPUDIZipCodeTag, DWPUDIVatTag}) {
        QWidget* input = sheet->udiElement(DWPUDIInput, tag);
        EXPECT_GE(input->height(), input->minimumSizeHint().height()) << tag;
    }

    sheet->showUDIStatusIndicators(false);
    sheet->transaction()->setUserCountry(QStringLiteral("US"));
    ASSERT_TRUE(waitUntil([&] {
        return !sheet->isUDIStatusLineShown() && !sheet->areVATFieldsShown() && !sheet->isWindowResizing() &&
               placeholderHeight() == plain;
    })) << placeholderHeight()
        << " " << plain;
}

TEST_F(PaySheetSteps, TheCardPopupHoldsThePaymentPage)
{
    dw::UserDefaults::standard().setObject(m_gateway.url(), QString::fromLatin1(DWPCardPopupBaseURLKey));
    DWPPaySheetController* sheet = openSheet();
    next();
    fillForm();
    next();
    next();
    ASSERT_TRUE(waitUntil([&] { return m_names.contains(QStringLiteral("_DWPUserDidCompleteTransaction")); }));
    sheet->paymentPageLoaded(QUrl(m_gateway.url(QStringLiteral("/pay"))),
                             QStringLiteral("<html><body>card</body></html>"));
    ASSERT_TRUE(sheet->previousButton()->isEnabled());
    sheet->paymentPageNavigation(QUrl(m_gateway.url(QStringLiteral("/elsewhere"))));
    EXPECT_TRUE(sheet->previousButton()->isEnabled());
    sheet->paymentPageNavigation(QUrl(m_gateway.url(QStringLiteral("/epi_popup2.php?session=4"))));
    EXPECT_FALSE(sheet->previousButton()->isEnabled());
}

} // namespace
