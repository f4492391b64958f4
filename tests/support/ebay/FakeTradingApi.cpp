#include "tests/support/ebay/FakeTradingApi.h"

#include "DWEBay2/types/EBayTypes.h"
#include "tests/support/TemporaryXdg.h"

#include <QHash>
#include <QXmlStreamReader>

#include <condition_variable>
#include <mutex>
#include <stdexcept>

namespace dw::test {

namespace {

struct Script
{
    std::vector<FakeHttpReply> replies;
    std::size_t next = 0;
    FakeTradingApi::Responder responder;
};

FakeHttpReply textReply(int status, const QByteArray& text)
{
    return FakeHttpReply{.status = status, .headerFields = {{"Content-Type", "text/plain"}}, .body = text};
}

// A parameter of a header value such as `multipart/form-data; boundary="x"`; empty when absent.
QByteArray headerParameter(const QByteArray& value, const QByteArray& name)
{
    const QList<QByteArray> pieces = value.split(';');
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QByteArray piece = pieces[i].trimmed();
        const qsizetype equals = piece.indexOf('=');
        if (equals < 0 || piece.first(equals).trimmed().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        QByteArray parameter = piece.sliced(equals + 1).trimmed();
        if (parameter.size() >= 2 && parameter.startsWith('"') && parameter.endsWith('"'))
            parameter = parameter.sliced(1, parameter.size() - 2);
        return parameter;
    }
    return {};
}

std::vector<FakeFormPart> formParts(const QByteArray& body, const QByteArray& boundary)
{
    std::vector<FakeFormPart> parts;
    const QByteArray delimiter = QByteArray("--" + boundary);
    const QByteArray separator = QByteArray("\r\n" + delimiter);
    qsizetype position = body.indexOf(delimiter);
    while (position >= 0) {
        position += delimiter.size();
        if (body.mid(position, 2) == "--")
            break; // the closing delimiter
        if (body.mid(position, 2) == "\r\n")
            position += 2;
        const qsizetype next = body.indexOf(separator, position);
        if (next < 0)
            break; // an unterminated part is no part
        const QByteArray part = body.mid(position, next - position);
        const qsizetype headerEnd = part.indexOf("\r\n\r\n");
        FakeFormPart formPart;
        const QByteArray headers = headerEnd < 0 ? part : part.first(headerEnd);
        formPart.body = headerEnd < 0 ? QByteArray() : part.sliced(headerEnd + 4);
        for (const QByteArray& line : headers.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon < 0)
                continue;
            const QByteArray name = line.first(colon).trimmed();
            const QByteArray value = line.sliced(colon + 1).trimmed();
            if (name.compare("Content-Disposition", Qt::CaseInsensitive) == 0) {
                formPart.name = headerParameter(value, "name");
                formPart.fileName = headerParameter(value, "filename");
            } else if (name.compare("Content-Type", Qt::CaseInsensitive) == 0) {
                formPart.contentType = value;
            }
        }
        parts.push_back(std::move(formPart));
        position = next + 2;
    }
    return parts;
}

bool isXml(const FakeFormPart& part)
{
    return part.contentType.contains("xml") || part.body.trimmed().startsWith("<?xml");
}

QString rootElementName(const QByteArray& xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement)
            return reader.name().toString();
    }
    return {};
}

TradingApiRequest readRequest(const FakeHttpRequest& http)
{
    TradingApiRequest request;
    request.http = http;
    request.callName = QString::fromUtf8(http.headerValue("X-EBAY-API-CALL-NAME"));
    const QByteArray contentType = http.headerValue("Content-Type");
    if (contentType.trimmed().startsWith("multipart/")) {
        request.formParts = formParts(http.body, headerParameter(contentType, "boundary"));
        for (const FakeFormPart& part : request.formParts) {
            if (isXml(part)) {
                request.xml = part.body;
                break;
            }
        }
    } else {
        request.xml = http.body;
    }

    const DWGeneratedClass* requestClass = EBayTypes::registry().requestClassForCall(request.callName);
    if (!requestClass) {
        request.parseError = QStringLiteral("no request class for the call \"%1\"").arg(request.callName);
        return request;
    }
    if (request.xml.isEmpty()) {
        request.parseError = QStringLiteral("the request carries no XML document");
        return request;
    }
    const QString root = rootElementName(request.xml);
    if (root != requestClass->elementName()) {
        request.parseError =
            QStringLiteral("the document's root is \"%1\", not \"%2\"").arg(root, requestClass->elementName());
        return request;
    }
    request.document = requestClass->requestWithXMLData(request.xml, &request.parseError);
    return request;
}

} // namespace

