#pragma once
// An archived NSImage: the bytes of its bitmap representations, undecoded.
//
// The platform core reads and writes archives without a picture library; the layer that draws
// decodes the bytes (the first representation that reads as a picture wins) and keeps the result
// in decodedOnce(), so that an image that many parts of a document share is decoded once. The
// image as archived is kept too, and written back unchanged.
//
// A value with shared, immutable data: copies are cheap and stand for the same archived object.
// Any thread.
//
//     const auto image = value.value<dw::ArchivedImage>();
//     const QVariant picture = image.decodedOnce([](const QList<QByteArray>& representations) {
//         return QVariant(decodeFirstPicture(representations));
//     });

#include "platform/archive/ArchivedObject.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QVariant>
#include <functional>
#include <memory>

namespace dw {

class ArchivedImage
{
public:
    // An image holds at most this many representations; a file's others are left out. The
    // platform writes one or two.
    static constexpr int kMaxRepresentations = 16;

    ArchivedImage() = default;
    // archived: the NSImage object as read, written back for this value; may be null.
    explicit ArchivedImage(QList<QByteArray> representations, std::shared_ptr<OpaqueArchivedObject> archived = {});

    bool isNull() const { return !d; }
    // The file bytes (TIFF, PNG, JPEG ...) of each bitmap representation, in the archive's order.
    QList<QByteArray> representations() const;
    std::shared_ptr<OpaqueArchivedObject> archivedObject() const;

    // The result of decode for this archived image, computed by the first caller and kept for every
    // copy; decode runs once even when callers on several threads ask at the same time.
    QVariant decodedOnce(const std::function<QVariant(const QList<QByteArray>&)>& decode) const;

    // Copies of one archived image are equal; two images read separately are not.
    bool operator==(const ArchivedImage& other) const { return d == other.d; }

private:
    struct Data;
    std::shared_ptr<Data> d;
};

} // namespace dw

Q_DECLARE_METATYPE(dw::ArchivedImage)
