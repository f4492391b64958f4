#pragma once
// The controls of the document's settings pane: title, categories with item specifics and
// condition, product, format and prices, pictures, payment, shipping, return policy, listing
// upgrades and counter. A view only: its presenter (QMBSettingsPaneController) fills the controls
// from the listing and reacts to them; the document runs its command buttons. Each control
// carries an object name ending in its kind, which tests use. Like a form class made from a
// layout file, the pane hands out its controls as public members. Main thread.

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QToolButton;

class QMBSettingsPane : public QWidget
{
    Q_OBJECT

public:
    explicit QMBSettingsPane(QWidget* parent = nullptr);

    // Makes the pane as tall as its contents at its width, for the column that stacks it.
    void fitHeight();

    // Item
    QLineEdit* titleLineEdit;
    QLineEdit* subTitleLineEdit;
    QSpinBox* quantitySpinBox;
    // Categories, item specifics, condition
    QLabel* categoryField;
    QPushButton* categoryButton;
    QLabel* category2Field;
    QPushButton* category2Button;
    QToolButton* removeCategory2Button;
    QLabel* attributeSetNamesField;
    QPushButton* editAttributesButton;
    QToolButton* removeAttributesButton;
    QComboBox* conditionPopup;
    // Product from eBay's catalogue
    QLabel* productField;
    QPushButton* productSearchButton;
    QToolButton* removeProductButton;
    // Format and prices
    QComboBox* durationPopup;
    QCheckBox* startingBidCheckBox;
    QLineEdit* startingBidLineEdit;
    QCheckBox* buyItNowCheckBox;
    QLineEdit* buyItNowLineEdit;
    QCheckBox* reservePriceCheckBox;
    QLineEdit* reservePriceLineEdit;
    QLabel* currencyField;
    // Pictures
    QListWidget* picturesListView;
    QPushButton* addImageButton;
    QToolButton* removeImageButton;
    QToolButton* galleryImageButton;
    QToolButton* rotateCounterClockwiseButton;
    QToolButton* rotateClockwiseButton;
    QPushButton* mediaBrowserButton;
    // Payment
    QListWidget* paymentOptionsTableView;
    // Shipping: page 0 for simple shipping, page 1 for the summary of anything else
    QStackedWidget* shippingOptionsTabView;
    QCheckBox* domesticShippingCheckBox;
    QComboBox* domesticServicePopup;
    QLineEdit* domesticShippingFeeLineEdit;
    QLabel* shippingSummaryField;
    QPushButton* shippingOptionsButton;
    // Return policy
    QLabel* returnPolicyField;
    QPushButton* returnPolicyButton;
    // Listing upgrades and counter
    QListWidget* listingEnhancementsTableView;
    QComboBox* counterTypePopup;

Q_SIGNALS:
    // The pane took another height after its width changed.
    void heightChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
};
