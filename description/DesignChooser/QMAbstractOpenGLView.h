#pragma once
// The base of views that draw with OpenGL: it chooses a surface format that the machine can give
// (a preferred one with multisampling, else a plain one) and turns pictures into textures of one
// fixed size.
//
// The format is chosen once per process by trying each candidate on a context of its own
// (defaultPixelFormat()). A renderer without shader support is marked as wanting the software
// renderer; on Linux that renderer is Mesa's, which the environment selects when the process
// starts, so such a process cannot switch: views that need shaders check canDrawWithShaders()
// and show something plain instead. Without any context, isAvailable() is false.
//
// Pictures become textures in two steps: preparedImageRepForImage() scales the picture into a
// bitmap of the texture size (any thread), textureFromImage() uploads a bitmap into the current
// context (the view's thread).
//
//     const QImage bitmap = QMAbstractOpenGLView::preparedImageRepForImage(picture, {256, 256});
//     view->makeCurrent();
//     view->textureFromImage(bitmap, textureID, width, height);
//
// Main thread, apart from the functions marked otherwise.

#include <QByteArray>
#include <QImage>
#include <QOpenGLWidget>
#include <QSet>
#include <QSize>
#include <QSurfaceFormat>
#include <functional>
#include <optional>

class QOpenGLContext;

struct QMPixelFormat
{
    QSurfaceFormat format;
    // The renderer lacks shader support.
    bool softwareRendering = false;
    // Some context could be made.
    bool available = false;

    bool canDrawWithShaders() const { return available && !softwareRendering; }
};

class QMAbstractOpenGLView : public QOpenGLWidget
{
    Q_OBJECT

public:
    // Tries a format: the extensions of a context made with it, or nothing when no context could
    // be made.
    using FormatProbe = std::function<std::optional<QSet<QByteArray>>(const QSurfaceFormat&)>;

    explicit QMAbstractOpenGLView(const QMPixelFormat& pixelFormat, QWidget* parent = nullptr);

    // The preferred format (double buffer, depth 16, two samples), else the fallback (double
    // buffer, depth 16, 24-bit colour); marked for software rendering unless the context names
    // the four shader extensions; the default format when the chosen one gives no context.
    // Made once per process with the machine's OpenGL.
    static QMPixelFormat defaultPixelFormat();
    static QMPixelFormat choosePixelFormat(const FormatProbe& probe);
    // For tests: the next defaultPixelFormat() chooses again.
    static void resetDefaultPixelFormat();

    // Diagnostic texts of a format and of a context (the user default "logOpenGLFormats").
    static QString formatInfo(const QSurfaceFormat& format);
    static QString contextInfo(const QOpenGLContext* context);

    QSize textureSize() const { return m_textureSize; }
    void setTextureSize(const QSize& size) { m_textureSize = size; }

    // The scale that fits a picture into the texture, and the horizontal shift that centres it.
    static double textureScale(const QSizeF& picture, const QSizeF& texture);
    static double textureShift(const QSizeF& picture, const QSizeF& texture);
    // A bitmap of the texture size (RGBA, 8 bits a sample, transparent) with the picture scaled by
    // textureScale(), centred across and standing on the bottom edge. Null for a null picture (and
    // a console line). Any thread.
    static QImage preparedImageRepForImage(const QImage& picture, const QSize& textureSize);
    // The largest power of two not above `size` (1 for sizes up to 1).
    static int largestPowerOfTwoNotAbove(int size);
    static QSize textureSizeForBitmap(const QSize& bitmap);

    // Uploads the bitmap (RGBA or RGB, 8 bits a sample) into the current context as a texture of
    // textureSizeForBitmap(), its top-left part; makes a texture name when `textureID` is 0. A bitmap
    // of another format sets `textureID` to 0 and uploads nothing.
    void textureFromImage(const QImage& bitmap, unsigned int& textureID, int& width, int& height);

private:
    QSize m_textureSize{256, 256};
};
