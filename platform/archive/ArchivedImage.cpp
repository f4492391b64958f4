#include "platform/archive/ArchivedImage.h"

#include <mutex>

namespace dw {

struct ArchivedImage::Data
{
    QList<QByteArray> representations;
    std::shared_ptr<OpaqueArchivedObject> archived;
    std::once_flag decodeOnce;
    QVariant decoded;
};

ArchivedImage::ArchivedImage(QList<QByteArray> representations, std::shared_ptr<OpaqueArchivedObject> archived)
    : d(std::make_shared<Data>())
{
    if (representations.size() > kMaxRepresentations)
        representations.resize(kMaxRepresentations);
    d->representations = std::move(representations);
    d->archived = std::move(archived);
}

QList<QByteArray> ArchivedImage::representations() const
{
    return d ? d->representations : QList<QByteArray>();
}

std::shared_ptr<OpaqueArchivedObject> ArchivedImage::archivedObject() const
{
    return d ? d->archived : nullptr;
}

QVariant ArchivedImage::decodedOnce(const std::function<QVariant(const QList<QByteArray>&)>& decode) const
{
    if (!d)
        return decode({});
    std::call_once(d->decodeOnce, [&] { d->decoded = decode(d->representations); });
    return d->decoded;
}

} // namespace dw
