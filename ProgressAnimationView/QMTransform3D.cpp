#include "ProgressAnimationView/QMTransform3D.h"

#include <cmath>

QMTransform3D QMTransform3D::rotation(double angle, double x, double y, double z)
{
    const double length = std::sqrt(x * x + y * y + z * z);
    if (length == 0)
        return identity();
    x /= length;
    y /= length;
    z /= length;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double t = 1 - c;
    // The rotation matrix for row vectors: the transpose of the usual column-vector form.
    QMTransform3D r;
    r.m11 = t * x * x + c;
    r.m12 = t * x * y + s * z;
    r.m13 = t * x * z - s * y;
    r.m21 = t * x * y - s * z;
    r.m22 = t * y * y + c;
    r.m23 = t * y * z + s * x;
    r.m31 = t * x * z + s * y;
    r.m32 = t * y * z - s * x;
    r.m33 = t * z * z + c;
    return r;
}

QMTransform3D QMTransform3D::concat(const QMTransform3D& o) const
{
    const double a[4][4] = {{m11, m12, m13, m14}, {m21, m22, m23, m24}, {m31, m32, m33, m34}, {m41, m42, m43, m44}};
    const double b[4][4] = {{o.m11, o.m12, o.m13, o.m14},
                            {o.m21, o.m22, o.m23, o.m24},
                            {o.m31, o.m32, o.m33, o.m34},
                            {o.m41, o.m42, o.m43, o.m44}};
    double c[4][4] = {};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                c[i][j] += a[i][k] * b[k][j];
    return {c[0][0], c[0][1], c[0][2], c[0][3], c[1][0], c[1][1], c[1][2], c[1][3],
            c[2][0], c[2][1], c[2][2], c[2][3], c[3][0], c[3][1], c[3][2], c[3][3]};
}

QPointF QMTransform3D::project(double x, double y, double z) const
{
    const double px = x * m11 + y * m21 + z * m31 + m41;
    const double py = x * m12 + y * m22 + z * m32 + m42;
    double w = x * m14 + y * m24 + z * m34 + m44;
    if (w < 1e-6)
        w = 1e-6;
    return {px / w, py / w};
}
