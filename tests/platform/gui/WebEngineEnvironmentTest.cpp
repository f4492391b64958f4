// The preview, the description editor and the store's pay sheet are web views. This proves the
// test machine can run one: a page loads and its script answers.
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineView>
#include <gtest/gtest.h>

TEST(WebEngineEnvironment, PageLoadsAndScriptAnswers)
{
    QWebEngineView view;
    view.resize(320, 200);
    view.show();
    QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
    view.setHtml(QStringLiteral("<html><body><p id='greeting'>Grüße</p></body></html>"));
    ASSERT_TRUE(loaded.wait(30000));
    EXPECT_TRUE(loaded.first().first().toBool());

    QVariant answer;
    bool answered = false;
    view.page()->runJavaScript(QStringLiteral("document.getElementById('greeting').textContent"),
                               [&](const QVariant& result) {
                                   answer = result;
                                   answered = true;
                               });
    ASSERT_TRUE(QTest::qWaitFor([&] { return answered; }, 30000));
    EXPECT_EQ(answer.toString(), QStringLiteral("Grüße"));
}
