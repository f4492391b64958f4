#include "shell/QMBSettingsPaneController.h"

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWKit/widgets/NSColor+DWExtensions.h"
#include "model/QMCategoryDataSource.h"
#include "model/QMEBayBussinessLogic.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayImageTransformerHooks.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "panels/QMShippingOptionsPanelController.h"
#include "platform/core/BackgroundWork.h"
#include "platform/core/Localization.h"
#include "platform/core/MainThread.h"
#include "platform/widgets/ReadableColors.h"
#include "shell/QMBDocument.h"
#include "shell/QMBSettingsPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QStackedWidget>
#include <QThreadPool>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

namespace {

constexpr int kGTCTag = 1000;
constexpr int kOptionIDRole = Qt::UserRole;

QString siteText(qint64 siteID)
{
    return QString::number(siteID);
}

// Selects the entry whose data is the tag; false when there is none (the selection stays).
bool selectTag(QComboBox* popup, int tag)
{
    const int index = popup->findData(tag);
    if (index < 0)
        return false;
    popup->setCurrentIndex(index);
    return true;
}

// One checkable row per option ("OptionName" in the strings table "ManualLocalizable", the
// "OptionID" as data), ticked when the listing has chosen it.
QList<QListWidgetItem*> fillOptionRows(QListWidget* list, const QVariantList& options, const QStringList& chosen)
{
    list->clear();
    QList<QListWidgetItem*> rows;
    for (const QVariant& entry : options) {
        const QVariantMap option = entry.toMap();
        const QString optionID = option.value(QStringLiteral("OptionID")).toString();
        auto* row = new QListWidgetItem(
            dw::localized(option.value(QStringLiteral("OptionName")).toString(), "ManualLocalizable"), list);
        row->setData(kOptionIDRole, optionID);
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        row->setCheckState(chosen.contains(optionID) ? Qt::Checked : Qt::Unchecked);
        rows.append(row);
    }
    return rows;
}

void setTextKeepingCursor(QLineEdit* edit, const QString& text)
{
    if (edit->text() == text)
        return;
    edit->setText(text);
    // A field the seller is not in shows the start of a text too long for it, not its end.
    if (!edit->hasFocus())
        edit->setCursorPosition(0);
}

} // namespace

// The pane's controls and the listing

QMBSettingsPaneController::QMBSettingsPaneController(QMBSettingsPane* pane, QObject* parent)
    : QObject(parent), m_pane(pane)
{}

QMBSettingsPaneController::~QMBSettingsPaneController() = default;

void QMBSettingsPaneController::setItem(std::shared_ptr<QMEbayItem> item)
{
    if (m_connected)
        disconnect(m_itemConnection);
    m_item = std::move(item);
    if (m_connected)
        m_itemConnection =
            connect(m_item.get(), &QMEbayItem::keyChanged, this, &QMBSettingsPaneController::updateSettingsPaneForKey);
}

void QMBSettingsPaneController::markListingChanged()
{
    m_item->setWasChanged(true);
    Q_EMIT listingMarkedChanged();
}

void QMBSettingsPaneController::refitSettingsPane()
{
    m_pane->fitHeight();
    Q_EMIT paneRefitted();
}

