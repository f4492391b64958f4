#include "description/DesignChooser/QMFlowView.h"

#include "DWKit/QMLog.h"
#include "description/DesignChooser/QMBlackScroller.h"
#include "description/DesignChooser/QMDesignTemplate+ImageView.h"
#include "description/DesignChooser/QMFlowTextureLoader.h"
#include "description/DesignChooser/QMFlowViewArrayController.h"
#include "platform/core/UserDefaults.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLBuffer>
#include <QOpenGLShaderProgram>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>

namespace {

// The scroller and the name stand at the bottom, inset from the sides.
constexpr int kSideInset = 20;
constexpr int kScrollerBottom = 14;
constexpr int kNameGap = 8;
constexpr int kNameHeight = 17;
// The covers' reflections fade out this far above the scroller; the name lies on their faded end.
constexpr int kSceneGap = 4;
// The delegate hears of a choice or a new front object a moment later, once the click or the turn
// has been drawn.
constexpr int kDelegateDelayMs = 50;

} // namespace

QMFlowView::QMFlowView(const QMPixelFormat& pixelFormat, QWidget* parent)
    : QMAbstractOpenGLView(pixelFormat, parent), m_arrayController(new QMFlowViewArrayController(this)),
      m_animation(new QMFlowViewAnimation(this, this)), m_loader(std::make_unique<QMFlowTextureLoader>())
{
    setObjectName(QStringLiteral("previewFlowView"));
    setFocusPolicy(Qt::StrongFocus);
    setTextureSize({256, 256});
    if (dw::UserDefaults::standard().boolForKey(QStringLiteral("logOpenGLFormats")))
        QMLog("%@", formatInfo(pixelFormat.format));
    const double keyRepeat = dw::UserDefaults::standard().doubleForKey(QStringLiteral("InitialKeyRepeat")) / 100.0;
    m_initialKeyRepeat = keyRepeat > 0 ? keyRepeat : 1.0;

    m_scroller = new QMBlackScroller(QRect(kSideInset, 0, 200, QMBlackScroller::kScrollerWidth), this);
    connect(m_scroller, &QMBlackScroller::floatValueChanged, this, &QMFlowView::scrollerMoved);
    m_textField = new QLabel(this);
    m_textField->setObjectName(QStringLiteral("flowNameLabel"));
    m_textField->setAlignment(Qt::AlignCenter);
    m_textField->setAttribute(Qt::WA_TranslucentBackground);
    QFont font = m_textField->font();
    font.setBold(true);
    font.setPixelSize(13);
    m_textField->setFont(font);
    QPalette palette = m_textField->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    m_textField->setPalette(palette);

    connect(m_arrayController, &QMFlowViewArrayController::arrangedObjectsChanged, this,
            &QMFlowView::arrangedObjectsChanged);
    connect(m_arrayController, &QMFlowViewArrayController::selectionChanged, this, &QMFlowView::selectionChanged);
    connect(m_arrayController, &QMFlowViewArrayController::enabledIndexChanged, this, qOverload<>(&QWidget::update));
    updateScroller();
}

QMFlowView::~QMFlowView()
{
    // The last context ends in the base class's destructor, when nothing of this view may run.
    disconnect(m_contextConnection);
    // The loader never waits for the main thread, so stopping it here cannot block.
    m_loader->stop();
    if (m_glReady) {
        makeCurrent();
        releaseGLResources();
        doneCurrent();
    }
}

void QMFlowView::resizeEvent(QResizeEvent* event)
{
    QMAbstractOpenGLView::resizeEvent(event);
    const int w = std::max(0, width() - 2 * kSideInset);
    const int scrollerY = height() - kScrollerBottom - QMBlackScroller::kScrollerWidth;
    m_scroller->setGeometry(kSideInset, scrollerY, w, QMBlackScroller::kScrollerWidth);
    m_textField->setGeometry(kSideInset, scrollerY - kNameGap - kNameHeight, w, kNameHeight);
}

QRect QMFlowView::sceneRect() const
{
    const int strip = kScrollerBottom + QMBlackScroller::kScrollerWidth + kSceneGap;
    return {0, 0, width(), std::max(1, height() - strip)};
}

void QMFlowView::setArrayControllerContent(const QList<ObjectPtr>& content)
{
    if (content == m_arrayControllerContent && m_arrayController->content() == content)
        return;
    m_arrayControllerContent = content;
    m_arrayController->setContent(content);
    selectObjectAtIndex(0, false, false);
    update();
}

