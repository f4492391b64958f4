#include "DWPayment/DWPStoreWidgets.h"

#include "platform/widgets/ReadableColors.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QRegularExpression>
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
    connect(this, &QLabel::linkHovered, this, [this](const QString& link) {
        m_hoveredLink = link;
        updateToolTips();
    });
}

bool DWPLinkTextField::setStringValue(const QString& format, const QString& linkTitle, const QString& urlString)
{
    const QStringList pieces = format.split(QStringLiteral("%@"));
    if (pieces.size() != 2 || linkTitle.isNull() || urlString.isNull()) {
        qWarning("stringFormat must contain exactly one Obj-C object format specifier");
        return false;
    }
    m_plainText = pieces[0] + linkTitle + pieces[1];
    m_url = QUrl(urlString);
    // Blue, lightened as far as a dark theme's window needs for it to read.
    const QColor link = dw::readableTextColor(palette().color(QPalette::Window), QColor(Qt::blue));
    setText(pieces[0].toHtmlEscaped() +
            QStringLiteral("<a href=\"%1\" style=\"color: %2;\">%3</a>")
                .arg(m_url.toString(QUrl::FullyEncoded).toHtmlEscaped(), link.name(), linkTitle.toHtmlEscaped()) +
            pieces[1].toHtmlEscaped());
    m_urlToolTip = urlString;
    updateToolTips();
    return true;
}

void DWPLinkTextField::setURLToolTip(const QString& toolTip)
{
    m_urlToolTip = toolTip;
    updateToolTips();
}

void DWPLinkTextField::setTextToolTip(const QString& toolTip)
{
    m_textToolTip = toolTip;
    updateToolTips();
}

void DWPLinkTextField::updateToolTips()
{
    setToolTip(m_hoveredLink.isEmpty() ? m_textToolTip : m_urlToolTip);
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
    mouseDownOnLink(!m_hoveredLink.isEmpty());
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
