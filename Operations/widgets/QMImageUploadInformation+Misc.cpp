#include "Operations/QMImageUploadInformation.h"

#include "platform/widgets/ApplicationImage.h"

#include <QImageReader>

QImage QMImageUploadInformation::localImage() const
{
    QImageReader reader(localImagePath());
    reader.setAutoTransform(true);
    const QImage picture = reader.read();
    return picture.isNull() ? dw::applicationImage(QStringLiteral("NotFound")) : picture;
}
