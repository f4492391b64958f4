#include "description/DesignChooser/QMFlowView.h"

#include "DWKit/QMLog.h"
#include "description/DesignChooser/QMDesignTemplate+ImageView.h"
#include "description/DesignChooser/QMFlowTextureLoader.h"
#include "description/DesignChooser/QMFlowViewArrayController.h"
#include "platform/core/DWAssert.h"
#include "platform/core/MainThread.h"
#include "platform/core/UserDefaults.h"
#include "platform/widgets/ApplicationImage.h"

#include <QOpenGLBuffer>
#include <QOpenGLContext>
#include <QOpenGLShaderProgram>
#include <QThread>
#include <cmath>

namespace {

// The fixed-function lighting the covers were designed with, per vertex: one light, diffuse and a
// broad specular (shininess 1), no ambient; the texture modulates the lit colour.
const char* const kVertexShader = R"(
attribute highp vec3 position;
attribute highp vec2 texCoord;
uniform highp mat4 modelView;
uniform highp mat4 projection;
uniform mediump vec3 normal;
uniform mediump vec3 lightPosition;
uniform mediump vec4 diffuse;
varying mediump vec2 vTexCoord;
varying mediump vec4 vColor;
void main()
{
    highp vec4 eye = modelView * vec4(position, 1.0);
    mediump vec3 toLight = normalize(lightPosition - eye.xyz);
    mediump float lambert = max(dot(normal, toLight), 0.0);
    mediump float specular = 0.0;
    if (lambert > 0.0)
        specular = max(dot(normal, normalize(toLight + vec3(0.0, 0.0, 1.0))), 0.0);
    vColor = clamp(vec4(diffuse.rgb * lambert + vec3(specular), diffuse.a), 0.0, 1.0);
    vTexCoord = texCoord;
    gl_Position = projection * eye;
}
)";

const char* const kFragmentShader = R"(
#ifdef GL_ES
precision mediump float;
#endif
uniform sampler2D texture0;
uniform float textured;
uniform float fadeFrom;
varying mediump vec2 vTexCoord;
varying mediump vec4 vColor;
void main()
{
    vec4 colour = textured > 0.5 ? vColor * texture2D(texture0, vTexCoord) : vColor;
    if (fadeFrom > 0.0)
        colour.rgb *= clamp((vTexCoord.y - fadeFrom) / (0.99 - fadeFrom), 0.0, 1.0);
    gl_FragColor = colour;
}
)";

// Three shapes of four vertices (x, y, z, s, t): the cover, its reflection (the picture upside
// down; drawn one unit lower) and the outline (a hair in front of the cover). The texture is
// mirrored in s because the camera looks along +z.
const GLfloat kVertices[] = {
    // cover
    -0.5f,
    -0.5f,
    0.0f,
    0.99f,
    0.99f,
    -0.5f,
    0.5f,
    0.0f,
    0.99f,
    0.01f,
    0.5f,
    0.5f,
    0.0f,
    0.01f,
    0.01f,
    0.5f,
    -0.5f,
    0.0f,
    0.01f,
    0.99f,
    // reflection
    -0.5f,
    -0.5f,
    0.0f,
    0.99f,
    0.01f,
    -0.5f,
    0.5f,
    0.0f,
    0.99f,
    0.99f,
    0.5f,
    0.5f,
    0.0f,
    0.01f,
    0.99f,
    0.5f,
    -0.5f,
    0.0f,
    0.01f,
    0.01f,
    // outline
    -0.5f,
    -0.5f,
    -0.001f,
    0.0f,
    0.0f,
    -0.5f,
    0.5f,
    -0.001f,
    0.0f,
    0.0f,
    0.5f,
    0.5f,
    -0.001f,
    0.0f,
    0.0f,
    0.5f,
    -0.5f,
    -0.001f,
    0.0f,
    0.0f,
};
constexpr int kCoverFirst = 0;
constexpr int kReflectionFirst = 4;
constexpr int kOutlineFirst = 8;
constexpr float kReflectionDrop = -1.001f;
// A reflection fades out from the cover's foot to this texture row (0.99 is the foot), so that it
// ends on black above the name, whatever the scene's height.
constexpr float kReflectionFadeEnd = 0.55f;

void logGLError(QOpenGLFunctions* gl, const char* file, int line)
{
    const GLenum error = gl->glGetError();
    if (error != GL_NO_ERROR)
        QMLog("OpenGL error at %s:%ld: %s\n", QString::fromLatin1(file), qint64(line),
              QStringLiteral("0x%1").arg(error, 4, 16, QLatin1Char('0')));
}

} // namespace

