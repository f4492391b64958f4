#include "shell/QMBDocument.h"

#include "DWKit/widgets/NSMenu+DWExtensions.h"
#include "description/widgets/QMWebViewFormatController.h"
#include "platform/core/Localization.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/widgets/ApplicationImage.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBToolbarCustomizationSheet.h"

#include <QAction>
#include <QApplication>
#include <QFontDialog>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QSizePolicy>
#include <QStyle>
#include <QToolBar>
#include <QWidget>
#include <QWidgetAction>

namespace {

// The platform's own item identifiers, as stored toolbar configurations name them.
const QString kSpace = QStringLiteral("NSToolbarSpaceItem");
const QString kSeparator = QStringLiteral("NSToolbarSeparatorItem");
const QString kFlexibleSpace = QStringLiteral("NSToolbarFlexibleSpaceItem");
const QString kCustomize = QStringLiteral("NSToolbarCustomizeToolbarItem");
const QString kShowColors = QStringLiteral("NSToolbarShowColorsItem");
const QString kShowFonts = QStringLiteral("NSToolbarShowFontsItem");

constexpr int kSpaceWidth = 8;

struct OwnItem
{
    const char* identifier;
    const char* image;
    const char* action;
    const char* toolTip;
    void (QMBDocument::*command)();
};

// The document's commands that the toolbar offers.
const OwnItem kOwnItems[] = {
    {"TBGetListingFees", "ToolbarGetListingFees", "getFeesFromEBay:", "Retrieve current listing fees from eBay",
     &QMBDocument::getFeesFromEBay},
    {"TBVerifyTemplate", "ToolbarTemplateVerify", "verifyAuction:", "Verify current settings with eBay",
     &QMBDocument::verifyAuction},
    {"TBStartAuction", "MainStartAuction", "startAuction:", "Upload Auction to eBay", &QMBDocument::startAuction},
    {"TBShowMediaBrowser", "ToolbarMediaBrowser", "showMediaBrowserAction:", "Show Images Browser",
     &QMBDocument::showMediaBrowserAction},
    {"TBToggleOptions", "ToolbarToggleOptions", "toggleMainVerticalSplitView:", "Show Options",
     &QMBDocument::toggleMainVerticalSplitView},
    {"TBToggleDesigns", "ToolbarToggleDesigns", "toggleMainHorizontalSplitView:", "Show Designs",
     &QMBDocument::toggleMainHorizontalSplitView},
};

// The label of one of the document's own items; the two view items say what they will do in a
// window, and what they are for in the customization palette (no window).
QString ownLabel(const QMBDocument* document, const QString& identifier)
{
    if (identifier == QLatin1String("TBGetListingFees"))
        return dw::localized("Check Fees");
    if (identifier == QLatin1String("TBVerifyTemplate"))
        return dw::localized("Verify Auction");
    if (identifier == QLatin1String("TBStartAuction"))
        return dw::localized("Start Auction");
    if (identifier == QLatin1String("TBShowMediaBrowser"))
        return dw::localized("Images");
    if (identifier == QLatin1String("TBToggleOptions"))
        return document && document->optionsVisible() ? dw::localized("Hide Options") : dw::localized("Show Options");
    if (identifier == QLatin1String("TBToggleDesigns"))
        return document && document->designsVisible() ? dw::localized("Hide Designs") : dw::localized("Show Designs");
    return {};
}

QWidgetAction* spacer(QObject* parent, const QString& identifier, bool flexible)
{
    auto* item = new QWidgetAction(parent);
    item->setObjectName(identifier);
    auto* space = new QWidget;
    if (flexible)
        space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    else
        space->setFixedWidth(kSpaceWidth);
    item->setDefaultWidget(space);
    return item;
}

// The toolbar's configuration in the user defaults, under the platform's key and entry.
const QString kConfigurationKey = QStringLiteral("NSToolbar Configuration Main Toolbar");
const QString kItemIdentifiersKey = QStringLiteral("TB Item Identifiers");

} // namespace

QStringList QMBDocument::toolbarDefaultItemIdentifiers()
{
    return {QStringLiteral("TBGetListingFees"),
            QStringLiteral("TBVerifyTemplate"),
            kSeparator,
            QStringLiteral("TBStartAuction"),
            kFlexibleSpace,
            QStringLiteral("TBShowMediaBrowser"),
            kSpace,
            QStringLiteral("TBToggleDesigns"),
            kSpace,
            QStringLiteral("TBToggleOptions"),
            kSpace};
}

