#include "description/DesignChooser/QMAbstractOpenGLView.h"

#include "DWKit/QMLog.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

QSurfaceFormat preferredFormat()
{
    QSurfaceFormat format;
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setDepthBufferSize(16);
    format.setSamples(2);
    return format;
}

QSurfaceFormat fallbackFormat()
{
    QSurfaceFormat format;
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setDepthBufferSize(16);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    return format;
}

// The machine's OpenGL: a context of its own on an offscreen surface. Shaders that are part of the
// context's version count as if their extensions were named, since a core or ES context does not
// name them.
std::optional<QSet<QByteArray>> probeMachine(const QSurfaceFormat& format)
{
    if (!QGuiApplication::instance())
        return std::nullopt;
    // These platforms draw widgets into images only: a context may be had (through the display
    // the process happens to have), but there is no surface for an OpenGL view.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return std::nullopt;
    QOffscreenSurface surface;
    surface.setFormat(format);
    surface.create();
    if (!surface.isValid())
        return std::nullopt;
    QOpenGLContext context;
    context.setFormat(format);
    if (!context.create() || !context.makeCurrent(&surface))
        return std::nullopt;
    QSet<QByteArray> extensions = context.extensions();
    const QSurfaceFormat made = context.format();
    if (context.isOpenGLES() ? made.majorVersion() >= 2 : made.version() >= qMakePair(2, 0)) {
        for (const char* name :
             {"GL_ARB_shader_objects", "GL_ARB_shading_language_100", "GL_ARB_vertex_shader", "GL_ARB_fragment_shader"})
            extensions.insert(name);
    }
    context.doneCurrent();
    return extensions;
}

std::mutex s_formatLock;
std::optional<QMPixelFormat> s_defaultFormat;

QString line(const QString& name, int width, const QString& value)
{
    return QStringLiteral("  ") + name.leftJustified(width, QLatin1Char(' ')) + value + QLatin1Char('\n');
}

} // namespace

QMAbstractOpenGLView::QMAbstractOpenGLView(const QMPixelFormat& pixelFormat, QWidget* parent) : QOpenGLWidget(parent)
{
    setFormat(pixelFormat.format);
}

QMPixelFormat QMAbstractOpenGLView::choosePixelFormat(const FormatProbe& probe)
{
    QMPixelFormat choice;
    choice.format = preferredFormat();
    std::optional<QSet<QByteArray>> extensions = probe(choice.format);
    if (!extensions) {
        QMLog("OpenGL: fall back format");
        choice.format = fallbackFormat();
        extensions = probe(choice.format);
    } else {
        QMLogDebug("OpenGL: using the given format");
    }
    bool hasShaders = extensions.has_value();
    if (extensions) {
        for (const char* name : {"GL_ARB_shader_objects", "GL_ARB_shading_language_100", "GL_ARB_vertex_shader",
                                 "GL_ARB_fragment_shader"}) {
            if (!extensions->contains(name)) {
                hasShaders = false;
                break;
            }
        }
    }
    if (!hasShaders) {
        QMLog("OpenGL: using software rendering");
        choice.softwareRendering = true;
    }
    choice.available = extensions.has_value();
    if (!choice.available) {
        QMLogDebug("OpenGL: using defaultPixelFormat");
        choice.format = QSurfaceFormat::defaultFormat();
        choice.available = probe(choice.format).has_value();
    }
    return choice;
}

QMPixelFormat QMAbstractOpenGLView::defaultPixelFormat()
{
    std::lock_guard lock(s_formatLock);
    if (!s_defaultFormat)
        s_defaultFormat = choosePixelFormat(probeMachine);
    return *s_defaultFormat;
}

void QMAbstractOpenGLView::resetDefaultPixelFormat()
{
    std::lock_guard lock(s_formatLock);
    s_defaultFormat.reset();
}

QString QMAbstractOpenGLView::formatInfo(const QSurfaceFormat& format)
{
    QString text = QStringLiteral("GL pixel format:\n");
    const auto number = [](qint64 value) { return QString::number(value); };
    text += line(QStringLiteral("Renderable"), 15,
                 format.renderableType() == QSurfaceFormat::OpenGLES ? QStringLiteral("OpenGL ES")
                                                                     : QStringLiteral("OpenGL"));
    text += line(QStringLiteral("Version"), 15,
                 QStringLiteral("%1.%2").arg(format.majorVersion()).arg(format.minorVersion()));
    text += line(QStringLiteral("ColorSize"), 15,
                 number(format.redBufferSize() + format.greenBufferSize() + format.blueBufferSize()));
    text += line(QStringLiteral("AlphaSize"), 15, number(format.alphaBufferSize()));
    text += line(QStringLiteral("DepthSize"), 15, number(format.depthBufferSize()));
    text += line(QStringLiteral("StencilSize"), 15, number(format.stencilBufferSize()));
    text += line(QStringLiteral("Samples"), 15, number(format.samples()));
    text += line(QStringLiteral("Stereo"), 15, number(format.stereo() ? 1 : 0));
    text +=
        line(QStringLiteral("DoubleBuffer"), 15, number(format.swapBehavior() == QSurfaceFormat::DoubleBuffer ? 1 : 0));
    return text;
}