void QMFlowView::initializeGL()
{
    initializeOpenGLFunctions();
    // Held rather than made unique: Qt refuses a unique connection to a lambda and would make none.
    disconnect(m_contextConnection);
    m_contextConnection = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
        // Moving the view into another window replaces its context; whatever lived in the old
        // one is made again in the new one.
        m_loader->stop();
        ++m_textureGeneration;
        m_pendingBitmaps.clear();
        makeCurrent();
        releaseGLResources();
        m_vertices.reset();
        doneCurrent();
        m_glReady = false;
    });
    if (dw::UserDefaults::standard().boolForKey(QStringLiteral("logOpenGLFormats")))
        QMLog("%@", contextInfo(context()));

    m_program = std::make_unique<QOpenGLShaderProgram>();
    if (!m_program->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) ||
        !m_program->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader) || !m_program->link()) {
        QMLog("OpenGL: the carousel's shaders do not build: %@", m_program->log());
        m_program.reset();
        return;
    }
    m_vertices = std::make_unique<QOpenGLBuffer>(QOpenGLBuffer::VertexBuffer);
    m_vertices->create();
    m_vertices->bind();
    m_vertices->allocate(kVertices, int(sizeof(kVertices)));
    m_vertices->release();

    const QImage placeholder =
        preparedImageRepForImage(dw::applicationImage(QStringLiteral("placeholder_image")), textureSize());
    if (!placeholder.isNull()) {
        int width = 0, height = 0;
        textureFromImage(placeholder, m_placeholderTextureID, width, height);
    }
    m_glReady = true;
    uploadPendingBitmaps();
    // A context made anew (the view moved to another window) has lost the textures: load them again.
    if (m_hasTextureArray && loadedTextureCount() == 0 && !m_loader->isRunning())
        startGeneratingTextures();
}

void QMFlowView::startGeneratingTextures()
{
    m_loader->stop();
    ++m_textureGeneration;
    const qsizetype count = m_arrayController->count();
    allocateMemoryForNewTextureCount(count);
    m_pendingBitmaps.clear();
    if (count == 0)
        return;
    QList<QMFlowPictureSource> sources;
    sources.reserve(count);
    for (const ObjectPtr& object : m_arrayController->arrangedObjects())
        sources.append(QMFlowPictureSource::forKeyPath(*object, m_imageKeyPath));
    const auto range = visibleRange();
    if (!range.isEmpty())
        m_loader->setPreferredRange(range.first, range.last);
    QPointer<QMFlowView> guard(this);
    const quint64 generation = m_textureGeneration;
    m_loader->start(std::move(sources), textureSize(), [guard, generation](qsizetype index, const QImage& bitmap) {
        dw::postToMain(QPointer<const QObject>(guard.data()),
                       [guard, generation, index, bitmap] { guard->textureReady(generation, index, bitmap); });
    });
}

void QMFlowView::allocateMemoryForNewTextureCount(qsizetype count)
{
    DW_ASSERT(QThread::currentThread() == thread(), "Only allocate memory on main thread");
    const bool hasTextures = std::any_of(m_textureIDs.begin(), m_textureIDs.end(), [](GLuint id) { return id != 0; });
    if (hasTextures && m_glReady && context()) {
        const bool wasCurrent = QOpenGLContext::currentContext() == context();
        if (!wasCurrent)
            makeCurrent();
        deleteTextures();
        if (!wasCurrent)
            doneCurrent();
    }
    m_textureIDs.assign(size_t(count), 0);
    m_hasTextureArray = count > 0;
}

void QMFlowView::deleteTextures()
{
    // The caller has made the context current.
    if (!m_glReady || !context())
        return;
    for (GLuint& id : m_textureIDs) {
        if (id != 0)
            glDeleteTextures(1, &id);
        id = 0;
    }
    logGLError(this, __FILE__, __LINE__);
}

void QMFlowView::releaseGLResources()
{
    // The caller has made the context current.
    deleteTextures();
    if (m_glReady && m_placeholderTextureID != 0)
        glDeleteTextures(1, &m_placeholderTextureID);
    m_placeholderTextureID = 0;
    m_program.reset();
    m_vertices.reset();
}

void QMFlowView::textureReady(quint64 generation, qsizetype index, const QImage& bitmap)
{
    if (generation != m_textureGeneration || index < 0 || size_t(index) >= m_textureIDs.size())
        return;
    if (!m_glReady) {
        m_pendingBitmaps.insert(index, bitmap);
        return;
    }
    makeCurrent();
    int width = 0, height = 0;
    textureFromImage(bitmap, m_textureIDs[size_t(index)], width, height);
    doneCurrent();
    setNeedsDisplayIfTextureIsVisible(index);
}

void QMFlowView::uploadPendingBitmaps()
{
    // Called from initializeGL, with the context current.
    for (auto it = m_pendingBitmaps.constBegin(); it != m_pendingBitmaps.constEnd(); ++it) {
        if (size_t(it.key()) < m_textureIDs.size()) {
            int width = 0, height = 0;
            textureFromImage(it.value(), m_textureIDs[size_t(it.key())], width, height);
        }
    }
    m_pendingBitmaps.clear();
}

