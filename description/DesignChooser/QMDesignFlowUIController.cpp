#include "description/DesignChooser/QMDesignFlowUIController.h"

#include "description/DesignChooser/QMAbstractOpenGLView.h"
#include "description/DesignChooser/QMFlowGridView.h"
#include "description/DesignChooser/QMFlowView.h"
#include "description/DesignChooser/QMFlowViewArrayController.h"
#include "description/DesignChooser/QMKeywordArrayController.h"
#include "description/QMDesignTemplate.h"
#include "description/QMDesignTemplateManager.h"
#include "model/QMEbayItem.h"
#include "platform/core/Localization.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr const char* kKeywordsTable = "ManualLocalizable";

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(11);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgbF(0.6f, 0.6f, 0.6f));
    label->setPalette(palette);
    return label;
}

} // namespace

QMDesignFlowUIController::QMDesignFlowUIController(QMDesignTemplateManager& manager, QObject* parent, Display display)
    : QObject(parent), m_manager(manager), m_designKeywordsArrayController(new QMKeywordArrayController(this)),
      m_layoutKeywordsArrayController(new QMKeywordArrayController(this))
{
    bool carousel = display == Display::Carousel;
    if (display == Display::Automatic)
        carousel = QMAbstractOpenGLView::defaultPixelFormat().canDrawWithShaders();
    buildViews(carousel);

    m_previewFlowView->setImageKeyPath(QStringLiteral("templatePreview"));
    m_previewFlowView->setNameKeyPath(QStringLiteral("name"));
    m_previewFlowView->setShouldDrawSelectedFrame(true);
    m_previewFlowView->setDelegate(this);
    m_previewFlowView->setArrayControllerContent(m_manager.activeDesignTemplates());
    awakeKeywordViews();
}

QMDesignFlowUIController::~QMDesignFlowUIController()
{
    // The views may outlive the chooser in their window: they must not call back into it.
    if (m_flowPreviewContainerView) {
        m_categoriesKeywordView->setDelegate(nullptr);
        m_layoutsKeywordView->setDelegate(nullptr);
        m_previewFlowView->setDelegate(nullptr);
    }
}

void QMDesignFlowUIController::buildViews(bool carousel)
{
    auto* container = new QWidget;
    container->setObjectName(QStringLiteral("flowPreviewContainerView"));
    container->setAutoFillBackground(true);
    QPalette black = container->palette();
    // The carousel's stage is black under any theme; whatever text sits on it is light.
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, Qt::white);
    container->setPalette(black);
    m_flowPreviewContainerView = container;
    // Owned by the chooser until a window takes it.
    connect(this, &QObject::destroyed, container, [container] {
        if (!container->parent())
            delete container;
    });

    m_flowPreviewUpperView = new QWidget(container);
    m_flowPreviewUpperView->setObjectName(QStringLiteral("flowPreviewUpperView"));
    auto* upper = new QHBoxLayout(m_flowPreviewUpperView);
    upper->setContentsMargins(8, 2, 8, 0);
    m_categoriesKeywordView = new QMBlackKeywordView(m_flowPreviewUpperView);
    m_categoriesKeywordView->setObjectName(QStringLiteral("categoriesKeywordView"));
    upper->addWidget(m_categoriesKeywordView, 1);

    if (carousel) {
        auto* view = new QMFlowView(QMAbstractOpenGLView::defaultPixelFormat(), container);
        m_previewFlowView = view;
    } else {
        m_previewFlowView = new QMFlowGridView(container);
    }
    m_usesCarousel = carousel;

    auto* lower = new QHBoxLayout;
    lower->setContentsMargins(8, 0, 8, 2);
    QLabel* layoutCaption = caption(dw::localized("Layout:"), container);
    lower->addWidget(layoutCaption);
    m_layoutsKeywordView = new QMBlackKeywordView(container);
    m_layoutsKeywordView->setObjectName(QStringLiteral("layoutsKeywordView"));
    lower->addWidget(m_layoutsKeywordView, 1);
    // The caption only beside layouts; the bar keeps its place, so the carousel does not jump.
    layoutCaption->setVisible(false);
    connect(m_layoutKeywordsArrayController, &QMKeywordArrayController::arrangedObjectsChanged, layoutCaption,
            [this, layoutCaption] {
                layoutCaption->setVisible(!m_layoutKeywordsArrayController->arrangedObjects().isEmpty());
            });

    auto* layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_flowPreviewUpperView);
    layout->addWidget(m_previewFlowView->widget(), 1);
    layout->addLayout(lower);

    m_categoriesKeywordView->setArrayController(m_designKeywordsArrayController);
    m_layoutsKeywordView->setArrayController(m_layoutKeywordsArrayController);
    m_categoriesKeywordView->setDelegate(this);
    m_layoutsKeywordView->setDelegate(this);
}

