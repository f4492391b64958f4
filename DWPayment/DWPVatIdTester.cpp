#include "DWPayment/DWPVatIdTester.h"

#include "DWPayment/DWPEuroTester.h"
#include "DWPayment/DWPLog.h"
#include "DWPayment/NSString+DWPExtensions.h"

#include "platform/core/DWFormat.h"
#include "platform/network/HttpClient.h"

#include <QRegularExpression>
#include <cstring>
#include <mutex>
#include <pugixml.hpp>

namespace {

std::mutex s_configurationMutex;
DWPVatServiceConfiguration s_configuration;

const char* localName(const char* qualified)
{
    const char* colon = std::strrchr(qualified, ':');
    return colon ? colon + 1 : qualified;
}

pugi::xml_node childByLocalName(const pugi::xml_node& parent, const char* name)
{
    for (pugi::xml_node child : parent.children()) {
        if (child.type() == pugi::node_element && std::strcmp(localName(child.name()), name) == 0)
            return child;
    }
    return {};
}

pugi::xml_node soapBody(const pugi::xml_document& document)
{
    const pugi::xml_node envelope = document.document_element();
    if (!envelope || std::strcmp(localName(envelope.name()), "Envelope") != 0)
        return {};
    return childByLocalName(envelope, "Body");
}

// The fault string of a SOAP fault reply; null when the body holds none.
QString faultStringOf(const QByteArray& body)
{
    pugi::xml_document document;
    if (!document.load_buffer(body.constData(), std::size_t(body.size())))
        return QString();
    const pugi::xml_node fault = childByLocalName(soapBody(document), "Fault");
    const pugi::xml_node text = childByLocalName(fault, "faultstring");
    if (!text)
        return QString();
    return QString::fromUtf8(text.child_value()).trimmed();
}

enum class Verdict { Valid, Invalid, Unreadable };

// The "valid" field of the checkVatResponse; anything else is unreadable.
Verdict verdictOf(const QByteArray& body)
{
    pugi::xml_document document;
    if (!document.load_buffer(body.constData(), std::size_t(body.size())))
        return Verdict::Unreadable;
    const pugi::xml_node response = childByLocalName(soapBody(document), "checkVatResponse");
    const pugi::xml_node valid = childByLocalName(response, "valid");
    if (!valid)
        return Verdict::Unreadable;
    const QString text = QString::fromUtf8(valid.child_value()).trimmed();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return Verdict::Valid;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return Verdict::Invalid;
    return Verdict::Unreadable;
}

QByteArray checkVatRequestBody(const QString& methodNamespace, const QString& countryCode, const QString& vatNumber)
{
    // The service's schema qualifies the parameters as well as the operation element.
    const QString xml =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                       "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                       "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
                       "<soapenv:Body><tns:checkVat xmlns:tns=\"%1\">"
                       "<tns:countryCode>%2</tns:countryCode><tns:vatNumber>%3</tns:vatNumber>"
                       "</tns:checkVat></soapenv:Body></soapenv:Envelope>\n")
            .arg(dw::stringByEscapingXMLEntities(methodNamespace), dw::stringByEscapingXMLEntities(countryCode),
                 dw::stringByEscapingXMLEntities(vatNumber));
    return xml.toUtf8();
}

bool validateVatIdAgainstWebService(const QString& normalizedId, QString* faultString)
{
    const DWPVatServiceConfiguration configuration = DWPVatIdTester::serviceConfiguration();
    dw::HttpRequest request;
    request.method = "POST";
    request.url = configuration.endpoint;
    request.headerFields = {{"Content-Type", "text/xml; charset=utf-8"}, {"SOAPAction", "\"\""}};
    request.body = checkVatRequestBody(configuration.methodNamespace, normalizedId.left(2), normalizedId.mid(2));
    request.followRedirects = true;
    const dw::HttpResponse response = dw::HttpClient().send(request);
    const int status = response.ok() ? response.status : 0;
    if (status != 200) {
        qCWarning(lcPayment).noquote() << dw::format(
            QStringLiteral("unsuccessful VAT ID Test -- status_code: %ld\nresult = %@"), long(status),
            response.ok() ? QString::fromUtf8(response.body.left(2000)) : response.errorText);
        if (faultString) {
            *faultString = response.ok() ? faultStringOf(response.body) : QString();
            if (faultString->isEmpty())
                *faultString = dw::format(QStringLiteral("VAT check: unknown server error (%ld)"), long(status));
        }
        return false;
    }
    switch (verdictOf(response.body)) {
    case Verdict::Valid:
        return true;
    case Verdict::Invalid:
        return false;
    case Verdict::Unreadable:
        break;
    }
    if (faultString) {
        *faultString = faultStringOf(response.body);
        if (faultString->isEmpty())
            *faultString = QStringLiteral("VAT check: unreadable answer from the server");
    }
    return false;
}

} // namespace

void DWPVatIdTester::setServiceConfiguration(const DWPVatServiceConfiguration& configuration)
{
    std::lock_guard lock(s_configurationMutex);
    s_configuration = configuration;
}

DWPVatServiceConfiguration DWPVatIdTester::serviceConfiguration()
{
    std::lock_guard lock(s_configurationMutex);
    return s_configuration;
}

QString DWPVatIdTester::normalizeVatId(const QString& vatId)
{
    if (vatId.isNull() || vatId.size() < 3)
        return QString();
    return dw::stringByRemovingEverythingExceptCharactersInSet(
               vatId, QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz+*"))
        .toUpper();
}

bool DWPVatIdTester::isPlausibleVatId(const QString& vatId)
{
    static const QRegularExpression form(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Z]{2}[0-9A-Z+*]{5,12}")));
    const QString normalized = normalizeVatId(vatId);
    if (normalized.isNull())
        return false;
    const QString prefix = normalized.left(2);
    // Greek IDs carry "EL", which is no country code.
    const bool euPrefix =
        DWPEuroTester::isCountryCodeInEU(prefix) || prefix == vatPrefixForCountry(QStringLiteral("GR"));
    return euPrefix && form.match(normalized).hasMatch();
}

QString DWPVatIdTester::vatPrefixForCountry(const QString& countryCode)
{
    return countryCode == u"GR" ? QStringLiteral("EL") : countryCode;
}

bool DWPVatIdTester::vatIdMatchesCountry(const QString& normalizedVatId, const QString& countryCode)
{
    if (countryCode.isEmpty() || normalizedVatId.isNull())
        return false;
    return normalizedVatId.startsWith(countryCode) || normalizedVatId.startsWith(vatPrefixForCountry(countryCode));
}

bool DWPVatIdTester::isValidVatId(const QString& vatId, QString* faultString)
{
    qCInfo(lcPayment).noquote() << dw::format(QStringLiteral("VAT: checking ID: >%@<"), vatId);
    const QString normalized = normalizeVatId(vatId);
    if (!isPlausibleVatId(normalized)) {
        qCInfo(lcPayment).noquote() << dw::format(QStringLiteral("VAT: not plausible (%@)"), normalized);
        return false;
    }
    QString fault;
    const bool valid = validateVatIdAgainstWebService(normalized, &fault);
    qCInfo(lcPayment).noquote() << dw::format(QStringLiteral("VAT: %@"),
                                              valid ? QStringLiteral("valid") : QStringLiteral("INvalid"));
    if (!fault.isNull())
        qCInfo(lcPayment).noquote() << dw::format(QStringLiteral("VAT: server says: %@"), fault);
    if (faultString)
        *faultString = fault;
    return valid;
}
