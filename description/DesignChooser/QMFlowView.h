#pragma once
// The template carousel: the objects of its array controller as a row of picture covers in 3-D on
// a black ground. The front cover faces the viewer, its neighbours stand turned at both sides,
// each with a reflection, and the front object's name and a dark scroller lie underneath. The user
// turns the row with the arrow keys, the wheel, the scroller, by typing the start of a name or by
// clicking a cover; a double click on the front cover chooses it (the delegate hears of it).
//
// Pictures become textures in two steps: a loader thread scales them into bitmaps (the covers on
// screen first), and the main thread uploads each bitmap when it arrives; a bitmap of an earlier
// content is dropped. Until its picture is there a cover shows the picture "placeholder_image".
// Drawing uses shaders; make the view only where QMAbstractOpenGLView::defaultPixelFormat() can
// draw with them (QMDesignFlowUIController shows QMFlowGridView otherwise).
//
//     auto* carousel = new QMFlowView(QMAbstractOpenGLView::defaultPixelFormat(), parent);
//     carousel->setImageKeyPath("templatePreview");
//     carousel->setNameKeyPath("name");
//     carousel->setArrayControllerContent(manager.activeDesignTemplates());
//
// Main thread.

#include "description/DesignChooser/QMAbstractOpenGLView.h"
#include "description/DesignChooser/QMFlowDisplay.h"
#include "description/DesignChooser/QMFlowGeometry.h"
#include "description/DesignChooser/QMFlowViewAnimation.h"

#include <QElapsedTimer>
#include <QHash>
#include <QOpenGLFunctions>
#include <QPointer>
#include <memory>
#include <vector>

class QLabel;
class QMBlackScroller;
class QMFlowTextureLoader;
#include <QMenu>
class QOpenGLBuffer;
class QOpenGLShaderProgram;

class QMFlowView : public QMAbstractOpenGLView,
                   public QMFlowDisplay,
                   protected QOpenGLFunctions,
                   public QMFlowViewAnimationDelegate
{
    Q_OBJECT

public:
    QMFlowView(const QMPixelFormat& pixelFormat, QWidget* parent = nullptr);
    ~QMFlowView() override;

    // QMFlowDisplay
    QWidget* widget() override { return this; }
    QMFlowViewArrayController* arrayController() const override { return m_arrayController; }
    void setArrayControllerContent(const QList<ObjectPtr>& content) override;
    void selectObjectAtIndex(qsizetype index, bool animate, bool slow) override;
    void setDelegate(QMFlowViewDelegate* delegate) override { m_delegate = delegate; }
    void setImageKeyPath(const QString& keyPath) override { m_imageKeyPath = keyPath; }
    void setNameKeyPath(const QString& keyPath) override;
    void setShouldDrawSelectedFrame(bool draws) override;

    QString imageKeyPath() const { return m_imageKeyPath; }
    QString nameKeyPath() const { return m_nameKeyPath; }
    bool shouldDrawSelectedFrame() const { return m_shouldDrawSelectedFrame; }
    // The context menu of the front cover; not owned. Without one nothing pops up.
    void setSelectedObjectMenu(QMenu* menu) { m_selectedObjectMenu = menu; }

    QMBlackScroller* scroller() const { return m_scroller; }
    // Where the covers and their reflections are drawn: the whole width above the scroller, so that
    // it never crosses a cover; the name lies on the reflections' faded end.
    QRect sceneRect() const;
    QLabel* textField() const { return m_textField; }
    QMFlowViewAnimation* animation() const { return m_animation; }

    // The covers as they stand now: the one in front (or reached by a turn) and the turn's rest.
    qm::flow::VisibleRange visibleRange();
    // Textures uploaded for the current content; bitmaps waiting for the context count too.
    qsizetype loadedTextureCount() const;
    bool isLoadingTextures() const;

    // Type-to-select: the quiet time that ends a typed name, in seconds.
    double initialKeyRepeat() const { return m_initialKeyRepeat; }
    void setInitialKeyRepeat(double seconds) { m_initialKeyRepeat = seconds; }
    // Turns to the first object whose name is at or after the typed text (ignoring case), or to
    // the last one; clears the text.
    void selectObjectWithSavedKeystrokes();
    QString savedKeystrokes() const { return m_savedKeystrokes; }

    // QMFlowViewAnimationDelegate
    double animationValueForProgress(QMFlowViewAnimation* animation, double progress) override;
    void animationCurrentProgressChanged(QMFlowViewAnimation* animation, double progress) override;
    void animationDidEnd(QMFlowViewAnimation* animation) override;

protected:
    void initializeGL() override;
    void paintGL() override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void handleClick(QMouseEvent* event, int clickCount);
    void arrangedObjectsChanged();
    void selectionChanged();
    void scrollerMoved(double value);
    void updateScroller();
    void setScrollerValueForIndex(qsizetype index);
    void showNameOfObjectAtIndex(qsizetype index);
    void invokeKeystrokeInvocation();

    // Textures (QMFlowView+OpenGL.cpp).
    void startGeneratingTextures();
    void allocateMemoryForNewTextureCount(qsizetype count);
    void textureReady(quint64 generation, qsizetype index, const QImage& bitmap);
    void uploadPendingBitmaps();
    void deleteTextures();
    void drawQuadForIndex(qsizetype index, const qm::flow::VisibleRange& range);
    void releaseGLResources();
    void setNeedsDisplayIfTextureIsVisible(qsizetype index);

    QMFlowViewArrayController* m_arrayController = nullptr;
    QMFlowViewDelegate* m_delegate = nullptr;
    QPointer<QMenu> m_selectedObjectMenu;
    QList<ObjectPtr> m_arrayControllerContent;
    QMBlackScroller* m_scroller = nullptr;
    QLabel* m_textField = nullptr;
    bool m_updatingScroller = false;
    QString m_imageKeyPath;
    QString m_nameKeyPath;
    bool m_shouldDrawSelectedFrame = false;
    QMFlowViewAnimation* m_animation = nullptr;
    double m_wheelRemainder = 0;

    QString m_savedKeystrokes;
    double m_initialKeyRepeat = 1.0;
    QElapsedTimer m_keystrokeClock;

    // Textures: one name per arranged object (0 until its bitmap is uploaded), bitmaps that
    // arrived before the context existed, and the content's generation, so that bitmaps of an
    // earlier content are dropped.
    std::unique_ptr<QMFlowTextureLoader> m_loader;
    std::vector<GLuint> m_textureIDs;
    bool m_hasTextureArray = false;
    QHash<qsizetype, QImage> m_pendingBitmaps;
    quint64 m_textureGeneration = 0;
    GLuint m_placeholderTextureID = 0;
    bool m_glReady = false;
    QMetaObject::Connection m_contextConnection;
    std::unique_ptr<QOpenGLShaderProgram> m_program;
    std::unique_ptr<QOpenGLBuffer> m_vertices;
};