void QMBSettingsPaneController::connectSettingsPane()
{
    if (m_connected)
        return;
    QMBSettingsPane* pane = m_pane;
    QComboBox* counter = pane->counterTypePopup;
    counter->clear();
    counter->addItem(dw::localized("No Hit Counter"), 0);
    counter->insertSeparator(1);
    counter->addItem(dw::localized("Vodar Hit Counter"), 1);
    counter->addItem(dw::localized("Retro Style Counter"), 2);
    counter->addItem(dw::localized("Hidden Counter"), 3);

    // Each control writes into the listing only when the seller changed it, never while the
    // controls are filled.
    const auto fromSeller = [this](auto handler) {
        return [this, handler](auto&&... args) {
            if (!m_updatingControls)
                handler(std::forward<decltype(args)>(args)...);
        };
    };
    connect(pane->titleLineEdit, &QLineEdit::textEdited, this,
            fromSeller([this](const QString& text) { m_item->setTitle(text); }));
    connect(pane->subTitleLineEdit, &QLineEdit::textEdited, this,
            fromSeller([this](const QString& text) { m_item->setSubTitle(text); }));
    connect(pane->quantitySpinBox, &QSpinBox::valueChanged, this, fromSeller([this](int quantity) {
                m_item->setQuantity(quantity);
                m_item->setUseQuantity(quantity > 1);
            }));
    connect(pane->conditionPopup, &QComboBox::activated, this,
            fromSeller([this](int index) { m_item->setConditionID(m_pane->conditionPopup->itemData(index).toInt()); }));
    connect(pane->durationPopup, &QComboBox::activated, this,
            fromSeller([this](int index) { m_item->setDuration(m_pane->durationPopup->itemData(index).toInt()); }));

    // Prices are stored as typed (the listing normalises them) and shown normalised once the
    // seller leaves the field.
    const auto price = [&](QCheckBox* check, QLineEdit* edit, void (QMEbayItem::*setUse)(bool),
                           void (QMEbayItem::*setAmount)(const QString&)) {
        connect(check, &QCheckBox::toggled, this, fromSeller([this, setUse, edit](bool on) {
                    (m_item.get()->*setUse)(on);
                    edit->setEnabled(on);
                }));
        connect(edit, &QLineEdit::textEdited, this,
                fromSeller([this, setAmount](const QString& text) { (m_item.get()->*setAmount)(text); }));
        connect(edit, &QLineEdit::editingFinished, this, [this] { updateTextFields(); });
    };
    price(pane->startingBidCheckBox, pane->startingBidLineEdit, &QMEbayItem::setUseStartingBid,
          &QMEbayItem::setMinimumBid);
    price(pane->buyItNowCheckBox, pane->buyItNowLineEdit, &QMEbayItem::setBuyItNow, &QMEbayItem::setBuyItNowPrice);
    price(pane->reservePriceCheckBox, pane->reservePriceLineEdit, &QMEbayItem::setUseReservePrice,
          &QMEbayItem::setReservePrice);

    connect(pane->picturesListView, &QListWidget::itemSelectionChanged, this, [this] {
        const bool selected = !selectedImages().isEmpty();
        m_pane->removeImageButton->setEnabled(selected);
        m_pane->galleryImageButton->setEnabled(selected);
        m_pane->rotateClockwiseButton->setEnabled(selected);
        m_pane->rotateCounterClockwiseButton->setEnabled(selected);
    });

    connect(pane->paymentOptionsTableView, &QListWidget::itemChanged, this, fromSeller([this](QListWidgetItem* row) {
                const QString optionID = row->data(kOptionIDRole).toString();
                if (row->checkState() == Qt::Checked)
                    m_item->addPaymentOption(optionID);
                else
                    m_item->removePaymentOption(optionID);
                updateListingEnhancementsForItem(m_item);
            }));
    connect(pane->listingEnhancementsTableView, &QListWidget::itemChanged, this,
            fromSeller([this](QListWidgetItem* row) {
                const QString optionID = row->data(kOptionIDRole).toString();
                if (row->checkState() == Qt::Checked)
                    QMSiteDescriptionManager::sharedInstance().addGalleryListingEnhancement(optionID, *m_item);
                else
                    m_item->removeListingEnhancement(optionID);
                updateListingEnhancementsForItem(m_item);
            }));

    connect(pane->domesticShippingCheckBox, &QCheckBox::toggled, this,
            fromSeller([this](bool on) { setCurrentItemDomesticShippingEnabled(on); }));
    connect(pane->domesticShippingFeeLineEdit, &QLineEdit::editingFinished, this, fromSeller([this] {
                setCurrentItemDomesticShippingFee(m_pane->domesticShippingFeeLineEdit->text());
                setTextKeepingCursor(m_pane->domesticShippingFeeLineEdit, m_currentItemDomesticShippingFee);
            }));
    // The pop-up lists the services in use or still offered; the index the listing keeps is the
    // service's place among all of the site's services, so the entry is found by its ID.
    connect(pane->domesticServicePopup, &QComboBox::activated, this, fromSeller([this](int index) {
                const QString serviceID = m_pane->domesticServicePopup->itemData(index).toString();
                const QVariantList services =
                    QMSiteDescriptionManager::sharedInstance().domesticShippingServicesForSiteID(
                        siteText(m_item->siteID()));
                setCurrentItemDomesticServiceIndex(
                    int(QMSiteDescriptionManager::indexOfShippingServiceWithID(serviceID, services)));
            }));
    connect(pane->counterTypePopup, &QComboBox::activated, this,
            fromSeller([this](int) { takeCounterTypeFromPopup(); }));

    m_connected = true;
    m_itemConnection =
        connect(m_item.get(), &QMEbayItem::keyChanged, this, &QMBSettingsPaneController::updateSettingsPaneForKey);
}

