#include "description/DesignChooser/QMDesignTemplate+ImageView.h"

#include "description/QMDesignTemplate.h"
#include "platform/widgets/ApplicationImage.h"

namespace {

QImage orFileImage(const QImage& picture)
{
    // A copy, so that whoever draws into it leaves the template's own picture alone.
    return picture.isNull() ? dw::applicationImage(QStringLiteral("QMFile")) : picture.copy();
}

} // namespace

namespace qm {

QImage templatePreview(const QMDesignTemplate& design)
{
    return orFileImage(design.previewThumbnail());
}

QImage staticTemplatePreview(const QMDesignTemplate& design)
{
    return orFileImage(design.staticPreview());
}

QVariant valueForKeyPath(const QMDesignTemplate& design, const QString& keyPath)
{
    if (keyPath == QLatin1String("name"))
        return design.name();
    if (keyPath == QLatin1String("identifier"))
        return design.identifier();
    if (keyPath == QLatin1String("templatePreview"))
        return templatePreview(design);
    if (keyPath == QLatin1String("staticTemplatePreview"))
        return staticTemplatePreview(design);
    return {};
}

} // namespace qm

QMFlowPictureSource QMFlowPictureSource::forKeyPath(const QMDesignTemplate& design, const QString& keyPath)
{
    QMFlowPictureSource source;
    const bool preview =
        keyPath == QLatin1String("templatePreview") || keyPath == QLatin1String("staticTemplatePreview");
    if (preview && !design.imageData().isEmpty()) {
        source.encoded = design.imageData();
        source.image = dw::applicationImage(QStringLiteral("QMFile"));
    } else {
        source.image = qm::valueForKeyPath(design, keyPath).value<QImage>();
    }
    return source;
}

QImage QMFlowPictureSource::picture() const
{
    if (!encoded.isEmpty()) {
        const QImage decoded = QImage::fromData(encoded);
        if (!decoded.isNull())
            return decoded;
    }
    return image;
}
