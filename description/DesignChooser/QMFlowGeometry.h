#pragma once
// The carousel's scene as plain functions of its state, so that drawing, picking and the tests
// share one model: which covers are visible, where each stands, how it is turned and lit, the
// camera and the projection, and which cover lies under a point.
//
// A cover is a 1 × 1 square centred on its position. The camera looks along +z, so positive x is
// on the viewer's left. `centre` is the index of the cover in front (or, during a turn, the one the
// turn has reached) and `progress` the fraction of the way to the next one (−1 < progress < 1).
//
//     const auto range = qm::flow::visibleRange(fromSelection, animationValue, count);
//     const qsizetype hit = qm::flow::calculateSelectedIndexForMousePointInBounds(point, size, range);
//
// Any thread; no OpenGL.

#include <QMatrix4x4>
#include <QPointF>
#include <QSizeF>
#include <QVector3D>

namespace qm::flow {

inline constexpr qsizetype NotFound = -1;
// At most this many covers on each side of the front one are drawn.
inline constexpr qsizetype kCoversPerSide = 8;

struct VisibleRange
{
    qsizetype centre = NotFound;
    float progress = 0;
    qsizetype first = NotFound;
    qsizetype last = NotFound;

    bool isEmpty() const { return centre == NotFound || first == NotFound || last < first; }
};

// centre = from + the turn's value truncated toward zero, progress = the rest. Empty for no
// objects or no centre.
VisibleRange visibleRange(qsizetype from, double animationValue, qsizetype count);

// Where cover `index` stands (scene units).
QVector3D coverTranslation(qsizetype index, qsizetype centre, float progress);
// Its turn about the y axis, in degrees.
float coverRotationAngle(qsizetype index, qsizetype centre, float progress);
// The light's strength on it: 1.125 − |index − centre − progress| / 7.
float coverBrightness(qsizetype index, qsizetype centre, float progress);

// An orthographic box of the view's aspect multiplied by a narrow perspective, as the covers have
// always been drawn.
QMatrix4x4 projectionMatrixForBounds(const QSizeF& bounds);
// Eye at (0, 0, −5) looking at (0, −0.2, 0).
QMatrix4x4 cameraMatrix();
// Camera × the cover's translation and turn.
QMatrix4x4 coverModelView(qsizetype index, qsizetype centre, float progress);
// Where the light stands in eye coordinates.
QVector3D lightPosition();

// The cover under `point` (widget coordinates, y down) of a view of size `bounds`, of the covers
// first … last; the nearest when several overlap, the lower index on a tie. NotFound for none.
qsizetype calculateSelectedIndexForMousePointInBounds(const QPointF& point, const QSizeF& bounds,
                                                      const VisibleRange& range);

} // namespace qm::flow