void QMBSettingsPaneController::updateSettingsPaneForKey(const QString& key)
{
    if (m_updatingControls)
        return;
    static const QStringList textKeys = {
        QStringLiteral("title"),          QStringLiteral("subTitle"),      QStringLiteral("quantity"),
        QStringLiteral("minimumBid"),     QStringLiteral("buyItNowPrice"), QStringLiteral("reservePrice"),
        QStringLiteral("useStartingBid"), QStringLiteral("buyItNow"),      QStringLiteral("useReservePrice")};
    if (textKeys.contains(key)) {
        updateTextFields();
    } else if (key == QLatin1String("images")) {
        updatePicturesList();
        updateListingEnhancementsForItem(m_item);
    } else if (key == QLatin1String("productID") || key == QLatin1String("prefilledProductTitle") ||
               key == QLatin1String("listWithProductID")) {
        updateProductField();
    } else if (key == QLatin1String("conditionID")) {
        const QScopedValueRollback guard(m_updatingControls, true);
        selectTag(m_pane->conditionPopup, m_item->conditionID());
    } else if (key == QLatin1String("duration")) {
        const QScopedValueRollback guard(m_updatingControls, true);
        selectTag(m_pane->durationPopup, m_item->duration());
    } else if (key == QLatin1String("counterType")) {
        updateCounterTypePopupForItem(m_item);
    } else if (key == QLatin1String("paymentOptions")) {
        updatePaymentOptionsFieldForItem(m_item);
    } else if (key == QLatin1String("listingEnhancements")) {
        updateListingEnhancementsForItem(m_item);
    } else if (key == QLatin1String("currency")) {
        updateCurrencyForItem(m_item);
    } else if (key == QLatin1String("shippingOptions")) {
        updateShippingControlsCurrentItem();
    }
}

void QMBSettingsPaneController::updateTextFields()
{
    const QScopedValueRollback guard(m_updatingControls, true);
    QMBSettingsPane* pane = m_pane;
    setTextKeepingCursor(pane->titleLineEdit, m_item->title());
    setTextKeepingCursor(pane->subTitleLineEdit, m_item->subTitle());
    pane->quantitySpinBox->setValue(std::max(1, m_item->quantity()));
    pane->startingBidCheckBox->setChecked(m_item->useStartingBid());
    pane->startingBidLineEdit->setEnabled(m_item->useStartingBid());
    pane->buyItNowCheckBox->setChecked(m_item->buyItNow());
    pane->buyItNowLineEdit->setEnabled(m_item->buyItNow());
    pane->reservePriceCheckBox->setChecked(m_item->useReservePrice());
    pane->reservePriceLineEdit->setEnabled(m_item->useReservePrice());
    // A field the seller is typing in keeps the text as typed.
    for (auto [edit, amount] : {std::pair{pane->startingBidLineEdit, m_item->minimumBid()},
                                std::pair{pane->buyItNowLineEdit, m_item->buyItNowPrice()},
                                std::pair{pane->reservePriceLineEdit, m_item->reservePrice()}}) {
        if (!edit->hasFocus() || !edit->isModified())
            setTextKeepingCursor(edit, amount);
    }
}

void QMBSettingsPaneController::updateProductField()
{
    const bool linked = !m_item->productID().isEmpty();
    m_pane->productField->setText(linked ? m_item->prefilledProductTitle().isEmpty() ? m_item->productID()
                                                                                     : m_item->prefilledProductTitle()
                                         : dw::localized("None"));
    m_pane->removeProductButton->setEnabled(linked);
}

void QMBSettingsPaneController::updateInterfaceForItem()
{
    updateTextFields();
    updateProductField();
    updatePicturesList();
    updateInterfaceAfterCategoryChange();
    updateCurrencyForItem(m_item);
    updateListingEnhancementsForItem(m_item);
    updatePaymentOptionsFieldForItem(m_item);
    updateDurationPopupForItem(m_item);
    updateCounterTypePopupForItem(m_item);
    updateShippingControlsCurrentItem();
    updateReturnPolicyNameForItem(m_item);
    updateConditionPopupForItem(m_item);
    refitSettingsPane();
}

// Categories and item specifics

void QMBSettingsPaneController::updateInterfaceAfterCategoryChange()
{
    computeAndUpdateCategoryPathFieldsForItem(m_item);
    computeAndUpdateAttributeSetNamesForItem(m_item);
    updateConditionPopupForItem(m_item);
}

QString QMBSettingsPaneController::categoryFieldValueForSiteID(qint64 siteID, qint64 categoryID)
{
    if (categoryID == 0)
        return dw::localized("Category not set");
    const auto source = QMCategoryDataSource::installed();
    const QString path = source ? source->cachedCategoryPathForSiteID(siteID, categoryID) : QString();
    return path.isEmpty() ? dw::localized("Category not found") : path;
}

