#include "PaySheetFixture.h"

#include "DWPayment/DWPStoreWidgets.h"
#include "DWPayment/DWPUserDefaultsKeys.h"
#include "DWPayment/WebView+DWResizing.h"

#include "platform/core/BackgroundWork.h"
#include "platform/core/DWAssert.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace {

using dw::test::evaluate;
using dw::test::FakeHttpReply;
using dw::test::gatewayAnswer;
using dw::test::waitUntil;

class PaySheet : public dw::test::PaySheetTest
{};

QString indicatorOf(DWPPaySheetController* sheet, int tag)
{
    return sheet->udiElement(DWPUDIIndicator, tag)->property("udiIndicator").toString();
}

TEST_F(PaySheet, CancelAtTheStorePagePostsCancelThenFinish)
{
    DWPPaySheetController* sheet = openSheet();
    ASSERT_EQ(sheet->step(), 0);
    EXPECT_TRUE(sheet->nextButton()->isEnabled());
    QSignalSpy ended(sheet, &DWPPaySheetController::sheetDidEnd);
    sheet->previousAction();
    EXPECT_EQ(m_names, (QStringList{QStringLiteral("_DWPUserDidOpenPaymentSheet"),
                                    QStringLiteral("_DWPUserDidCancelPaymentSheet"),
                                    QStringLiteral("_DWPUserDidFinishPaymentSheet")}));
    ASSERT_EQ(ended.size(), 1);
    EXPECT_EQ(ended[0][0].toInt(), kDWPaySheetDidEndModalRunResponse);
    EXPECT_TRUE(sheet->hasEnded());
    EXPECT_FALSE(sheet->isVisible());
}

TEST_F(PaySheet, PollsUntilPaidThenConfirmsWithIdAndPayload)
{
    const FakeHttpReply pending{.body =
                                    gatewayAnswer("TransactionPaymentStateResponse", "<payState>pending</payState>")};
    scriptPaymentStates({pending,
                         pending,
                         pending,
                         pending,
                         {.body = gatewayAnswer("TransactionPaymentStateResponse",
                                                "<payState>paid</payState><responsePayload>bGljZW5j\nZSBrZXk=\n"
                                                "</responsePayload>")}});
    DWPPaySheetController* sheet = openSheet();
    sheet->setPollIntervalMilliseconds(100);
    next();
    fillForm();
    next(); // the mail address is only plausible: a warning stops once
    next();
    ASSERT_EQ(sheet->step(), 2);
    ASSERT_TRUE(waitUntil([&] { return m_names.contains(QStringLiteral("_DWPUserDidCompleteTransaction")); }));
    EXPECT_EQ(sheet->transaction()->transactionID(), QStringLiteral("T-7"));
    EXPECT_FALSE(sheet->previousButton()->isEnabled());

    // The payment page's return link takes the buyer to the last step.
    evaluate(sheet->paymentWebView(), QStringLiteral("document.getElementById('payLink').click(); 0"));
    ASSERT_TRUE(waitUntil([&] { return sheet->step() == 3; }));
    ASSERT_TRUE(waitUntil([&] { return sheet->hasEnded(); }));

    const qsizetype confirmed = m_names.indexOf(QStringLiteral("_DWPServerConfirmedTransaction"));
    ASSERT_GE(confirmed, 0) << m_names.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(m_userInfos[confirmed].value(QString::fromLatin1(DWPTransactionIdKey)), QStringLiteral("T-7"));
    EXPECT_EQ(m_userInfos[confirmed].value(QString::fromLatin1(DWPPayloadKey)).toByteArray(),
              QByteArray("licence key"));
    EXPECT_EQ(m_names.last(), QStringLiteral("_DWPUserDidFinishPaymentSheet"));
    EXPECT_TRUE(sheet->finalText()->text().contains(QStringLiteral("T-7"))); // the 4th tick's waiting text
    EXPECT_TRUE(sheet->nextButton()->isVisible() || sheet->hasEnded());
    EXPECT_FALSE(sheet->hasRunningTimer());
    int polls = 0;
    for (const auto& request : m_gateway.requests())
        polls += request.body.contains("TransactionPaymentStateRequest") ? 1 : 0;
    EXPECT_EQ(polls, 5);
}

