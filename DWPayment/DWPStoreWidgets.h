#pragma once
// Small widgets and functions of the pay sheet: a text with exactly one clickable link, the
// emptiness tests its bindings use, the list of every nested child of a view, and the rule that
// turns a delegate method's name into the name of a form handler.

#include "DWPayment/DWPaymentExport.h"

#include <QLabel>
#include <QUrl>
#include <QVariant>
#include <functional>

// A line of text with one link, "I accept the %@." with the link in place of "%@". A press on the
// link opens it in the browser (http, https and mailto only); every press is reported to the click
// delegate with whether it hit the link. The link's tool tip shows over the link, the text's tool
// tip over the rest of the text; neither shows beside the text.
class DWPAYMENT_EXPORT DWPLinkTextField : public QLabel
{
    Q_OBJECT

public:
    using ClickDelegate = std::function<void(DWPLinkTextField* field, bool onLink)>;

    explicit DWPLinkTextField(QWidget* parent = nullptr);

    // False, and nothing changed, unless `format` holds "%@" exactly once. The URL's text becomes
    // the link's tool tip.
    bool setStringValue(const QString& format, const QString& linkTitle, const QString& urlString);
    // The text as the buyer reads it.
    const QString& plainText() const { return m_plainText; }
    const QUrl& url() const { return m_url; }
    void setURL(const QUrl& url) { m_url = url; }
    const QString& urlToolTip() const { return m_urlToolTip; }
    void setURLToolTip(const QString& toolTip);
    const QString& textToolTip() const { return m_textToolTip; }
    void setTextToolTip(const QString& toolTip);
    void setClickDelegate(ClickDelegate delegate) { m_clickDelegate = std::move(delegate); }

    // Where the text lies in the field, by the field's alignment, and where its link lies.
    QRect textRect() const;
    QRect trackingRect() const;
    // The tool tip for a point of the field; null where none shows.
    QString toolTipAt(const QPoint& position) const;

    // What a press does, with whether it lies on the link (tests call it directly).
    void mouseDownOnLink(bool onLink);
    // Replaces opening the browser (tests record instead).
    static void setURLOpener(std::function<void(const QUrl&)> opener);

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString m_plainText;
    QString m_leadingPiece;
    QString m_linkTitle;
    QUrl m_url;
    QString m_urlToolTip;
    QString m_textToolTip;
    ClickDelegate m_clickDelegate;
};

// A line of text drawn with a hard black shadow one point below it; an empty text draws nothing.
class DWPAYMENT_EXPORT DWPShadowTextCell : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

namespace dw {
// Nil, an empty text, data, list or map are empty; any other value is not.
DWPAYMENT_EXPORT bool isNotEmptyValue(const QVariant& value);
inline bool isEmptyValue(const QVariant& value)
{
    return !isNotEmptyValue(value);
}
// Every nested child widget: each child's own descendants first, then the direct children.
DWPAYMENT_EXPORT QList<QWidget*> deepSubviews(const QWidget* view);
// "controlTextDidChange:" -> "DidChange"; the part of the selector from "Did", "Will" or "Should"
// on (see the .cpp for selectors of several pieces); null when there is none.
DWPAYMENT_EXPORT QString handlerMethodNameFromDelegateSelector(const QString& selector);
} // namespace dw
