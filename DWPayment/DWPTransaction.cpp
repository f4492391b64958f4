#include "DWPayment/DWPTransaction.h"

#include "DWPayment/DWPEuroTester.h"
#include "DWPayment/DWPUserDataOracle.h"
#include "DWPayment/DWPUserDefaultsKeys.h"
#include "DWPayment/NSString+DWPExtensions.h"

#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"

#include <QHash>

using namespace dw::payment;

namespace {

// nil and the empty text are different values.
bool isSameText(const QString& a, const QString& b)
{
    return a.isNull() == b.isNull() && a == b;
}

} // namespace

DWPTransaction::DWPTransaction(const DWPShoppingCartPtr& cart, QObject* parent) : QObject(parent)
{
    m_shoppingCart = cart;
    setUserCountry(DWPUserDataOracle::userCountry());
    setUserLanguage(DWPUserDataOracle::userLanguage());
    setUserMail(DWPUserDataOracle::userMail());
    setUserName(DWPUserDataOracle::userName());
    setUserStreet(DWPUserDataOracle::userStreet());
    setUserCity(DWPUserDataOracle::userCity());
    setUserZipCode(DWPUserDataOracle::userZipCode());
    const auto& defaults = dw::UserDefaults::standard();
    setUserVatId(defaults.stringForKey(QString::fromLatin1(DWPUserVatId)));
    setUserUsesVatId(defaults.boolForKey(QString::fromLatin1(DWPUserUsesVat)));
    setUserWantsNewsletter(defaults.boolForKey(QString::fromLatin1(DWPUserWantsNewsletter)));
    observeCart();
}

DWPTransaction::~DWPTransaction()
{
    dw::NotificationCenter::defaultCenter().removeObserversOwnedBy(this);
}

void DWPTransaction::observeCart()
{
    auto& center = dw::NotificationCenter::defaultCenter();
    center.removeObserversOwnedBy(this);
    if (!m_shoppingCart)
        return;
    // Observers see the price only once the change is done; the notice before it has nothing to add.
    center.addObserver(
        QString::fromLatin1(kDWPShoppingCartDidChangeNotification), m_shoppingCart.get(),
        [this](const dw::Notification&) { announce(QStringLiteral("finalPrice")); }, this);
}

void DWPTransaction::announce(const QString& key)
{
    static const QHash<QString, QStringList> dependents = {
        {QStringLiteral("userUsesVatId"), {QStringLiteral("userHasToPayVAT"), QStringLiteral("finalPrice")}},
        {QStringLiteral("userCountry"),
         {QStringLiteral("isEUUser"), QStringLiteral("userHasToPayVAT"), QStringLiteral("finalPrice")}},
        {QStringLiteral("userVatId"), {QStringLiteral("finalPrice")}},
        {QStringLiteral("isVatValid"), {QStringLiteral("userHasToPayVAT"), QStringLiteral("finalPrice")}},
        {QStringLiteral("vatRate"), {QStringLiteral("finalPrice")}},
        {QStringLiteral("finalPrice"), {QStringLiteral("finalPriceStringValue")}},
    };
    Q_EMIT keyChanged(key);
    for (const QString& dependent : dependents.value(key))
        announce(dependent);
}

bool DWPTransaction::setText(QString& field, const QString& value, const char* key, const char* defaultsKey)
{
    if (isSameText(field, value))
        return false;
    field = value;
    if (defaultsKey)
        setUserDefaultsObject(value.isNull() ? QVariant() : QVariant(value), QString::fromLatin1(defaultsKey));
    announce(QString::fromLatin1(key));
    return true;
}

void DWPTransaction::setUserDefaultsObject(const QVariant& value, const QString& key)
{
    dw::UserDefaults::standard().setObject(value, key);
}

void DWPTransaction::setShoppingCart(const DWPShoppingCartPtr& cart)
{
    if (cart == m_shoppingCart)
        return;
    m_shoppingCart = cart;
    observeCart();
    announce(QStringLiteral("shoppingCart"));
}

