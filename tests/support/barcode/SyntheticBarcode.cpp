#include "tests/support/barcode/SyntheticBarcode.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <random>

namespace dw::test {

namespace {

// L patterns as module strings; R is L inverted, G is R reversed.
const char* const kL[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                            "0110001", "0101111", "0111011", "0110111", "0001011"};
const char* const kParity[10] = {"LLLLLL", "LLGLGG", "LLGGLG", "LLGGGL", "LGLLGG",
                                 "LGGLLG", "LGGGLL", "LGLGLG", "LGLGGL", "LGGLGL"};

QString inverted(const QString& modules)
{
    QString out = modules;
    for (QChar& c : out)
        c = c == u'1' ? u'0' : u'1';
    return out;
}

} // namespace

QString ean13Modules(const QString& code)
{
    if (code.size() != 13 || !std::all_of(code.begin(), code.end(), [](QChar c) { return c.isDigit(); }))
        return {};
    const auto digit = [&](int i) { return code.at(i).digitValue(); };
    QString modules = QStringLiteral("101");
    for (int i = 1; i <= 6; ++i) {
        const QString l = QLatin1String(kL[digit(i)]);
        if (kParity[digit(0)][i - 1] == 'L') {
            modules += l;
        } else {
            QString g = inverted(l);
            std::reverse(g.begin(), g.end());
            modules += g;
        }
    }
    modules += QStringLiteral("01010");
    for (int i = 7; i <= 12; ++i)
        modules += inverted(QLatin1String(kL[digit(i)]));
    modules += QStringLiteral("101");
    return modules;
}

QImage renderEan13(const QString& code, int moduleWidth, int height)
{
    const QString modules = ean13Modules(code);
    QImage image(ean13SymbolWidth(moduleWidth), height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int i = 0; i < modules.size(); ++i)
        if (modules.at(i) == u'1')
            painter.fillRect((11 + i) * moduleWidth, 0, moduleWidth, height, Qt::black);
    return image;
}

QImage photographBarcode(const QImage& symbol, const PhotoOptions& options, int width, int height)
{
    std::mt19937 random(options.seed);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);

    // The scene: a grey-white table with the label on it, seen at an angle.
    QImage scene(width, height, QImage::Format_RGB32);
    scene.fill(QColor(225, 222, 215));
    {
        QPainter painter(&scene);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::Antialiasing);
        // The label fills 70 to 90 % of the frame's width, centred near the middle.
        const double scale = (0.70 + 0.20 * (unit(random) + 1) / 2) * width / symbol.width();
        const double w = symbol.width() * scale;
        const double h = std::min(symbol.height() * scale, height * 0.5);
        const QPointF centre(width / 2.0 + unit(random) * width * 0.02, height / 2.0 + unit(random) * height * 0.05);
        QPolygonF source;
        source << QPointF(0, 0) << QPointF(symbol.width(), 0) << QPointF(symbol.width(), symbol.height())
               << QPointF(0, symbol.height());
        const double tilt = options.tilt * unit(random);
        const double lean = options.tilt * unit(random);
        QPolygonF target;
        target << QPointF(-w / 2 * (1 - lean * 0.3), -h / 2 * (1 + tilt))
               << QPointF(w / 2 * (1 + lean * 0.3), -h / 2 * (1 - tilt))
               << QPointF(w / 2 * (1 + lean * 0.3), h / 2 * (1 - tilt))
               << QPointF(-w / 2 * (1 - lean * 0.3), h / 2 * (1 + tilt));
        QTransform perspective;
        QTransform::quadToQuad(source, target, perspective);
        QTransform place;
        place.translate(centre.x(), centre.y());
        place.rotate(options.rotation * unit(random));
        painter.setTransform(perspective * place);
        painter.drawImage(0, 0, symbol);
    }

    // Defocus: a separable box blur of the given radius, twice (close to a Gaussian).
    const int radius = int(std::lround(options.blur));
    QImage grey = scene.convertToFormat(QImage::Format_Grayscale8);
    if (radius > 0) {
        for (int pass = 0; pass < 2; ++pass) {
            for (int dir = 0; dir < 2; ++dir) {
                const QImage in = grey.copy();
                for (int y = 0; y < height; ++y) {
                    uchar* out = grey.scanLine(y);
                    for (int x = 0; x < width; ++x) {
                        int sum = 0;
                        int count = 0;
                        for (int d = -radius; d <= radius; ++d) {
                            const int sx = dir == 0 ? x + d : x;
                            const int sy = dir == 0 ? y : y + d;
                            if (sx < 0 || sy < 0 || sx >= width || sy >= height)
                                continue;
                            sum += in.constScanLine(sy)[sx];
                            ++count;
                        }
                        out[x] = uchar(sum / count);
                    }
                }
            }
        }
    }

    // Uneven light falling off from a random corner, then sensor noise.
    std::normal_distribution<double> noise(0.0, options.noise);
    const QPointF light((unit(random) + 1) / 2 * width, (unit(random) + 1) / 2 * height);
    const double reach = std::hypot(width, height);
    for (int y = 0; y < height; ++y) {
        uchar* line = grey.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const double distance = std::hypot(x - light.x(), y - light.y()) / reach;
            const double value = line[x] * (1.0 - options.lightFalloff * distance) + noise(random);
            line[x] = uchar(std::clamp(value, 0.0, 255.0));
        }
    }
    return grey.convertToFormat(QImage::Format_RGB32);
}

} // namespace dw::test
