#pragma once
// The design templates as a plain grid of thumbnails with their names, for machines that offer no
// OpenGL to draw the carousel: the same array controller, the same choice (a double click on a
// thumbnail chooses it and outlines it as the one in use), arrow keys and typing to move.
//
//     QMFlowDisplay* display = new QMFlowGridView(parent);
//     display->setArrayControllerContent(manager.activeDesignTemplates());
//
// Main thread.

#include "description/DesignChooser/QMFlowDisplay.h"

#include <QListWidget>

class QMFlowGridView : public QListWidget, public QMFlowDisplay
{
    Q_OBJECT

public:
    static constexpr int kThumbnailSize = 120;

    explicit QMFlowGridView(QWidget* parent = nullptr);

    QWidget* widget() override { return this; }
    QMFlowViewArrayController* arrayController() const override { return m_arrayController; }
    void setArrayControllerContent(const QList<ObjectPtr>& content) override;
    void selectObjectAtIndex(qsizetype index, bool animate, bool slow) override;
    void setDelegate(QMFlowViewDelegate* delegate) override { m_delegate = delegate; }
    void setImageKeyPath(const QString& keyPath) override;
    void setNameKeyPath(const QString& keyPath) override;
    void setShouldDrawSelectedFrame(bool draws) override;
    bool shouldDrawSelectedFrame() const { return m_shouldDrawSelectedFrame; }

    // What a double click on the thumbnail at the arranged index does.
    void chooseObjectAtIndex(qsizetype index);

private:
    void rebuildItems();
    void controllerSelectionChanged();

    QMFlowViewArrayController* m_arrayController = nullptr;
    QMFlowViewDelegate* m_delegate = nullptr;
    QList<ObjectPtr> m_arrayControllerContent;
    QString m_imageKeyPath;
    QString m_nameKeyPath;
    bool m_shouldDrawSelectedFrame = false;
    bool m_updatingSelection = false;
};
