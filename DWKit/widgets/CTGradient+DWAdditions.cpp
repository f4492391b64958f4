// The ready-made gradients: the basic set and the program's own additions.
#include "DWKit/widgets/CTGradient.h"

#include <initializer_list>

namespace {

struct Stop
{
    float red, green, blue, position;
};

CTGradient make(std::initializer_list<Stop> stops, int mode = 0)
{
    CTGradient gradient;
    gradient.setBlendingMode(mode);
    for (const Stop& s : stops)
        gradient.addElement({s.red, s.green, s.blue, 1.0f, s.position});
    return gradient;
}

Stop grey(float g, float position)
{
    return {g, g, g, position};
}

Stop rgb255(float r, float g, float b, float position, float factor = 1.0f)
{
    return {r / 255 * factor, g / 255 * factor, b / 255 * factor, position};
}

Stop rgb256(float r, float g, float b, float position)
{
    return {r / 256, g / 256, b / 256, position};
}

} // namespace

CTGradient CTGradient::aquaSelectedGradient()
{
    return make(
        {{0.58f, 0.86f, 0.98f, 0}, {0.42f, 0.68f, 0.90f, 0.5f}, {0.64f, 0.80f, 0.94f, 0.5f}, {0.56f, 0.70f, 0.90f, 1}});
}

CTGradient CTGradient::aquaNormalGradient()
{
    return make({grey(0.95f, 0), grey(0.83f, 0.5f), grey(0.95f, 0.5f), grey(0.92f, 1)});
}

CTGradient CTGradient::aquaPressedGradient()
{
    return make({grey(0.80f, 0), grey(0.64f, 0.5f), grey(0.80f, 0.5f), grey(0.77f, 1)});
}

CTGradient CTGradient::unifiedSelectedGradient()
{
    return make({grey(0.85f, 0), grey(0.95f, 1)});
}

CTGradient CTGradient::unifiedNormalGradient()
{
    return make({grey(0.75f, 0), grey(0.90f, 1)});
}

CTGradient CTGradient::unifiedPressedGradient()
{
    return make({grey(0.60f, 0), grey(0.75f, 1)});
}

CTGradient CTGradient::unifiedDarkGradient()
{
    return make({grey(0.68f, 0), grey(0.83f, 1)});
}

CTGradient CTGradient::sourceListSelectedGradient()
{
    return make({{0.06f, 0.37f, 0.85f, 0}, {0.30f, 0.60f, 0.92f, 1}});
}

CTGradient CTGradient::sourceListUnselectedGradient()
{
    return make({grey(0.43f, 0), grey(0.60f, 1)});
}

CTGradient CTGradient::rainbowGradient()
{
    return make({{1, 0, 0, 0}, {0.54f, 0, 1, 1}}, 1);
}

CTGradient CTGradient::hydrogenSpectrumGradient()
{
    struct Line
    {
        float hue, centre, halfWidth;
    };
    const Line lines[] = {{22, 0.145f, 0.01f}, {200, 0.71f, 0.008f}, {253, 0.885f, 0.005f}, {275, 0.965f, 0.003f}};
    CTGradient gradient;
    gradient.setBlendingMode(1);
    auto addHsv = [&gradient](float hue, float value, float position) {
        float c[4] = {hue, 1, value, 1};
        transformHSV_RGB(c);
        gradient.addElement({c[0], c[1], c[2], 1.0f, position});
    };
    for (const Line& line : lines) {
        addHsv(line.hue - 180 * line.halfWidth, 0.001f, line.centre - line.halfWidth);
        addHsv(line.hue, 1, line.centre);
        addHsv(line.hue + 180 * line.halfWidth, 0.001f, line.centre + line.halfWidth);
    }
    return gradient;
}

CTGradient CTGradient::qmToolbarGradient()
{
    return make({grey(0.76f, 0), grey(0.64f, 10.0f / 28), grey(0.64f, 15.0f / 28), grey(0.72f, 15.0f / 28),
                 grey(0.76f, 20.0f / 28), grey(0.82f, 26.0f / 28), grey(1.0f, 1)});
}

CTGradient CTGradient::itemViewGradientWithHeight(float height, float highlight)
{
    return make({rgb255(124, 133, 150, 1 - 70 / height, highlight), rgb255(87, 95, 110, 1 - 4 / height, highlight),
                 rgb255(55, 61, 71, 1, highlight), rgb255(124, 133, 150, 1, highlight)});
}

CTGradient CTGradient::itemViewGradientWithHeight(float height)
{
    return itemViewGradientWithHeight(height, 1.0f);
}

CTGradient CTGradient::sidebarSelectedGradient()
{
    return make({rgb255(92, 147, 213, 0), rgb255(21, 83, 169, 1)});
}

CTGradient CTGradient::detailViewSelectedGradient()
{
    return make({rgb255(165, 185, 219, 0), rgb255(107, 140, 195, 1)});
}

CTGradient CTGradient::detailViewSelectedNonResponderGradient()
{
    return make({grey(172.0f / 255, 0), grey(123.0f / 255, 1)});
}

CTGradient CTGradient::detailViewUnselectedGradient()
{
    return make({grey(213.0f / 255, 0), grey(189.0f / 255, 1)});
}

CTGradient CTGradient::detailViewUnselectedInnerGradient()
{
    return make({grey(1.0f, 0), grey(244.0f / 255, 1)});
}

CTGradient CTGradient::detailViewAlternateUnselectedInnerGradient()
{
    return make({grey(245.0f / 255, 0), grey(227.0f / 255, 1)});
}

CTGradient CTGradient::redAquaSelectedGradient()
{
    return make(
        {{0.98f, 0.36f, 0.28f, 0}, {0.90f, 0.18f, 0, 0.5f}, {0.94f, 0.30f, 0.14f, 0.5f}, {0.90f, 0.10f, 0.06f, 1}});
}

CTGradient CTGradient::headerNormalGradient()
{
    return make({grey(1.0f, 0), grey(0.85f, 0.5f), grey(1.0f, 1)});
}

CTGradient CTGradient::headerSelectedGradient()
{
    return make({rgb256(191, 213, 234, 0), rgb256(84, 151, 217, 0.5f), rgb256(173, 227, 255, 1)});
}
