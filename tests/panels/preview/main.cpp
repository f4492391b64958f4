// The panels of this folder on a screen of their own, for looking at them:
//     panels_preview chooser [browser|table|favorites]   the category chooser on a synthetic site
//     panels_preview progress                            the upload progress panel, cards in every stage
//     panels_preview start                               the start-listings sheet after its verify run
//     panels_preview errors                              the error pane of a verify run
// Not a test. The synthetic site is a store made by qm-mkstore (PANELS_PREVIEW_STORE).
#include "DWCoreDataEbayDataClasses/SQCategoryCacheManager.h"
#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWEBay2/DWEbayConnector.h"
#include "Operations/QMAddItemOperation.h"
#include "Operations/QMAddItemOperationEnvelope.h"
#include "Operations/QMOperationManager.h"
#include "ProgressAnimationView/QMProgressAnimationView.h"
#include "model/QMAccountDataSource.h"
#include "model/QMEbayItem.h"
#include "model/QMErrorEnvelope.h"
#include "model/QMFavoriteCategoriesManager.h"
#include "panels/QMAddItemOperationEnvelopeProgressItem.h"
#include "panels/QMAddItemProgressPanelController.h"
#include "panels/QMCategoryPanelController.h"
#include "panels/QMSimpleStartAuctionPanelController.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/ebay/FakeConnectors.h"
#include "tests/support/ebay/FakeTradingApi.h"
#include "tests/support/program/PreviewProgram.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPainter>
#include <QTabWidget>
#include <QTimer>

