#include "DWPayment/WebView+DWResizing.h"

#include "platform/core/DWAssert.h"

#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cmath>

namespace {

constexpr qreal kSmallestSide = 23;
constexpr qreal kUnlimited = 9999.9;
// The page is laid out in another process; its size is read again until it was laid out in the
// trial size, for about two seconds at most.
constexpr int kMeasureAttempts = 200;
constexpr int kMeasureRetryMilliseconds = 10;

QSizeF withoutZeroLimits(QSizeF maxSize)
{
    if (std::abs(maxSize.width()) < 0.00001)
        maxSize.setWidth(kUnlimited);
    if (std::abs(maxSize.height()) < 0.00001)
        maxSize.setHeight(kUnlimited);
    return maxSize;
}

// An absent option is 0 by 0 (no minimum, no limit).
QSizeF optionalSize(const QVariantMap& options, const char* key)
{
    const QVariant value = options.value(QString::fromLatin1(key));
    return value.isValid() ? value.toSizeF() : QSizeF(0, 0);
}

QRect frameOfSize(const QRect& original, const QSizeF& size)
{
    return recalculateRectToFitSizeFromOriginSize(QRectF(original), size, QSizeF(original.size())).toRect();
}

// Sets the web view to `frame` and reads the page's size once the page was laid out in it.
void measureInFrame(const QPointer<QWebEngineView>& view, const QRect& frame, int attempt,
                    const std::function<void(const QSizeF&)>& done)
{
    if (!view)
        return;
    if (attempt == 0)
        view->setGeometry(frame);
    view->page()->runJavaScript(
        QStringLiteral("[window.innerWidth, window.innerHeight, document.documentElement ? "
                       "document.documentElement.scrollWidth : 0, document.documentElement ? "
                       "document.documentElement.scrollHeight : 0]"),
        [view, frame, attempt, done](const QVariant& result) {
            if (!view)
                return;
            const QVariantList values = result.toList();
            const qreal zoom = view->zoomFactor() > 0 ? view->zoomFactor() : 1.0;
            const bool laidOut = values.size() == 4 && std::abs(values.at(0).toReal() * zoom - frame.width()) <= 1.0 &&
                                 std::abs(values.at(1).toReal() * zoom - frame.height()) <= 1.0;
            if (!laidOut && attempt + 1 < kMeasureAttempts) {
                QTimer::singleShot(kMeasureRetryMilliseconds, view,
                                   [view, frame, attempt, done] { measureInFrame(view, frame, attempt + 1, done); });
                return;
            }
            if (values.size() != 4) {
                done(QSizeF(0, 0));
                return;
            }
            done(QSizeF(values.at(2).toReal() * zoom, values.at(3).toReal() * zoom));
        });
}

} // namespace

QRectF recalculateRectToFitSizeFromOriginSize(const QRectF& rect, const QSizeF& newSize, const QSizeF& oldSize)
{
    const qreal dw = newSize.width() - oldSize.width();
    const qreal dh = newSize.height() - oldSize.height();
    return QRectF(rect.x() - dw / 2, rect.y(), rect.width() + dw, rect.height() + dh);
}

void DWWebViewResizing::findSmallestDocumentWithinWebframe(QWebEngineView* webView, const QSizeF& minSize,
                                                           const QSizeF& maxSize, SizeCallback done)
{
    DW_PARAMETER_ASSERT(webView);
    DW_ASSERT(minSize.height() <= maxSize.height(), "minSize.height must not be greater than maxSize.height");
    DW_ASSERT(minSize.width() <= maxSize.width(), "minSize.width must not be greater than maxSize.width");
    const QPointer<QWebEngineView> view(webView);
    const QRect original = webView->geometry();
    const QSizeF smallest(std::max(kSmallestSide, minSize.width()), std::max(kSmallestSide, minSize.height()));
    const QSizeF limit = withoutZeroLimits(maxSize);
    measureInFrame(view, frameOfSize(original, smallest), 0, [view, original, limit, done](const QSizeF& size) {
        auto finish = [view, original, done](const QSizeF& documentSize) {
            if (!view)
                return;
            view->setGeometry(original);
            done(documentSize);
        };
        if (size.width() <= limit.width() && size.height() <= limit.height()) {
            finish(size);
            return;
        }
        // Too large: laid out in the largest size allowed, the page may wrap into another shape.
        const QSizeF capped(std::min(size.width(), limit.width()), std::min(size.height(), limit.height()));
        measureInFrame(view, frameOfSize(original, capped), 0, finish);
    });
}

void DWWebViewResizing::findSmallestDocumentSizeWithoutScrollbars(QWebEngineView* webView, SizeCallback done)
{
    findSmallestDocumentWithinWebframe(webView, QSizeF(0, 0), QSizeF(0, 0), std::move(done));
}

void DWWebViewResizing::findFrameToFitDocumentForView(QWebEngineView* webView, QWidget* view, int resizeMode,
                                                      const QVariantMap& options, FrameCallback done)
{
    DW_PARAMETER_ASSERT(webView && view);
    DW_ASSERT((resizeMode & (DWWebViewKeepHeight | DWWebViewKeepWidth)) != (DWWebViewKeepHeight | DWWebViewKeepWidth),
              "Why call this method, but not allow change in any direction?!");
    const QSizeF current(webView->size());
    const QRectF viewFrame(view->geometry());
    QSizeF minSize = optionalSize(options, DWWebViewResizingMinSizeKey);
    QSizeF maxSize = optionalSize(options, DWWebViewResizingMaxSizeKey);
    if (resizeMode & DWWebViewKeepWidth) {
        minSize.setWidth(current.width());
        maxSize.setWidth(current.width());
    }
    if (resizeMode & DWWebViewKeepHeight) {
        minSize.setHeight(current.height());
        maxSize.setHeight(current.height());
    }
    maxSize = withoutZeroLimits(maxSize);
    const int scroller = webView->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, webView);
    findSmallestDocumentWithinWebframe(
        webView, minSize, maxSize, [current, viewFrame, minSize, maxSize, scroller, done](const QSizeF& document) {
            qreal width = std::max(std::min(document.width(), maxSize.width()), minSize.width());
            qreal height = std::max(std::min(document.height(), maxSize.height()), minSize.height());
            if (document.width() > width)
                height = std::min(height + scroller, maxSize.height());
            if (document.height() > height)
                width = std::min(width + scroller, maxSize.width());
            done(recalculateRectToFitSizeFromOriginSize(viewFrame, QSizeF(width, height), current));
        });
}

void DWWebViewResizing::findFrameToFitDocumentForView(QWebEngineView* webView, QWidget* view, FrameCallback done)
{
    findFrameToFitDocumentForView(webView, view, DWWebViewResizeBoth, QVariantMap(), std::move(done));
}

void DWWebViewResizing::findFrameToFitDocumentForView(QWebEngineView* webView, QWidget* view, int resizeMode,
                                                      FrameCallback done)
{
    findFrameToFitDocumentForView(webView, view, resizeMode, QVariantMap(), std::move(done));
}

void DWWebViewResizing::findFrameToFitDocumentForView(QWebEngineView* webView, QWidget* view,
                                                      const QVariantMap& options, FrameCallback done)
{
    findFrameToFitDocumentForView(webView, view, DWWebViewResizeBoth, options, std::move(done));
}
