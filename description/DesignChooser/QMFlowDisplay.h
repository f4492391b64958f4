#pragma once
// What the design chooser needs of a view that shows design templates and lets the user choose
// one: the carousel (QMFlowView) where OpenGL can draw it, the grid of thumbnails
// (QMFlowGridView) elsewhere. Both keep their objects in a QMFlowViewArrayController, whose
// indexes are those of the arranged (sorted) objects. Main thread.

#include <QList>
#include <QString>
#include <memory>

class QMDesignTemplate;
class QMFlowDisplay;
class QMFlowViewArrayController;
class QWidget;

class QMFlowViewDelegate
{
public:
    virtual ~QMFlowViewDelegate() = default;
    // The user chose an object (a double click on the one in front).
    virtual void flowViewSelectionChangedTo(QMFlowDisplay*, const std::shared_ptr<QMDesignTemplate>&) {}
    // A turn ended with this object in front.
    virtual void flowViewFrontObjectChangedTo(QMFlowDisplay*, const std::shared_ptr<QMDesignTemplate>&) {}
};

class QMFlowDisplay
{
public:
    using ObjectPtr = std::shared_ptr<QMDesignTemplate>;

    virtual ~QMFlowDisplay() = default;

    virtual QWidget* widget() = 0;
    virtual QMFlowViewArrayController* arrayController() const = 0;
    // Ignored when equal to the list last given. Otherwise the objects are shown from the first.
    virtual void setArrayControllerContent(const QList<ObjectPtr>& content) = 0;
    // Brings the object at the arranged index to the front; an index outside the objects is
    // ignored.
    virtual void selectObjectAtIndex(qsizetype index, bool animate, bool slow) = 0;
    virtual void setDelegate(QMFlowViewDelegate* delegate) = 0;
    virtual void setImageKeyPath(const QString& keyPath) = 0;
    // Sorts the objects by this key, ascending, ignoring case.
    virtual void setNameKeyPath(const QString& keyPath) = 0;
    virtual void setShouldDrawSelectedFrame(bool draws) = 0;
    void setEnabledIndex(qsizetype index);
};
