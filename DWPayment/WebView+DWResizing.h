#pragma once
// Finding the window frame in which a loaded page fits without scrolling.
//
// A page's size depends on the width it is laid out in, so the web view is measured at a trial
// size: it is set to that size, the page is laid out anew in the web engine's own process, and its
// size is read back. That takes a round trip, so the answers come to a callback, on the main thread,
// once the measure is done; the web view's frame is back as it was by then. A callback is dropped
// when the web view goes away first. Frames keep their top edge and horizontal centre.
//
//     DWWebViewResizing::findFrameToFitDocumentForView(webView, window, DWWebViewKeepWidth,
//         {{DWWebViewResizingMaxSizeKey, QSizeF(0, 600)}},
//         [window](const QRectF& frame) { window->setGeometry(frame.toRect()); });

#include "DWPayment/DWPaymentExport.h"

#include <QRectF>
#include <QSizeF>
#include <QVariantMap>
#include <functional>

class QWebEngineView;
class QWidget;

// Options: a QSizeF each; a dimension of 0 in the maximum sets no limit.
inline constexpr const char* DWWebViewResizingMinSizeKey = "DWWebViewResizingMinSizeKey";
inline constexpr const char* DWWebViewResizingMaxSizeKey = "DWWebViewResizingMaxSizeKey";

// Which dimensions stay as they are; keeping both is a programming error.
enum DWWebViewResizeMode : int {
    DWWebViewResizeBoth = 0,
    DWWebViewKeepHeight = 2,
    DWWebViewKeepWidth = 4,
};

// `rect` grown by newSize - oldSize, keeping its top edge and horizontal centre.
DWPAYMENT_EXPORT QRectF recalculateRectToFitSizeFromOriginSize(const QRectF& rect, const QSizeF& newSize,
                                                               const QSizeF& oldSize);

class DWPAYMENT_EXPORT DWWebViewResizing
{
public:
    using SizeCallback = std::function<void(const QSizeF& documentSize)>;
    using FrameCallback = std::function<void(const QRectF& frame)>;

    DWWebViewResizing() = delete;

    // The page's size when the web view is as small as `minSize` allows (never below 23 by 23
    // points) and, where the page is larger than `maxSize`, laid out in the largest size allowed.
    // A maximum below the minimum is a programming error.
    static void findSmallestDocumentWithinWebframe(QWebEngineView* webView, const QSizeF& minSize,
                                                   const QSizeF& maxSize, SizeCallback done);
    static void findSmallestDocumentSizeWithoutScrollbars(QWebEngineView* webView, SizeCallback done);

    // The frame `view` (which encloses the web view, a window for example) takes so that the web
    // view shows the whole page within the options' sizes, with room for a scroll bar where the
    // page still does not fit.
    static void findFrameToFitDocumentForView(QWebEngineView* webView, QWidget* view, int resizeMode,
                                              const QVariantMap& options, FrameCallback done);
    static void findFrameToFitDocumentForView(QWebEngineView* webView, QWidget* view, FrameCallback done);
    static void findFrameToFitDocumentForView(QWebEngineView* webView, QWidget* view, int resizeMode,
                                              FrameCallback done);
    static void findFrameToFitDocumentForView(QWebEngineView* webView, QWidget* view, const QVariantMap& options,
                                              FrameCallback done);
};