TEST_F(PaySheet, PreviousFromThePaymentPageAbortsTheTransactionOnce)
{
    DWPPaySheetController* sheet = openSheet();
    next();
    fillForm();
    next();
    next();
    ASSERT_TRUE(waitUntil([&] { return sheet->transaction()->transactionID() == u"T-7"; }));
    previous();
    EXPECT_EQ(sheet->step(), 1);
    EXPECT_TRUE(sheet->transaction()->transactionID().isEmpty());
    auto aborts = [this] {
        int count = 0;
        for (const auto& request : m_gateway.requests())
            count += request.body.contains("<TransactionAbortRequest") ? 1 : 0;
        return count;
    };
    ASSERT_TRUE(waitUntil([&] { return aborts() == 1; }));
    previous(); // back at the store page: no transaction, nothing to abort
    EXPECT_EQ(sheet->step(), 0);
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(aborts(), 1);
}

TEST_F(PaySheet, AGatewayRefusalEndsTheSheetWithoutATimer)
{
    scriptPaymentStates({{.body = "<?xml version=\"1.0\"?>\n<TransactionPaymentStateResponse><ack>failure</ack>"
                                  "<Errors>transaction unknown</Errors></TransactionPaymentStateResponse>"}});
    DWPPaySheetController* sheet = openSheet();
    sheet->setPollIntervalMilliseconds(50);
    next();
    fillForm();
    next();
    next();
    ASSERT_TRUE(waitUntil([&] { return m_names.contains(QStringLiteral("_DWPUserDidCompleteTransaction")); }));
    evaluate(sheet->paymentWebView(), QStringLiteral("document.getElementById('payLink').click(); 0"));
    ASSERT_TRUE(waitUntil([&] { return sheet->hasEnded(); }));
    EXPECT_TRUE(m_names.contains(QStringLiteral("_DWPErrorOccurredOnServer")));
    ASSERT_EQ(m_alerts.alerts().size(), 1);
    EXPECT_EQ(m_alerts.alerts()[0].informativeText,
              QStringLiteral("Your request could not be finished successfully. Please try again later, or contact the "
                             "support."));
    EXPECT_FALSE(sheet->hasRunningTimer());
}

TEST_F(PaySheet, AnUnreachableCatalogueEndsTheSheetWithoutATimer)
{
    struct Recorder : DWPaymentDelegate
    {
        void paymentControllerErrorOccurredGettingPlist(DWPaymentController* controller, const QString&,
                                                        const QUrl& url) override
        {
            reported = url;
            EXPECT_EQ(controller, nullptr);
        }
        QUrl reported;
    } delegate;
    const QUrl missing(m_gateway.url(QStringLiteral("/nothing.plist")));
    m_sheet = DWPPaySheetController::newPaymentSheetOnWindow(nullptr, missing, QUrl(), {}, &delegate);
    ASSERT_TRUE(waitUntil([&] { return m_sheet->hasEnded(); }));
    EXPECT_EQ(delegate.reported, missing);
    ASSERT_EQ(m_alerts.alerts().size(), 1);
    EXPECT_EQ(m_alerts.alerts()[0].informativeText,
              QStringLiteral("Could not process your shopping cart. Please try again later."));
    EXPECT_FALSE(m_sheet->hasRunningTimer());
}