void DWPTransaction::setUserName(const QString& value)
{
    setText(m_userName, value, "userName", DWPUserName);
}

void DWPTransaction::setUserStreet(const QString& value)
{
    setText(m_userStreet, value, "userStreet", DWPUserStreet);
}

void DWPTransaction::setUserCity(const QString& value)
{
    setText(m_userCity, value, "userCity", DWPUserCity);
}

void DWPTransaction::setUserZipCode(const QString& value)
{
    setText(m_userZipCode, value, "userZipCode", DWPUserZipCode);
}

void DWPTransaction::setUserCountry(const QString& value)
{
    if (setText(m_userCountry, value, "userCountry", DWPUserCountry))
        checkVatId();
}

void DWPTransaction::setUserLanguage(const QString& value)
{
    setText(m_userLanguage, value, "userLanguage", DWPUserLanguage);
}

void DWPTransaction::setUserMail(const QString& value)
{
    if (setText(m_userMail, value, "userMail", DWPUserMail))
        checkMailValidity();
}

void DWPTransaction::setUserVatId(const QString& value)
{
    if (setText(m_userVatId, value, "userVatId", DWPUserVatId))
        checkVatId();
    else if (m_vatErrorOnServer)
        checkVatId(); // the buyer retries after the service failed
}

void DWPTransaction::setUserUsesVatId(bool value)
{
    m_userUsesVatId = value;
    setUserDefaultsObject(value, QString::fromLatin1(DWPUserUsesVat));
    announce(QStringLiteral("userUsesVatId"));
}

void DWPTransaction::setUserWantsNewsletter(bool value)
{
    m_userWantsNewsletter = value;
    setUserDefaultsObject(value, QString::fromLatin1(DWPUserWantsNewsletter));
    announce(QStringLiteral("userWantsNewsletter"));
}

void DWPTransaction::setMailStatusString(const QString& value)
{
    setText(m_mailStatusString, value, "mailStatusString", nullptr);
}

void DWPTransaction::setVatStatusString(const QString& value)
{
    setText(m_vatStatusString, value, "vatStatusString", nullptr);
}

void DWPTransaction::setVatErrorOnServer(bool value)
{
    m_vatErrorOnServer = value;
    announce(QStringLiteral("vatErrorOnServer"));
}

void DWPTransaction::setVatRate(std::optional<qint64> value)
{
    if (value == m_vatRate)
        return;
    m_vatRate = value;
    announce(QStringLiteral("vatRate"));
}

void DWPTransaction::setBomXslt(const QByteArray& value)
{
    if (value.isNull() == m_bomXslt.isNull() && value == m_bomXslt)
        return;
    m_bomXslt = value;
    announce(QStringLiteral("bomXslt"));
}

void DWPTransaction::setTransactionID(const QString& value)
{
    setText(m_transactionID, value, "transactionID", nullptr);
}

bool DWPTransaction::isEUUser() const
{
    return DWPEuroTester::isCountryCodeInEU(m_userCountry);
}

QString DWPTransaction::userCurrency() const
{
    return isEUUser() ? QStringLiteral("EUR") : QStringLiteral("USD");
}

bool DWPTransaction::userHasToPayVAT() const
{
    if (m_userCountry == QLatin1String("DE"))
        return true;
    if (!isEUUser())
        return false;
    return !(m_userUsesVatId && m_isVatValid);
}

qint64 DWPTransaction::finalPrice() const
{
    if (!m_shoppingCart)
        return 0;
    const auto rate = userHasToPayVAT() ? m_vatRate : std::nullopt;
    return m_shoppingCart->totalForCurrency(userCurrency(), rate).value_or(0);
}

QString DWPTransaction::finalPriceStringValue() const
{
    return dw::currencyCodeToSymbol(userCurrency()) + u' ' + dw::currencyValue(QString::number(finalPrice()));
}
