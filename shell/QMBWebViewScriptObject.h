#pragma once
// The one object of the program that the preview page's scripts may call, published to the page
// as "QuillmartScriptObject". It has exactly eight operations; nothing else of the document or the
// program is reachable through it, and it offers no property.
//
// Addresses that come from the page are never trusted: a picture is added only when the address
// stands for one of the listing's own pictures, or names a picture file in the program's own
// temporary folder (where dragged pictures are written); the page cannot make the program read,
// embed or upload any other file.
//
//     auto* bridge = new QMBWebViewScriptObject(document);
//     view->registerChannelObject(QStringLiteral("QuillmartScriptObject"), bridge);
//
// Main thread (the web channel delivers there). The document owns it.

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <memory>

class QMBDocument;
class QMEbayImage;

class QMBWebViewScriptObject : public QObject
{
    Q_OBJECT

public:
    explicit QMBWebViewScriptObject(QMBDocument* document);
    ~QMBWebViewScriptObject() override;

    QMBDocument* document() const { return m_document; }
    void setDocument(QMBDocument* document) { m_document = document; }

    // The names the page calls, in the order of their declaration below.
    static const QStringList& webScriptNames();

    // The page's operations.
    Q_INVOKABLE void printDebug(const QVariant& value);
    Q_INVOKABLE void addImageURLs(const QVariant& addresses);
    Q_INVOKABLE void addImageUrlsByReplacingUrl(const QVariant& addresses, const QString& target);
    Q_INVOKABLE void dragEndedForImage(const QString& address);
    Q_INVOKABLE void stringChangedForID(const QString& text, const QString& identifier);
    Q_INVOKABLE void onFocusInField(const QString& identifier);
    Q_INVOKABLE void onBlurInField(const QString& identifier);
    Q_INVOKABLE void deleteImageWithUrl(const QString& address);

    // The listing's picture shown under an address of the page, or null.
    std::shared_ptr<QMEbayImage> ebayImageFromSelectedItemWithURL(const QString& address) const;
    // The address under which the document knows the picture an address of the page stands for:
    // a listing picture's own address, or a picture file of the program's temporary folder. Null
    // for anything else (which is refused).
    QString documentAddressForPageAddress(const QString& address) const;

private:
    void addImages(const QVariant& addresses, const QString& target);
    bool removePictureAtPageAddress(const QString& address);

    QPointer<QMBDocument> m_document;
};
