// Shows the item-specifics sheet on a document-sized window, for screenshots: a film camera
// listing in a category with three attribute sets and custom specifics.
//     specifics_sheet_preview [TAB]    TAB: the index of the tab to show (0, the custom details)
#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayItem.h"
#include "panels/QMAttributePanelController.h"
#include "tests/support/program/PreviewProgram.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QTabWidget>
#include <QTimer>

namespace {

QVariant value(const char* identifier, const char* name)
{
    return dw::archiveValue(
        std::make_shared<QMEbayAttributeValue>(QString::fromUtf8(identifier), QString::fromUtf8(name)));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dw::test::startPreviewProgram();
    const int tab = argc > 1 ? QByteArray(argv[1]).toInt() : 1;

    // The stores of the tests, where the program looks for the US site's.
    const QString made = QStringLiteral(DW_SPECIFICS_TEST_STORES);
    QDir().mkpath(SQCategoriesDatabase::categoriesFolderPathNoFolderCreation());
    QDir().mkpath(SQAttributesDatabase::attributesFolderPathNoFolderCreation());
    QFile::remove(SQCategoriesDatabase::storePathForSiteID(0));
    QFile::remove(SQAttributesDatabase::storePathForSiteID(0));
    QFile::copy(made + QStringLiteral("/Categories.site0.sqlite"), SQCategoriesDatabase::storePathForSiteID(0));
    QFile::copy(made + QStringLiteral("/Attributes.site0.sqlite"), SQAttributesDatabase::storePathForSiteID(0));
    auto manager = QMCategoryDataManager::sharedQMCategoryDataManager();
    const auto categories = manager->categoriesDatabaseForForSiteID(0);
    const auto attributes = manager->attributesDatabaseForForSiteID(0);
    if (!categories || !attributes) {
        qWarning("the test stores are missing");
        return 1;
    }

    auto item = std::make_shared<QMEbayItem>();
    item->setUniqueID(QStringLiteral("preview"));
    item->setTitle(QStringLiteral("Canon AE-1 Program 35mm SLR"));
    item->setCategory(15230);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Canon AE-1 Program 35mm SLR"));
    window.setCentralWidget(new QLabel(QStringLiteral("Listing preview"), &window));
    window.resize(1180, 760);
    window.show();

    const QVariantMap stored{
        {QStringLiteral("1785"),
         QVariantMap{
             {QStringLiteral("version"), QStringLiteral("42")},
             {QStringLiteral("values"),
              QVariantMap{{QStringLiteral("10"), QVariantList{value("101", "SLR")}},
                          {QStringLiteral("11"), QVariantList{value("111", "Canon FD")}},
                          {QStringLiteral("13"), QVariantList{value("131", "Autofocus"), value("133", "Self-timer")}},
                          {QStringLiteral("14"), QVariantList{value("0", "3958221")}}}}}},
        {QStringLiteral("3010"),
         QVariantMap{{QStringLiteral("version"), QStringLiteral("42")},
                     {QStringLiteral("values"),
                      QVariantMap{{QStringLiteral("30"), QVariantList{value("302", "Used")}},
                                  {QStringLiteral("31"), QVariantList{value("-6", "Light wear on the top plate.")}}}}}},
    };
    const QStringList setIDs{QStringLiteral("1785"), QStringLiteral("2040"), QStringLiteral("3010")};
    QTimer::singleShot(200, &window, [tab] {
        if (auto* sheet = qobject_cast<QMAttributePanelController*>(QApplication::activeModalWidget()))
            sheet->tabView()->setCurrentIndex(tab);
    });
    QVariant custom;
    QMAttributePanelController::runSheetForWindow(
        &window, stored, setIDs, attributes, categories, 0, categories->sortedItemSpecificsForFirstCategoryID(15230, 0),
        QVariantMap{{QStringLiteral("Brand"), QStringLiteral("Canon")},
                    {QStringLiteral("Film Format"), QStringLiteral("35mm")},
                    {QStringLiteral("Shutter"), QStringLiteral("Cloth focal plane")}},
        &custom, {item});
    return 0;
}
