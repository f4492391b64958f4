#include "shell/QMBDocument.h"

#include "DWKit/widgets/NSToolbar+DWExtensions.h"
#include "DWKit/widgets/QMAnimatedSplitView.h"
#include "DWKit/widgets/QMContainerView.h"
#include "DWKit/widgets/QMSplitView.h"
#include "platform/core/Localization.h"
#include "shell/QMBDocumentArea.h"

#include <QAction>
#include <QEvent>
#include <QIcon>
#include <QSplitterHandle>
#include <QToolBar>
#include <QToolButton>

#include "platform/widgets/ApplicationImage.h"

namespace {

// The settings pane has one width; it is shown or hidden, never resized.
constexpr int kSettingsPaneWidth = 300;
// The design chooser's height when the toolbar shows it, its least height, and its height when
// the button over the preview shows it.
constexpr int kDesignChooserHeight = 240;
constexpr int kAuctionDesignHeight = 250;
// The button over the preview that shows and hides the chooser stands this far from the right.
constexpr int kCollapseButtonRightMargin = 50;

// A double click on the chooser's divider hides the chooser; other dividers ignore it.
class DividerDoubleClick : public QObject
{
public:
    DividerDoubleClick(QObject* handle, std::function<void()> action) : QObject(handle), m_action(std::move(action))
    {
        handle->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonDblClick)
            return false;
        m_action();
        return true;
    }

private:
    std::function<void()> m_action;
};

bool firstPaneCollapsed(const QSplitter* split)
{
    // Before the split view has been laid out every extent is 0: nothing is collapsed yet.
    const QList<int> sizes = split->sizes();
    return sizes.size() >= 2 && sizes.at(0) == 0 && sizes.at(1) > 0;
}

void relabel(QToolBar* toolbar, const char* identifier, const QString& label)
{
    // The button under the icon shows the icon text, which was set apart from the text.
    if (QAction* item = dw::itemWithIdentifier(toolbar, QString::fromLatin1(identifier))) {
        item->setText(label);
        item->setIconText(label);
    }
}

} // namespace

bool QMBDocument::optionsVisible() const
{
    const QList<int> sizes = mainVerticalSplitView()->sizes();
    return !(sizes.size() >= 2 && sizes.at(1) == 0 && sizes.at(0) > 0);
}

bool QMBDocument::designsVisible() const
{
    return !firstPaneCollapsed(previewSplitView());
}

void QMBDocument::setupSplitViews()
{
    // Only the settings pane may collapse; it keeps its width whatever the window's size.
    QMAnimatedSplitView* main = mainVerticalSplitView();
    main->setChildrenCollapsible(true);
    main->setCollapsible(0, false);
    main->setCollapsible(1, true);
    QWidget* settings = rightVerticalSplitViewContentView();
    connect(main, &QMAnimatedSplitView::splitterAnimationFinished, settings, [main, settings] {
        // Shown, it has its one width; hidden, none, so that no resize brings it back.
        const int width = main->sizes().value(1) > 0 ? kSettingsPaneWidth : 0;
        settings->setMinimumWidth(width);
        settings->setMaximumWidth(width);
    });

    // The chooser above the preview: at least 240 high, or hidden.
    QMSplitView* preview = previewSplitView();
    preview->setChildrenCollapsible(true);
    preview->setCollapsible(0, true);
    preview->setCollapsible(1, false);
    previewSplitViewTopView()->setMinimumHeight(kDesignChooserHeight);
    if (preview->count() >= 2)
        new DividerDoubleClick(preview->handle(1), [this] {
            if (designsVisible())
                toggleMainHorizontalSplitView();
        });
    connect(preview, &QSplitter::splitterMoved, this, &QMBDocument::updatePreviewColapseButton);
    updatePreviewColapseButton();
}

void QMBDocument::toggleMainHorizontalSplitView()
{
    QMSplitView* split = previewSplitView();
    const int total = split->height() - split->handleWidth();
    if (!designsVisible()) {
        relabel(mainToolbar(), "TBToggleDesigns", dw::localized("Hide Designs"));
        split->setSizes({kDesignChooserHeight, std::max(0, total - kDesignChooserHeight)});
    } else {
        relabel(mainToolbar(), "TBToggleDesigns", dw::localized("Show Designs"));
        split->setSizes({0, total});
    }
    updatePreviewColapseButton();
}

void QMBDocument::toggleMainVerticalSplitView()
{
    QMAnimatedSplitView* split = mainVerticalSplitView();
    QWidget* settings = rightVerticalSplitViewContentView();
    // The pane slides in and out freely; it takes its one width again when the slide ends.
    settings->setMinimumWidth(0);
    settings->setMaximumWidth(QWIDGETSIZE_MAX);
    if (split->splitterPosition() > 10.0f) {
        relabel(mainToolbar(), "TBToggleOptions", dw::localized("Show Options"));
        split->setSplitterPosition(float(split->width()), true);
    } else {
        relabel(mainToolbar(), "TBToggleOptions", dw::localized("Hide Options"));
        split->setSplitterPosition(float(split->width() - kSettingsPaneWidth - split->dividerThickness()), true);
    }
}

void QMBDocument::toggleAuctionDesignSplitView()
{
    QMSplitView* split = previewSplitView();
    const int total = split->height() - split->handleWidth();
    const int top = firstPaneCollapsed(split) ? kAuctionDesignHeight : 0;
    split->setSizes({top, std::max(0, total - top)});
    updatePreviewColapseButton();
}

void QMBDocument::updatePreviewColapseButton()
{
    // The button lives in the format toolbar over the preview, when that toolbar has one.
    auto* button = findChild<QToolButton*>(QStringLiteral("colapsePreviewSplitViewButton"));
    if (!button)
        return;
    const char* image =
        firstPaneCollapsed(previewSplitView()) ? "FormatToolbar_ShowDesigns" : "FormatToolbar_HideDesigns";
    button->setIcon(dw::applicationIcon(QString::fromLatin1(image)));
    if (QWidget* parent = button->parentWidget())
        button->move(parent->width() - button->width() - kCollapseButtonRightMargin, button->y());
}
