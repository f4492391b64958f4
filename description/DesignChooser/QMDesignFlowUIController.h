#pragma once
// The design chooser of the document window: the template carousel, a bar of design keywords
// that filters it and a bar of the chosen design's layouts. It turns the user's clicks into calls
// on its delegate (the listing document), which changes the listing and hands the filtered list
// back through updateFlowViewForDesignTemplates().
//
//     auto* chooser = new QMDesignFlowUIController(QMDesignTemplateManager::sharedInstance(), window);
//     chooser->setDelegate(document);
//     area->setContentView(chooser->flowPreviewContainerView());
//     chooser->updateFlowViewForDesignTemplates(manager.activeDesignTemplates(), *item);
//
// Where the machine offers no OpenGL that can draw the carousel, a grid of thumbnails takes its
// place with the same choice. Templates are always found in the carousel by identity, never by an
// index of another list, so the template the user chose is the one the delegate hears of. Main
// thread.

#include "description/DesignChooser/QMFlowDisplay.h"
#include "description/DesignChooser/QMKeywordView.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

class QMDesignFlowUIController;
class QMDesignTemplate;
class QMDesignTemplateManager;
class QMEbayItem;
class QMKeywordArrayController;

class QMDesignFlowUIControllerDelegate
{
public:
    virtual ~QMDesignFlowUIControllerDelegate() = default;
    // The user chose a template (null: none).
    virtual void designFlowUIControllerSelectionChangedTo(QMDesignFlowUIController* chooser,
                                                          const std::shared_ptr<QMDesignTemplate>& design) = 0;
    virtual void designFlowUIControllerSelectedLayoutChangedTo(QMDesignFlowUIController* chooser,
                                                               const QString& layoutName) = 0;
    // The keyword filter gave a new list; answer with updateFlowViewForDesignTemplates().
    virtual void
    designFlowUIControllerSelectedDesignsChangedTo(QMDesignFlowUIController* chooser,
                                                   const QList<std::shared_ptr<QMDesignTemplate>>& designs) = 0;
};

class QMDesignFlowUIController : public QObject, public QMKeywordViewDelegate, public QMFlowViewDelegate
{
    Q_OBJECT

public:
    using TemplatePtr = std::shared_ptr<QMDesignTemplate>;
    enum class Display { Automatic, Carousel, Grid };

    // Builds the views and fills them from the manager (which must outlive the chooser). The
    // carousel where the machine's OpenGL can draw it, unless `display` says otherwise.
    explicit QMDesignFlowUIController(QMDesignTemplateManager& manager, QObject* parent = nullptr,
                                      Display display = Display::Automatic);
    ~QMDesignFlowUIController() override;

    QMDesignFlowUIControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(QMDesignFlowUIControllerDelegate* delegate) { m_delegate = delegate; }

    // The chooser's views; the container is the one to place in a window (not owned by the
    // chooser once placed).
    QWidget* flowPreviewContainerView() const { return m_flowPreviewContainerView; }
    QWidget* flowPreviewUpperView() const { return m_flowPreviewUpperView; }
    QMKeywordView* categoriesKeywordView() const { return m_categoriesKeywordView; }
    QMKeywordView* layoutsKeywordView() const { return m_layoutsKeywordView; }
    QMFlowDisplay* previewFlowView() const { return m_previewFlowView; }
    bool usesCarousel() const { return m_usesCarousel; }
    QMKeywordArrayController* designKeywordsArrayController() const { return m_designKeywordsArrayController; }
    QMKeywordArrayController* layoutKeywordsArrayController() const { return m_layoutKeywordsArrayController; }

    // The templates become the carousel's content; the listing's template is enabled and brought
    // to the front with its layouts. A listing whose template is not among them shows the first
    // template, none enabled and no layouts.
    void updateFlowViewForDesignTemplates(const QList<TemplatePtr>& designs, const QMEbayItem& item);
    void updateLayoutKeywordsForDesign(const TemplatePtr& design, const QMEbayItem& item);
    // Selects the layout; with `handleChange` the delegate hears of it as of a click.
    void selectLayoutInKeywordView(const QString& layoutName, bool handleChange);
    // Sets the keyword selection without telling the delegate.
    void setSelectedDesignCategories(const QStringList& keywords);
    void selectAllDesignCategories();
    // The keyword list of the manager again (after the templates were registered anew); the
    // selected keywords' templates go to the delegate, then "All" is selected.
    void reloadDesignsForSelectedItem();
    // The keyword lists again, after the manager registered its templates anew.
    void awakeKeywordViews();

    // QMKeywordViewDelegate
    void keywordViewDidSelectKeyword(QMKeywordView* view, const QString& keyword) override;
    void keywordViewDidUnselectKeyword(QMKeywordView* view, const QString& keyword) override;
    // QMFlowViewDelegate
    void flowViewSelectionChangedTo(QMFlowDisplay* view, const TemplatePtr& design) override;

private:
    void buildViews(bool carousel);
    void showTemplatesForSelectedKeywords();
    QString allKeyword() const;

    QMDesignTemplateManager& m_manager;
    QMDesignFlowUIControllerDelegate* m_delegate = nullptr;
    QPointer<QWidget> m_flowPreviewContainerView;
    QWidget* m_flowPreviewUpperView = nullptr;
    QMKeywordView* m_categoriesKeywordView = nullptr;
    QMKeywordView* m_layoutsKeywordView = nullptr;
    QMFlowDisplay* m_previewFlowView = nullptr;
    bool m_usesCarousel = false;
    QMKeywordArrayController* m_designKeywordsArrayController = nullptr;
    QMKeywordArrayController* m_layoutKeywordsArrayController = nullptr;
};