TEST_F(PaySheet, ClosingWhileAPollIsOutIsSafe)
{
    scriptPaymentStates({{.body = gatewayAnswer("TransactionPaymentStateResponse", "<payState>paid</payState>"),
                          .delay = std::chrono::milliseconds(800)}});
    DWPPaySheetController* sheet = openSheet();
    sheet->setPollIntervalMilliseconds(50);
    next();
    fillForm();
    next();
    next();
    ASSERT_TRUE(waitUntil([&] { return m_names.contains(QStringLiteral("_DWPUserDidCompleteTransaction")); }));
    evaluate(sheet->paymentWebView(), QStringLiteral("document.getElementById('payLink').click(); 0"));
    ASSERT_TRUE(waitUntil([&] { return m_gateway.requestCount() > 0 && sheet->step() == 3; }));
    ASSERT_TRUE(m_gateway.waitForRequests(m_gateway.requestCount()));
    ASSERT_TRUE(waitUntil([&] {
        for (const auto& request : m_gateway.requests())
            if (request.body.contains("TransactionPaymentStateRequest"))
                return true;
        return false;
    }));
    sheet->close();
    EXPECT_TRUE(sheet->hasEnded());
    EXPECT_FALSE(sheet->hasRunningTimer());
    delete m_sheet; // the answer still on its way finds no sheet
    m_sheet = nullptr;
    waitUntil([] { return false; }, 1200);
    EXPECT_FALSE(m_names.contains(QStringLiteral("_DWPServerConfirmedTransaction")));
}

// The quit cuts every gateway call short, also against a gateway that takes the document and never
// answers (its time-outs are 17 s), and the sheet hears nothing of the call it cut.
TEST_F(PaySheet, QuittingCutsAGatewayCallThatNeverAnswersShortAndDropsItsAnswer)
{
    const auto toThePaymentPage = [this] {
        openSheet();
        next();
        fillForm();
        next(); // the mail address is only plausible: a warning stops once
        next();
    };
    const struct
    {
        const char* what;
        QByteArray root;
        std::function<void()> drive;
    } rows[] = {
        {"the store's product details", "TransactionProductInfoRequest",
         [this] {
             m_sheet = DWPPaySheetController::newPaymentSheetOnWindow(
                 nullptr, QUrl(m_gateway.url(QStringLiteral("/QuillmartVodar/DWPayment/mini_store.plist"))), QUrl(), {},
                 nullptr);
         }},
        {"the transaction's creation", "TransactionCreateRequest", toThePaymentPage},
        {"the payment state", "TransactionPaymentStateRequest",
         [&] {
             toThePaymentPage();
             ASSERT_TRUE(waitUntil([&] { return m_names.contains(QStringLiteral("_DWPUserDidCompleteTransaction")); }));
             evaluate(m_sheet->paymentWebView(), QStringLiteral("document.getElementById('payLink').click(); 0"));
         }},
        {"the transaction's abort", "TransactionAbortRequest",
         [&] {
             toThePaymentPage();
             ASSERT_TRUE(waitUntil([&] { return m_sheet->transaction()->transactionID() == u"T-7"; }));
             previous();
         }},
    };
    // The store's transaction comes with its product details, so the first row has none yet.
    const auto transactionID = [this] {
        return m_sheet->transaction() ? m_sheet->transaction()->transactionID() : QStringLiteral("(none)");
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        stallGatewayOn(row.root);
        row.drive();
        ASSERT_NE(m_sheet, nullptr);
        const QString idBefore = transactionID();
        ASSERT_TRUE(waitUntil([&] { return gatewayReceived(row.root); }));

        QElapsedTimer quit;
        quit.start();
        dw::stopBackgroundWork();
        EXPECT_LT(quit.elapsed(), 5000) << "the quit waited for the gateway";
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        EXPECT_TRUE(m_alerts.alerts().isEmpty()) << m_alerts.alerts()[0].informativeText.toStdString();
        EXPECT_FALSE(m_names.contains(QStringLiteral("_DWPErrorOccurredOnServer")));
        EXPECT_EQ(transactionID(), idBefore);
        EXPECT_FALSE(m_sheet->hasEnded());

        dw::NotificationCenter::defaultCenter().removeObserversOwnedBy(this);
        delete m_sheet;
        m_sheet = nullptr;
        m_names.clear();
        m_userInfos.clear();
        m_alerts.clear();
        stallGatewayOn({});
    }
}

