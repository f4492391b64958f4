#include "model/QMPictureCodec.h"

#include "DWKit/QMLog.h"

#include "platform/core/Installable.h"

bool QMPictureCodec::recognisesPicture(const QByteArray&)
{
    return false;
}

QByteArray QMPictureCodec::tiffOfPictureFile(const QString& path)
{
    QMLog("not embedding %@: no picture decoder in this program", path);
    return {};
}

std::shared_ptr<const QImage> QMPictureCodec::decodeArchivedPicture(const QVariant&)
{
    return nullptr;
}

bool QMPictureCodec::writeJPEG(const QImage&, const QString&, int)
{
    return false;
}

bool QMPictureCodec::isLandscape(const QMEbayImage&)
{
    return false;
}

QVariant QMPictureCodec::stateIndicatorImage(QMEbayItem&)
{
    return {};
}

namespace {

dw::Installable<QMPictureCodec>& slot()
{
    static dw::Installable<QMPictureCodec> instance(std::make_shared<QMPictureCodec>());
    return instance;
}

} // namespace

std::shared_ptr<QMPictureCodec> QMPictureCodec::installed()
{
    return slot().installed();
}

void QMPictureCodec::install(std::shared_ptr<QMPictureCodec> codec)
{
    slot().install(std::move(codec));
}