void QMFlowView::setNameKeyPath(const QString& keyPath)
{
    m_nameKeyPath = keyPath;
    if (!keyPath.isEmpty())
        m_arrayController->setSortKeyPath(keyPath);
}

void QMFlowView::setShouldDrawSelectedFrame(bool draws)
{
    m_shouldDrawSelectedFrame = draws;
    update();
}

void QMFlowView::arrangedObjectsChanged()
{
    // Textures follow the arranged order: a new arrangement needs them all again.
    startGeneratingTextures();
    updateScroller();
    update();
}

void QMFlowView::selectionChanged()
{
    const qsizetype index = m_arrayController->selectionIndex();
    if (index != QMFlowViewArrayController::NotFound) {
        setScrollerValueForIndex(index);
        selectObjectAtIndex(index, false, false);
    } else {
        showNameOfObjectAtIndex(index);
    }
    update();
}

qm::flow::VisibleRange QMFlowView::visibleRange()
{
    return qm::flow::visibleRange(m_animation->fromSelection(), m_animation->currentValue(),
                                  m_arrayController->count());
}

void QMFlowView::selectObjectAtIndex(qsizetype index, bool animate, bool slow)
{
    const qsizetype count = m_arrayController->count();
    if (index < 0 || index >= count)
        return;
    if (!animate) {
        m_animation->stopAnimation();
        m_animation->setCurrentProgress(0);
        setScrollerValueForIndex(index);
        m_animation->setFromSelection(index);
        m_animation->setToSelection(index);
        m_arrayController->setSelectionIndex(index);
        showNameOfObjectAtIndex(m_arrayController->selectionIndex());
        update();
        return;
    }
    if (m_animation->isAnimating()) {
        m_animation->stopAnimation();
        const qsizetype reached = m_animation->toSelection();
        m_animation->setCurrentProgress(0);
        m_arrayController->setSelectionIndex(reached);
    }
    m_animation->setDuration(slow ? 10.0 : 1.0);
    m_animation->setFromSelection(m_arrayController->selectionIndex());
    m_animation->setToSelection(index);
    m_animation->startAnimation();
    showNameOfObjectAtIndex(index);
}

void QMFlowView::setScrollerValueForIndex(qsizetype index)
{
    const qsizetype count = m_arrayController->count();
    m_updatingScroller = true;
    m_scroller->setFloatValue(count > 1 ? double(index) / double(count - 1) : 0.0);
    m_updatingScroller = false;
}

void QMFlowView::showNameOfObjectAtIndex(qsizetype index)
{
    const ObjectPtr object = m_arrayController->objectAtIndex(index);
    const QString name = object ? qm::valueForKeyPath(*object, m_nameKeyPath).toString() : QString();
    if (m_textField->text() != name)
        m_textField->setText(name);
}

void QMFlowView::updateScroller()
{
    const qsizetype count = m_arrayController->count();
    m_updatingScroller = true;
    m_scroller->setFloatValue(0);
    if (count > 1) {
        m_scroller->setKnobProportion(1.0 / double(count));
        m_scroller->setLineScroll(float(1.0 / double(count - 1)));
    } else {
        m_scroller->setKnobProportion(1.0);
        m_scroller->setLineScroll(0);
    }
    m_scroller->setPageScroll(16 * m_scroller->lineScroll());
    m_updatingScroller = false;
}

void QMFlowView::scrollerMoved(double value)
{
    if (m_updatingScroller)
        return;
    const qsizetype count = m_arrayController->count();
    const qsizetype index = value <= 0 ? 0 : qsizetype(std::floor(double(count - 1) * value + 0.5));
    selectObjectAtIndex(index, true, false);
}

void QMFlowView::keyPressEvent(QKeyEvent* event)
{
    const qsizetype count = m_arrayController->count();
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        const bool back = event->key() == Qt::Key_Left;
        if (back ? !m_arrayController->canSelectPrevious() : !m_arrayController->canSelectNext()) {
            QMAbstractOpenGLView::keyPressEvent(event);
            return;
        }
        const qsizetype target = std::clamp<qsizetype>(m_animation->toSelection() + (back ? -1 : 1), 0, count - 1);
        selectObjectAtIndex(target, true, false);
        return;
    }
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isLetterOrNumber()) {
        QMAbstractOpenGLView::keyPressEvent(event);
        return;
    }
    m_savedKeystrokes += text;
    m_keystrokeClock.start();
    QTimer::singleShot(int(std::lround(m_initialKeyRepeat * 1000)), Qt::PreciseTimer, this,
                       &QMFlowView::invokeKeystrokeInvocation);
}

