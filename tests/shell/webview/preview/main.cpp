// A document with a complete listing (three pictures, a design, prices, shipping, item specifics)
// in its window, for looking at the preview as a seller sees it:
//     shell_listing_preview             the listing page
//     shell_listing_preview --scrolled  scrolled down to the item specifics and the description
//     shell_listing_preview --editing   the same, with a word of the description selected
// The category, its condition and its item specifics come from a small stand-in for the
// category stores. Not a test.
#include "model/QMCategoryDataSource.h"
#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/widgets/QMFeesHighlightColor.h"

#include "description/QMDesignTemplateManager.h"
#include "description/widgets/QMPreviewWebView.h"

#include "platform/core/Paths.h"
#include "platform/widgets/MessageBoxAlertPresenter.h"

#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "tests/support/program/PreviewProgram.h"

#include <QApplication>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTimer>

namespace {

class ShowcaseCategories final : public QMCategoryDataSource
{
public:
    std::optional<QMCategoryInfo> categoryForCategoryID(qint64 categoryID, qint64) const override
    {
        QMCategoryInfo info;
        info.categoryID = categoryID;
        info.conditionSet = QList<QMCategoryCondition>{{1000, QStringLiteral("New"), 0},
                                                       {3000, QStringLiteral("Used"), 1},
                                                       {7000, QStringLiteral("For parts or not working"), 2}};
        return info;
    }
    bool completeDataAvailableForSiteID(qint64) const override { return true; }
    QList<qint64> characteristicSetIDsForCategoryIDs(const QList<qint64>&, qint64) const override { return {12}; }
    std::optional<QList<QMCategoryAttribute>> sortedAttributesForAttributeSet(qint64, qint64) const override
    {
        QList<QMCategoryAttribute> attributes;
        int identifier = 1;
        for (const char* label : {"Brand", "Model", "Film Format", "Type", "Lens", "Country of Manufacture"}) {
            QMCategoryAttribute attribute;
            attribute.identifier = identifier++;
            attribute.label = QString::fromUtf8(label);
            attributes << attribute;
        }
        return attributes;
    }
    QString cachedCategoryPathForSiteID(qint64, qint64) const override
    {
        return QStringLiteral("Cameras & Photo \u203a Film Photography \u203a Film Cameras");
    }
    QString characteristicSetNameForSetID(qint64, qint64) const override { return QStringLiteral("Film Cameras"); }
};

// A folding camera, drawn: the pictures of the listing.
QString drawPicture(const QString& folder, int variant)
{
    QImage image(1200, 900, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient backdrop(0, 0, 0, image.height());
    const QColor tones[] = {QColor(236, 232, 224), QColor(214, 222, 230), QColor(40, 42, 46)};
    backdrop.setColorAt(0, tones[variant].lighter(112));
    backdrop.setColorAt(1, tones[variant].darker(108));
    painter.fillRect(image.rect(), backdrop);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(QRectF(250, 700, 700, 80));

    const QRectF body = variant == 2 ? QRectF(150, 200, 900, 520) : QRectF(260, 260, 680, 420);
    QLinearGradient leather(body.topLeft(), body.bottomLeft());
    leather.setColorAt(0, QColor(58, 56, 54));
    leather.setColorAt(1, QColor(22, 21, 20));
    painter.setBrush(leather);
    painter.drawRoundedRect(body, 28, 28);
    painter.setBrush(QColor(196, 198, 200));
    painter.drawRoundedRect(QRectF(body.left(), body.top() - 24, body.width(), 40), 12, 12);
    painter.setBrush(QColor(150, 152, 156));
    painter.drawRoundedRect(QRectF(body.left() + 60, body.top() - 70, 120, 56), 8, 8);
    painter.drawRoundedRect(QRectF(body.right() - 200, body.top() - 60, 90, 44), 8, 8);

    const QPointF centre = body.center() + QPointF(variant == 1 ? 80 : 0, 20);
    const double radius = variant == 2 ? 230 : 150;
    painter.setBrush(QColor(30, 30, 30));
    painter.drawEllipse(centre, radius * 1.18, radius * 1.18);
    QRadialGradient chrome(centre, radius);
    chrome.setColorAt(0.0, QColor(240, 240, 242));
    chrome.setColorAt(0.8, QColor(150, 152, 158));
    chrome.setColorAt(1.0, QColor(90, 92, 96));
    painter.setBrush(chrome);
    painter.drawEllipse(centre, radius, radius);
    QRadialGradient glass(centre - QPointF(radius * 0.2, radius * 0.2), radius * 0.7);
    glass.setColorAt(0.0, QColor(120, 170, 210));
    glass.setColorAt(0.5, QColor(40, 60, 110));
    glass.setColorAt(1.0, QColor(10, 12, 25));
    painter.setBrush(glass);
    painter.drawEllipse(centre, radius * 0.62, radius * 0.62);
    painter.setBrush(QColor(255, 255, 255, 120));
    painter.drawEllipse(centre - QPointF(radius * 0.25, radius * 0.28), radius * 0.12, radius * 0.08);
    painter.setPen(QPen(QColor(230, 230, 230), 3));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), variant == 2 ? 20 : 14));
    painter.drawText(QRectF(centre.x() - radius, centre.y() + radius * 0.7, radius * 2, 40), Qt::AlignCenter,
                     QStringLiteral("SKOPAR 1:3.5 f=10.5cm"));
    painter.end();
    const QString path = QDir(folder).filePath(QStringLiteral("camera-%1.jpg").arg(variant + 1));
    image.save(path, "JPEG", 90);
    return path;
}

