// Watching the listing: which keys the document observes, and what a change of each does.
#include "shell/QMBDocument.h"

#include "shell/QMBDocumentPreview.h"

#include "description/QMPreviewGenerator.h"
#include "description/widgets/QMPreviewWebView.h"

#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"

#include "DWKit/QMLog.h"

#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStandardPaths>
#include <QTimer>

namespace {

QVariantMap entry(const QString& key, bool reload)
{
    return {{QStringLiteral("propertyKey"), key}, {QStringLiteral("changeCausesPreviewReload"), reload}};
}

// The observed keys and whether a change reloads the page; the description (observed without an
// entry) only marks the document edited.
const QHash<QString, bool>& observedKeys()
{
    static const QHash<QString, bool> keys = [] {
        QHash<QString, bool> table;
        for (const QVariant& value : QMBDocument::propertiesToBeObserved()) {
            const QVariantMap property = value.toMap();
            table.insert(property.value(QStringLiteral("propertyKey")).toString(),
                         property.value(QStringLiteral("changeCausesPreviewReload")).toBool());
        }
        table.insert(QStringLiteral("itemDescriptionString"), false);
        return table;
    }();
    return keys;
}

} // namespace

const QVariantMap& QMBDocument::templatePropertiesDictionary()
{
    // Made from the listing's field table, whose "preview" column says how the page follows each
    // field, so that a new field is watched (or not) where it is declared.
    static const QVariantMap dictionary = [] {
        QVariantList templateProperties;
        QVariantList auctionProperties;
        QVariantList observeOnlyProperties;
        for (const QMEbayItemField& field : QMEbayItem::fields()) {
            if (field.preview == u"reload")
                templateProperties << entry(field.name, true);
            else if (field.preview == u"inplace")
                templateProperties << entry(field.name, false);
            else if (field.preview == u"auction")
                auctionProperties << entry(field.name, true);
            else if (field.preview == u"observe")
                observeOnlyProperties << entry(field.name, false);
        }
        return QVariantMap{{QStringLiteral("templateProperties"), templateProperties},
                           {QStringLiteral("auctionProperties"), auctionProperties},
                           {QStringLiteral("observeOnlyProperties"), observeOnlyProperties}};
    }();
    return dictionary;
}

QVariantList QMBDocument::allowedSmartGroupPropertiesForAuctions(bool auctions)
{
    QVariantList properties = templatePropertiesDictionary().value(QStringLiteral("templateProperties")).toList();
    if (auctions)
        properties += templatePropertiesDictionary().value(QStringLiteral("auctionProperties")).toList();
    return properties;
}

QVariantList QMBDocument::propertiesToBeObserved()
{
    return allowedSmartGroupPropertiesForAuctions(false) +
           templatePropertiesDictionary().value(QStringLiteral("observeOnlyProperties")).toList();
}

void QMBDocument::startObservingItem(const std::shared_ptr<QMEbayItem>& item)
{
    preview()->startObserving(item);
}

void QMBDocument::stopObservingItem(const std::shared_ptr<QMEbayItem>& item)
{
    if (m_preview)
        m_preview->stopObserving(item);
}

void QMBDocument::updateAuctionWebViewForItem(const std::shared_ptr<QMEbayItem>& item)
{
    if (item == m_item)
        preview()->scheduleReload();
}

// QMBDocumentPreview: observation and reload

void QMBDocumentPreview::startObserving(const std::shared_ptr<QMEbayItem>& item)
{
    stopObserving(m_observedItem);
    m_observedItem = item;
    if (!item)
        return;
    connect(item.get(), &QMEbayItem::keyChanged, this, &QMBDocumentPreview::itemKeyChanged);
    watchShippingOptions();
}

void QMBDocumentPreview::stopObserving(const std::shared_ptr<QMEbayItem>& item)
{
    if (!item || item != m_observedItem)
        return;
    disconnect(item.get(), &QMEbayItem::keyChanged, this, nullptr);
    disconnect(m_shippingConnection);
    m_observedItem.reset();
}

void QMBDocumentPreview::watchShippingOptions()
{
    // The shipping options are an object of their own: changes inside them do not announce the
    // listing's key, but the page shows their costs.
    disconnect(m_shippingConnection);
    if (m_observedItem && m_observedItem->shippingOptions())
        m_shippingConnection = connect(m_observedItem->shippingOptions().get(), &QMItemShippingOptions::keyChanged,
                                       this, [this] { itemKeyChanged(QStringLiteral("shippingOptions")); });
}

void QMBDocumentPreview::itemKeyChanged(const QString& key)
{
    const auto found = observedKeys().constFind(key);
    if (found == observedKeys().constEnd())
        return;
    if (key == u"shippingOptions")
        watchShippingOptions();
    if (*found && !m_convertingDescription)
        scheduleReload();
    if ((key == u"title" || key == u"subTitle") && m_webView && m_webView->isPageConnected() && m_observedItem) {
        // Shown in the page as text only: it follows without a reload (and the place being
        // edited keeps its caret).
        const QString text = key == u"title" ? m_observedItem->title() : m_observedItem->subTitle();
        m_webView->runScript(QMPreviewWebView::scriptCall(QStringLiteral("qmEditor.setFieldText"), {key, text}));
    }
    m_document->setItemWasChanged(true);
}

void QMBDocumentPreview::scheduleReload()
{
    if (m_reloadScheduled)
        return;
    m_reloadScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_reloadScheduled = false;
        reloadNow();
    });
}

void QMBDocumentPreview::reloadNow()
{
    if (!m_webView)
        return;
    const auto item = m_document->item();
    m_generator = QMPreviewGenerator::previewGeneratorForItem(item);
    const QString page = m_generator->htmlPreview();
    if (dw::UserDefaults::standard().boolForKey(QStringLiteral("writeDescriptionToDesktop"))) {
        QString name = item->title();
        name.replace(u'/', u'-');
        const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        const QString path = dw::paths::safeChildPath(desktop, name + QStringLiteral("_preview.html"));
        QFile file(path);
        if (!path.isNull() && file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(page.toUtf8());
    }
    QMLogDebug("set preview data with length %@ for design template %@", QString::number(page.toUtf8().size()),
               item->designTemplateIdentifier());
    ++m_pagesLoaded;
    m_webView->loadPreviewHTML(page);
}
