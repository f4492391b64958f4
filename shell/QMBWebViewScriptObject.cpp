#include "shell/QMBWebViewScriptObject.h"

#include "shell/QMBDocument.h"

#include "description/widgets/QMWebEditor.h"

#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Paths.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QUrl>

namespace {

const QString kDropZoneMarker = QStringLiteral("image_dropzone_marker");

// The script array's elements from index 0 up to the first missing one.
QStringList addressesOfScriptArray(const QVariant& value)
{
    QStringList addresses;
    for (const QVariant& element : value.toList()) {
        if (!element.isValid() || element.isNull())
            break;
        addresses << element.toString();
    }
    return addresses;
}

bool isInsideFolder(const QString& path, const QString& folder)
{
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    return !canonicalFolder.isEmpty() && path.startsWith(canonicalFolder + u'/');
}

} // namespace

QMBWebViewScriptObject::QMBWebViewScriptObject(QMBDocument* document) : QObject(document), m_document(document)
{
    setObjectName(QStringLiteral("QuillmartScriptObject"));
}

QMBWebViewScriptObject::~QMBWebViewScriptObject() = default;

const QStringList& QMBWebViewScriptObject::webScriptNames()
{
    static const QStringList names = {QStringLiteral("printDebug"),
                                      QStringLiteral("addImageURLs"),
                                      QStringLiteral("addImageUrlsByReplacingUrl"),
                                      QStringLiteral("dragEndedForImage"),
                                      QStringLiteral("stringChangedForID"),
                                      QStringLiteral("onFocusInField"),
                                      QStringLiteral("onBlurInField"),
                                      QStringLiteral("deleteImageWithUrl")};
    return names;
}

void QMBWebViewScriptObject::printDebug(const QVariant& value)
{
    dw::consoleWrite(dw::format("%@", value.toString()));
}

void QMBWebViewScriptObject::addImageURLs(const QVariant& addresses)
{
    addImages(addresses, QString());
}

void QMBWebViewScriptObject::addImageUrlsByReplacingUrl(const QVariant& addresses, const QString& target)
{
    addImages(addresses, target);
}

void QMBWebViewScriptObject::addImages(const QVariant& addresses, const QString& target)
{
    if (!m_document)
        return;
    // The drop-zone marker as the target appends.
    const bool appends = target.isEmpty() || target.contains(kDropZoneMarker);
    const QString targetAddress = appends ? QString() : documentAddressForPageAddress(target);
    if (!appends && targetAddress.isNull())
        return;
    for (const QString& address : addressesOfScriptArray(addresses)) {
        if (address.contains(kDropZoneMarker))
            continue;
        const QString documentAddress = documentAddressForPageAddress(address);
        if (!documentAddress.isNull())
            m_document->addAndBackupImageImageURL(documentAddress, targetAddress);
    }
}

void QMBWebViewScriptObject::dragEndedForImage(const QString& address)
{
    // Only a picture dragged out of the window goes; one let go inside it stays.
    if (!m_document || m_document->frameGeometry().contains(QCursor::pos()))
        return;
    removePictureAtPageAddress(address);
}

void QMBWebViewScriptObject::deleteImageWithUrl(const QString& address)
{
    if (m_document)
        removePictureAtPageAddress(address);
}

bool QMBWebViewScriptObject::removePictureAtPageAddress(const QString& address)
{
    const auto picture = ebayImageFromSelectedItemWithURL(address);
    if (!picture || !m_document->removeeBayImages({picture}))
        return false;
    m_document->updateAuctionWebViewForItem(m_document->item());
    return true;
}

void QMBWebViewScriptObject::stringChangedForID(const QString& text, const QString& identifier)
{
    if (m_document && m_document->webEditor())
        m_document->webEditor()->formContentDidChangeTo(text, identifier);
}

void QMBWebViewScriptObject::onFocusInField(const QString& identifier)
{
    if (m_document && m_document->webEditor())
        m_document->webEditor()->formNodeWithIDGotFocus(identifier);
}

void QMBWebViewScriptObject::onBlurInField(const QString& identifier)
{
    if (m_document && m_document->webEditor())
        m_document->webEditor()->formNodeWithIDLostFocus(identifier);
}

std::shared_ptr<QMEbayImage> QMBWebViewScriptObject::ebayImageFromSelectedItemWithURL(const QString& address) const
{
    return m_document ? m_document->ebayImageForPreviewAddress(address) : nullptr;
}

QString QMBWebViewScriptObject::documentAddressForPageAddress(const QString& address) const
{
    if (const auto picture = ebayImageFromSelectedItemWithURL(address)) {
        if (picture->isFileBased() && !picture->imageFilePath().isEmpty())
            return QUrl::fromLocalFile(picture->imageFilePath()).toString();
        return picture->imageURL();
    }
    const QUrl url(address);
    if (url.scheme() == u"http" || url.scheme() == u"https")
        return address;
    if (url.isLocalFile()) {
        // A picture dragged in from elsewhere is written to the program's temporary folder first;
        // nothing outside it is taken from the page, and only a file that reads as a picture.
        const QString path = QFileInfo(url.toLocalFile()).canonicalFilePath();
        if (!path.isEmpty() && isInsideFolder(path, dw::paths::temporaryFolder()) && QImageReader(path).canRead())
            return QUrl::fromLocalFile(path).toString();
    }
    dw::consoleWrite(QStringLiteral("The preview page asked for a picture that the listing may not hold; refused"));
    return QString();
}
