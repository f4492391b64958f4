#pragma once
// Operations on widgets that the kit's windows share: finding views by class up and down the
// tree, centring, measuring the area that the visible children cover, and snapshots.
//
// Geometry is Qt's (y down); none of these depends on the direction of y. Main thread.
//
//     auto* container = dw::enclosingViewOfClass<QMContainerView>(envelopeView);
//     const QSize area = dw::areaOccupiedBySubviews(tabPage);

#include <QImage>
#include <QMetaObject>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace dw {

// The nearest ancestor (parent, then its parent, ...) that is of the class or a subclass; null.
QWidget* enclosingViewOfClass(const QWidget* view, const QMetaObject& metaObject);
template<class T>
T* enclosingViewOfClass(const QWidget* view)
{
    return static_cast<T*>(enclosingViewOfClass(view, T::staticMetaObject));
}

// The first direct child widget whose class is exactly that class (subclasses do not match); null.
QWidget* firstSubviewOfClass(const QWidget* view, const QMetaObject& metaObject);
template<class T>
T* firstSubviewOfClass(const QWidget* view)
{
    return static_cast<T*>(firstSubviewOfClass(view, T::staticMetaObject));
}

// Moves the widget to the middle of its parent and schedules a repaint.
void centerInSuperviewFrame(QWidget* view);

// The size of the rectangle spanned by the geometries of the visible (not hidden) direct child
// widgets; zero when there are none.
QSize areaOccupiedBySubviews(const QWidget* view);

// The widget's rendering of its whole rectangle, or of a rectangle in its own coordinates.
QImage snapshotImage(QWidget* view);
QImage snapshotImageFromRect(QWidget* view, const QRect& rect);

} // namespace dw