TEST_F(PaySheet, FormValidation)
{
    DWPPaySheetController* sheet = openSheet();
    next();
    ASSERT_EQ(sheet->step(), 1);

    // An empty form: every empty field and the terms are errors.
    for (int tag : {DWPUDINameTag, DWPUDIStreetTag, DWPUDICityTag, DWPUDIZipCodeTag})
        qobject_cast<QLineEdit*>(sheet->udiElement(DWPUDIInput, tag))->clear();
    EXPECT_EQ(sheet->showUDIStatusIndicators(true), DWPUDIError);
    EXPECT_EQ(sheet->udiStatusText(), QStringLiteral("Please fill out all of the fields with valid inputs."));
    for (int tag : {DWPUDINameTag, DWPUDIStreetTag, DWPUDICityTag, DWPUDIZipCodeTag, DWPUDITacTag})
        EXPECT_EQ(indicatorOf(sheet, tag), QStringLiteral("error")) << tag;

    m_dnsResponder = [](const QByteArray& query) { return dw::test::mxReply(query, {{10, "mx.example.com"}}); };
    fillForm();
    auto* name = qobject_cast<QLineEdit*>(sheet->udiElement(DWPUDIInput, DWPUDINameTag));
    sheet->setNameBlacklist({QStringLiteral("test")});
    const struct
    {
        const char* name;
        int state;
    } names[] = {{"12345", DWPUDIError},
                 {"A1", DWPUDIValid},
                 {"", DWPUDIError},
                 {"Test", DWPUDIError},
                 {"Dunmerrow's <b>", DWPUDIValid}};
    for (const auto& row : names) {
        name->setText(QString::fromUtf8(row.name));
        EXPECT_EQ(sheet->validateUDIForTag(DWPUDINameTag), row.state) << row.name;
    }
    EXPECT_EQ(name->text(), QStringLiteral("Dunmerrow's <b>")); // shown as typed

    qobject_cast<QCheckBox*>(sheet->udiElement(DWPUDICheckbox, DWPUDITacTag))->setChecked(false);
    next();
    EXPECT_EQ(sheet->step(), 1);
    EXPECT_EQ(sheet->udiStatusText(), QStringLiteral("You have to accept the Terms & Conditions to continue."));

    // A German buyer has no VAT fields and the VAT field is always valid; a French one has them.
    sheet->transaction()->setUserCountry(QStringLiteral("DE"));
    settle();
    EXPECT_TRUE(waitUntil([&] { return !sheet->areVATFieldsShown(); }));
    EXPECT_EQ(sheet->validateUDIForTag(DWPUDIVatTag), DWPUDIValid);
    sheet->transaction()->setUserCountry(QStringLiteral("FR"));
    EXPECT_TRUE(waitUntil([&] { return sheet->areVATFieldsShown(); }));
    EXPECT_EQ(qobject_cast<QComboBox*>(sheet->udiElement(DWPUDIInput, DWPUDICountryTag))->currentData(),
              QStringLiteral("FR"));
}

TEST_F(PaySheet, WarningsOnlyNeedASecondNext)
{
    DWPPaySheetController* sheet = openSheet();
    next();
    fillForm(); // the fake DNS knows no mail server: a plausible address is only a warning
    EXPECT_EQ(sheet->validateUDI(), DWPUDIWarning);
    next();
    EXPECT_EQ(sheet->step(), 1);
    EXPECT_EQ(sheet->udiStatusText(),
              QStringLiteral("We could not verify the mail address. If you are sure that your input is correct, click "
                             "on the “Next Step” button again."));
    EXPECT_EQ(indicatorOf(sheet, DWPUDIMailTag), QStringLiteral("warning"));
    next();
    EXPECT_EQ(sheet->step(), 2);
}

TEST_F(PaySheet, TermsLine)
{
    DWPPaySheetController* sheet = openSheet();
    DWPLinkTextField* terms = sheet->tacTextField();
    EXPECT_EQ(terms->plainText(), QStringLiteral("I accept the Terms & Conditions."));
    EXPECT_EQ(terms->url().path(), QStringLiteral("/About/AGB.html"));
    EXPECT_EQ(terms->url().fragment(), QStringLiteral("Terms"));
    EXPECT_EQ(terms->urlToolTip(), QStringLiteral("Click to see."));

    QList<QUrl> opened;
    DWPLinkTextField::setURLOpener([&opened](const QUrl& url) { opened.append(url); });
    auto* box = qobject_cast<QCheckBox*>(sheet->udiElement(DWPUDICheckbox, DWPUDITacTag));
    const bool before = box->isChecked();
    terms->mouseDownOnLink(false); // beside the link: the box toggles
    EXPECT_NE(box->isChecked(), before);
    terms->mouseDownOnLink(true); // on the link: the page opens, the box stays
    EXPECT_NE(box->isChecked(), before);
    EXPECT_EQ(opened, QList<QUrl>{terms->url()});
    DWPLinkTextField::setURLOpener({});
}

