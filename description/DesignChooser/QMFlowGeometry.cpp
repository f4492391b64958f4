#include "description/DesignChooser/QMFlowGeometry.h"

#include <QVector4D>
#include <cmath>

namespace qm::flow {

VisibleRange visibleRange(qsizetype from, double animationValue, qsizetype count)
{
    VisibleRange range;
    if (count <= 0 || from == NotFound)
        return range;
    double whole = std::trunc(animationValue);
    float rest = float(animationValue - whole);
    // A value a hair below a whole number rounds to a progress of 1 in single precision: that is
    // the next cover in front.
    if (std::fabs(rest) >= 1.0f) {
        whole += rest > 0 ? 1 : -1;
        rest = 0;
    }
    range.centre = from + qsizetype(whole);
    range.progress = rest;
    range.first = range.centre < kCoversPerSide + 1 ? 0 : range.centre - kCoversPerSide;
    range.last = range.centre + kCoversPerSide < count ? range.centre + kCoversPerSide : count - 1;
    return range;
}

QVector3D coverTranslation(qsizetype index, qsizetype centre, float progress)
{
    // Single precision with the constants as doubles, as the scene was always computed; 0.7 is the
    // single-precision 0.7 widened.
    const double kSideOffset = double(0.7f);
    float x = 0, y = 0, z = 0;
    if (index < centre) {
        x = float(kSideOffset + 0.2 * double(centre - index));
    } else if (index == centre) {
        z = -0.8f;
    } else {
        x = float(-kSideOffset - 0.2 * double(index - centre));
    }
    const float f = progress;
    if (f > 0 && index >= centre && index <= centre + 1) {
        x = float(x + 0.9 * f);
        z = index != centre ? float(z - 0.8 * f) : float(z + 0.8 * f);
    } else if (f < 0 && index >= centre - 1 && index <= centre) {
        x = float(x + 0.9 * f);
        z = index != centre ? float(z + 0.8 * f) : float(z - 0.8 * f);
    } else if (f != 0) {
        x = float(x + 0.2 * f);
    }
    return {x, y, z};
}

float coverRotationAngle(qsizetype index, qsizetype centre, float progress)
{
    float angle = index < centre ? 60.0f : index == centre ? 0.0f : -60.0f;
    if ((progress > 0 && index >= centre && index <= centre + 1) ||
        (progress < 0 && index >= centre - 1 && index <= centre))
        angle += 60.0f * progress;
    return angle;
}

float coverBrightness(qsizetype index, qsizetype centre, float progress)
{
    return 1.125f - std::fabs(float(index - centre) - progress) / 7.0f;
}

QMatrix4x4 projectionMatrixForBounds(const QSizeF& bounds)
{
    const float aspect = bounds.height() > 0 ? float(bounds.width() * (1.0 / bounds.height())) : 1.0f;
    QMatrix4x4 projection;
    projection.ortho(-aspect, aspect, -1, 1, -2, 2);
    // Near beyond far, as the covers were always drawn: it turns the depth around, which the
    // orthographic box then scales back into range.
    projection.perspective(20, 1.0f, 4.3f, 3.0f);
    return projection;
}

QMatrix4x4 cameraMatrix()
{
    QMatrix4x4 camera;
    camera.lookAt(QVector3D(0, 0, -5), QVector3D(0, -0.2f, 0), QVector3D(0, 1, 0));
    return camera;
}

QMatrix4x4 coverModelView(qsizetype index, qsizetype centre, float progress)
{
    QMatrix4x4 matrix = cameraMatrix();
    matrix.translate(coverTranslation(index, centre, progress));
    matrix.rotate(coverRotationAngle(index, centre, progress), 0, 1, 0);
    return matrix;
}

QVector3D lightPosition()
{
    return {0, 5, -50};
}

qsizetype calculateSelectedIndexForMousePointInBounds(const QPointF& point, const QSizeF& bounds,
                                                      const VisibleRange& range)
{
    if (range.isEmpty() || bounds.width() <= 0 || bounds.height() <= 0)
        return NotFound;
    // The point in normalised device coordinates (y up), at the centre of its pixel.
    const float ndcX = float((point.x() / bounds.width()) * 2.0 - 1.0);
    const float ndcY = float(1.0 - (point.y() / bounds.height()) * 2.0);
    const QMatrix4x4 projection = projectionMatrixForBounds(bounds);

    qsizetype found = NotFound;
    float nearest = 0;
    for (qsizetype i = range.first; i <= range.last; ++i) {
        const QMatrix4x4 toClip = projection * coverModelView(i, range.centre, range.progress);
        bool invertible = false;
        const QMatrix4x4 fromClip = toClip.inverted(&invertible);
        if (!invertible)
            continue;
        // The ray through the point, in the cover's own space, meets the cover's plane z = 0.
        const QVector4D nearPoint = fromClip * QVector4D(ndcX, ndcY, -1, 1);
        const QVector4D farPoint = fromClip * QVector4D(ndcX, ndcY, 1, 1);
        if (nearPoint.w() == 0 || farPoint.w() == 0)
            continue;
        const QVector3D a = nearPoint.toVector3DAffine(), b = farPoint.toVector3DAffine();
        if (b.z() == a.z())
            continue;
        const float t = -a.z() / (b.z() - a.z());
        const QVector3D hit = a + (b - a) * t;
        if (std::fabs(hit.x()) > 0.5f || std::fabs(hit.y()) > 0.5f)
            continue;
        const QVector4D clip = toClip * QVector4D(hit, 1);
        if (clip.w() == 0)
            continue;
        const float depth = clip.z() / clip.w();
        if (depth < -1 || depth > 1)
            continue;
        if (found == NotFound || depth < nearest) {
            found = i;
            nearest = depth;
        }
    }
    return found;
}

} // namespace qm::flow
