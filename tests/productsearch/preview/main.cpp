// Shows the product search panel with a search already answered, for screenshots:
//     productsearch_panel_preview            the results and the first product's page
//     productsearch_panel_preview --camera   the camera row chosen, a picture folder as camera; its
//                                            code fills the search field, the search stays open
//     productsearch_panel_preview --scanner  the stand-alone scanner over that picture folder
#include "productsearch/QMProductSearchPanelController.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/DWOperation/DWNSOperationQueue.h"
#include "Operations/QMGetProductSearchResultsOperation.h"
#include "model/QMSiteDescriptionManager.h"
#include "tests/support/barcode/SyntheticBarcode.h"
#include "tests/support/ebay/FakeTradingApi.h"
#include "tests/support/program/PreviewProgram.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

namespace {

QByteArray member(const QString& pages, const char* id, const char* title, int minCents, int maxCents)
{
    return QByteArray(R"(<FamilyMembers productID=")") + id + R"(" title=")" + title + R"("><DetailsURL>)" +
           pages.toUtf8() + "/product/" + id + "</DetailsURL><MinPrice>" + QByteArray::number(minCents) +
           "</MinPrice><MaxPrice>" + QByteArray::number(maxCents) + "</MaxPrice></FamilyMembers>";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QTemporaryDir cameraFolder;
    const bool scanner = argc > 1 && QByteArray(argv[1]) == "--scanner";
    const bool camera = scanner || (argc > 1 && QByteArray(argv[1]) == "--camera");
    if (camera) {
        dw::test::photographBarcode(dw::test::renderEan13(QStringLiteral("9780306406157"), 4, 300), {.seed = 9})
            .save(cameraFolder.filePath(QStringLiteral("frame.png")));
        qputenv("QV_CAMERA_FRAMES", cameraFolder.path().toUtf8());
    }
    QApplication app(argc, argv);
    dw::test::startPreviewProgram();
    if (scanner) {
        // The stand-alone scanner over a picture folder as its camera.
        QTimer::singleShot(0, [] {
            QMBarcodeScannerController::showPanelForParentWindow(nullptr);
            QApplication::quit();
        });
        return QApplication::exec();
    }

    dw::test::FakeTradingApi ebay;
    dw::test::FakeHttpServer pageServer;
    pageServer.addRoute({.path = "/product/", .pathIsPrefix = true},
                        {.headerFields = {{"Content-Type", "text/html; charset=utf-8"}},
                         .body = "<html><body style='font-family:sans-serif;margin:24px'>"
                                 "<h2>Canon AE-1 Program 35mm SLR Film Camera</h2>"
                                 "<p>Format: 35mm SLR<br>Lens mount: Canon FD<br>Exposure modes: program, "
                                 "shutter priority, manual</p></body></html>"});
    const QString pages = pageServer.url();
    ebay.setReply(QStringLiteral("GetProductSearchResults"),
                  QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?><GetProductSearchResultsResponse)"
                             R"( xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>Success</Ack><ProductSearchResult>)"
                             "<AttributeSet><ProductFamilies>") +
                      member(pages, "1", "Canon AE-1 Program 35mm SLR Film Camera", 4999, 19999) +
                      member(pages, "2", "Canon AE-1 Program 35mm SLR Film Camera with 50mm f/1.8 Lens", 8950, 24900) +
                      member(pages, "3", "Canon AE-1 35mm SLR Film Camera Body", 3500, 12000) +
                      "</ProductFamilies></AttributeSet></ProductSearchResult></GetProductSearchResultsResponse>");

    DWNSOperationQueue queue;
    auto item = std::make_shared<QMEbayItem>();
    item->setUniqueID(QStringLiteral("preview"));
    item->setTitle(QStringLiteral("Canon AE-1 Program"));
    item->setCurrency(QMSiteDescriptionManager::sharedInstance().currencyIDForCurrencyCode(QStringLiteral("USD"), 0));
    auto* panel = QMProductSearchPanelController::showPanelForItem(
        item,
        [&](const std::shared_ptr<QMEbayItem>& listing, const QStringList& queries) {
            // With the camera the search stays open, so that the camera's picture stays in view.
            if (camera)
                return;
            queue.addOperation(std::make_shared<QMGetProductSearchResultsOperation>(
                [&] {
                    auto connector = std::make_unique<DWEbayConnector>(ebay.url(), 0, 747);
                    connector->setToken(QStringLiteral("token"));
                    return connector;
                },
                listing->uniqueID(), queries, QStringList{QStringLiteral("1785")}));
        },
        nullptr, [](const QList<std::shared_ptr<QMEbayItem>>&) { QCoreApplication::quit(); });
    QTimer::singleShot(300, panel, [panel, camera] {
        if (camera)
            panel->findChild<QTableWidget*>(QStringLiteral("iSightTableView"))->selectRow(0);
        else
            panel->findChild<QPushButton*>(QStringLiteral("searchButton"))->click();
    });
    return app.exec();
}
