#include "DWEBay2/DWEbayConnector.h"

#include "DWEBay2/types/EBayAbstractRequestType.h"
#include "DWEBay2/types/EBayTypes.h"
#include "DWEBay2/types/EBayXMLRequesterCredentialsType.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kDefaultTimeOut = 60.0;
// Far beyond any real wait, but small enough to stay an int of seconds.
constexpr double kLongestTimeOut = 24.0 * 60 * 60;

QMutex s_serverNameLock;
QString s_serverName = QStringLiteral("api.ebay.com");

// The replay's counts per key, shared by every connector of the process.
QMutex s_countersLock;
QHash<QString, qint64>* s_counters = nullptr;

int timeOutSeconds(double requested)
{
    // NaN fails the comparison and falls back like 0 does.
    const double seconds = requested > 0 ? std::min(requested, kLongestTimeOut) : kDefaultTimeOut;
    return std::max(1, int(std::ceil(seconds)));
}

// The elements whose text is a credential: the user's token (in requests, and in the FetchToken
// reply that hands out a new one), the token for eBay's other APIs in that reply, and what fetches
// a token: the secret, the password and the sign-in session (GetSessionID's reply, FetchToken's
// request), with which anyone can fetch the user's token for as long as the session lasts.
const QRegularExpression& secretOpeningTag()
{
    static const QRegularExpression tag(
        QStringLiteral(R"(<(?:[A-Za-z_][\w.-]*:)?(eBayAuthToken|RESTToken|SecretID|SessionID|Password)(?:\s[^>]*)?>)"));
    return tag;
}

// The text as it may be logged: the contents of every secret element are cut out, tags kept; an
// element that is opened and never closed loses everything after its opening tag, since all of it
// may be the secret. The connector's own token goes wherever else it stands.
QString textWithoutSecrets(const QString& text, const QString& token)
{
    QString kept;
    kept.reserve(text.size());
    qsizetype position = 0;
    for (;;) {
        const QRegularExpressionMatch opening = secretOpeningTag().match(text, position);
        if (!opening.hasMatch()) {
            kept += QStringView(text).sliced(position);
            break;
        }
        kept += QStringView(text).sliced(position, opening.capturedEnd() - position);
        const QRegularExpression closingTag(QStringLiteral(R"(</(?:[A-Za-z_][\w.-]*:)?)") + opening.captured(1) +
                                            QStringLiteral(R"(\s*>)"));
        const QRegularExpressionMatch closing = closingTag.match(text, opening.capturedEnd());
        if (!closing.hasMatch())
            break;
        position = closing.capturedStart();
    }
    if (!token.isEmpty())
        kept.remove(token);
    return kept;
}

qint64 nextSavedResponseCount(const QString& key)
{
    const QMutexLocker locker(&s_countersLock);
    if (!s_counters)
        s_counters = new QHash<QString, qint64>; // lives as long as the process
    qint64& count = (*s_counters)[key];
    return ++count;
}

qint64 pageNumber(const DWGeneratedObject& request, const QString& keyPath)
{
    const QVariant value = request.valueForKeyPath(keyPath);
    return value.isValid() ? value.toLongLong() : 0;
}

} // namespace

DWEbayConnector::DWEbayConnector(const QString& APIURL, qint64 siteID, qint64 apiVersion)
    : DWGenericEbayConnector(APIURL, siteID, apiVersion), m_replaySettings(DWEbayReplaySettings::standard())
{}

DWEbayConnector::~DWEbayConnector() = default;

QString DWEbayConnector::APIServerName()
{
    const QMutexLocker locker(&s_serverNameLock);
    return s_serverName;
}

void DWEbayConnector::setAPIServerName(const QString& hostName)
{
    const QMutexLocker locker(&s_serverNameLock);
    s_serverName = hostName;
}

bool DWEbayConnector::ebayAPIReachable()
{
    return networkReachableForServer(APIServerName());
}

void DWEbayConnector::setReplaySettings(std::shared_ptr<const DWEbayReplaySettings> settings)
{
    m_replaySettings = settings ? std::move(settings) : DWEbayReplaySettings::standard();
}

std::optional<QByteArray> DWEbayConnector::sendRequestWithToken(const std::shared_ptr<EBayAbstractRequestType>& request,
                                                                const QString& verb)
{
    DW_ASSERT(!m_token.isNull(), "cannot add nil token to request");
    if (request) {
        auto credentials = EBayXMLRequesterCredentialsType::xMLRequesterCredentialsType();
        credentials->setEBayAuthToken(m_token);
        request->setRequesterCredentials(credentials);
    }
    return sendRequest(request, verb);
}

std::optional<QByteArray> DWEbayConnector::sendRequest(const std::shared_ptr<EBayAbstractRequestType>& request,
                                                       const QString& verb)
{
    if (!request)
        return sendRequestString(QString(), verb);
    return sendBody(request->xmlRequestData(), QString(), verb);
}