void QMBSettingsPaneController::computeAndUpdateCategoryPathFieldsForItem(const std::shared_ptr<QMEbayItem>& item)
{
    item->setCachedCategoryPath(categoryFieldValueForSiteID(item->siteID(), item->category()));
    item->setCachedCategory2Path(categoryFieldValueForSiteID(item->siteID(), item->category2()));
    updateCategoryPathFieldsForItem(item);
}

void QMBSettingsPaneController::updateCategoryPathFieldsForItem(const std::shared_ptr<QMEbayItem>& item)
{
    if (item->cachedCategoryPath().isEmpty())
        item->setCachedCategoryPath(categoryFieldValueForSiteID(item->siteID(), item->category()));
    if (item->cachedCategory2Path().isEmpty())
        item->setCachedCategory2Path(categoryFieldValueForSiteID(item->siteID(), item->category2()));
    // The name, with the whole path as tool tip; without a name (no category, or none found) the
    // path text says why.
    const auto show = [](QLabel* field, const QString& name, const QString& path) {
        field->setText(name.isEmpty() ? path : name);
        field->setToolTip(path);
    };
    show(m_pane->categoryField, item->categoryName(), item->cachedCategoryPath());
    show(m_pane->category2Field, item->category2Name(), item->cachedCategory2Path());
    m_pane->category2Button->setEnabled(item->category() != 0);
    setCurrentItemHasSecondCategory(item->hasCategory2());
    refitSettingsPane();
}

void QMBSettingsPaneController::computeAndUpdateAttributeSetNamesForItem(const std::shared_ptr<QMEbayItem>& item)
{
    const QList<qint64> categoryIDs = QMBDocument::categoryIDsOf(*item);
    const auto categories = QMCategoryDataManager::sharedQMCategoryDataManager();
    QString names = categoryIDs.isEmpty()
                        ? QString()
                        : categories->characteristicSetsNameStringForCategoryIDs(categoryIDs, item->siteID());
    if (item->canUseCustomSpecifics()) {
        // Without an attribute set the custom details are all there is: not "Custom Details, Not
        // available".
        const bool noSets = categoryIDs.isEmpty() ||
                            categories->characteristicSetIDsForCategoryIDs(categoryIDs, item->siteID()).isEmpty();
        names = noSets || names.isEmpty() ? dw::localized("Custom Details")
                                          : dw::localized("Custom Details") + u", " + names;
    }
    setCurrentItemAttributeSetNames(names);
    item->setCachedAttributeSetNames(names);
    setCurrentItemAllowsAttributeRemoval(item->attributeCount() != 0 || !item->customItemSpecifics().isEmpty());
}

void QMBSettingsPaneController::updateAttributeSetNamesForItem(const std::shared_ptr<QMEbayItem>& item)
{
    if (item->cachedAttributeSetNames().isEmpty()) {
        computeAndUpdateAttributeSetNamesForItem(item);
        return;
    }
    setCurrentItemAttributeSetNames(item->cachedAttributeSetNames());
    setCurrentItemAllowsAttributeRemoval(item->attributeCount() != 0 || !item->customItemSpecifics().isEmpty());
}

// Pictures