QString QMDesignFlowUIController::allKeyword() const
{
    return dw::localized("All");
}

void QMDesignFlowUIController::awakeKeywordViews()
{
    m_designKeywordsArrayController->setContent(m_manager.keywords());
    if (m_designKeywordsArrayController->selectedObjects().isEmpty())
        m_designKeywordsArrayController->setSelectedObjects({allKeyword()});
    m_categoriesKeywordView->setAllowsMultipleSelection(true);
    for (QMKeywordView* bar : {m_categoriesKeywordView, m_layoutsKeywordView}) {
        bar->setDisplayLocalizedStrings(true);
        bar->setLocalizableStringsTable(QString::fromLatin1(kKeywordsTable));
    }
}

void QMDesignFlowUIController::showTemplatesForSelectedKeywords()
{
    const QList<TemplatePtr> designs =
        m_manager.designTemplatesForKeywords(m_designKeywordsArrayController->selectedObjects());
    m_previewFlowView->setArrayControllerContent(designs);
    if (m_delegate)
        m_delegate->designFlowUIControllerSelectedDesignsChangedTo(this, designs);
}

void QMDesignFlowUIController::keywordViewDidSelectKeyword(QMKeywordView* view, const QString& keyword)
{
    if (view == m_categoriesKeywordView) {
        if (keyword == allKeyword())
            m_designKeywordsArrayController->setSelectedObjects({allKeyword()});
        else
            m_designKeywordsArrayController->removeSelectedObject(allKeyword());
        showTemplatesForSelectedKeywords();
    } else if (view == m_layoutsKeywordView) {
        if (m_delegate)
            m_delegate->designFlowUIControllerSelectedLayoutChangedTo(this, keyword);
    }
}

void QMDesignFlowUIController::keywordViewDidUnselectKeyword(QMKeywordView* view, const QString&)
{
    if (view != m_categoriesKeywordView)
        return;
    if (m_designKeywordsArrayController->selectedObjects().isEmpty())
        m_designKeywordsArrayController->setSelectedObjects({allKeyword()});
    showTemplatesForSelectedKeywords();
}

void QMDesignFlowUIController::flowViewSelectionChangedTo(QMFlowDisplay* view, const TemplatePtr& design)
{
    if (view == m_previewFlowView && m_delegate)
        m_delegate->designFlowUIControllerSelectionChangedTo(this, design);
}

void QMDesignFlowUIController::updateFlowViewForDesignTemplates(const QList<TemplatePtr>& designs,
                                                                const QMEbayItem& item)
{
    m_previewFlowView->setArrayControllerContent(designs);
    QMFlowViewArrayController* carousel = m_previewFlowView->arrayController();
    TemplatePtr current;
    if (item.useDesignTemplate()) {
        for (const TemplatePtr& design : designs) {
            if (design && design->identifier() == item.designTemplateIdentifier()) {
                current = design;
                break;
            }
        }
    }
    // The carousel arranges its objects by name: the template's place there, not in `designs`.
    const qsizetype index = carousel->arrangedIndexOfObject(current);
    if (index == QMFlowViewArrayController::NotFound) {
        m_previewFlowView->setEnabledIndex(QMFlowViewArrayController::NotFound);
        m_previewFlowView->selectObjectAtIndex(0, false, false);
        m_layoutKeywordsArrayController->setContent({});
        return;
    }
    m_previewFlowView->setEnabledIndex(index);
    m_previewFlowView->selectObjectAtIndex(index, false, false);
    updateLayoutKeywordsForDesign(current, item);
}

void QMDesignFlowUIController::updateLayoutKeywordsForDesign(const TemplatePtr& design, const QMEbayItem& item)
{
    m_layoutKeywordsArrayController->setContent(design ? design->layoutNames() : QStringList());
    const QString layout = item.designLayoutName();
    m_layoutKeywordsArrayController->setSelectedObjects(layout.isNull() ? QStringList() : QStringList{layout});
}

void QMDesignFlowUIController::selectLayoutInKeywordView(const QString& layoutName, bool handleChange)
{
    m_layoutKeywordsArrayController->setSelectedObjects({layoutName});
    if (handleChange)
        keywordViewDidSelectKeyword(m_layoutsKeywordView, layoutName);
}

void QMDesignFlowUIController::setSelectedDesignCategories(const QStringList& keywords)
{
    m_designKeywordsArrayController->setSelectedObjects(keywords);
}

void QMDesignFlowUIController::selectAllDesignCategories()
{
    setSelectedDesignCategories({allKeyword()});
}

void QMDesignFlowUIController::reloadDesignsForSelectedItem()
{
    m_designKeywordsArrayController->setContent(m_manager.keywords());
    m_previewFlowView->setArrayControllerContent({});
    if (!m_designKeywordsArrayController->selectedObjects().isEmpty())
        showTemplatesForSelectedKeywords();
    selectAllDesignCategories();
}
