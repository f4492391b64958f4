// The design chooser with the built-in designs on a screen of its own, for looking at it (not a
// test). A line under it shows what the chooser told its listing.
//
//     designchooser_preview [--grid] [--listing-design IDENTIFIER] [--layout NAME] [--keyword KEYWORD]

#include "description/DesignChooser/QMDesignFlowUIController.h"
#include "description/DesignChooser/QMKeywordView.h"
#include "description/QMDesignTemplate.h"
#include "description/QMDesignTemplateManager.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMEbayItem.h"
#include "platform/core/UserDefaults.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QVBoxLayout>

namespace {

class PreviewListing : public QMDesignFlowUIControllerDelegate
{
public:
    PreviewListing(QMEbayItem& item, QLabel* line) : m_item(item), m_line(line) { show(); }

    void designFlowUIControllerSelectionChangedTo(QMDesignFlowUIController* chooser,
                                                  const std::shared_ptr<QMDesignTemplate>& design) override
    {
        m_item.setUseDesignTemplate(design != nullptr);
        if (design) {
            m_item.setDesignTemplateIdentifier(design->identifier());
            chooser->updateLayoutKeywordsForDesign(design, m_item);
        }
        show();
    }
    void designFlowUIControllerSelectedLayoutChangedTo(QMDesignFlowUIController*, const QString& layout) override
    {
        m_item.setDesignLayoutName(layout);
        show();
    }
    void
    designFlowUIControllerSelectedDesignsChangedTo(QMDesignFlowUIController* chooser,
                                                   const QList<std::shared_ptr<QMDesignTemplate>>& designs) override
    {
        chooser->updateFlowViewForDesignTemplates(designs, m_item);
    }

private:
    void show()
    {
        m_line->setText(
            QStringLiteral("Listing: design %1, layout %2")
                .arg(m_item.useDesignTemplate() ? m_item.designTemplateIdentifier() : QStringLiteral("none"),
                     m_item.designLayoutName().isEmpty() ? QStringLiteral("none") : m_item.designLayoutName()));
    }

    QMEbayItem& m_item;
    QLabel* m_line;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QV_RESOURCES_DIR"))
        qputenv("QV_RESOURCES_DIR", QByteArray(DW_SOURCE_DIR "/resources"));
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption grid(QStringLiteral("grid"), QStringLiteral("Show the grid of thumbnails."));
    const QCommandLineOption design(QStringLiteral("listing-design"), QStringLiteral("The listing's design."),
                                    QStringLiteral("identifier"));
    const QCommandLineOption layout(QStringLiteral("layout"), QStringLiteral("The listing's layout."),
                                    QStringLiteral("name"));
    const QCommandLineOption keyword(QStringLiteral("keyword"), QStringLiteral("Click this keyword."),
                                     QStringLiteral("keyword"));
    parser.addOptions({grid, design, layout, keyword});
    parser.process(app);

    QString error;
    if (!registerApplicationDefaults(dw::UserDefaults::standard(), &error)) {
        qWarning("%s", qPrintable(error));
        return 1;
    }
    QMDesignTemplateManager& manager = QMDesignTemplateManager::sharedInstance();
    manager.setMinimumQMTemplateVersion(214);
    manager.registerDesignTemplates();

    QWidget window;
    window.setWindowTitle(QStringLiteral("Design chooser"));
    auto* layoutBox = new QVBoxLayout(&window);
    layoutBox->setContentsMargins(0, 0, 0, 8);
    QMDesignFlowUIController chooser(manager, nullptr,
                                     parser.isSet(grid) ? QMDesignFlowUIController::Display::Grid
                                                        : QMDesignFlowUIController::Display::Automatic);
    chooser.flowPreviewContainerView()->setMinimumHeight(240);
    layoutBox->addWidget(chooser.flowPreviewContainerView(), 1);
    auto* line = new QLabel(&window);
    line->setContentsMargins(12, 0, 12, 0);
    layoutBox->addWidget(line);

    QMEbayItem item;
    if (parser.isSet(design)) {
        item.setUseDesignTemplate(true);
        item.setDesignTemplateIdentifier(parser.value(design));
    }
    if (parser.isSet(layout))
        item.setDesignLayoutName(parser.value(layout));
    PreviewListing listing(item, line);
    chooser.setDelegate(&listing);
    chooser.updateFlowViewForDesignTemplates(manager.activeDesignTemplates(), item);
    if (parser.isSet(keyword))
        chooser.categoriesKeywordView()->userSelectedKeyword(parser.value(keyword));

    window.resize(1100, 320);
    window.move(60, 60);
    window.show();
    return app.exec();
}