namespace {
// As many pixels as the screen shows in the icon's place, so a high-density one stays sharp.
QIcon pictureIcon(const QListWidget& list, const QImage& thumbnail)
{
    const qreal ratio = list.devicePixelRatioF();
    QImage shown = thumbnail.scaled(list.iconSize() * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    shown.setDevicePixelRatio(ratio);
    return QIcon(QPixmap::fromImage(shown));
}
} // namespace

void QMBSettingsPaneController::updatePicturesList()
{
    const QScopedValueRollback guard(m_updatingControls, true);
    const QList<std::shared_ptr<QMEbayImage>> selection = selectedImages();
    QListWidget* list = m_pane->picturesListView;
    list->clear();
    for (const auto& picture : m_item->images()) {
        QString name = picture->name();
        QImage thumbnail;
        if (picture->isWaitingForFile()) {
            // Its file is being written: the list fills in once it is there.
            auto* row = new QListWidgetItem(list);
            row->setText(name);
            row->setIcon(QIcon::fromTheme(QStringLiteral("image-loading")));
            continue;
        }
        if (picture->isURLBased()) {
            if (name.isEmpty())
                name = QUrl(picture->imageURL()).fileName();
        } else {
            thumbnail = picture->thumbImage();
            if (thumbnail.isNull())
                makeThumbnailLater(*picture);
            if (name.isEmpty())
                name = QFileInfo(picture->imageFilePath()).fileName();
        }
        auto* row = new QListWidgetItem(list);
        row->setText(picture->isGalleryImage() ? dw::localized("%1 (gallery)").arg(name) : name);
        row->setToolTip(picture->isURLBased() ? picture->imageURL() : picture->imageFilePath());
        if (!thumbnail.isNull())
            row->setIcon(pictureIcon(*list, thumbnail));
        else if (m_thumbnailsInFlight.contains(picture->imageFilePath()))
            row->setIcon(QIcon::fromTheme(QStringLiteral("image-loading")));
        else
            row->setIcon(QIcon::fromTheme(picture->isURLBased() ? QStringLiteral("network-server")
                                                                : QStringLiteral("image-missing")));
    }
    setSelectedImages(selection);
    Q_EMIT list->itemSelectionChanged();
}

namespace {

QThreadPool& thumbnailPool()
{
    static QThreadPool* pool = dw::newBackgroundPool(2);
    return *pool;
}

constexpr int kThumbnailSide = 148;

// The picture reduced into the thumbnail square as it is read: JPEG decodes straight at (about)
// that size.
QImage readThumbnail(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    if (turned)
        size.transpose();
    if (size.width() > kThumbnailSide || size.height() > kThumbnailSide) {
        size = size.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        reader.setScaledSize(turned ? size.transposed() : size);
    }
    return reader.read();
}

} // namespace

void QMBSettingsPaneController::makeThumbnailLater(const QMEbayImage& picture)
{
    const QString path = picture.imageFilePath();
    if (path.isEmpty() || m_thumbnailsInFlight.contains(path))
        return;
    m_thumbnailsInFlight.insert(path);
    // A picture taken out of a document has its thumbnail file waiting to be made beside it, where
    // the next opening finds it; any other gets one in memory only, so that nothing is written
    // beside the seller's own pictures.
    const bool thumbnailFile = !picture.storedThumbFilePath().isEmpty() &&
                               picture.thumbFilePath() == QMEbayImage::thumbnailPathForImageAtPath(path);
    const QPointer<QMBSettingsPaneController> controller(this);
    const QPointer<const QObject> context(this);
    thumbnailPool().start([controller, context, path, thumbnailFile] {
        QImage thumbnail;
        if (thumbnailFile)
            thumbnail = QImage(
                QMEbayImageTransformerHooks::installed()->generateAndBackupThumbnailFromFullSizeImageAtPath(path));
        if (thumbnail.isNull())
            thumbnail = readThumbnail(path);
        dw::postToMain(context, [controller, path, thumbnail = std::move(thumbnail)] {
            if (controller)
                controller->showThumbnail(path, thumbnail);
        });
    });
}

bool QMBSettingsPaneController::makingThumbnails() const
{
    if (!m_thumbnailsInFlight.isEmpty())
        return true;
    const auto& pictures = m_item->images();
    return std::any_of(pictures.begin(), pictures.end(),
                       [](const auto& picture) { return picture->isWaitingForFile(); });
}

void QMBSettingsPaneController::showThumbnail(const QString& picturePath, const QImage& thumbnail)
{
    m_thumbnailsInFlight.remove(picturePath);
    QListWidget* list = m_pane->picturesListView;
    const auto& pictures = m_item->images();
    for (qsizetype row = 0; row < pictures.size() && row < list->count(); ++row) {
        const auto& picture = pictures.at(row);
        if (picture->isURLBased() || picture->imageFilePath() != picturePath)
            continue;
        if (thumbnail.isNull()) {
            list->item(int(row))->setIcon(QIcon::fromTheme(QStringLiteral("image-missing")));
            continue;
        }
        picture->setThumbImage(thumbnail);
        list->item(int(row))->setIcon(pictureIcon(*list, thumbnail));
    }
    Q_EMIT pictureThumbnailMade(picturePath);
}

QList<std::shared_ptr<QMEbayImage>> QMBSettingsPaneController::selectedImages() const
{
    QList<std::shared_ptr<QMEbayImage>> selected;
    const QList<std::shared_ptr<QMEbayImage>> pictures = m_item->images();
    const QListWidget* list = m_pane->picturesListView;
    for (int row = 0; row < list->count() && row < pictures.size(); ++row) {
        if (list->item(row)->isSelected())
            selected.append(pictures.at(row));
    }
    return selected;
}

void QMBSettingsPaneController::setSelectedImages(const QList<std::shared_ptr<QMEbayImage>>& selection)
{
    const QList<std::shared_ptr<QMEbayImage>> pictures = m_item->images();
    QListWidget* list = m_pane->picturesListView;
    for (int row = 0; row < list->count() && row < pictures.size(); ++row)
        list->item(row)->setSelected(selection.contains(pictures.at(row)));
}

// Current-listing values

void QMBSettingsPaneController::setCurrentItemAttributeSetNames(const QString& names)
{
    m_pane->attributeSetNamesField->setText(names.isEmpty() ? dw::localized("None") : names);
    setCurrentValue(m_currentItemAttributeSetNames, names);
}

void QMBSettingsPaneController::setCurrentItemAllowsAttributeRemoval(bool allows)
{
    m_currentItemAllowsAttributeRemoval = allows;
    m_pane->removeAttributesButton->setEnabled(allows);
}

void QMBSettingsPaneController::setCurrentItemHasSecondCategory(bool hasSecondCategory)
{
    m_currentItemHasSecondCategory = hasSecondCategory;
    m_pane->removeCategory2Button->setEnabled(hasSecondCategory);
}

void QMBSettingsPaneController::setCurrentItemCurrency(const QString& currency)
{
    m_pane->currencyField->setText(currency);
    setCurrentValue(m_currentItemCurrency, currency);
}

void QMBSettingsPaneController::setAllowedListingEnhancements(const QVariantList& enhancements)
{
    setCurrentValue(m_allowedListingEnhancements, enhancements);
    const QScopedValueRollback guard(m_updatingControls, true);
    auto& preferences = QMPreferencesManager::sharedInstance();
    const bool markFees = preferences.markExtraFees();
    const QColor highlight = markFees ? preferences.feesHighlightColor() : QColor();
    for (QListWidgetItem* row :
         fillOptionRows(m_pane->listingEnhancementsTableView, enhancements, m_item->listingEnhancements())) {
        const bool on = row->checkState() == Qt::Checked;
        row->setToolTip(tooltipForListingEnhancement(row->data(kOptionIDRole).toString()));
        // Upgrades cost extra: marked in the fee colour when the seller wants them marked, with
        // text chosen against that colour (the seller picks it, light or dark).
        if (markFees) {
            const QColor background = on ? highlight : dw::highlightWithLevel(highlight, 0.4);
            row->setBackground(background);
            row->setForeground(dw::readableTextColor(background, on ? QColor(Qt::white) : QColor(Qt::black)));
        }
    }
}

void QMBSettingsPaneController::setAllowedPaymentOptions(const QVariantList& options)
{
    setCurrentValue(m_allowedPaymentOptions, options);
    const QScopedValueRollback guard(m_updatingControls, true);
    fillOptionRows(m_pane->paymentOptionsTableView, options, m_item->paymentOptions());
}

void QMBSettingsPaneController::setCurrentItemDomesticShippingEnabled(bool enabled)
{
    m_currentItemDomesticShippingEnabled = enabled;
    const auto options = m_item->shippingOptions();
    if (!enabled) {
        options->removeAllDomesticServices();
    } else if (options->domesticShippingServiceCount() == 0) {
        const QVariantList services =
            QMSiteDescriptionManager::sharedInstance().domesticShippingServicesForSiteID(siteText(m_item->siteID()));
        if (!services.isEmpty())
            options->addDomesticShippingServiceWithID(
                services.first().toMap().value(QStringLiteral("ServiceID")).toString(), QStringLiteral("0.00"), false,
                QStringLiteral("0.00"), false, QStringLiteral("0.00"));
    }
    markListingChanged();
    updateShippingControlsCurrentItem();
}

void QMBSettingsPaneController::setCurrentItemDomesticShippingFee(const QString& fee)
{
    const QString normalized = QMEbayItem::formatMoneyValue(fee).toString();
    if (normalized == m_currentItemDomesticShippingFee)
        return;
    m_currentItemDomesticShippingFee = normalized;
    const auto options = m_item->shippingOptions();
    if (options->domesticShippingServiceCount() == 1)
        options->setFee(normalized, 0);
    markListingChanged();
}

void QMBSettingsPaneController::setCurrentItemDomesticServiceIndex(int index)
{
    if (index == m_currentItemDomesticServiceIndex)
        return;
    m_currentItemDomesticServiceIndex = index;
    const auto options = m_item->shippingOptions();
    const QVariantList services =
        QMSiteDescriptionManager::sharedInstance().domesticShippingServicesForSiteID(siteText(m_item->siteID()));
    if (options->domesticShippingServiceCount() == 1 && index >= 0 && index < services.size())
        options->setIDForDomesticShippingService(
            services.at(index).toMap().value(QStringLiteral("ServiceID")).toString(), 0);
    markListingChanged();
}

void QMBSettingsPaneController::setCurrentItemShippingSummary(const QString& summary)
{
    m_pane->shippingSummaryField->setText(summary);
    m_pane->shippingSummaryField->setToolTip(summary);
    setCurrentValue(m_currentItemShippingSummary, summary);
}

void QMBSettingsPaneController::setCurrentItemAllowedServices(const QVariantList& services)
{
    setCurrentValue(m_currentItemAllowedServices, services);
    const QScopedValueRollback guard(m_updatingControls, true);
    QComboBox* popup = m_pane->domesticServicePopup;
    popup->clear();
    for (const QVariant& entry : services) {
        const QVariantMap service = entry.toMap();
        popup->addItem(service.value(QStringLiteral("ServiceName")).toString(),
                       service.value(QStringLiteral("ServiceID")));
    }
}

void QMBSettingsPaneController::setCurrentReturnPolicyAcceptedName(const QString& name)
{
    m_currentReturnPolicyAcceptedName = name;
    m_pane->returnPolicyField->setText(name);
}

// Filling the controls from the listing

void QMBSettingsPaneController::updateCurrencyForItem(const std::shared_ptr<QMEbayItem>& item)
{
    setCurrentItemCurrency(
        QMSiteDescriptionManager::sharedInstance().currencyNameForCurrencyID(item->currency(), item->siteID()));
}

void QMBSettingsPaneController::updateListingEnhancementsForItem(const std::shared_ptr<QMEbayItem>& item)
{
    setAllowedListingEnhancements(QMEBayBussinessLogic::allowedListingEnhancementsForItem(*item));
}

void QMBSettingsPaneController::updatePaymentOptionsFieldForItem(const std::shared_ptr<QMEbayItem>& item)
{
    setAllowedPaymentOptions(QMEBayBussinessLogic::allowedPaymentOptionsForItem(*item));
}

void QMBSettingsPaneController::updateDurationPopupForItem(const std::shared_ptr<QMEbayItem>& item)
{
    const QScopedValueRollback guard(m_updatingControls, true);
    // The site's item durations, for every kind of listing (QMEBayBussinessLogic::durationsForItem()
    // would give a classified ad the site's classified-ad durations instead).
    const QVariantMap durations =
        QMSiteDescriptionManager::sharedInstance().itemDurationForSiteID(QString::number(int(item->siteID())));
    QStringList keys = durations.keys();
    std::stable_sort(keys.begin(), keys.end(),
                     [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    QComboBox* popup = m_pane->durationPopup;
    popup->clear();
    int remembered = -1;
    QString gtcTitle;
    for (const QString& key : keys) {
        const QString title = dw::localized(durations.value(key).toString(), "ManualLocalizable");
        const int tag = key == QLatin1String("GTC") ? kGTCTag : key.toInt();
        // "Good 'Til Cancelled" always ends the list, whatever the day counts are.
        if (tag == kGTCTag) {
            gtcTitle = title;
            continue;
        }
        popup->addItem(title, tag);
        if (tag == item->duration())
            remembered = popup->count() - 1;
    }
    if (!gtcTitle.isNull()) {
        popup->addItem(gtcTitle, kGTCTag);
        if (item->duration() == kGTCTag)
            remembered = popup->count() - 1;
    }
    if (remembered >= 0) {
        popup->setCurrentIndex(remembered);
        return;
    }
    // A duration the site does not offer: the default one when the site has it, else the first.
    // The pop-up shows the duration the listing now has (the listing's change does not reach the
    // pane while it is filled).
    const qint64 fallback = QMPreferencesManager::sharedInstance().defaultAuctionDuration();
    if (durations.contains(QString::number(fallback)))
        item->setDuration(int(fallback));
    else if (popup->count() > 0)
        item->setDuration(popup->itemData(0).toInt());
    if (!selectTag(popup, item->duration()))
        popup->setCurrentIndex(-1);
}

void QMBSettingsPaneController::takeCounterTypeFromPopup()
{
    m_item->setCounterType(m_pane->counterTypePopup->currentData().toInt());
    markListingChanged();
}

void QMBSettingsPaneController::updateCounterTypePopupForItem(const std::shared_ptr<QMEbayItem>& item)
{
    const QScopedValueRollback guard(m_updatingControls, true);
    selectTag(m_pane->counterTypePopup, item->counterType());
}

void QMBSettingsPaneController::updateShippingControlsCurrentItem()
{
    QMEBayBussinessLogic::removeUnsupportedShippingOptionsFromItem(*m_item);
    const auto options = m_item->shippingOptions();
    QMBSettingsPane* pane = m_pane;
    if (QMEBayBussinessLogic::canSelectDomesticShippingServiceForItemShippingOptions(*options)) {
        pane->shippingOptionsTabView->setCurrentIndex(0);
        const auto& sites = QMSiteDescriptionManager::sharedInstance();
        const QVariantList services = sites.domesticShippingServicesForSiteID(siteText(m_item->siteID()));
        setCurrentItemAllowedServices(
            QMShippingOptionsPanelController::stripUnusedServicesFromArray(services, *options));
        const bool one = options->domesticShippingServiceCount() == 1;
        m_currentItemDomesticShippingEnabled = one;
        if (one) {
            m_currentItemDomesticShippingFee = options->feeForDomesticShippingServiceAtIndex(0);
            m_currentItemDomesticServiceIndex = int(QMSiteDescriptionManager::indexOfShippingServiceWithID(
                options->idOfDomesticShippingServiceAtIndex(0), services));
        } else {
            m_currentItemDomesticShippingFee = QStringLiteral("0");
            m_currentItemDomesticServiceIndex = 0;
        }
        const QScopedValueRollback guard(m_updatingControls, true);
        pane->domesticShippingCheckBox->setChecked(one);
        pane->domesticShippingFeeLineEdit->setEnabled(one);
        pane->domesticServicePopup->setEnabled(one);
        setTextKeepingCursor(pane->domesticShippingFeeLineEdit,
                             QMEbayItem::formatMoneyValue(m_currentItemDomesticShippingFee).toString());
        const QString serviceID =
            services.value(m_currentItemDomesticServiceIndex).toMap().value(QStringLiteral("ServiceID")).toString();
        pane->domesticServicePopup->setCurrentIndex(pane->domesticServicePopup->findData(serviceID));
    } else {
        pane->shippingOptionsTabView->setCurrentIndex(1);
        setCurrentItemShippingSummary(options->summary());
    }
    refitSettingsPane();
}

void QMBSettingsPaneController::updateReturnPolicyNameForItem(const std::shared_ptr<QMEbayItem>& item)
{
    setCurrentReturnPolicyAcceptedName(item->returnPolicyAccepted() ? dw::localized("Accepted")
                                                                    : dw::localized("Not accepted"));
    markListingChanged();
}

void QMBSettingsPaneController::updateConditionPopupForItem(const std::shared_ptr<QMEbayItem>& item)
{
    const QList<QMCategoryCondition> conditions = QMEBayBussinessLogic::sortedConditionsForCategoriesOfItem(*item);
    const QScopedValueRollback guard(m_updatingControls, true);
    QComboBox* popup = m_pane->conditionPopup;
    popup->clear();
    if (conditions.isEmpty()) {
        popup->addItem(dw::localized("Not available"), 0);
        popup->setEnabled(false);
        return;
    }
    popup->addItem(dw::localized("Do not use"), 0);
    popup->insertSeparator(1);
    for (const auto& condition : conditions)
        popup->addItem(condition.name, int(condition.identifier));
    popup->setEnabled(true);
    if (!selectTag(popup, item->conditionID()))
        popup->setCurrentIndex(0);
}

QString QMBSettingsPaneController::tooltipForListingEnhancement(const QString& optionID)
{
    static const QList<std::pair<const char*, const char*>> tips = {
        {"Border", "If checked, the item will be displayed with a border that goes around the item in search result "
                   "pages."},
        {"BoldTitle", "If checked, the title for the item's listing will be in boldface type."},
        {"Featured", "If checked, the item will display prominently in the Featured Items section of its category "
                     "list, and it will stand out on search results pages."},
        {"Highlight", "If checked, the listing is highlighted in a different color in lists."},
        {"HomePageFeatured",
         "If checked, the listing will have a chance to rotate into a special display on eBay's Home page. Your item "
         "is very likely to show up on the Home page, although eBay does not guarantee that your item will be "
         "highlighted in this way."},
        {"ProPackBundle", "This bundle contains the bold title, border, featured and highlight enhancements."},
        {"VodarUpgradePackBundle", "This bundle contains the gallery and subtitle enhancements."},
        {"ValuePackBundle", "This bundle contains the gallery, subtitle, and eBay's Listing Designer (which is not "
                            "supported by Quillmart) enhancements."},
        {"ProPackPlusBundle",
         "This bundle contains the bold title, border, highlight, featured and gallery enhancements."},
        {"GalleryFeatured", "If checked, the listing also automatically gets the Gallery and Gallery Plus "
                            "functionality."},
        {"GalleryPlus", "If checked, listing includes a Gallery Plus icon that, when moused over or clicked, displays "
                        "a large (400 px x 400 px) preview image of the item."},
    };
    for (const auto& [id, tip] : tips) {
        if (optionID == QLatin1String(id))
            return dw::localized(tip);
    }
    return QString();
}