QStringList QMBDocument::toolbarAllowedItemIdentifiers()
{
    return {kSpace,
            kSeparator,
            kFlexibleSpace,
            kCustomize,
            kShowColors,
            kShowFonts,
            QStringLiteral("TBGetListingFees"),
            QStringLiteral("TBVerifyTemplate"),
            QStringLiteral("TBStartAuction"),
            QStringLiteral("TBShowMediaBrowser"),
            QStringLiteral("TBToggleOptions"),
            QStringLiteral("TBToggleDesigns")};
}

QString QMBDocument::toolbarPaletteLabel(const QString& identifier)
{
    if (identifier == kSpace)
        return dw::localized("Space");
    if (identifier == kSeparator)
        return dw::localized("Separator");
    if (identifier == kFlexibleSpace)
        return dw::localized("Flexible Space");
    if (identifier == kCustomize)
        return dw::localized("Customize");
    if (identifier == kShowColors)
        return dw::localized("Colors");
    if (identifier == kShowFonts)
        return dw::localized("Fonts");
    const QString own = ownLabel(nullptr, identifier);
    return own.isEmpty() ? identifier : own;
}

QIcon QMBDocument::toolbarItemIcon(const QString& identifier)
{
    for (const OwnItem& own : kOwnItems) {
        if (identifier == QLatin1String(own.identifier))
            return dw::applicationIcon(QString::fromLatin1(own.image));
    }
    if (identifier == kCustomize)
        return QApplication::style()->standardIcon(QStyle::SP_FileDialogDetailedView);
    // The description's colour and font, as its format toolbar shows them.
    const QString format = dw::paths::resourcesFolder() + QStringLiteral("images/format/");
    if (identifier == kShowColors)
        return QIcon(format + QStringLiteral("format_color.svg"));
    if (identifier == kShowFonts)
        return QIcon(format + QStringLiteral("format_font.svg"));
    // Spaces and the separator, drawn as the palette shows them: a dashed box, one with arrows for
    // the space that grows, a line; in the theme's text colour, softened, at the screen's pixels.
    const qreal ratio = qApp->devicePixelRatio();
    QPixmap picture(QSize(32, 32) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor ink = QApplication::palette().color(QPalette::WindowText);
    ink.setAlphaF(0.6f);
    QPen pen(ink, 1.5);
    if (identifier == kSeparator) {
        painter.setPen(pen);
        painter.drawLine(QPointF(16, 3), QPointF(16, 29));
        return QIcon(picture);
    }
    if (identifier != kSpace && identifier != kFlexibleSpace)
        return QIcon();
    pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    painter.drawRect(QRectF(3, 9, 26, 14));
    if (identifier == kFlexibleSpace) {
        pen.setStyle(Qt::SolidLine);
        painter.setPen(pen);
        painter.drawLine(QPointF(8, 16), QPointF(24, 16));
        painter.drawPolyline(QPolygonF({QPointF(11, 13), QPointF(8, 16), QPointF(11, 19)}));
        painter.drawPolyline(QPolygonF({QPointF(21, 13), QPointF(24, 16), QPointF(21, 19)}));
    }
    return QIcon(picture);
}

QAction* QMBDocument::toolbarItemForItemIdentifier(const QString& identifier)
{
    if (identifier == kSpace || identifier == kFlexibleSpace)
        return spacer(mainToolbar(), identifier, identifier == kFlexibleSpace);
    auto* item = new QAction(mainToolbar());
    item->setObjectName(identifier);
    item->setProperty(dw::kTargetProperty, QVariant::fromValue<QObject*>(this));
    if (identifier == kSeparator) {
        item->setSeparator(true);
        return item;
    }
    // The platform's items: the customization sheet, and the colour and font panels of the
    // description's text.
    const struct
    {
        const QString& identifier;
        const char* action;
        const char* toolTip;
        void (QMBDocument::*command)();
    } platformItems[] = {
        {kCustomize, "runToolbarCustomizationPalette:", "Customize this toolbar", &QMBDocument::customizeToolbar},
        {kShowColors, "orderFrontColorPanel:", "Show the Colors panel", &QMBDocument::showColorPanel},
        {kShowFonts, "orderFrontFontPanel:", "Show the Fonts panel", &QMBDocument::showFontPanel},
    };
    for (const auto& platform : platformItems) {
        if (identifier != platform.identifier)
            continue;
        item->setText(toolbarPaletteLabel(identifier));
        item->setIconText(item->text());
        item->setIcon(toolbarItemIcon(identifier));
        item->setToolTip(dw::localized(platform.toolTip));
        item->setProperty(dw::kActionProperty, QString::fromLatin1(platform.action));
        connect(item, &QAction::triggered, this, platform.command);
        return item;
    }
    for (const OwnItem& own : kOwnItems) {
        if (identifier != QLatin1String(own.identifier))
            continue;
        item->setText(ownLabel(this, identifier));
        item->setIconText(item->text());
        item->setIcon(toolbarItemIcon(identifier));
        item->setToolTip(dw::localized(own.toolTip));
        item->setProperty(dw::kActionProperty, QString::fromLatin1(own.action));
        connect(item, &QAction::triggered, this, own.command);
        break;
    }
    return item;
}

QStringList QMBDocument::toolbarItemIdentifiers()
{
    const QVariantMap configuration = dw::UserDefaults::standard().objectForKey(kConfigurationKey).toMap();
    if (!configuration.contains(kItemIdentifiersKey))
        return toolbarDefaultItemIdentifiers();
    // What a stored configuration names that this version does not offer any more is left out;
    // each of the document's own items shows once.
    const QStringList allowed = toolbarAllowedItemIdentifiers();
    QStringList identifiers;
    for (const QVariant& value : configuration.value(kItemIdentifiersKey).toList()) {
        const QString identifier = value.toString();
        const bool repeatable = identifier == kSpace || identifier == kSeparator || identifier == kFlexibleSpace;
        if (allowed.contains(identifier) && (repeatable || !identifiers.contains(identifier)))
            identifiers << identifier;
    }
    return identifiers;
}

void QMBDocument::setToolbarItemIdentifiers(const QStringList& identifiers)
{
    auto& defaults = dw::UserDefaults::standard();
    QVariantMap configuration = defaults.objectForKey(kConfigurationKey).toMap();
    configuration.insert(kItemIdentifiersKey, QVariant(identifiers));
    defaults.setObject(configuration, kConfigurationKey);
    // Every window's toolbar of that name shows the same items.
    for (QMBDocument* document : QMBDocumentController::sharedDocumentController().documents()) {
        if (document->windowIsLoaded())
            document->setupToolbarForWindow();
    }
}

void QMBDocument::setupToolbarForWindow()
{
    QToolBar* toolbar = mainToolbar();
    toolbar->setWindowTitle(dw::localized("Main Toolbar"));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setIconSize(QSize(32, 32));
    // The toolbar's own menu offers the customization, as the platform's does.
    toolbar->setContextMenuPolicy(Qt::CustomContextMenu);
    disconnect(toolbar, &QWidget::customContextMenuRequested, this, nullptr);
    connect(toolbar, &QWidget::customContextMenuRequested, this, [this, toolbar](const QPoint& position) {
        QMenu menu(toolbar);
        menu.addAction(dw::localized("Customize Toolbar…"), this, &QMBDocument::customizeToolbar);
        menu.exec(toolbar->mapToGlobal(position));
    });
    const QList<QAction*> old = toolbar->actions();
    toolbar->clear();
    qDeleteAll(old);
    for (const QString& identifier : toolbarItemIdentifiers())
        toolbar->addAction(toolbarItemForItemIdentifier(identifier));
    toolbar->setVisible(true);
}

QMBToolbarCustomizationSheet* QMBDocument::toolbarCustomizationSheet() const
{
    return m_toolbarCustomizationSheet;
}

void QMBDocument::customizeToolbar()
{
    if (m_toolbarCustomizationSheet) {
        m_toolbarCustomizationSheet->raise();
        return;
    }
    auto* sheet = new QMBToolbarCustomizationSheet(this);
    m_toolbarCustomizationSheet = sheet;
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->open();
}

void QMBDocument::showColorPanel()
{
    if (QMWebViewFormatController* format = webviewFormatController())
        format->showColorPanel();
}

void QMBDocument::showFontPanel()
{
    QMWebViewFormatController* format = webviewFormatController();
    if (!format)
        return;
    if (!m_fontPanel) {
        m_fontPanel = new QFontDialog(this);
        m_fontPanel->setObjectName(QStringLiteral("fontPanel"));
        m_fontPanel->setOption(QFontDialog::NoButtons);
        m_fontPanel->setWindowTitle(dw::localized("Fonts"));
        connect(m_fontPanel, &QFontDialog::currentFontChanged, this, [this](const QFont& font) {
            if (QMWebViewFormatController* controller = webviewFormatController()) {
                controller->fontMenuAction(font.family());
                if (font.pointSize() > 0)
                    controller->fontSizeMenuAction(QString::number(font.pointSize()));
            }
        });
    }
    m_fontPanel->show();
    m_fontPanel->raise();
    m_fontPanel->activateWindow();
}
