#pragma once
// Drives a preview web view in tests: waits for its page to connect, evaluates script in it and
// clicks and types into it through the widget that renders it, as a seller's mouse and keys do.
//
//     dw::test::PreviewPageDriver page(view);
//     view->loadPreviewHTML(html);
//     ASSERT_TRUE(page.waitForConnection());
//     page.click(QStringLiteral("qm_htmlediting_title_preview"));
//     page.type(QStringLiteral("Lamp"));
//
// Main thread; never sleeps (every wait runs the event loop until its condition or a deadline).

#include <QPoint>
#include <QSize>
#include <QString>
#include <QVariant>
#include <functional>

class QMPreviewWebView;

namespace dw::test {

// Waits until the condition holds, running the event loop all the while. QTest::qWaitFor sleeps
// between its checks, and the web engine, which does its work in many short turns of the main
// loop, then takes seconds for what takes milliseconds.
bool waitUntil(const std::function<bool()>& condition, int milliseconds = 10000);

class PreviewPageDriver
{
public:
    explicit PreviewPageDriver(QMPreviewWebView* view) : m_view(view) {}

    // Shows the view (a real display is needed) and gives it the keyboard focus.
    static void show(QMPreviewWebView* view, const QSize& size = QSize(1200, 900));

    // True once the current page has connected and configured its editing script.
    bool waitForConnection(int milliseconds = 30000) const;
    // The value of a script expression in the page; invalid when it did not answer in time or
    // another page began loading first.
    QVariant evaluate(const QString& expression, int milliseconds = 10000) const;
    // Waits until the expression is true in the page.
    bool waitFor(const QString& expression, int milliseconds = 10000) const;

    // The centre of the element with the id (the first element the selector finds), in the view.
    QPoint centreOf(const QString& selector) const;
    void clickAt(const QPoint& point) const;
    void click(const QString& selector) const;
    void type(const QString& text) const;
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;
    // Places the caret at the end of the element's text.
    void placeCaretAtEnd(const QString& selector) const;

private:
    QMPreviewWebView* m_view;
};

} // namespace dw::test
