#include "DWPayment/DWPGateway.h"

#include "platform/core/UserDefaults.h"

namespace dw::payment {

namespace {
QUrl onStore(const QString& path)
{
    QUrl url = storeBaseURL();
    url.setPath(path);
    return url;
}
} // namespace

QUrl storeBaseURL()
{
    const QString configured = dw::UserDefaults::standard().stringForKey(QString::fromLatin1(DWPStoreBaseURLKey));
    const QUrl url(configured);
    if (!configured.isEmpty() && url.isValid() && (url.scheme() == u"https" || url.scheme() == u"http"))
        return url;
    return QUrl(QStringLiteral("https://store.quillmart.invalid"));
}

bool useTestServer()
{
    return dw::UserDefaults::standard().boolForKey(QString::fromLatin1(DWPUseTestServerKey));
}

QUrl gatewayURL(bool testServer)
{
    return onStore(testServer ? QStringLiteral("/dwpayment_test/gateway/dwpayment")
                              : QStringLiteral("/dwpayment/gateway/dwpayment"));
}

QUrl easydebitURL(bool testServer)
{
    return onStore(testServer ? QStringLiteral("/dwpayment_test/gateway/easydebit")
                              : QStringLiteral("/dwpayment/gateway/easydebit"));
}

QUrl gatewayURL()
{
    return gatewayURL(useTestServer());
}

QUrl easydebitURL()
{
    return easydebitURL(useTestServer());
}

QString schemaLocationURL()
{
    QUrl url = storeBaseURL();
    url.setScheme(QStringLiteral("http"));
    url.setPath(QStringLiteral("/dwpayment_resources/DWPayment.xsd"));
    return url.toString();
}

QUrl cardPopupURL()
{
    const QString configured = dw::UserDefaults::standard().stringForKey(QString::fromLatin1(DWPCardPopupBaseURLKey));
    QUrl url(configured);
    if (configured.isEmpty() || !url.isValid() || (url.scheme() != u"https" && url.scheme() != u"http"))
        url = QUrl(QStringLiteral("https://cards.payment.invalid"));
    url.setPath(QStringLiteral("/epi_popup2.php"));
    return url;
}

QUrl catalogueURL()
{
    return onStore(QStringLiteral("/QuillmartVodar/DWPayment/mini_store.plist"));
}

QUrl alternatePaymentMethodsURL()
{
    return onStore(QStringLiteral("/QuillmartVodar/DWPayment/mini_store_additional.html"));
}

} // namespace dw::payment
