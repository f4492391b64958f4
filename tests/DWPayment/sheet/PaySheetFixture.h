#pragma once
// A pay sheet against a scripted gateway on loopback: the catalogue of tests/data, every product
// at 1000 cents, a VAT rate of 19 and the fake gateway's store page. Alerts are answered by script.

#include "../StoreFixtures.h"

#include "DWPayment/DWPGateway.h"
#include "DWPayment/DWPPaySheetController.h"
#include "DWPayment/DWPaymentController.h"

#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/ScriptedAlertPresenter.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <functional>
#include <mutex>

namespace dw::test {

// Runs the event loop until `done` holds; false after the timeout.
inline bool waitUntil(const std::function<bool()>& done, int milliseconds = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

inline QVariant evaluate(QWebEngineView* view, const QString& script)
{
    QVariant result;
    bool answered = false;
    view->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        answered = true;
    });
    EXPECT_TRUE(waitUntil([&] { return answered; }));
    return result;
}

inline QByteArray gatewayAnswer(const QByteArray& root, const QByteArray& fields)
{
    return "<?xml version=\"1.0\"?>\n<" + root + "><ack>success</ack>" + fields + "</" + root + ">";
}

class PaySheetTest : public StoreChecksTest
{
protected:
    PaySheetTest()
    {
        dw::UserDefaults::standard().setObject(m_gateway.url(), QString::fromLatin1(DWPStoreBaseURLKey));
        m_gateway.addRoute({.method = "GET", .path = "/QuillmartVodar/DWPayment/mini_store.plist"},
                           FakeHttpReply{.body = fixture(QStringLiteral("DWPayment/Catalogue.plist"))});
        m_gateway.addRoute({.method = "POST", .path = "/dwpayment/gateway/dwpayment"},
                           [this](const FakeHttpRequest& request) { return answerGateway(request); });
        m_gateway.addRoute(
            {.method = "GET", .path = "/pay"},
            FakeHttpReply{.headerFields = {{"Content-Type", "text/html"}},
                          .body = "<html><body><a href=\"" + m_gateway.url().toUtf8() +
                                  "/dwpayment/gateway/easydebit?msgType=return&amp;t=1\" id=\"payLink\">Pay</a>"
                                  "</body></html>"});
        m_gateway.addRoute(
            {.method = "GET", .path = "/dwpayment/gateway/easydebit"},
            FakeHttpReply{.headerFields = {{"Content-Type", "text/html"}}, .body = "<html><body>Thanks</body></html>"});
    }

    ~PaySheetTest() override
    {
        delete m_sheet;
        dw::NotificationCenter::defaultCenter().removeObserversOwnedBy(this);
        m_gateway.stop();
    }

    // The gateway's answer to each document; the payment states come from `m_states` in turn.
    FakeHttpReply answerGateway(const FakeHttpRequest& request)
    {
        const QByteArray body = request.body;
        {
            std::lock_guard lock(m_statesMutex);
            if (!m_stalledRoot.isEmpty() && body.contains(QByteArray("<" + m_stalledRoot)))
                return {.stall = true};
        }
        if (body.contains("<TransactionProductInfoRequest")) {
            QByteArray products;
            for (const char* id :
                 {"licence.single", "licence.family", "extra.templates", "extra.support", "upgrade.a", "upgrade.b"})
                products += QByteArray("<product><id>") + id + "</id><usd>1000</usd><eur>1000</eur></product>";
            return {.body = gatewayAnswer("TransactionProductInfoResponse",
                                          "<products>" + products + "</products><vat>19</vat><xslt>" +
                                              storePageXslt().toBase64() + "</xslt>")};
        }
        if (body.contains("<TransactionCreateRequest"))
            return {.body = gatewayAnswer("TransactionCreateResponse", "<transactionID>T-7</transactionID>")};
        if (body.contains("<TransactionIFrameRequest"))
            return {.body =
                        gatewayAnswer("TransactionIFrameResponse", "<url>" + m_gateway.url().toUtf8() + "/pay</url>")};
        if (body.contains("<TransactionAbortRequest"))
            return {.body = gatewayAnswer("TransactionAbortResponse", "")};
        if (body.contains("<TransactionPaymentStateRequest")) {
            std::lock_guard lock(m_statesMutex);
            FakeHttpReply reply = m_states.empty()
                                      ? FakeHttpReply{.body = gatewayAnswer("TransactionPaymentStateResponse",
                                                                            "<payState>pending</payState>")}
                                      : m_states.front();
            if (m_states.size() > 1)
                m_states.erase(m_states.begin());
            return reply;
        }
        return {.status = 400};
    }

