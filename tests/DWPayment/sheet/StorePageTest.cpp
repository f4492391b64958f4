#include "../FakeGatewayProcess.h"
#include "PaySheetFixture.h"

#include <QPushButton>

namespace {

using dw::test::evaluate;
using dw::test::waitUntil;

class StorePage : public dw::test::StoreChecksTest
{
protected:
    StorePage()
    {
        dw::UserDefaults::standard().setObject(m_gateway.baseURL(), QString::fromLatin1(DWPStoreBaseURLKey));
    }

    dw::test::FakeGatewayProcess m_gateway;
    dw::test::ScriptedAlertPresenter m_alerts;
};

TEST_F(StorePage, ShowsTheFakeGatewaysCatalogueAndFollowsTheBuyersChoice)
{
    std::unique_ptr<DWPPaySheetController> sheet(DWPPaySheetController::newPaymentSheetOnWindow(
        nullptr, dw::payment::catalogueURL(), dw::payment::alternatePaymentMethodsURL(), {}, nullptr));
    QSignalSpy ready(sheet.get(), &DWPPaySheetController::storePageReady);
    ASSERT_TRUE(ready.wait(30000));
    sheet->transaction()->setUserCountry(QStringLiteral("DE"));
    settle();
    QWebEngineView* page = sheet->bomWebView();
    EXPECT_EQ(evaluate(page, QStringLiteral("Array.from(document.querySelectorAll('.group h2')).map(e => e.textContent)"
                                            ".join('|')")),
              QStringLiteral("Licence|Extras"));

    const auto& group = sheet->transaction()->shoppingCart()->saleItemGroups()[0];
    const QString first = QStringLiteral("item_0.") + group->fullItems()[0]->uniqueID();
    const QString second = QStringLiteral("item_0.") + group->fullItems()[1]->uniqueID();
    auto isSelected = [&](const QString& id) {
        return evaluate(page, QStringLiteral("document.getElementById('%1').classList.contains('selected')").arg(id))
            .toBool();
    };
    EXPECT_TRUE(isSelected(first));

    evaluate(page, QStringLiteral("document.getElementById('%1').click(); 0").arg(second));
    ASSERT_TRUE(waitUntil([&] { return group->selectedSaleItemsUUIDs().contains(group->fullItems()[1]->uniqueID()); }));
    ASSERT_TRUE(waitUntil([&] { return isSelected(second) && !isSelected(first); }));
    // Family pack 49.00 and templates 8.00, with German VAT of 19 %.
    EXPECT_EQ(sheet->transaction()->finalPrice(), 5831 + 952);
    ASSERT_TRUE(waitUntil([&] {
        return evaluate(page, QStringLiteral("document.getElementById('totalPrice').textContent")).toString() ==
               sheet->transaction()->finalPriceStringValue();
    }));
    EXPECT_TRUE(sheet->nextButton()->isEnabled());
}

class Delegate : public DWPaymentDelegate
{
public:
    void userDidOpenPaymentSheetForPaymentController(DWPaymentController* controller) override
    {
        events.append(QStringLiteral("open"));
        // The buyer leaves as soon as the sheet shows. The sheet ignores the click while its window
        // still moves (which takes longer on a busy machine), so the click is repeated until the
        // sheet has taken it.
        auto* leave = new QTimer(controller);
        QObject::connect(leave, &QTimer::timeout, leave, [this, controller, leave] {
            DWPPaySheetController* sheet = controller->currentPayWindowController();
            if (events.contains(QStringLiteral("cancel")))
                leave->deleteLater();
            else if (sheet && sheet->isVisible())
                sheet->previousAction();
        });
        leave->start(100);
    }
    void userDidCancelPaymentSheetForPaymentController(DWPaymentController*) override
    {
        events.append(QStringLiteral("cancel"));
    }
    void userDidFinishPaymentSheetForPaymentController(DWPaymentController*) override
    {
        events.append(QStringLiteral("finish"));
    }
    QStringList events;
};

TEST_F(StorePage, EntryObjectOpensTheConfiguredStoreAndReturnsWhenItEnds)
{
    EXPECT_EQ(DWPaymentController::newPaySheetOnWindow(nullptr, QUrl(), QUrl(), nullptr), nullptr);
    Delegate delegate;
    const auto controller = DWPaymentController::newPaySheetOnWindow(
        nullptr, dw::payment::catalogueURL(), dw::payment::alternatePaymentMethodsURL(), &delegate);
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(delegate.events,
              (QStringList{QStringLiteral("open"), QStringLiteral("cancel"), QStringLiteral("finish")}));

    // Without a delegate the events are reposted under their public names, from the entry object.
    QStringList reposted;
    DWPaymentController plain;
    dw::NotificationCenter::defaultCenter().addObserver(
        QString(), &plain,
        [&reposted, &plain](const dw::Notification& n) {
            reposted.append(n.name);
            // The buyer leaves once the store page shows.
            DWPPaySheetController* sheet = plain.currentPayWindowController();
            if (n.name == u"DWPUserDidOpenPaymentSheet" && sheet)
                QObject::connect(sheet, &DWPPaySheetController::storePageReady, sheet,
                                 &DWPPaySheetController::quitAction, Qt::QueuedConnection);
        },
        this);
    plain.showPaySheetForShoppingCartURL(dw::payment::catalogueURL(), QUrl());
    EXPECT_EQ(reposted, (QStringList{QStringLiteral("DWPUserDidOpenPaymentSheet"),
                                     QStringLiteral("DWPUserDidFinishPaymentSheet")}));
    dw::NotificationCenter::defaultCenter().removeObserversOwnedBy(this);
}

} // namespace
