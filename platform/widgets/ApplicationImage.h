#pragma once
// Images of the program's own resources, looked up by name as the platform's named images are:
// "<resources>/images/<name>.svg" or ".png" (dw::paths::resourcesFolder()).
//
// An SVG is rendered at its own size in points. The result is cached per name for the life of the
// process; a name without a file gives a null image (and a console line, once). Main thread.
//
//     const QImage dot = dw::applicationImage(QStringLiteral("DotBlue"));

#include <QImage>
#include <QString>

namespace dw {

QImage applicationImage(const QString& name);

} // namespace dw
