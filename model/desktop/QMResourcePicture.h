#pragma once
// The listing's own pictures from the resources (the state badges, the missing-picture and the
// picture-address placeholders), for a model that must not link Qt Widgets.
//
// The SVG of a name ("<resources>/images/<name>.svg") comes first and is rendered with the
// application's device pixel ratio, carrying that ratio, so that a view drawing it at its size in
// points gets every screen pixel; without one, the PNG of the same name beside it
// ("<resources>/<name>.png"). Null when neither is there.

#include <QImage>
#include <QString>

QImage qmResourcePicture(const QString& name);
