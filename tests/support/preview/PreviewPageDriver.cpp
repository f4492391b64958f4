#include "tests/support/preview/PreviewPageDriver.h"

#include "description/widgets/QMPreviewWebView.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

namespace dw::test {

bool waitUntil(const std::function<bool()>& condition, int milliseconds)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    QTimer deadline;
    bool met = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition()) {
            met = true;
            loop.quit();
        }
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(2);
    deadline.setSingleShot(true);
    deadline.start(milliseconds);
    loop.exec();
    return met || condition();
}

void PreviewPageDriver::show(QMPreviewWebView* view, const QSize& size)
{
    view->resize(size);
    view->show();
    view->activateWindow();
    view->setFocus();
    // Input reaches the page only once the widget that renders it is on the screen.
    (void)QTest::qWaitForWindowExposed(view, 10000);
}

QVariant PreviewPageDriver::evaluate(const QString& expression, int milliseconds) const
{
    bool done = false;
    QVariant result;
    m_view->runScript(QStringLiteral("(function(){ return (%1); })()").arg(expression), [&](const QVariant& value) {
        result = value;
        done = true;
    });
    // A page that another replaces meanwhile never answers.
    const int generation = m_view->loadGeneration();
    (void)waitUntil([&] { return done || m_view->loadGeneration() != generation; }, milliseconds);
    return result;
}

bool PreviewPageDriver::waitFor(const QString& expression, int milliseconds) const
{
    return waitUntil([&] { return evaluate(QStringLiteral("!!(%1)").arg(expression), milliseconds).toBool(); },
                     milliseconds);
}

bool PreviewPageDriver::waitForConnection(int milliseconds) const
{
    if (!waitUntil([this] { return m_view->isPageConnected(); }, milliseconds))
        return false;
    return waitFor(QStringLiteral("window.qmPreview && window.qmPreview.connected"), milliseconds);
}

QPoint PreviewPageDriver::centreOf(const QString& selector) const
{
    const QVariantMap box =
        evaluate(QStringLiteral("(function(){ var e = document.querySelector(%1) || document.getElementById(%2);"
                                " if (!e) return null; e.scrollIntoView({block: 'center'});"
                                " var r = e.getBoundingClientRect();"
                                " return {x: r.left + Math.min(r.width / 2, 40), y: r.top + r.height / 2}; })()")
                     .arg(QMPreviewWebView::scriptLiteral(selector), QMPreviewWebView::scriptLiteral(selector)))
            .toMap();
    return QPoint(int(box.value(QStringLiteral("x")).toDouble()), int(box.value(QStringLiteral("y")).toDouble()));
}

void PreviewPageDriver::clickAt(const QPoint& point) const
{
    QWidget* target = m_view->focusProxy() ? m_view->focusProxy() : m_view;
    QTest::mouseMove(target, point);
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, point);
}

void PreviewPageDriver::click(const QString& selector) const
{
    clickAt(centreOf(selector));
}

void PreviewPageDriver::type(const QString& text) const
{
    QWidget* target = m_view->focusProxy() ? m_view->focusProxy() : m_view;
    QTest::keyClicks(target, text);
}

void PreviewPageDriver::key(Qt::Key key, Qt::KeyboardModifiers modifiers) const
{
    QWidget* target = m_view->focusProxy() ? m_view->focusProxy() : m_view;
    QTest::keyClick(target, key, modifiers);
}

void PreviewPageDriver::placeCaretAtEnd(const QString& selector) const
{
    evaluate(QStringLiteral("(function(){ var e = document.querySelector(%1) || document.getElementById(%2);"
                            " e.focus(); var r = document.createRange(); r.selectNodeContents(e); r.collapse(false);"
                            " var s = window.getSelection(); s.removeAllRanges(); s.addRange(r); return true; })()")
                 .arg(QMPreviewWebView::scriptLiteral(selector), QMPreviewWebView::scriptLiteral(selector)));
}

} // namespace dw::test