QVariant chosen(const QString& name)
{
    return QVariantList{dw::archiveValue(std::make_shared<QMEbayAttributeValue>(QStringLiteral("1"), name))};
}

void fill(QMEbayItem& item, const QString& folder)
{
    item.setTitle(QStringLiteral("Voigtl\u00e4nder Bessa II folding camera, Color-Skopar 105mm f/3.5, film tested"));
    item.setSubTitle(QStringLiteral("Serviced shutter, new light-tight bellows, 30-day returns"));
    item.setItemDescriptionString(dw::StyledText(QStringLiteral(
        "<div>A clean, fully working Bessa II from 1953, the 6&times;9 folder that photographers still look for. "
        "The Compur-Rapid shutter was serviced last month and every speed runs true.</div>"
        "<div><br></div><div><b>What you get</b></div>"
        "<ul style=\"margin: 0 0 0 17px; padding: 0;\"><li>Camera body with Color-Skopar 105mm f/3.5</li>"
        "<li>Original leather case and strap</li><li>A test roll's scans on request</li></ul>"
        "<div><br></div><div>The coupled rangefinder is bright and aligned at infinity. Light wear on the "
        "leatherette, no dents. Ships double-boxed and insured.</div>")));
    item.setUseDesignTemplate(true);
    item.setDesignTemplateIdentifier(QStringLiteral("com.quillmart.design.harbour-blue"));
    QList<std::shared_ptr<QMEbayImage>> pictures;
    for (int variant = 0; variant < 3; ++variant)
        pictures << std::make_shared<QMEbayImage>(drawPicture(folder, variant), QString());
    item.setImages(pictures);
    item.setCategory(15230);
    item.setConditionID(3000);
    item.setUseStartingBid(true);
    item.setMinimumBid(QStringLiteral("249.00"));
    item.setBuyItNow(true);
    item.setBuyItNowPrice(QStringLiteral("329.00"));
    item.setUseBestOffer(true);
    item.setDuration(7);
    item.setLocation(QStringLiteral("Portland, Oregon"));
    item.setUseDispatchTimeMax(true);
    item.setDispatchTimeMax(2);
    item.setReturnPolicyAccepted(true);
    item.setPaymentOptions({QStringLiteral("PayPal"), QStringLiteral("VisaMC"), QStringLiteral("AmEx")});
    item.setSKU(QStringLiteral("BESSA-II-0153"));
    auto shipping = std::make_shared<QMItemShippingOptions>();
    shipping->addDomesticShippingServiceWithID(QStringLiteral("3"), QStringLiteral("12.50"), false,
                                               QStringLiteral("0"));
    item.setShippingOptions(shipping);
    item.setAttributeSets(
        {{QStringLiteral("12"),
          QVariantMap{{QStringLiteral("values"),
                       QVariantMap{{QStringLiteral("1"), chosen(QStringLiteral("Voigtl\u00e4nder"))},
                                   {QStringLiteral("2"), chosen(QStringLiteral("Bessa II"))},
                                   {QStringLiteral("3"), chosen(QStringLiteral("120 (6x9)"))},
                                   {QStringLiteral("4"), chosen(QStringLiteral("Folding"))},
                                   {QStringLiteral("5"), chosen(QStringLiteral("Color-Skopar 105mm"))},
                                   {QStringLiteral("6"), chosen(QStringLiteral("Germany"))}}}}}});
    item.setCustomItemSpecifics({{QStringLiteral("Shutter"), QStringLiteral("Compur-Rapid, serviced")}});
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuillmartVodar"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillmart Vodar"));
    dw::test::startPreviewProgram();
    dw::MessageBoxAlertPresenter alerts;
    dw::setAlertPresenter(&alerts);
    QMInstallFeesHighlightColorProvider();
    QMCategoryDataSource::install(std::make_shared<ShowcaseCategories>());
    auto& designs = QMDesignTemplateManager::sharedInstance();
    designs.setMinimumQMTemplateVersion(214);
    designs.registerDesignTemplates();

    const QString folder = QDir(dw::paths::temporaryFolder()).filePath(QStringLiteral("listing-preview"));
    QDir().mkpath(folder);
    auto* document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(true);
    fill(*document->item(), folder);
    // The page as large as the screen allows: the design chooser folded away, as a seller does
    // while writing the listing.
    document->resize(1280, 780);
    document->move(0, 0);
    if (document->designsVisible())
        document->toggleAuctionDesignSplitView();
    document->reloadAuctionPreview();
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--scrolled" || mode == "--editing")
        QTimer::singleShot(4000, document, [document, mode] {
            QMPreviewWebView* view = document->auctionWebView();
            if (!view)
                return;
            view->runScript(QStringLiteral("document.querySelector('.qv-tabs').scrollIntoView();"));
            if (mode == "--editing")
                view->runScript(QStringLiteral(
                    "(function(){ var b = document.querySelector('#qm_htmlediting_description_identifier b');"
                    " var r = document.createRange(); r.selectNodeContents(b); var s = window.getSelection();"
                    " s.removeAllRanges(); s.addRange(r); })();"));
        });
    return app.exec();
}