qsizetype QMFlowView::loadedTextureCount() const
{
    return std::count_if(m_textureIDs.begin(), m_textureIDs.end(), [](GLuint id) { return id != 0; }) +
           m_pendingBitmaps.size();
}

bool QMFlowView::isLoadingTextures() const
{
    return m_loader->isRunning();
}

void QMFlowView::setNeedsDisplayIfTextureIsVisible(qsizetype index)
{
    const auto range = visibleRange();
    if (!range.isEmpty() && index >= range.first && index <= range.last)
        update();
}

void QMFlowView::paintGL()
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const auto range = visibleRange();
    if (range.isEmpty() || !m_hasTextureArray || !m_program || !m_vertices)
        return;
    m_loader->setPreferredRange(range.first, range.last);

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    m_program->bind();
    m_vertices->bind();
    const int stride = 5 * int(sizeof(GLfloat));
    m_program->enableAttributeArray("position");
    m_program->enableAttributeArray("texCoord");
    m_program->setAttributeBuffer("position", GL_FLOAT, 0, 3, stride);
    m_program->setAttributeBuffer("texCoord", GL_FLOAT, 3 * int(sizeof(GLfloat)), 2, stride);
    m_program->setUniformValue("texture0", 0);
    m_program->setUniformValue("fadeFrom", 0.0f);
    m_program->setUniformValue("lightPosition", qm::flow::lightPosition());
    glActiveTexture(GL_TEXTURE0);

    // The scene keeps to its own part of the view; the name and the scroller lie below it on black.
    const QRect scene = sceneRect();
    const qreal ratio = devicePixelRatioF();
    glViewport(0, int(std::lround((height() - scene.bottom() - 1) * ratio)), int(std::lround(scene.width() * ratio)),
               int(std::lround(scene.height() * ratio)));
    const QMatrix4x4 projection = qm::flow::projectionMatrixForBounds(scene.size());
    m_program->setUniformValue("projection", projection);
    // Side covers from the outside in, the front cover last.
    for (qsizetype i = range.first; i < range.centre; ++i)
        drawQuadForIndex(i, range);
    for (qsizetype i = range.last; i > range.centre; --i)
        drawQuadForIndex(i, range);
    drawQuadForIndex(range.centre, range);

    m_program->disableAttributeArray("position");
    m_program->disableAttributeArray("texCoord");
    m_vertices->release();
    m_program->release();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    logGLError(this, __FILE__, __LINE__);
}

void QMFlowView::drawQuadForIndex(qsizetype index, const qm::flow::VisibleRange& range)
{
    const GLuint texture = size_t(index) < m_textureIDs.size() ? m_textureIDs[size_t(index)] : 0;
    const bool placeholder = texture == 0;
    glBindTexture(GL_TEXTURE_2D, placeholder ? m_placeholderTextureID : texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    const QMatrix4x4 modelView = qm::flow::coverModelView(index, range.centre, range.progress);
    // The cover's normal (0, 0, 1) in eye coordinates; the model-view has no scaling.
    const QVector3D normal = modelView.mapVector(QVector3D(0, 0, 1)).normalized();
    const float b = qm::flow::coverBrightness(index, range.centre, range.progress);
    m_program->setUniformValue("modelView", modelView);
    m_program->setUniformValue("normal", normal);

    m_program->setUniformValue("textured", 1.0f);
    m_program->setUniformValue("diffuse", QVector4D(b, b, b, 1));
    glDrawArrays(GL_TRIANGLE_FAN, kCoverFirst, 4);

    const bool enabled = index == m_arrayController->enabledIndex() && m_shouldDrawSelectedFrame;
    if (enabled || placeholder) {
        m_program->setUniformValue("textured", 0.0f);
        glLineWidth(enabled ? 2.0f : 1.0f);
        m_program->setUniformValue("diffuse", enabled ? QVector4D(0.2f * b, 0.5f * b, b, 1)
                                                      : QVector4D(0.5f * b, 0.5f * b, 0.5f * b, 1));
        glDrawArrays(GL_LINE_LOOP, kOutlineFirst, 4);
        glLineWidth(1.0f);
        m_program->setUniformValue("textured", 1.0f);
    }

    QMatrix4x4 reflection = modelView;
    reflection.translate(0, kReflectionDrop, 0);
    m_program->setUniformValue("modelView", reflection);
    m_program->setUniformValue("diffuse", QVector4D(0.3f * b, 0.3f * b, 0.3f * b, 1));
    m_program->setUniformValue("fadeFrom", kReflectionFadeEnd);
    glDrawArrays(GL_TRIANGLE_FAN, kReflectionFirst, 4);
    m_program->setUniformValue("fadeFrom", 0.0f);
}
