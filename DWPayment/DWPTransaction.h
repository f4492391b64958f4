#pragma once
// One purchase in the store: the cart, the buyer's data, the state of the VAT-ID and e-mail
// checks, the VAT rate and what the gateway sent.
//
// From the buyer's country it derives EU membership, the currency (EUR in the EU, else USD) and
// whether VAT is due, and from those and the cart the final price. Each buyer field the buyer
// edits is written to the user defaults at once (keys in DWPUserDefaultsKeys.h), so the next
// purchase starts with it. Every change is announced with keyChanged(key), followed by the keys
// that derive from it ("userCountry" also announces "isEUUser", "userHasToPayVAT", "finalPrice"
// and "finalPriceStringValue"); a cart inclusion change announces "finalPrice".
//
// Setting the country or the VAT ID starts a VAT-ID check, setting the e-mail address an e-mail
// check, each on a worker thread; the result is applied on the main thread. Only the latest check
// of each kind counts: a slow answer for an older value is dropped, and the running flag stays up
// until the latest check has answered. A transaction lives on the main thread; a check still
// running when it goes is dropped.
//
//     auto transaction = std::make_unique<DWPTransaction>(cart);
//     connect(transaction.get(), &DWPTransaction::keyChanged, this, &PaySheet::transactionChanged);
//     transaction->setUserCountry(QStringLiteral("FR"));
//     qint64 cents = transaction->finalPrice();

#include "DWPayment/DWPShoppingCart.h"

#include <QObject>
#include <memory>

class DWPAYMENT_EXPORT DWPTransaction : public QObject
{
    Q_OBJECT

public:
    // Main thread. Takes the buyer's data from DWPUserDataOracle and the user defaults, which
    // starts the checks.
    explicit DWPTransaction(const DWPShoppingCartPtr& cart, QObject* parent = nullptr);
    ~DWPTransaction() override;

    const DWPShoppingCartPtr& shoppingCart() const { return m_shoppingCart; }
    void setShoppingCart(const DWPShoppingCartPtr& cart);

    const QString& userName() const { return m_userName; }
    void setUserName(const QString& value);
    const QString& userStreet() const { return m_userStreet; }
    void setUserStreet(const QString& value);
    const QString& userCity() const { return m_userCity; }
    void setUserCity(const QString& value);
    const QString& userZipCode() const { return m_userZipCode; }
    void setUserZipCode(const QString& value);
    const QString& userCountry() const { return m_userCountry; }
    void setUserCountry(const QString& value);
    const QString& userLanguage() const { return m_userLanguage; }
    void setUserLanguage(const QString& value);
    bool userWantsNewsletter() const { return m_userWantsNewsletter; }
    void setUserWantsNewsletter(bool value);
    const QString& userMail() const { return m_userMail; }
    void setUserMail(const QString& value);
    bool userUsesVatId() const { return m_userUsesVatId; }
    void setUserUsesVatId(bool value);
    const QString& userVatId() const { return m_userVatId; }
    // The same ID again retries the check when the last one failed on the service's side.
    void setUserVatId(const QString& value);

    const QString& mailStatusString() const { return m_mailStatusString; }
    void setMailStatusString(const QString& value);
    bool isMailValid() const { return m_isMailValid; }
    bool isCheckingMail() const { return m_isCheckingMail; }
    const QString& vatStatusString() const { return m_vatStatusString; }
    void setVatStatusString(const QString& value);
    bool isVatValid() const { return m_isVatValid; }
    bool isCheckingVat() const { return m_isCheckingVat; }
    bool vatErrorOnServer() const { return m_vatErrorOnServer; }
    void setVatErrorOnServer(bool value);

    // Integer percent; nullopt until the gateway sent it.
    std::optional<qint64> vatRate() const { return m_vatRate; }
    void setVatRate(std::optional<qint64> value);
    const QByteArray& bomXslt() const { return m_bomXslt; }
    void setBomXslt(const QByteArray& value);
    const QString& transactionID() const { return m_transactionID; }
    void setTransactionID(const QString& value);

    bool isEUUser() const;
    QString userCurrency() const;
    // Germany always; elsewhere in the EU unless a VAT ID that the service confirmed is used;
    // never outside the EU.
    bool userHasToPayVAT() const;
    // Whole cents: the cart's total in the buyer's currency, with VAT when it is due.
    qint64 finalPrice() const;
    // "€ 23.80" (the locale's decimal separator).
    QString finalPriceStringValue() const;

    // Writes one value to the standard user defaults (and so to disk).
    void setUserDefaultsObject(const QVariant& value, const QString& key);

Q_SIGNALS:
    void keyChanged(const QString& key);

private:
    void announce(const QString& key);
    bool setText(QString& field, const QString& value, const char* key, const char* defaultsKey);
    void observeCart();
    void checkVatId();
    void checkVatIdFinished(const QVariantMap& result);
    void checkMailValidity();
    void checkMailValidityFinished(bool valid);

    DWPShoppingCartPtr m_shoppingCart;
    QString m_userName;
    QString m_userStreet;
    QString m_userCity;
    QString m_userZipCode;
    QString m_userCountry;
    QString m_userLanguage;
    bool m_userWantsNewsletter = false;
    QString m_userMail;
    QString m_mailStatusString;
    bool m_isMailValid = false;
    bool m_isCheckingMail = false;
    bool m_userUsesVatId = false;
    QString m_userVatId;
    QString m_vatStatusString;
    bool m_isVatValid = false;
    bool m_isCheckingVat = false;
    bool m_vatErrorOnServer = false;
    std::optional<qint64> m_vatRate;
    QByteArray m_bomXslt;
    QString m_transactionID;

    quint64 m_vatCheckGeneration = 0;
    quint64 m_mailCheckGeneration = 0;
};

// A transaction a host builds and hands to the store shares it with the pay sheet.
using DWPTransactionPtr = std::shared_ptr<DWPTransaction>;
Q_DECLARE_METATYPE(DWPTransactionPtr)