void QMFlowView::invokeKeystrokeInvocation()
{
    // Only the call scheduled by the last character of a burst acts.
    if (m_keystrokeClock.isValid() && m_keystrokeClock.elapsed() + 1 >= qint64(m_initialKeyRepeat * 1000))
        selectObjectWithSavedKeystrokes();
}

void QMFlowView::selectObjectWithSavedKeystrokes()
{
    const QString typed = m_savedKeystrokes;
    m_savedKeystrokes.clear();
    m_keystrokeClock.invalidate();
    const qsizetype count = m_arrayController->count();
    if (typed.isEmpty() || count == 0)
        return;
    qsizetype target = count - 1;
    for (qsizetype i = 0; i < count; ++i) {
        const QString name = qm::valueForKeyPath(*m_arrayController->objectAtIndex(i), m_nameKeyPath).toString();
        if (!name.isEmpty() && name.compare(typed, Qt::CaseInsensitive) >= 0) {
            target = i;
            break;
        }
    }
    selectObjectAtIndex(target, true, false);
}

void QMFlowView::wheelEvent(QWheelEvent* event)
{
    const qsizetype count = m_arrayController->count();
    if (count == 0) {
        event->ignore();
        return;
    }
    // A notch of the wheel turns by one cover; finer wheels add up until they make one.
    m_wheelRemainder += event->angleDelta().y() / 120.0;
    const double steps = std::trunc(m_wheelRemainder);
    event->accept();
    if (steps == 0)
        return;
    m_wheelRemainder -= steps;
    qsizetype target = m_animation->toSelection() - qsizetype(steps);
    if (target < 0)
        target = 0;
    if (target >= count)
        target = count - 1;
    selectObjectAtIndex(target, true, false);
}

void QMFlowView::mousePressEvent(QMouseEvent* event)
{
    handleClick(event, 1);
}

void QMFlowView::mouseDoubleClickEvent(QMouseEvent* event)
{
    handleClick(event, 2);
}

void QMFlowView::handleClick(QMouseEvent* event, int clickCount)
{
    setFocus(Qt::MouseFocusReason);
    const qsizetype count = m_arrayController->count();
    const qsizetype selected = m_arrayController->selectionIndex();
    const auto range = qm::flow::visibleRange(selected, m_animation->currentValue(), count);
    const QRectF scene = sceneRect();
    const qsizetype hit =
        qm::flow::calculateSelectedIndexForMousePointInBounds(event->position() - scene.topLeft(), scene.size(), range);
    if (hit == qm::flow::NotFound)
        return;
    if (event->button() == Qt::RightButton) {
        if (hit == selected && m_selectedObjectMenu)
            m_selectedObjectMenu->popup(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (hit != selected && hit >= 0 && hit < count) {
        selectObjectAtIndex(hit, true, event->modifiers() & Qt::ShiftModifier);
    } else if (hit == selected && clickCount == 2) {
        m_arrayController->setEnabledIndex(hit);
        // The object itself, not its index: the content may change before the delegate hears.
        const ObjectPtr chosen = m_arrayController->objectAtIndex(hit);
        QTimer::singleShot(kDelegateDelayMs, this, [this, chosen] {
            if (m_delegate)
                m_delegate->flowViewSelectionChangedTo(this, chosen);
        });
    }
}

double QMFlowView::animationValueForProgress(QMFlowViewAnimation* animation, double progress)
{
    if (animation != m_animation)
        return progress;
    return (1.0 - std::pow(1.0 - progress, 6)) * double(animation->offset());
}

void QMFlowView::animationCurrentProgressChanged(QMFlowViewAnimation* animation, double)
{
    if (animation == m_animation)
        update();
}

void QMFlowView::animationDidEnd(QMFlowViewAnimation* animation)
{
    if (animation != m_animation)
        return;
    const qsizetype reached = animation->toSelection();
    m_arrayController->setSelectionIndex(reached);
    animation->setFromSelection(reached);
    animation->setCurrentProgress(0);
    const ObjectPtr front = m_arrayController->selectedObject();
    if (!front)
        return;
    QTimer::singleShot(kDelegateDelayMs, this, [this, front] {
        if (m_delegate)
            m_delegate->flowViewFrontObjectChangedTo(this, front);
    });
}

void QMFlowDisplay::setEnabledIndex(qsizetype index)
{
    arrayController()->setEnabledIndex(index);
}