struct FakeTradingApi::Private
{
    mutable std::mutex mutex;
    mutable std::condition_variable recorded;
    QHash<QString, Script> scripts;
    std::vector<TradingApiRequest> requests;
};

FakeTradingApi::FakeTradingApi() : d(std::make_unique<Private>())
{
    m_server.addRoute(FakeHttpRoute{}, [this](const FakeHttpRequest& request) { return answer(request); });
}

FakeTradingApi::~FakeTradingApi()
{
    m_server.stop();
}

QString FakeTradingApi::url() const
{
    return m_server.url(QString::fromLatin1(kEndpointPath));
}

void FakeTradingApi::setReply(const QString& callName, const QByteArray& body, int status)
{
    setReplies(
        callName,
        {FakeHttpReply{.status = status, .headerFields = {{"Content-Type", "text/xml;charset=utf-8"}}, .body = body}});
}

void FakeTradingApi::setFixtureReply(const QString& callName, const QString& fixturePath)
{
    setReply(callName, fixture(fixturePath));
}

void FakeTradingApi::setReplies(const QString& callName, std::vector<FakeHttpReply> replies)
{
    if (replies.empty())
        throw std::invalid_argument("FakeTradingApi: a call needs at least one reply");
    const std::lock_guard lock(d->mutex);
    d->scripts.insert(callName, Script{std::move(replies), 0, {}});
}

void FakeTradingApi::setResponder(const QString& callName, Responder responder)
{
    if (!responder)
        throw std::invalid_argument("FakeTradingApi: a call needs a responder");
    const std::lock_guard lock(d->mutex);
    d->scripts.insert(callName, Script{{}, 0, std::move(responder)});
}

void FakeTradingApi::useFixtureReplies()
{
    const std::pair<const char*, const char*> replies[] = {
        {"VerifyAddItem", "VerifyAddItemWithFeesAndWarning.xml"},
        {"AddItem", "AddItemWithFeesAndWarnings.xml"},
        {"UploadSiteHostedPictures", "UploadSiteHostedPictures.xml"},
        {"GetSessionID", "GetSessionID.xml"},
        {"FetchToken", "FetchToken.xml"},
        {"GetUser", "GetUser.xml"},
        {"GetItemRecommendations", "GetItemRecommendations.xml"},
        {"GetProductSearchResults", "GetProductSearchResults.xml"},
    };
    for (const auto& [call, file] : replies)
        setFixtureReply(QString::fromLatin1(call), QStringLiteral("DWEBay2/") + QString::fromLatin1(file));
}

FakeHttpReply FakeTradingApi::answer(const FakeHttpRequest& http)
{
    TradingApiRequest request = readRequest(http);
    Script script;
    FakeHttpReply reply;
    {
        const std::lock_guard lock(d->mutex);
        d->requests.push_back(request);
        d->recorded.notify_all();
        if (http.method != "POST" || http.path != kEndpointPath)
            return textReply(404, "not the Trading API endpoint: " + http.method + ' ' + http.path);
        auto found = d->scripts.find(request.callName);
        if (found == d->scripts.end())
            return textReply(404, "no reply scripted for the call \"" + request.callName.toUtf8() + '"');
        if (found->responder) {
            script.responder = found->responder;
        } else {
            reply = found->replies.at(std::min(found->next, found->replies.size() - 1));
            ++found->next;
            return reply;
        }
    }
    // Outside the lock, so that a responder may wait for other requests to arrive.
    return script.responder(request);
}

std::vector<TradingApiRequest> FakeTradingApi::requests() const
{
    const std::lock_guard lock(d->mutex);
    return d->requests;
}

std::vector<TradingApiRequest> FakeTradingApi::requests(const QString& callName) const
{
    const std::lock_guard lock(d->mutex);
    std::vector<TradingApiRequest> matching;
    for (const TradingApiRequest& request : d->requests) {
        if (request.callName == callName)
            matching.push_back(request);
    }
    return matching;
}

std::size_t FakeTradingApi::requestCount() const
{
    const std::lock_guard lock(d->mutex);
    return d->requests.size();
}

bool FakeTradingApi::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(d->mutex);
    return d->recorded.wait_for(lock, timeout, [&] { return d->requests.size() >= count; });
}

} // namespace dw::test
