#include "description/QMWebEditingProxyEbayItem.h"

#include "description/QMAttributedStringToHTMLConverter.h"

#include "model/QMEbayImage.h"
#include "model/QMPreferencesManager.h"

#include "platform/core/Localization.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QUrl>

QMWebEditingProxyEbayItem::QMWebEditingProxyEbayItem(std::shared_ptr<QMEbayItem> realItem)
    : m_realItem(std::move(realItem))
{
    if (!m_realItem)
        return;
    takeValuesFromItem(*m_realItem);
    QList<std::shared_ptr<QMEbayImage>> pictures = m_realItem->images();
    if (!QMPreferencesManager::sharedInstance().defaults().boolForKey(QStringLiteral("hidePreviewImageDropzoneMarker")))
        pictures << dropZoneMarkerImage();
    setImages(pictures);
    if (m_realItem->itemDescriptionString().isEmpty())
        setItemDescriptionString(fillerDescription());
}

std::shared_ptr<QMWebEditingProxyEbayItem>
QMWebEditingProxyEbayItem::itemWithRealItem(std::shared_ptr<QMEbayItem> realItem)
{
    return std::make_shared<QMWebEditingProxyEbayItem>(std::move(realItem));
}

QVariant QMWebEditingProxyEbayItem::valueForKey(const QString& key) const
{
    if (key == QStringLiteral("title"))
        return editableTitle();
    if (key == QStringLiteral("subTitle"))
        return editableSubTitle();
    return QMEbayItem::valueForKey(key);
}

QString QMWebEditingProxyEbayItem::editableTitle() const
{
    QString placeholder = dw::localized("EmptyTitlePlaceholder");
    // Without a string table the key itself comes back, which no seller should see.
    if (placeholder == QStringLiteral("EmptyTitlePlaceholder"))
        placeholder = QStringLiteral("Click here to enter a title");
    return textFieldStyledStringFromString(m_realItem ? m_realItem->title() : QString(),
                                           QStringLiteral("qm_htmlediting_title_design"), placeholder);
}

QString QMWebEditingProxyEbayItem::editableSubTitle() const
{
    return textFieldStyledStringFromString(m_realItem ? m_realItem->subTitle() : QString(),
                                           QStringLiteral("qm_htmlediting_subtitle_design"), QStringLiteral(""));
}

QString QMWebEditingProxyEbayItem::textFieldStyledStringFromString(const QString& text, const QString& identifier,
                                                                   const QString& placeholder)
{
    // Escaped: the editor reads the element's text back into the listing, so a title holding "<b>"
    // must show those characters rather than become markup and lose them.
    const QString content =
        text.isEmpty() ? placeholder : QMAttributedStringToHTMLConverter::htmlStringForPlainText(text);
    return QStringLiteral("<span id=\"%1\" style=\"%2\">%3</span>").arg(identifier, defaultStyle(), content);
}

QString QMWebEditingProxyEbayItem::defaultStyle()
{
    return QStringLiteral("padding-top: inherit; font-size: inherit; text-align: inherit; clear: inherit; "
                          "font-weight: inherit;");
}

std::shared_ptr<QMEbayImage> QMWebEditingProxyEbayItem::dropZoneMarkerImage()
{
    static const std::shared_ptr<QMEbayImage> marker = QMEbayImage::imageWithURL(
        QUrl::fromLocalFile(
            QDir(dw::paths::resourcesFolder()).filePath(QStringLiteral("images/image_dropzone_marker.png")))
            .toString());
    return marker;
}

const dw::StyledText& QMWebEditingProxyEbayItem::fillerDescription()
{
    static const dw::StyledText filler = [] {
        QFile file(QDir(dw::paths::resourcesFolder()).filePath(QStringLiteral("LoremIpsum.txt")));
        if (!file.open(QIODevice::ReadOnly))
            return dw::StyledText();
        return dw::StyledText(QString::fromUtf8(file.readAll()));
    }();
    return filler;
}