TEST(StoreWidgets, SmallFunctions)
{
    const struct
    {
        const char* selector;
        const char* handler;
    } selectors[] = {{"controlTextDidChange:", "DidChange"},
                     {"controlTextDidEndEditing:", "DidEndEditing"},
                     {"windowWillClose:", "WillClose"},
                     {"linkTextField:didGetMouseDownOnLink:", "didGetMouseDownOnLink"},
                     {"a:notShouldBe:", nullptr},
                     {"reload", nullptr}};
    for (const auto& row : selectors)
        EXPECT_EQ(dw::handlerMethodNameFromDelegateSelector(QString::fromLatin1(row.selector)),
                  row.handler ? QString::fromLatin1(row.handler) : QString())
            << row.selector;

    EXPECT_TRUE(dw::isNotEmptyValue(3));
    EXPECT_TRUE(dw::isNotEmptyValue(QStringLiteral("x")));
    EXPECT_FALSE(dw::isNotEmptyValue(QVariantList()));
    EXPECT_FALSE(dw::isNotEmptyValue(QString()));
    EXPECT_TRUE(dw::isEmptyValue(QVariant()));

    QWidget root;
    auto* child = new QWidget(&root);
    auto* grandchild = new QWidget(child);
    EXPECT_EQ(dw::deepSubviews(&root), (QList<QWidget*>{grandchild, child}));

    DWPLinkTextField field;
    EXPECT_FALSE(field.setStringValue(QStringLiteral("no link"), QStringLiteral("x"), QStringLiteral("https://a")));
    EXPECT_FALSE(field.setStringValue(QStringLiteral("%@ and %@"), QStringLiteral("x"), QStringLiteral("https://a")));
    EXPECT_TRUE(field.plainText().isEmpty());
}

TEST_F(PaySheet, CountryMenuNamesCountriesInTheBuyersLanguage)
{
    dw::UserDefaults::standard().setObject(QStringLiteral("fr"), QString::fromLatin1(dw::payment::DWPUserLanguage));
    DWPPaySheetController* sheet = openSheet();
    auto* menu = qobject_cast<QComboBox*>(sheet->udiElement(DWPUDIInput, DWPUDICountryTag));
    ASSERT_NE(menu, nullptr);
    // The configured countries first, in their order, then a separator and the rest by name.
    const QStringList top{QStringLiteral("Allemagne"), QStringLiteral("États-Unis"), QStringLiteral("Royaume-Uni"),
                          QStringLiteral("Canada"), QStringLiteral("France")};
    for (int i = 0; i < top.size(); ++i)
        EXPECT_EQ(menu->itemText(i), top.at(i));
    EXPECT_EQ(menu->itemData(1), QStringLiteral("US"));
    EXPECT_TRUE(menu->itemText(top.size()).isEmpty()); // the separator
    const int austria = menu->findData(QStringLiteral("AT"));
    EXPECT_EQ(menu->itemText(austria), QStringLiteral("Autriche"));
    int germanies = 0;
    for (int i = 0; i < menu->count(); ++i)
        germanies += menu->itemData(i) == QStringLiteral("DE") ? 1 : 0;
    EXPECT_EQ(germanies, 1); // listed once, at the top
}

