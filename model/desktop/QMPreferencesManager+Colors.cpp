// The preferences store's colours, which need Qt Gui.

#include "model/QMPreferencesManager.h"

#include "platform/core/NotificationCenter.h"

#include <QColor>

namespace {

QColor colorFromVariant(const QVariant& value)
{
    const QVariantList parts = value.toList();
    if (value.typeId() != QMetaType::QVariantList || parts.size() != 4)
        return QColor();
    return QColor::fromRgbF(float(parts[0].toDouble()), float(parts[1].toDouble()), float(parts[2].toDouble()),
                            float(parts[3].toDouble()));
}

} // namespace

QColor QMPreferencesManager::feesHighlightColor()
{
    const QColor stored = colorFromVariant(objectFor("FeesHighlightColor2"));
    if (stored.isValid())
        return stored;
    const QColor fallback = QColor::fromRgbF(0.36f, 75.0f / 255.0f, 145.0f / 255.0f, 1.0f);
    setFeesHighlightColor(fallback);
    return fallback;
}

void QMPreferencesManager::setFeesHighlightColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    setObjectFor(QVariantList{rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()}, "FeesHighlightColor2");
    dw::NotificationCenter::defaultCenter().post(QString::fromLatin1(kFeesHighlightColorDidChangeNotification),
                                                 dw::NotificationObject::of(this));
}
