#pragma once
// The design template's pictures as the chooser shows them, and the values its views read by key
// path ("name", "identifier", "templatePreview", "staticTemplatePreview").
//
//     const QImage picture = qm::templatePreview(*design);   // never null while "QMFile" exists
//
// Main thread, apart from QMFlowPictureSource::picture().

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QVariant>

class QMDesignTemplate;

namespace qm {

// A copy of the template's preview thumbnail (static preview), or the image "QMFile" when it has
// none.
QImage templatePreview(const QMDesignTemplate& design);
QImage staticTemplatePreview(const QMDesignTemplate& design);

// The value at a key path: a text for "name" and "identifier", a picture for the two previews,
// nothing for any other path.
QVariant valueForKeyPath(const QMDesignTemplate& design, const QString& keyPath);

} // namespace qm

// A picture to be decoded away from the main thread: the template's own encoded bytes (which never
// change) rather than its lazily decoded preview, which belongs to the main thread.
struct QMFlowPictureSource
{
    QByteArray encoded;
    // The picture itself when there are no bytes; what stands in when the bytes do not decode.
    QImage image;

    // Made on the main thread for the picture at `keyPath`.
    static QMFlowPictureSource forKeyPath(const QMDesignTemplate& design, const QString& keyPath);
    // Any thread.
    QImage picture() const;
};