std::optional<QByteArray> DWEbayConnector::sendRequestString(const QString& requestString, const QString& verb)
{
    DW_ASSERT(!requestString.isNull(), "Invalid parameter not satisfying: nil != inRequestString");
    return sendBody(requestString.toUtf8(), requestString, verb);
}

std::optional<QByteArray> DWEbayConnector::sendBody(QByteArray body, const QString& text, const QString& verb)
{
    DW_ASSERT(!verb.isNull(), "Invalid parameter not satisfying: nil != inVerb");

    if (loggingEnabled())
        dw::consoleWrite(textWithoutSecrets(text.isNull() ? QString::fromUtf8(body) : text, m_token));

    dw::HttpRequest request;
    request.url = APIURL();
    request.connectTimeoutSeconds = request.inactivityTimeoutSeconds = timeOutSeconds(m_requestTimeOut);
    setHeaderFieldsForRequest(request, verb);
    request.body = std::move(body);
    dw::setHeaderValue(request.headerFields, "Content-Length", QByteArray::number(request.body.size()));

    dw::HttpResponse response;
    const std::optional<QByteArray> saved =
        text.isNull() ? staticResponse(
                            verb, [&](DWGeneratedObject& object) { (void)object.initWithXMLRequestData(request.body); })
                      : staticResponseForRequestString(text, verb);
    if (saved) {
        response.failure = dw::HttpResponse::Failure::None;
        response.body = *saved;
    } else {
        response = m_client.send(request);
    }

    if (loggingEnabled())
        dw::consoleWrite(textWithoutSecrets(QString::fromUtf8(response.body), m_token));
    if (!response.ok()) {
        dw::consoleWrite(
            dw::format("-[DWEbayConnector sendRequestString:verb:] '%@' returned error: %@ (data length: %lu)", verb,
                       response.errorText, qulonglong(response.body.size())));
        return std::nullopt;
    }
    if (!saved)
        m_responseHeaderFields = response.headerFields;
    return response.body;
}

void DWEbayConnector::setHeaderFieldsForRequest(dw::HttpRequest& request, const QString& verb) const
{
    request.method = "POST";
    auto set = [&](const char* name, const QString& value) {
        dw::setHeaderValue(request.headerFields, name, value.toUtf8());
    };
    set("X-EBAY-API-COMPATIBILITY-LEVEL", dw::format("%ld", apiVersion()));
    set("X-EBAY-API-SESSION-CERTIFICATE",
        dw::format("%@;%@;%@", m_ebayDeveloperID, ebayApplicationID(), m_ebayCertificateID));
    set("X-EBAY-API-DEV-NAME", m_ebayDeveloperID);
    set("X-EBAY-API-APP-NAME", ebayApplicationID());
    set("X-EBAY-API-CERT-NAME", m_ebayCertificateID);
    set("X-EBAY-API-SITEID", dw::format("%ld", siteID()));
    set("Content-Type", QStringLiteral("text/xml; charset=\"utf-8\""));
    if (!verb.isEmpty())
        set("X-EBAY-API-CALL-NAME", verb);
    set("Connection", QStringLiteral("close"));
}

std::optional<QByteArray> DWEbayConnector::staticResponseForRequestString(const QString& requestString,
                                                                          const QString& verb)
{
    return staticResponse(verb, [&](DWGeneratedObject& request) { (void)request.initWithXMLRequest(requestString); });
}

std::optional<QByteArray> DWEbayConnector::staticResponse(const QString& verb,
                                                          const std::function<void(DWGeneratedObject&)>& readRequest)
{
    if (!m_replaySettings->useSavedXMLResponses())
        return std::nullopt;
    // Only a call name that names a request class gets this far, so the file names built from it
    // below stay inside the replay folder.
    const QString className = dw::format("EBay%@RequestType", verb);
    const DWGeneratedClass* requestClass = EBayTypes::registry().classNamed(className);
    if (!requestClass) {
        dw::consoleWrite(dw::format("Couldn't find class for name %@", className));
        return std::nullopt;
    }

    QString key = verb;
    {
        // A request that does not parse counts as page 0.
        const DWGeneratedObjectPtr request = requestClass->create();
        readRequest(*request);
        if (requestClass->fieldIndexForKey(QStringLiteral("pagination")) >= 0)
            key += dw::format("_%ld", pageNumber(*request, QStringLiteral("pagination.pageNumber")));
        else if (requestClass->fieldIndexForKey(QStringLiteral("soldList")) >= 0)
            key += dw::format("_%ld", pageNumber(*request, QStringLiteral("soldList.pagination.pageNumber")));
    }
    const qint64 count = nextSavedResponseCount(key);

    const QDir folder(m_replaySettings->folderPath());
    const QStringList names{key + dw::format("_#%ld.xml", count), key + QStringLiteral(".xml")};
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            continue;
        dw::consoleWrite(dw::format("WARNING: Using static response from file '%@'", path));
        return bytes;
    }
    return std::nullopt;
}

void DWEbayConnector::resetSavedResponseCounters()
{
    const QMutexLocker locker(&s_countersLock);
    if (s_counters)
        s_counters->clear();
}
