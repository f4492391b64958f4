#include "shell/QMBSettingsPane.h"

#include "platform/core/Localization.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

template<class Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* sectionHeader(const char* title, QWidget* parent)
{
    auto* label = new QLabel(dw::localized(title), parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setContentsMargins(0, 10, 0, 2);
    return label;
}

QLabel* fieldLabel(const char* title, QWidget* parent)
{
    auto* label = new QLabel(dw::localized(title), parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(72); // one column of labels down the pane
    return label;
}

// A label that shows a value: it wraps, and the seller can select its text.
QLabel* valueField(const char* name, QWidget* parent)
{
    auto* label = named(new QLabel(parent), name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

QToolButton* smallButton(const char* name, const QString& text, const char* toolTip, QWidget* parent)
{
    auto* button = named(new QToolButton(parent), name);
    button->setText(text);
    button->setToolTip(dw::localized(toolTip));
    button->setAutoRaise(false);
    return button;
}

QListWidget* checkList(const char* name, QWidget* parent)
{
    auto* list = named(new QListWidget(parent), name);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setFocusPolicy(Qt::NoFocus);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return list;
}

} // namespace

QMBSettingsPane::QMBSettingsPane(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("auctionSettingsView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 4, 10, 12);
    column->setSpacing(2);

    const auto grid = [&] {
        auto* layout = new QGridLayout;
        layout->setHorizontalSpacing(6);
        layout->setVerticalSpacing(4);
        layout->setColumnStretch(1, 1);
        column->addLayout(layout);
        return layout;
    };

    // Item
    column->addWidget(sectionHeader("Item", this));
    QGridLayout* item = grid();
    titleLineEdit = named(new QLineEdit(this), "titleLineEdit");
    titleLineEdit->setMaxLength(80);
    titleLineEdit->setPlaceholderText(dw::localized("What you are selling"));
    item->addWidget(fieldLabel("Title:", this), 0, 0);
    item->addWidget(titleLineEdit, 0, 1, 1, 2);
    subTitleLineEdit = named(new QLineEdit(this), "subTitleLineEdit");
    subTitleLineEdit->setMaxLength(55);
    subTitleLineEdit->setPlaceholderText(dw::localized("Optional"));
    item->addWidget(fieldLabel("Subtitle:", this), 1, 0);
    item->addWidget(subTitleLineEdit, 1, 1, 1, 2);
    quantitySpinBox = named(new QSpinBox(this), "quantitySpinBox");
    quantitySpinBox->setRange(1, 99999);
    item->addWidget(fieldLabel("Quantity:", this), 2, 0);
    item->addWidget(quantitySpinBox, 2, 1);

    // Categories
    column->addWidget(sectionHeader("Category", this));
    QGridLayout* categories = grid();
    categoryField = valueField("categoryField", this);
    categoryButton = named(new QPushButton(dw::localized("Choose…"), this), "categoryButton");
    categories->addWidget(fieldLabel("Primary:", this), 0, 0);
    categories->addWidget(categoryField, 0, 1);
    categories->addWidget(categoryButton, 0, 2);
    category2Field = valueField("category2Field", this);
    category2Button = named(new QPushButton(dw::localized("Choose…"), this), "category2Button");
    removeCategory2Button =
        smallButton("removeCategory2Button", QStringLiteral("−"), "Remove the second category", this);
    auto* category2Buttons = new QHBoxLayout;
    category2Buttons->setSpacing(2);
    category2Buttons->addWidget(category2Button);
    category2Buttons->addWidget(removeCategory2Button);
    categories->addWidget(fieldLabel("Second:", this), 1, 0);
    categories->addWidget(category2Field, 1, 1);
    categories->addLayout(category2Buttons, 1, 2);
    attributeSetNamesField = valueField("attributeSetNamesField", this);
    editAttributesButton = named(new QPushButton(dw::localized("Edit…"), this), "editAttributesButton");
    removeAttributesButton =
        smallButton("removeAttributesButton", QStringLiteral("−"), "Remove all item specifics", this);
    auto* attributeButtons = new QHBoxLayout;
    attributeButtons->setSpacing(2);
    attributeButtons->addWidget(editAttributesButton);
    attributeButtons->addWidget(removeAttributesButton);
    categories->addWidget(fieldLabel("Specifics:", this), 2, 0);
    categories->addWidget(attributeSetNamesField, 2, 1);
    categories->addLayout(attributeButtons, 2, 2);
    conditionPopup = named(new QComboBox(this), "conditionPopup");
    categories->addWidget(fieldLabel("Condition:", this), 3, 0);
    categories->addWidget(conditionPopup, 3, 1, 1, 2);
    productField = valueField("productField", this);
    productSearchButton = named(new QPushButton(dw::localized("Find…"), this), "productSearchButton");
    productSearchButton->setToolTip(dw::localized("Link the listing with a product from eBay's catalog"));
    removeProductButton =
        smallButton("removeProductButton", QStringLiteral("−"), "Remove the product information", this);
    auto* productButtons = new QHBoxLayout;
    productButtons->setSpacing(2);
    productButtons->addWidget(productSearchButton);
    productButtons->addWidget(removeProductButton);
    categories->addWidget(fieldLabel("Product:", this), 4, 0);
    categories->addWidget(productField, 4, 1);
    categories->addLayout(productButtons, 4, 2);

    // Format and prices
    column->addWidget(sectionHeader("Format and Price", this));
    QGridLayout* prices = grid();
    durationPopup = named(new QComboBox(this), "durationPopup");
    prices->addWidget(fieldLabel("Duration:", this), 0, 0);
    prices->addWidget(durationPopup, 0, 1, 1, 2);
    const auto priceRow = [&](int row, const char* checkName, const char* title, const char* editName) {
        auto* check = named(new QCheckBox(dw::localized(title), this), checkName);
        auto* edit = named(new QLineEdit(this), editName);
        edit->setAlignment(Qt::AlignRight);
        edit->setMaximumWidth(110);
        prices->addWidget(check, row, 0, 1, 2);
        prices->addWidget(edit, row, 2);
        return std::pair{check, edit};
    };
    std::tie(startingBidCheckBox, startingBidLineEdit) =
        priceRow(1, "startingBidCheckBox", "Starting bid", "startingBidLineEdit");
    std::tie(buyItNowCheckBox, buyItNowLineEdit) = priceRow(2, "buyItNowCheckBox", "Buy It Now", "buyItNowLineEdit");
    std::tie(reservePriceCheckBox, reservePriceLineEdit) =
        priceRow(3, "reservePriceCheckBox", "Reserve price", "reservePriceLineEdit");
    currencyField = valueField("currencyField", this);
    currencyField->setAlignment(Qt::AlignRight);
    prices->addWidget(fieldLabel("Currency:", this), 4, 0);
    prices->addWidget(currencyField, 4, 1, 1, 2);

    // Pictures
    column->addWidget(sectionHeader("Pictures", this));
    picturesListView = named(new QListWidget(this), "picturesListView");
    picturesListView->setViewMode(QListView::IconMode);
    picturesListView->setIconSize(QSize(64, 64));
    picturesListView->setGridSize(QSize(84, 96));
    picturesListView->setMovement(QListView::Static);
    picturesListView->setResizeMode(QListView::Adjust);
    picturesListView->setWrapping(true);
    picturesListView->setWordWrap(true);
    picturesListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    picturesListView->setFixedHeight(112);
    column->addWidget(picturesListView);
    auto* pictureButtons = new QHBoxLayout;
    pictureButtons->setSpacing(2);
    addImageButton = named(new QPushButton(dw::localized("Add…"), this), "addImageButton");
    removeImageButton = smallButton("removeImageButton", QStringLiteral("−"), "Remove the selected pictures", this);
    galleryImageButton = smallButton("galleryImageButton", dw::localized("Gallery"), "Mark as Gallery Image", this);
    rotateCounterClockwiseButton =
        smallButton("rotateCounterClockwiseButton", QStringLiteral("↺"), "Rotate Counter Clockwise", this);
    rotateClockwiseButton = smallButton("rotateClockwiseButton", QStringLiteral("↻"), "Rotate Clockwise", this);
    mediaBrowserButton = named(new QPushButton(dw::localized("Browse…"), this), "mediaBrowserButton");
    mediaBrowserButton->setToolTip(dw::localized("Show Images Browser"));
    pictureButtons->addWidget(addImageButton);
    pictureButtons->addWidget(removeImageButton);
    pictureButtons->addWidget(galleryImageButton);
    pictureButtons->addWidget(rotateCounterClockwiseButton);
    pictureButtons->addWidget(rotateClockwiseButton);
    pictureButtons->addStretch(1);
    pictureButtons->addWidget(mediaBrowserButton);
    column->addLayout(pictureButtons);

    // Payment
    column->addWidget(sectionHeader("Payment", this));
    paymentOptionsTableView = checkList("paymentOptionsTableView", this);
    paymentOptionsTableView->setFixedHeight(96);
    column->addWidget(paymentOptionsTableView);

    // Shipping
    column->addWidget(sectionHeader("Shipping", this));
    shippingOptionsTabView = named(new QStackedWidget(this), "shippingOptionsTabView");
    auto* simple = new QWidget(shippingOptionsTabView);
    auto* simpleLayout = new QGridLayout(simple);
    simpleLayout->setContentsMargins(0, 0, 0, 0);
    simpleLayout->setHorizontalSpacing(6);
    simpleLayout->setColumnStretch(0, 1);
    domesticShippingCheckBox =
        named(new QCheckBox(dw::localized("Domestic shipping"), simple), "domesticShippingCheckBox");
    domesticShippingFeeLineEdit = named(new QLineEdit(simple), "domesticShippingFeeLineEdit");
    domesticShippingFeeLineEdit->setAlignment(Qt::AlignRight);
    domesticShippingFeeLineEdit->setMaximumWidth(110);
    domesticServicePopup = named(new QComboBox(simple), "domesticServicePopup");
    domesticServicePopup->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    domesticServicePopup->setMinimumContentsLength(12);
    simpleLayout->addWidget(domesticShippingCheckBox, 0, 0);
    simpleLayout->addWidget(domesticShippingFeeLineEdit, 0, 1);
    simpleLayout->addWidget(domesticServicePopup, 1, 0, 1, 2);
    shippingOptionsTabView->addWidget(simple);
    shippingSummaryField = valueField("shippingSummaryField", shippingOptionsTabView);
    shippingSummaryField->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    shippingOptionsTabView->addWidget(shippingSummaryField);
    column->addWidget(shippingOptionsTabView);
    shippingOptionsButton = named(new QPushButton(dw::localized("Shipping Options…"), this), "shippingOptionsButton");
    auto* shippingButtons = new QHBoxLayout;
    shippingButtons->addStretch(1);
    shippingButtons->addWidget(shippingOptionsButton);
    column->addLayout(shippingButtons);

    // Return policy
    column->addWidget(sectionHeader("Returns", this));
    QGridLayout* returns = grid();
    returnPolicyField = valueField("returnPolicyField", this);
    returnPolicyButton = named(new QPushButton(dw::localized("Edit…"), this), "returnPolicyButton");
    returns->addWidget(fieldLabel("Returns:", this), 0, 0);
    returns->addWidget(returnPolicyField, 0, 1);
    returns->addWidget(returnPolicyButton, 0, 2);

    // Listing upgrades and counter
    column->addWidget(sectionHeader("Listing Upgrades", this));
    listingEnhancementsTableView = checkList("listingEnhancementsTableView", this);
    listingEnhancementsTableView->setFixedHeight(120);
    column->addWidget(listingEnhancementsTableView);
    QGridLayout* counter = grid();
    counterTypePopup = named(new QComboBox(this), "counterTypePopup");
    counter->addWidget(fieldLabel("Counter:", this), 0, 0);
    counter->addWidget(counterTypePopup, 0, 1, 1, 2);

    column->addStretch(1);
}

void QMBSettingsPane::fitHeight()
{
    // Wrapping texts (category paths, the shipping summary) need the height their width gives.
    const int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width()) : sizeHint().height();
    if (height != this->height() || minimumHeight() != height)
        setFixedHeight(height);
}

void QMBSettingsPane::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (event->size().width() != event->oldSize().width()) {
        fitHeight();
        Q_EMIT heightChanged();
    }
}