    void scriptPaymentStates(std::vector<FakeHttpReply> states)
    {
        std::lock_guard lock(m_statesMutex);
        m_states = std::move(states);
    }

    // The gateway takes documents of this root element and never answers them (empty: it answers all).
    void stallGatewayOn(const QByteArray& root)
    {
        std::lock_guard lock(m_statesMutex);
        m_stalledRoot = root;
    }

    bool gatewayReceived(const QByteArray& root) const
    {
        for (const auto& request : m_gateway.requests()) {
            if (request.body.contains(QByteArray("<" + root)))
                return true;
        }
        return false;
    }

    // Opens a sheet without a host window and waits until its store page shows its totals.
    DWPPaySheetController* openSheet()
    {
        m_sheet = DWPPaySheetController::newPaymentSheetOnWindow(
            nullptr, QUrl(m_gateway.url(QStringLiteral("/QuillmartVodar/DWPayment/mini_store.plist"))), QUrl(), {},
            nullptr);
        dw::NotificationCenter::defaultCenter().addObserver(
            QString(), m_sheet,
            [this](const dw::Notification& notification) {
                m_names.append(notification.name);
                m_userInfos.append(notification.userInfo);
            },
            this);
        QSignalSpy ready(m_sheet, &DWPPaySheetController::storePageReady);
        EXPECT_TRUE(ready.wait(30000)) << "the store page did not load";
        return m_sheet;
    }

    // Waits until a step change and the window's animations have ended.
    void waitForStep()
    {
        EXPECT_TRUE(waitUntil([this] { return !m_sheet->isChangingStep() && !m_sheet->isWindowResizing(); }));
    }
    // Like the buyer, who clicks once the window has settled.
    void next()
    {
        waitForStep();
        m_sheet->nextAction();
        waitForStep();
    }
    void previous()
    {
        waitForStep();
        m_sheet->previousAction();
        waitForStep();
    }

    // Fills the form with a valid buyer in the US and ticks the terms.
    void fillForm(const QString& mail = QStringLiteral("seller@example.com"))
    {
        auto setText = [this](int tag, const QString& text) {
            auto* edit = qobject_cast<QLineEdit*>(m_sheet->udiElement(DWPUDIInput, tag));
            ASSERT_NE(edit, nullptr);
            edit->setText(text);
            Q_EMIT edit->textEdited(text);
            Q_EMIT edit->editingFinished();
        };
        m_sheet->transaction()->setUserCountry(QStringLiteral("US"));
        setText(DWPUDINameTag, QStringLiteral("Dunmerrow's <Shop>"));
        setText(DWPUDIMailTag, mail);
        setText(DWPUDIStreetTag, QStringLiteral("1 Quay Lane"));
        setText(DWPUDICityTag, QStringLiteral("Harbourtown"));
        setText(DWPUDIZipCodeTag, QStringLiteral("12345"));
        qobject_cast<QCheckBox*>(m_sheet->udiElement(DWPUDICheckbox, DWPUDITacTag))->setChecked(true);
        settle();
        QCoreApplication::processEvents();
    }

    FakeHttpServer m_gateway;
    ScriptedAlertPresenter m_alerts;
    DWPPaySheetController* m_sheet = nullptr;
    QStringList m_names;
    QList<QVariantMap> m_userInfos;
    std::mutex m_statesMutex;
    std::vector<FakeHttpReply> m_states;
    QByteArray m_stalledRoot;
};

} // namespace dw::test
