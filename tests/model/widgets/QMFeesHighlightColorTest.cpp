#include "model/widgets/QMFeesHighlightColor.h"

#include "model/QMPreferencesManager.h"

#include "DWKit/widgets/QMHighlightableTextField.h"

#include "platform/core/UserDefaults.h"

#include <gtest/gtest.h>

namespace {

// The colour drawn in the middle of the pill's top row, above the text.
QColor pillColour(QMHighlightableTextField& field)
{
    const QImage image = field.grab().toImage();
    return image.pixelColor(int(field.path().boundingRect().center().x()), 1);
}

bool near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) < 4 && std::abs(a.green() - b.green()) < 4 && std::abs(a.blue() - b.blue()) < 4;
}

struct ProviderReset
{
    ~ProviderReset() { QMHighlightableTextField::setFeesHighlightColorProvider(nullptr); }
};

} // namespace

TEST(QMFeesHighlightColor, FeeFieldsDrawTheColourOfThePreferences)
{
    dw::UserDefaults defaults{QString()};
    QMPreferencesManager prefs{&defaults};
    const QColor chosen = QColor::fromRgbF(0.8f, 0.2f, 0.1f);
    prefs.setFeesHighlightColor(chosen);
    ProviderReset reset;
    QMInstallFeesHighlightColorProvider(&prefs);

    QMHighlightableTextField field;
    field.setText(QStringLiteral("12.50"));
    field.resize(200, 20);
    field.setHighlight(true);
    EXPECT_TRUE(near(pillColour(field), chosen));

    const QColor changed = QColor::fromRgbF(0.1f, 0.6f, 0.2f);
    prefs.setFeesHighlightColor(changed);
    EXPECT_TRUE(near(pillColour(field), changed)) << "a colour changed in the preferences is drawn at once";
}