TEST(StoreWidgets, FormNames)
{
    EXPECT_TRUE(DWPPaySheetController::isValidUDITag(DWPUDINameTag));
    EXPECT_TRUE(DWPPaySheetController::isValidUDITag(DWPUDINewsletterTag));
    EXPECT_FALSE(DWPPaySheetController::isValidUDITag(DWPUDIEndTag));
    EXPECT_FALSE(DWPPaySheetController::isValidUDITag(1000));
    EXPECT_EQ(DWPPaySheetController::tagToName(DWPUDIMailTag), QStringLiteral("e-mail"));
    EXPECT_EQ(DWPPaySheetController::tagToName(DWPUDITacTag), QStringLiteral("Terms & Conditions"));
    EXPECT_TRUE(DWPPaySheetController::tagToName(DWPUDIEndTag).isNull());
    EXPECT_EQ(DWPPaySheetController::stateToName(DWPUDIWarning), QStringLiteral("warning"));
    EXPECT_EQ(DWPPaySheetController::stateToName(7), QStringLiteral("__error: undefined state__"));
}

TEST(StoreWidgets, LinkFieldToolTipsAndPressesByRegion)
{
    DWPLinkTextField field;
    field.resize(420, 30);
    ASSERT_TRUE(field.setStringValue(QStringLiteral("I accept the %@."), QStringLiteral("Terms & Conditions"),
                                     QStringLiteral("https://example.com/terms")));
    field.setURLToolTip(QStringLiteral("Click to see."));
    field.setTextToolTip(QStringLiteral("The terms of sale."));
    const QRect text = field.textRect();
    const QRect link = field.trackingRect();
    ASSERT_FALSE(link.isEmpty());
    EXPECT_TRUE(text.contains(link));
    const int y = link.center().y();
    EXPECT_EQ(field.toolTipAt(link.center()), QStringLiteral("Click to see."));
    EXPECT_EQ(field.toolTipAt(QPoint(text.left() + 2, y)), QStringLiteral("The terms of sale."));
    EXPECT_EQ(field.toolTipAt(QPoint(link.right() + 3, y)), QStringLiteral("The terms of sale.")); // the "."
    EXPECT_TRUE(field.toolTipAt(QPoint(text.right() + 20, y)).isNull());

    // A right-aligned field keeps its text, link included, at its right end.
    field.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(field.textRect().right(), field.contentsRect().right());
    EXPECT_EQ(field.trackingRect().width(), link.width());
    EXPECT_EQ(field.trackingRect().left() - link.left(), field.textRect().left() - text.left());

    // A press on the link opens it; one beside it only tells the delegate.
    QList<QUrl> opened;
    QList<bool> presses;
    DWPLinkTextField::setURLOpener([&opened](const QUrl& url) { opened.append(url); });
    field.setClickDelegate([&presses](DWPLinkTextField*, bool onLink) { presses.append(onLink); });
    QTest::mouseClick(&field, Qt::LeftButton, {}, field.trackingRect().center());
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(field.textRect().left() + 2, y));
    DWPLinkTextField::setURLOpener({});
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://example.com/terms"))});
    EXPECT_EQ(presses, (QList<bool>{true, false}));
}

TEST(StoreWidgets, ShadowCellDrawsAShadowOnePointBelowItsText)
{
    auto render = [](QLabel& label) {
        label.resize(80, 30);
        QPalette palette = label.palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        label.setPalette(palette);
        QImage image(label.size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        label.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };
    // The lowest row holding white and the lowest holding black (-1: none).
    auto lowestRows = [](const QImage& image) {
        int white = -1;
        int black = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() > 200 && c.lightness() > 230)
                    white = y;
                else if (c.alpha() > 200 && c.lightness() < 25)
                    black = y;
            }
        return std::pair{white, black};
    };
    DWPShadowTextCell cell(QStringLiteral("Total"));
    const auto [white, black] = lowestRows(render(cell));
    ASSERT_GE(white, 0);
    EXPECT_EQ(black, white + 1);
    QLabel plain(QStringLiteral("Total"));
    EXPECT_EQ(lowestRows(render(plain)).second, -1);
    DWPShadowTextCell empty;
    EXPECT_EQ(lowestRows(render(empty)), (std::pair{-1, -1}));
}

