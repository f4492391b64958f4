#pragma once
// The model's picture decoder built on Qt's image readers and writers (Qt Gui). Every program
// that links the model's desktop part installs it before main() (installer/, compiled into each
// such program).

#include "model/QMPictureCodec.h"

class QMQtPictureCodec : public QMPictureCodec
{
public:
    bool recognisesPicture(const QByteArray& bytes) override;
    QByteArray tiffOfPictureFile(const QString& path) override;
    std::shared_ptr<const QImage> decodeArchivedPicture(const QVariant& archived) override;
    bool writeJPEG(const QImage& image, const QString& path, int quality) override;
    bool isLandscape(const QMEbayImage& picture) override;
    QVariant stateIndicatorImage(QMEbayItem& item) override;

    // Installs this codec; later calls do nothing.
    static void installOnce();
};
