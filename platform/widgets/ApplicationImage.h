#pragma once
// Images of the program's own resources, looked up by name as the platform's named images are:
// "<resources>/images/<name>.svg" or ".png" (dw::paths::resourcesFolder()).
//
// An SVG is rendered at its own size in points; for a screen of a higher device pixel ratio it is
// rendered with that many pixels per point and carries the ratio, so that it draws as sharp as
// text (its deviceIndependentSize() is still its size in points). Views that draw pictures
// themselves ask for the ratio of the widget they paint; controls take the icon, which renders
// at whatever size and ratio it is shown. Results are cached per name and ratio for the life of
// the process; a name without a file gives a null image (and a console line, once). Main thread.
//
//     const QImage dot = dw::applicationImage(QStringLiteral("DotBlue"), devicePixelRatioF());
//     painter.drawImage(QPointF(x, y), dot);   // its size in points, every screen pixel drawn
//     action->setIcon(dw::applicationIcon(QStringLiteral("Verify")));
//     label->setPixmap(dw::applicationPixmap(QStringLiteral("QuillmartBig"), QSize(64, 64)));

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace dw {

QImage applicationImage(const QString& name);
QImage applicationImage(const QString& name, qreal devicePixelRatio);
QIcon applicationIcon(const QString& name);
// A picture for a label: fitted into `size` in points (its own size when empty), keeping its
// proportions, at the application's device pixel ratio. Null for a name without a file.
QPixmap applicationPixmap(const QString& name, const QSize& size = QSize());

} // namespace dw
