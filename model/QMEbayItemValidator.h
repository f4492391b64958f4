#pragma once
// The local check of a listing before it goes to eBay for verification or listing: the listing's
// fields in a fixed order against eBay's rules and the user's settings. At the first problem the
// user is told in a modal alert (through dw::alertPresenter()) and the check answers false;
// nothing in the listing changes, except through prepareItemForAddItem(), which records the
// account just before listing.
//
// Texts are localized with the English text as key and filled in one pass (dw::format), so a
// listing title holding "%2$@" or "%d" is shown as it is. The delegate (the document) shows the
// panels the validator cannot show itself. Main thread: every check may run a modal alert.
//
//     QMEbayItemValidator validator;
//     validator.setDelegate(document);
//     if (validator.verifyPreferenceSettings() && validator.itemCanBeAdded(*item, false)) ... // verify

#include <QList>
#include <QString>
#include <QVariantMap>

class QMEbayItem;
struct QMCategoryAttribute;

class QMEbayItemValidatorDelegate
{
public:
    virtual ~QMEbayItemValidatorDelegate() = default;

    // Asks whether to go on although a shipping service costs nothing; 1 means the user chose not to.
    virtual int displayFreeShippingWarningForItem(QMEbayItem& item) = 0;
    // Opens the panel that authorizes the program for an eBay account.
    virtual void displayTokenPanel() = 0;
    // Opens the item-specifics editor of the listing.
    virtual void displayAttributePanelForItem(QMEbayItem& item) = 0;
    // The same question for freight shipping; a delegate that does not ask answers 0.
    virtual int displayFreightShippingWarningForItem(QMEbayItem& /*item*/) { return 0; }
    // Opens the preferences at the picture-upload pane; a delegate without it does nothing.
    virtual void displayImageServicePreferences() {}
};

class QMEbayItemValidator
{
public:
    static constexpr int kMaximumTitleLength = 80;
    static constexpr int kMaximumPaymentInstructionsLength = 500;
    static constexpr int kMaximumFreePictureServiceImages = 20;
    static constexpr double kMinimumPrice = 0.009;

    QMEbayItemValidator() = default;

    // A validator of the process without a delegate; the documents make their own.
    static QMEbayItemValidator& sharedInstance();

    QMEbayItemValidatorDelegate* delegate() const { return m_delegate; }
    // Not owned; the owner clears it before it goes.
    void setDelegate(QMEbayItemValidatorDelegate* delegate) { m_delegate = delegate; }

    // A token for the default account, and a default location or ZIP code.
    bool verifyPreferenceSettings();
    // Every check of the listing in order; `displayFreeShippingWarning` lets the shipping warnings
    // ask the delegate (listing, not verifying).
    bool itemCanBeAdded(QMEbayItem& item, bool displayFreeShippingWarning);
    // A scheduled start must be given and must not lie in the past (dw::now()).
    bool checkEbaySchedulerTimeForItem(QMEbayItem& item);
    // Every shipping service the request would send is one the site table knows, so that no
    // option goes to eBay without its service.
    bool shippingServicesAreKnown(QMEbayItem& item);
    // Every required attribute of the listing's attribute sets has a value.
    bool verifyRequiredAttributesForItem(QMEbayItem& item);
    // Whether another attribute of the set has a chosen value that switches `attribute` on.
    bool dependencyForAttribute(const QMCategoryAttribute& attribute, const QList<QMCategoryAttribute>& attributes,
                                const QVariantMap& values) const;
    // Whether a list of chosen attribute values holds one with that identifier.
    static bool attributeValueList(const QVariant& values, const QString& identifier);
    bool checkIfTokenExists() { return checkIfTokenExistsForAccountID(QString(), true); }
    // The account's token, or the default account's without an account ID: an account without a
    // token fails, whatever the default account is.
    bool checkIfTokenExistsForAccountID(const QString& accountID, bool showWarningPanel);
    bool checkToken(const QString& token, bool displayWarning);
    // Records the account on the listing and takes over the account's PayPal address when the
    // listing accepts PayPal; false when it does but the account has no address.
    bool prepareItemForAddItem(QMEbayItem& item, const QString& accountID, bool showPayPalWarning);

private:
    QMEbayItemValidatorDelegate* m_delegate = nullptr;
};
