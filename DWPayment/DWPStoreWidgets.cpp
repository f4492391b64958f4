#include "DWPayment/DWPStoreWidgets.h"

#include "platform/widgets/ReadableColors.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QToolTip>
#include <QWidget>

namespace {
std::function<void(const QUrl&)>& urlOpener()
{
    static std::function<void(const QUrl&)> opener;
    return opener;
}
} // namespace

DWPLinkTextField::DWPLinkTextField(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    setOpenExternalLinks(false);
}

bool DWPLinkTextField::setStringValue(const QString& format, const QString& linkTitle, const QString& urlString)
{
    const QStringList pieces = format.split(QStringLiteral("%@"));
    if (pieces.size() != 2 || linkTitle.isNull() || urlString.isNull()) {
        qWarning("stringFormat must contain exactly one Obj-C object format specifier");
        return false;
    }
    m_plainText = pieces[0] + linkTitle + pieces[1];
    m_leadingPiece = pieces[0];
    m_linkTitle = linkTitle;
    m_url = QUrl(urlString);
    // Blue, lightened as far as a dark theme's window needs for it to read.
    const QColor link = dw::readableTextColor(palette().color(QPalette::Window), QColor(Qt::blue));
    setText(pieces[0].toHtmlEscaped() +
            QStringLiteral("<a href=\"%1\" style=\"color: %2;\">%3</a>")
                .arg(m_url.toString(QUrl::FullyEncoded).toHtmlEscaped(), link.name(), linkTitle.toHtmlEscaped()) +
            pieces[1].toHtmlEscaped());
    m_urlToolTip = urlString;
    return true;
}

void DWPLinkTextField::setURLToolTip(const QString& toolTip)
{
    m_urlToolTip = toolTip;
}

void DWPLinkTextField::setTextToolTip(const QString& toolTip)
{
    m_textToolTip = toolTip;
}

QRect DWPLinkTextField::textRect() const
{
    const QFontMetrics metrics(font());
    const QSize size(metrics.horizontalAdvance(m_plainText), metrics.height());
    const QRect bounds = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    return QStyle::alignedRect(layoutDirection(), alignment(), size, bounds);
}

QRect DWPLinkTextField::trackingRect() const
{
    if (m_linkTitle.isEmpty())
        return QRect();
    const QFontMetrics metrics(font());
    const QRect text = textRect();
    return QRect(text.x() + metrics.horizontalAdvance(m_leadingPiece), text.y(), metrics.horizontalAdvance(m_linkTitle),
                 text.height());
}

QString DWPLinkTextField::toolTipAt(const QPoint& position) const
{
    if (!m_urlToolTip.isEmpty() && trackingRect().contains(position))
        return m_urlToolTip;
    // The text's tool tip covers the text left and right of the link (all of it without a link
    // tool tip).
    if (!m_textToolTip.isEmpty() && textRect().contains(position))
        return m_textToolTip;
    return QString();
}

bool DWPLinkTextField::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QLabel::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = toolTipAt(help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    // The tip goes as soon as the pointer leaves the part it belongs to.
    const QRect region = trackingRect().contains(help->pos()) && !m_urlToolTip.isEmpty() ? trackingRect() : textRect();
    QToolTip::showText(help->globalPos(), text, this, region);
    return true;
}

void DWPLinkTextField::setURLOpener(std::function<void(const QUrl&)> opener)
{
    urlOpener() = std::move(opener);
}

void DWPLinkTextField::mouseDownOnLink(bool onLink)
{
    const QString scheme = m_url.scheme();
    if (onLink && (scheme == u"http" || scheme == u"https" || scheme == u"mailto")) {
        if (urlOpener())
            urlOpener()(m_url);
        else
            QDesktopServices::openUrl(m_url);
    }
    if (m_clickDelegate)
        m_clickDelegate(this, onLink);
}

void DWPLinkTextField::mousePressEvent(QMouseEvent* event)
{
    // Not passed on: the press is this field's alone.
    event->accept();
    mouseDownOnLink(trackingRect().contains(event->position().toPoint()));
}

void DWPShadowTextCell::paintEvent(QPaintEvent* /*event*/)
{
    if (text().isEmpty())
        return;
    QPainter painter(this);
    const QRect bounds = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const int flags =
        int(QStyle::visualAlignment(layoutDirection(), alignment())) | (wordWrap() ? int(Qt::TextWordWrap) : 0);
    QPalette shadow = palette();
    shadow.setColor(foregroundRole(), Qt::black);
    style()->drawItemText(&painter, bounds.translated(0, 1), flags, shadow, isEnabled(), text(), foregroundRole());
    style()->drawItemText(&painter, bounds, flags, palette(), isEnabled(), text(), foregroundRole());
}

namespace dw {

bool isNotEmptyValue(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return false;
    switch (value.typeId()) {
    case QMetaType::QString:
        return !value.toString().isEmpty();
    case QMetaType::QByteArray:
        return !value.toByteArray().isEmpty();
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return !value.toList().isEmpty();
    case QMetaType::QVariantMap:
        return !value.toMap().isEmpty();
    default:
        return true;
    }
}

QList<QWidget*> deepSubviews(const QWidget* view)
{
    QList<QWidget*> result;
    if (!view)
        return result;
    const QList<QWidget*> children = view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children)
        result.append(deepSubviews(child));
    result.append(children);
    return result;
}

QString handlerMethodNameFromDelegateSelector(const QString& selector)
{
    const QStringList pieces = selector.split(QLatin1Char(':'));
    if (selector.isEmpty() || pieces.isEmpty())
        return {};
    if (pieces.size() <= 2) {
        // One piece or one trailing colon: the word anywhere in the name, case-sensitively.
        for (const char* word : {"Did", "Will", "Should"}) {
            const qsizetype at = pieces[0].indexOf(QLatin1String(word));
            if (at >= 0)
                return pieces[0].mid(at);
        }
        return {};
    }
    // Several pieces: the second piece must begin with the word.
    for (const char* word : {"did", "will", "should"})
        if (pieces[1].startsWith(QLatin1String(word)))
            return pieces[1];
    return {};
}

} // namespace dw