TEST(StoreWidgets, WebViewFitting)
{
    EXPECT_EQ(recalculateRectToFitSizeFromOriginSize(QRectF(100, 50, 400, 300), QSizeF(500, 250), QSizeF(400, 300)),
              QRectF(50, 50, 500, 250));

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new QWebEngineView;
    layout->addWidget(view);
    window.resize(400, 200);
    window.show();
    auto load = [view](const QString& body) {
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        view->setHtml(QStringLiteral("<html><body style=\"margin:0\">") + body + QStringLiteral("</body></html>"));
        EXPECT_TRUE(loaded.wait(30000));
    };
    auto fit = [&](int mode, const QVariantMap& options) {
        QRectF frame;
        bool answered = false;
        DWWebViewResizing::findFrameToFitDocumentForView(view, &window, mode, options, [&](const QRectF& found) {
            frame = found;
            answered = true;
        });
        EXPECT_TRUE(dw::test::waitUntil([&] { return answered; }));
        return frame;
    };

    // A page taller than the view: the width stays, the window grows by the difference.
    load(QStringLiteral("<div style=\"height:500px\"></div>"));
    const QRectF before(window.geometry());
    QRectF frame = fit(DWWebViewKeepWidth, {});
    EXPECT_EQ(frame.width(), before.width());
    EXPECT_EQ(frame.top(), before.top());
    EXPECT_NEAR(frame.height(), before.height() + 300, 1);
    EXPECT_EQ(view->size(), QSize(400, 200)); // measured, then put back

    // A maximum caps the height; the page then scrolls in the width it keeps.
    frame = fit(DWWebViewKeepWidth, {{QString::fromLatin1(DWWebViewResizingMaxSizeKey), QSizeF(0, 260)}});
    EXPECT_NEAR(frame.height(), before.height() + 60, 1);
    EXPECT_EQ(frame.width(), before.width());

    // A tiny page is still measured at 23 by 23 points.
    load(QStringLiteral("<div style=\"width:5px;height:5px\"></div>"));
    QSizeF smallest;
    bool answered = false;
    DWWebViewResizing::findSmallestDocumentSizeWithoutScrollbars(view, [&](const QSizeF& size) {
        smallest = size;
        answered = true;
    });
    ASSERT_TRUE(dw::test::waitUntil([&] { return answered; }));
    EXPECT_EQ(smallest, QSizeF(23, 23));
    EXPECT_THROW(fit(DWWebViewKeepWidth | DWWebViewKeepHeight, {}), dw::InternalInconsistency);
}

} // namespace