namespace {

// A stand-in for the document window the sheets open on.
QMainWindow* documentWindow()
{
    auto* window = new QMainWindow;
    window->setWindowTitle(QStringLiteral("Vintage cameras — QuillmartVodar"));
    auto* label = new QLabel(QStringLiteral("Listing document"), window);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: #888; font-size: 20px; background: #f4f4f4"));
    window->setCentralWidget(label);
    window->resize(1180, 740);
    window->move(50, 30);
    window->show();
    return window;
}

// A listing picture: a coloured backdrop with a simple object on it.
QImage listingPicture(int index)
{
    static const QColor colours[] = {"#c0392b", "#2980b9", "#27ae60", "#8e44ad", "#d35400",
                                     "#16a085", "#2c3e50", "#f39c12", "#7f8c8d", "#e84393"};
    QImage picture(400, 300, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient backdrop(0, 0, 0, 300);
    backdrop.setColorAt(0, QColor(colours[index % 10]).lighter(160));
    backdrop.setColorAt(1, QColor(colours[index % 10]).darker(120));
    painter.fillRect(picture.rect(), backdrop);
    painter.setBrush(QColor(30, 30, 30));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(110, 100, 180, 120), 14, 14);
    painter.setBrush(QColor(200, 200, 210));
    painter.drawEllipse(QPointF(200, 160), 44, 44);
    painter.setBrush(QColor(40, 40, 60));
    painter.drawEllipse(QPointF(200, 160), 26, 26);
    painter.setBrush(QColor(60, 60, 60));
    painter.drawRect(QRectF(130, 86, 40, 16));
    return picture;
}

class ScriptedEnvelope : public QMAddItemOperationEnvelope
{
public:
    bool allOperationsFinishedOrCanceled() const override { return m_done; }
    bool m_done = false;
};

std::shared_ptr<ScriptedEnvelope> envelopeForListing(const QString& title)
{
    auto envelope = std::make_shared<ScriptedEnvelope>();
    envelope->setAuctionItemOperation(std::make_shared<QMAddItemOperation>(
        [] { return std::make_unique<DWEbayConnector>(QStringLiteral("http://127.0.0.1:9/"), 0, 747); },
        QVariantMap{{QStringLiteral("title"), title}, {QStringLiteral("uniqueID"), title}}, QStringLiteral("seller"),
        false, true));
    return envelope;
}

std::shared_ptr<QMErrorEnvelope> warnings()
{
    auto errors = std::make_shared<QMErrorEnvelope>(QStringLiteral("eBay"), QStringLiteral("VerifyAddItem"));
    errors->setErrors(
        {QMError::errorWithCode(QStringLiteral("21919028"),
                                QStringLiteral("The return policy details are incomplete: add how long buyers have to "
                                               "return the item."),
                                QLatin1String(kQMErrorLevelWarning)),
         QMError::errorWithCode(QStringLiteral("1"),
                                QStringLiteral("Listings in this category sell better with at least three pictures."),
                                QLatin1String(kQMErrorLevelWarning))});
    errors->setEBayMessage(
        QStringLiteral("<p>Listings in this category sell better with at least three pictures.</p>"));
    return errors;
}

int showProgress()
{
    QMainWindow* document = documentWindow();
    auto panel = QMAddItemProgressPanelController::progressSheetForParentWindow(
        document, QStringLiteral("Uploading Auctions..."), QStringLiteral("Uploading Auctions"));
    panel->progressBar()->setIndeterminate(false);
    panel->progressBar()->setMaxValue(30);
    panel->progressBar()->setDoubleValue(17);
    const char* titles[] = {"Canon AE-1 Program 35mm SLR", "Leica M3 rangefinder body",
                            "Rolleiflex 2.8F TLR",         "Olympus OM-1 with 50mm f/1.8",
                            "Nikon F2 Photomic",           "Pentax Spotmatic SP",
                            "Minolta X-700 kit",           "Yashica Mat-124G",
                            "Zeiss Ikon Contessa",         "Kodak Retina IIIc",
                            "Polaroid SX-70 Land Camera"};
    // Envelope statuses: finished twice, adding twice, pictures twice, verifying three times, a
    // stop on warnings and a failure.
    const int statuses[] = {6, 6, 3, 3, 2, 2, 1, 1, 1, 4, 5};
    QList<std::shared_ptr<ScriptedEnvelope>> envelopes;
    for (int i = 0; i < 11; ++i) {
        auto envelope = envelopeForListing(QString::fromUtf8(titles[i]));
        envelopes << envelope;
        panel->addViewForEnvelope(envelope);
        panel->progressItems().at(i)->setImage(listingPicture(i));
    }
    // The cards come on stage first, then move on to where their uploads stand.
    QTimer::singleShot(600, panel.get(), [&] {
        for (int i = 0; i < 11; ++i)
            envelopes[i]->setStatus(statuses[i]);
        auto stopped = envelopes[9];
        stopped->setErrorEnvelope(warnings());
        stopped->suspendExecution();
    });
    return qApp->exec();
}

int showChooser(const QString& tab)
{
    QDir().mkpath(SQCategoriesDatabase::categoriesFolderPathNoFolderCreation());
    QFile::copy(QStringLiteral(PANELS_PREVIEW_STORE "/Categories.site77.sqlite"),
                SQCategoriesDatabase::storePathForSiteID(77));
    const auto store = QMCategoryDataManager::sharedQMCategoryDataManager()->categoriesDatabaseForForSiteID(77);
    if (!store) {
        qWarning("no synthetic store");
        return 1;
    }
    // A few recent and favourite categories, as a seller who used the chooser before has them.
    QVariantList recent;
    QVariantList favourites;
    const auto cache = SQCategoryCacheManager::sharedSQCategoryCacheManager();
    const auto leaves = store->categoriesForSearchString(QStringLiteral("camera"));
    for (int i = 0; i < leaves.size() && i < 6; ++i) {
        recent << leaves[i]->categoryID();
        if (i < 4)
            favourites << QVariantMap{{QStringLiteral("categoryID"), leaves[i]->categoryID()},
                                      {QStringLiteral("leafPath"), cache->cachedCategoryPathForSiteID(77, leaves[i])}};
    }
    dw::UserDefaults::standard().setObject(recent, QLatin1String(kQMRecentCategoriesKey));
    QMFavoriteCategoriesManager::sharedInstance().setFavoriteCategories(favourites, 77);

    QMainWindow* document = documentWindow();
    auto* chooser = new QMCategoryPanelController(document);
    chooser->setSiteID(77);
    chooser->loadWindow(store, store->categoryForCategoryID(0));
    chooser->selectTabWithIdentifier(tab);
    if (tab == QLatin1String("table"))
        chooser->window()
            ->findChild<QLineEdit*>(QStringLiteral("categoryPathSearchField"))
            ->setText(QStringLiteral("cam"));
    if (!leaves.isEmpty())
        chooser->selectCategory(leaves.first());
    chooser->window()->setWindowModality(Qt::WindowModal);
    chooser->window()->show();
    return qApp->exec();
}

class Accounts final : public QMAccountDataSource
{
public:
    QString defaultAccountID() const override { return QStringLiteral("seller"); }
    QString tokenForAccountID(const QString&) const override { return QStringLiteral("token"); }
    QString payPalAddressForAccountID(const QString&) const override { return QString(); }
};

int showStart()
{
    static dw::test::FakeTradingApi ebay;
    ebay.setReply(
        QStringLiteral("VerifyAddItem"),
        R"(<?xml version="1.0" encoding="UTF-8"?><VerifyAddItemResponse xmlns="urn:ebay:apis:eBLBaseComponents">)"
        R"(<Ack>Success</Ack><Fees><Fee><Name>ListingFee</Name><Fee currencyID="USD">0.35</Fee></Fee>)"
        R"(<Fee><Name>InsertionFee</Name><Fee currencyID="USD">0.35</Fee></Fee></Fees></VerifyAddItemResponse>)");
    QMAccountDataSource::install(std::make_shared<Accounts>());
    dw::UserDefaults::standard().setObject(QStringLiteral("seller"), QStringLiteral("defaultAccountID"));
    static auto connectors = std::make_shared<dw::test::FakeConnectors>(ebay.url());
    static auto manager = QMOperationManager::create();
    manager->setDelegate(connectors);
    static QList<std::shared_ptr<QMEbayItem>> items;
    for (const char* title : {"Canon AE-1 Program 35mm SLR", "Leica M3 rangefinder body", "Rolleiflex 2.8F TLR"}) {
        auto item = std::make_shared<QMEbayItem>();
        item->setTitle(QString::fromUtf8(title));
        item->setUniqueID(QString::fromUtf8(title));
        item->setSiteID(0);
        item->setCurrency(1);
        items << item;
    }
    items[1]->setItemState(QMEbayItemStateAddedTemplate);
    manager->setOpenListings([] { return items; });
    QMainWindow* document = documentWindow();
    QMSimpleStartAuctionPanelController::displayStartAuctionPanelForTemplates(items, document, manager);
    return qApp->exec();
}

int showErrors()
{
    QMainWindow* document = documentWindow();
    auto errors = std::make_shared<QMErrorEnvelope>(QStringLiteral("eBay"), QStringLiteral("VerifyAddItem"));
    errors->setErrors(
        {QMError::errorWithCode(
             QStringLiteral("240"),
             QStringLiteral("The item cannot be listed or modified. The title and/or description may "
                            "contain improper words, or the listing or seller may be in violation "
                            "of eBay policy."),
             QLatin1String(kQMErrorLevelError)),
         QMError::errorWithCode(QStringLiteral("21919028"), QStringLiteral("The return policy details are incomplete."),
                                QLatin1String(kQMErrorLevelWarning)),
         QMError::errorWithCode(QStringLiteral("87"), QStringLiteral("The category selected is not a leaf category."),
                                QLatin1String(kQMErrorLevelError))});
    errors->setEBayMessage(QStringLiteral("<p>Please review eBay's listing policies.</p>"));
    QTimer::singleShot(
        0, document, [document, errors] { QMAddItemProgressPanelController::displayPanelForError(errors, document); });
    return qApp->exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dw::test::startPreviewProgram();
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("progress");
    if (mode == QLatin1String("chooser"))
        return showChooser(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("browser"));
    if (mode == QLatin1String("start"))
        return showStart();
    if (mode == QLatin1String("errors"))
        return showErrors();
    return showProgress();
}
