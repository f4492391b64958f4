#include "shell/QMBDocument.h"

#include "description/DesignChooser/QMDesignFlowUIController.h"
#include "description/QMDesignTemplate.h"
#include "description/QMDesignTemplateManager.h"
#include "model/QMEbayItem.h"
#include "shell/QMBDocumentArea.h"

namespace {

// Hands the chooser's calls to the document, which keeps the chooser's interface out of its
// header.
class DesignFlowDelegate : public QObject, public QMDesignFlowUIControllerDelegate
{
public:
    explicit DesignFlowDelegate(QMBDocument* document) : QObject(document), m_document(document) {}

    void designFlowUIControllerSelectionChangedTo(QMDesignFlowUIController* chooser,
                                                  const std::shared_ptr<QMDesignTemplate>& design) override
    {
        m_document->designFlowUIControllerSelectionChangedTo(chooser, design);
    }
    void designFlowUIControllerSelectedLayoutChangedTo(QMDesignFlowUIController* chooser,
                                                       const QString& layoutName) override
    {
        m_document->designFlowUIControllerSelectedLayoutChangedTo(chooser, layoutName);
    }
    void
    designFlowUIControllerSelectedDesignsChangedTo(QMDesignFlowUIController* chooser,
                                                   const QList<std::shared_ptr<QMDesignTemplate>>& designs) override
    {
        m_document->designFlowUIControllerSelectedDesignsChangedTo(chooser, designs);
    }

private:
    QMBDocument* m_document;
};

} // namespace

void QMBDocument::setupDesignChooser()
{
    if (m_designFlowController)
        return;
    QMDesignTemplateManager& manager = QMDesignTemplateManager::sharedInstance();
    m_designFlowController = new QMDesignFlowUIController(manager, this);
    m_designFlowController->setDelegate(new DesignFlowDelegate(this));
    previewSplitViewTopView()->setContentView(m_designFlowController->flowPreviewContainerView());
    m_designFlowController->updateFlowViewForDesignTemplates(manager.activeDesignTemplates(), *item());
}

void QMBDocument::updateDesignChooserForItem()
{
    if (!m_designFlowController)
        return;
    m_designFlowController->selectAllDesignCategories();
    m_designFlowController->updateFlowViewForDesignTemplates(
        QMDesignTemplateManager::sharedInstance().activeDesignTemplates(), *item());
}

void QMBDocument::designFlowUIControllerSelectionChangedTo(QMDesignFlowUIController* chooser,
                                                           const std::shared_ptr<QMDesignTemplate>& design)
{
    if (design) {
        item()->setUseDesignTemplate(true);
        item()->setDesignTemplateIdentifier(design->identifier());
        chooser->updateLayoutKeywordsForDesign(design, *item());
    } else {
        item()->setUseDesignTemplate(false);
    }
    updateAuctionWebViewForItem(item());
}

void QMBDocument::designFlowUIControllerSelectedLayoutChangedTo(QMDesignFlowUIController*, const QString& layoutName)
{
    item()->setDesignLayoutName(layoutName);
    updateAuctionWebViewForItem(item());
}

void QMBDocument::designFlowUIControllerSelectedDesignsChangedTo(
    QMDesignFlowUIController* chooser, const QList<std::shared_ptr<QMDesignTemplate>>& designs)
{
    chooser->updateFlowViewForDesignTemplates(designs, *item());
}
