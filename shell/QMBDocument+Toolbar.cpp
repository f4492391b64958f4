#include "shell/QMBDocument.h"

#include "DWKit/widgets/NSMenu+DWExtensions.h"
#include "platform/core/Localization.h"
#include "platform/widgets/ApplicationImage.h"

#include <QAction>
#include <QIcon>
#include <QSizePolicy>
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

QString ownLabel(const QMBDocument& document, const QString& identifier)
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
        return document.optionsVisible() ? dw::localized("Hide Options") : dw::localized("Show Options");
    if (identifier == QLatin1String("TBToggleDesigns"))
        return document.designsVisible() ? dw::localized("Hide Designs") : dw::localized("Show Designs");
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
    for (const OwnItem& own : kOwnItems) {
        if (identifier != QLatin1String(own.identifier))
            continue;
        item->setText(ownLabel(*this, identifier));
        item->setIconText(item->text());
        item->setIcon(QIcon(QPixmap::fromImage(dw::applicationImage(QString::fromLatin1(own.image)))));
        item->setToolTip(dw::localized(own.toolTip));
        item->setProperty(dw::kActionProperty, QString::fromLatin1(own.action));
        connect(item, &QAction::triggered, this, own.command);
        break;
    }
    return item;
}

void QMBDocument::setupToolbarForWindow()
{
    QToolBar* toolbar = mainToolbar();
    toolbar->setWindowTitle(dw::localized("Main Toolbar"));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setIconSize(QSize(32, 32));
    toolbar->clear();
    for (const QString& identifier : toolbarDefaultItemIdentifiers())
        toolbar->addAction(toolbarItemForItemIdentifier(identifier));
    toolbar->setVisible(true);
}