QString QMAbstractOpenGLView::contextInfo(const QOpenGLContext* context)
{
    QString text = QStringLiteral("GL Context Parameters:\n");
    if (!context)
        return text;
    text += line(QStringLiteral("SwapInterval"), 20, QString::number(context->format().swapInterval()));
    if (auto* functions = context->functions(); functions && QOpenGLContext::currentContext() == context) {
        const auto string = [functions](GLenum name) {
            const auto* value = reinterpret_cast<const char*>(functions->glGetString(name));
            return value ? QString::fromLatin1(value) : QString();
        };
        text += line(QStringLiteral("Vendor"), 20, string(GL_VENDOR));
        text += line(QStringLiteral("Renderer"), 20, string(GL_RENDERER));
        text += line(QStringLiteral("Version"), 20, string(GL_VERSION));
    }
    return text;
}

double QMAbstractOpenGLView::textureScale(const QSizeF& picture, const QSizeF& texture)
{
    if (picture.width() <= 0 || picture.height() <= 0)
        return 0;
    return std::min(texture.width() / picture.width(), texture.height() / picture.height());
}

double QMAbstractOpenGLView::textureShift(const QSizeF& picture, const QSizeF& texture)
{
    return (texture.width() - picture.width() * textureScale(picture, texture)) * 0.5;
}

QImage QMAbstractOpenGLView::preparedImageRepForImage(const QImage& picture, const QSize& textureSize)
{
    if (picture.isNull() || textureSize.isEmpty()) {
        QMLog("image not valid in preparedImageRepForImage:");
        return {};
    }
    const double scale = textureScale(picture.size(), textureSize);
    const QSizeF resized(picture.width() * scale, picture.height() * scale);
    const double shift = textureShift(picture.size(), textureSize);
    QImage bitmap(textureSize, QImage::Format_RGBA8888);
    bitmap.fill(Qt::transparent);
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Drawn at its scaled size, on the bottom edge: the picture stands on its reflection.
    painter.drawImage(QRectF(QPointF(shift, textureSize.height() - resized.height()), resized), picture);
    painter.end();
    return bitmap;
}

int QMAbstractOpenGLView::largestPowerOfTwoNotAbove(int size)
{
    int power = 1;
    while (power <= size / 2)
        power *= 2;
    return power;
}

QSize QMAbstractOpenGLView::textureSizeForBitmap(const QSize& bitmap)
{
    return {largestPowerOfTwoNotAbove(bitmap.width()), largestPowerOfTwoNotAbove(bitmap.height())};
}

void QMAbstractOpenGLView::textureFromImage(const QImage& bitmap, unsigned int& textureID, int& width, int& height)
{
    const bool alpha = bitmap.format() == QImage::Format_RGBA8888;
    if (bitmap.isNull() || (!alpha && bitmap.format() != QImage::Format_RGB888)) {
        textureID = 0;
        return;
    }
    const QSize size = textureSizeForBitmap(bitmap.size());
    width = size.width();
    height = size.height();
    // The top-left part of a bitmap that is not a power of two on each side; copied rather than
    // read with a row length, which OpenGL ES lacks.
    const QImage upload = size == bitmap.size() ? bitmap : bitmap.copy(QRect(QPoint(0, 0), size));
    QOpenGLFunctions* gl = context()->functions();
    if (textureID == 0)
        gl->glGenTextures(1, &textureID);
    gl->glBindTexture(GL_TEXTURE_2D, textureID);
    GLint alignment = 4;
    gl->glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLenum format = alpha ? GL_RGBA : GL_RGB;
    // Rows are tightly packed only when bytesPerLine matches; QImage pads RGB rows to 4 bytes.
    if (upload.bytesPerLine() == upload.width() * (alpha ? 4 : 3)) {
        gl->glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), width, height, 0, format, GL_UNSIGNED_BYTE,
                         upload.constBits());
    } else {
        const QImage packed = upload.convertToFormat(QImage::Format_RGBA8888);
        gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, packed.constBits());
    }
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}