namespace {

// Holds a fake service's answers until released; released at the latest when it goes, so no
// check waits past the test.
class Gate
{
public:
    ~Gate() { open(); }
    void wait()
    {
        std::unique_lock lock(m_mutex);
        m_opened.wait(lock, [this] { return m_open; });
    }
    void open()
    {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_opened.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_open = false;
};

QString itemPrices(DWPPaySheetController* sheet)
{
    return evaluate(sheet->bomWebView(),
                    QStringLiteral("Array.from(document.querySelectorAll('.price')).map(e => e.textContent).join('|')"))
        .toString();
}

TEST_F(PaySheet, EveryItemPriceFollowsTheVatCheckAndTheCountry)
{
    // A returning French company whose stored VAT ID the service confirms only after the store
    // page is up.
    auto& defaults = dw::UserDefaults::standard();
    defaults.setObject(QStringLiteral("FR"), QString::fromLatin1(dw::payment::DWPUserCountry));
    defaults.setObject(true, QString::fromLatin1(dw::payment::DWPUserUsesVat));
    defaults.setObject(QStringLiteral("FR12345678901"), QString::fromLatin1(dw::payment::DWPUserVatId));
    Gate vies;
    m_vies.addRoute({.path = dw::test::kVatServicePath}, [&vies](const dw::test::FakeHttpRequest&) {
        vies.wait();
        return FakeHttpReply{.body = dw::test::checkVatReply("true")};
    });
    DWPPaySheetController* sheet = openSheet();
    qsizetype items = 0;
    for (const auto& group : sheet->transaction()->shoppingCart()->saleItemGroups())
        items += group->fullItems().size();
    auto every = [items](const QString& price) { return QStringList(items, price).join(QLatin1Char('|')); };
    ASSERT_TRUE(sheet->transaction()->isCheckingVat());
    EXPECT_EQ(itemPrices(sheet), every(QStringLiteral("€\u00a011.90")));

    vies.open();
    ASSERT_TRUE(waitUntil([&] { return !sheet->transaction()->isCheckingVat(); }));
    EXPECT_FALSE(sheet->transaction()->userHasToPayVAT());
    ASSERT_TRUE(waitUntil([&] { return itemPrices(sheet) == every(QStringLiteral("€\u00a010.00")); }))
        << itemPrices(sheet).toStdString();
    ASSERT_TRUE(waitUntil([&] {
        return evaluate(sheet->bomWebView(), QStringLiteral("document.getElementById('totalPrice').textContent")) ==
               sheet->transaction()->finalPriceStringValue();
    }));

    // Same amounts, no VAT either way, another currency: the items follow all the same.
    sheet->transaction()->setUserCountry(QStringLiteral("US"));
    ASSERT_TRUE(waitUntil([&] { return itemPrices(sheet) == every(QStringLiteral("$\u00a010.00")); }))
        << itemPrices(sheet).toStdString();
}

TEST_F(PaySheet, ATypedAddressGoesOnWithoutWaitingForItsCheck)
{
    DWPPaySheetController* sheet = openSheet();
    next();
    fillForm(); // the fake DNS knows no mail server: the address is only plausible
    auto* mail = qobject_cast<QLineEdit*>(sheet->udiElement(DWPUDIInput, DWPUDIMailTag));
    auto* mailStatus = qobject_cast<QLabel*>(sheet->udiElement(DWPUDIStatusText, DWPUDIMailTag));
    EXPECT_EQ(mailStatus->text(), QStringLiteral("We could not verify this address."));

    // The buyer types another address; the mail server's answer comes only after Next.
    Gate dns;
    m_dnsResponder = [&dns](const QByteArray& query) {
        dns.wait();
        return dw::test::mxReply(query, {{10, "mx.example.org"}});
    };
    mail->clear();
    QTest::keyClicks(mail, QStringLiteral("buyer@example.org"));
    EXPECT_TRUE(mailStatus->text().isEmpty()); // editing clears what the last check said
    EXPECT_EQ(sheet->transaction()->userMail(), QStringLiteral("buyer@example.org"));
    ASSERT_TRUE(sheet->transaction()->isCheckingMail());
    sheet->nextButton()->click();
    EXPECT_EQ(sheet->step(), 1);
    EXPECT_TRUE(sheet->udiStatusText().isEmpty()) << sheet->udiStatusText().toStdString();

    dns.open();
    ASSERT_TRUE(waitUntil([&] { return sheet->step() == 2; }));
    EXPECT_TRUE(sheet->transaction()->isMailValid());
}

TEST_F(PaySheet, AHostHandsInItsOwnTransaction)
{
    const auto catalogue = dw::plist::read(dw::test::fixture(QStringLiteral("DWPayment/Catalogue.plist")));
    const auto transaction =
        std::make_shared<DWPTransaction>(DWPShoppingCart::shoppingCartFromPropertyList(*catalogue, nullptr));
    transaction->setUserName(QStringLiteral("Host's Buyer"));
    QWidget host;
    host.show();
    EXPECT_EQ(DWPaymentController::newPaySheetOnWindow(&host, nullptr)->currentPayWindowController(), nullptr);

    const auto controller = DWPaymentController::newPaySheetOnWindow(&host, transaction);
    DWPPaySheetController* sheet = controller->currentPayWindowController();
    ASSERT_NE(sheet, nullptr);
    QSignalSpy ready(sheet, &DWPPaySheetController::storePageReady);
    ASSERT_TRUE(ready.wait(30000));
    EXPECT_EQ(sheet->transaction(), transaction.get());
    EXPECT_EQ(transaction->vatRate(), 19); // the gateway's data reached the host's transaction
    for (const auto& request : m_gateway.requests())
        EXPECT_FALSE(request.path.endsWith(".plist")) << "the catalogue was fetched";
    EXPECT_EQ(qobject_cast<QLineEdit*>(sheet->udiElement(DWPUDIInput, DWPUDINameTag))->text(),
              QStringLiteral("Host's Buyer"));
    sheet->quitAction();
}

} // namespace
