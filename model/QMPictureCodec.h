#pragma once
// What the listing model asks of a picture decoder. Decoding needs Qt Gui, and the model's core
// links Qt Core only, so that the tools that read and write documents start without loading it:
// the model's desktop part (model/desktop/, target `model`) installs the decoder built on Qt's
// image readers in every program that links it. Until then (in a program that links only
// `model_core`) the built-in codec answers: it recognises no picture beyond the headers the model
// knows itself, decodes nothing and writes nothing. Any thread.
//
//     class QtPictureCodec : public QMPictureCodec { ... };
//     QMPictureCodec::install(std::make_shared<QtPictureCodec>());

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <memory>

class QImage;
class QMEbayImage;
class QMEbayItem;

class QMPictureCodec
{
public:
    virtual ~QMPictureCodec() = default;

    // Whether an installed image plugin recognises the bytes by their header.
    virtual bool recognisesPicture(const QByteArray& bytes);
    // The picture file as TIFF (LZW, lossless), or empty data, with a console line, when it is no
    // picture that can be decoded.
    virtual QByteArray tiffOfPictureFile(const QString& path);
    // The picture an archived image holds (the first of its representations that decodes); null
    // when none does or the value is no archived image.
    virtual std::shared_ptr<const QImage> decodeArchivedPicture(const QVariant& archived);
    // Writes a picture as a JPEG file of the given quality; false when it cannot.
    virtual bool writeJPEG(const QImage& image, const QString& path, int quality);
    // Whether a picture is wider than high: from its loaded picture, or else from its file's header
    // (turned as its orientation says), decoding only when the header tells nothing.
    virtual bool isLandscape(const QMEbayImage& picture);
    // A listing's state icon as a key-value answer (QMEbayItem::stateIndicatorImage()); nil here.
    virtual QVariant stateIndicatorImage(QMEbayItem& item);

    // The installed codec, or the built-in one; never null.
    static std::shared_ptr<QMPictureCodec> installed();
    // Installs a codec for the whole process; null goes back to the built-in one.
    static void install(std::shared_ptr<QMPictureCodec> codec);
};
