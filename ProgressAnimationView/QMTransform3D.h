#pragma once
// A 4×4 transform of the progress stage, laid out as the platform's layer transforms are: points
// are row vectors multiplied from the left ([x y z 1] · M), so m34 is the perspective entry and
// m41..m43 the translation. Only what the stage needs: rotations about an axis through the
// origin, the perspective entry, concatenation and the projection of a point.
//
//     QMTransform3D stage = QMTransform3D::identity();
//     stage.m34 = -0.0005;                                 // 1 / eye distance of 2000 points
//     stage = QMTransform3D::rotation(0.1, 1, 0, 0).concat(stage);
//     const QPointF onScreen = stage.project(x, y, z);     // after the perspective divide

#include <QPointF>

struct QMTransform3D
{
    double m11 = 1, m12 = 0, m13 = 0, m14 = 0;
    double m21 = 0, m22 = 1, m23 = 0, m24 = 0;
    double m31 = 0, m32 = 0, m33 = 1, m34 = 0;
    double m41 = 0, m42 = 0, m43 = 0, m44 = 1;

    static QMTransform3D identity() { return {}; }
    // A rotation by `angle` radians about the axis (x, y, z); a zero axis gives the identity.
    static QMTransform3D rotation(double angle, double x, double y, double z);

    // This transform first, then `other`.
    QMTransform3D concat(const QMTransform3D& other) const;
    // `transform` rotated by `angle` about the axis, the rotation applied first, as the platform's
    // rotate call does.
    static QMTransform3D rotate(const QMTransform3D& transform, double angle, double x, double y, double z)
    {
        return rotation(angle, x, y, z).concat(transform);
    }

    // The point's x and y after the transform and the perspective divide. A point on or behind the
    // eye plane (w <= 0) is pushed just in front of it, so the result stays finite.
    QPointF project(double x, double y, double z) const;

    bool operator==(const QMTransform3D&) const = default;
};
