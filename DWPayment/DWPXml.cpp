#include "DWPayment/DWPXml.h"

#include "DWPayment/DWPGateway.h"
#include "DWPayment/DWPLog.h"
#include "DWPayment/DWPTransaction.h"
#include "DWPayment/DWPVatIdTester.h"
#include "DWPayment/NSData+Base64.h"
#include "DWPayment/NSNumber+DWPExtensions.h"
#include "DWPayment/NSString+DWPExtensions.h"

#include <QFile>
#include <QRegularExpression>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlmemory.h>
#include <libxml/xmlschemas.h>
#include <libxml/xpath.h>
#include <libxslt/documents.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>
#include <memory>
#include <mutex>

namespace {

struct DocFree
{
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

const xmlChar* X(const char* text)
{
    return reinterpret_cast<const xmlChar*>(text);
}

QString fromX(const xmlChar* text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString();
}

QString nodeText(xmlNode* node)
{
    xmlChar* content = xmlNodeGetContent(node);
    const QString text = fromX(content);
    xmlFree(content);
    return text.isNull() ? QStringLiteral("") : text;
}

// Local parsing only: no DTD is loaded, entities are not replaced, the network is never used.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;

DocPtr parse(const QByteArray& bytes, DWPError* error)
{
    // The library's globals are set up once, before any two threads parse at the same time.
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
    xmlParserCtxt* context = xmlNewParserCtxt();
    if (!context)
        return nullptr;
    DocPtr doc(xmlCtxtReadMemory(context, bytes.constData(), int(bytes.size()), nullptr, nullptr, kParseOptions));
    if (!doc || !xmlDocGetRootElement(doc.get())) {
        if (error) {
            const xmlError* last = xmlCtxtGetLastError(context);
            const QString message = last && last->message ? QString::fromUtf8(last->message).trimmed()
                                                          : QStringLiteral("The document is empty.");
            *error = DWPError::foreign(QStringLiteral("XMLParserErrorDomain"), last ? last->code : 0,
                                       QStringLiteral("line %1: %2").arg(last ? last->line : 0).arg(message));
        }
        doc.reset();
    }
    xmlFreeParserCtxt(context);
    return doc;
}

xmlSchema* bundledSchema()
{
    static xmlSchema* schema = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        QFile file(QStringLiteral(":/DWPayment/DWPayment.xsd"));
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QByteArray bytes = file.readAll();
        xmlSchemaParserCtxt* context = xmlSchemaNewMemParserCtxt(bytes.constData(), int(bytes.size()));
        schema = xmlSchemaParse(context);
        xmlSchemaFreeParserCtxt(context);
        if (!schema)
            qCWarning(lcPayment) << "ERROR: the bundled schema does not parse";
    });
    return schema;
}

void collectSchemaError(void* context, const xmlError* error)
{
    auto* messages = static_cast<QStringList*>(context);
    if (error && error->message)
        messages->append(
            QStringLiteral("line %1: %2").arg(error->line).arg(QString::fromUtf8(error->message).trimmed()));
}

bool validate(xmlDoc* doc, DWPError* error)
{
    xmlSchema* schema = bundledSchema();
    if (!schema) {
        if (error)
            *error = DWPError::foreign(QStringLiteral("XMLSchemaErrorDomain"), 0,
                                       QStringLiteral("The schema is not available."));
        return false;
    }
    xmlSchemaValidCtxt* context = xmlSchemaNewValidCtxt(schema);
    QStringList messages;
    xmlSchemaSetValidStructuredErrors(context, reinterpret_cast<xmlStructuredErrorFunc>(&collectSchemaError),
                                      &messages);
    const int result = xmlSchemaValidateDoc(context, doc);
    xmlSchemaFreeValidCtxt(context);
    if (result == 0)
        return true;
    if (error)
        *error = DWPError::foreign(QStringLiteral("XMLSchemaErrorDomain"), result,
                                   messages.isEmpty() ? QStringLiteral("The document is not valid.")
                                                      : messages.join(QLatin1Char('\n')));
    return false;
}

QByteArray serialiseBytes(xmlDoc* doc)
{
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &buffer, &size, "UTF-8", 1);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), size);
    xmlFree(buffer);
    return bytes;
}

xmlNode* addText(xmlNode* parent, const char* name, const QString& text)
{
    // xmlNewTextChild escapes the text; nothing the buyer types becomes markup.
    return xmlNewTextChild(parent, nullptr, X(name), X(text.toUtf8().constData()));
}

xmlNode* addElement(xmlNode* parent, const char* name)
{
    return xmlNewChild(parent, nullptr, X(name), nullptr);
}

// The frame of every generated document.
DocPtr requestFrame(const char* action, const QString& transactionID = QString())
{
    DocPtr doc(xmlNewDoc(X("1.0")));
    xmlNode* root = xmlNewNode(nullptr, X(action));
    xmlDocSetRootElement(doc.get(), root);
    xmlNs* xsi = xmlNewNs(root, X("http://www.w3.org/2001/XMLSchema-instance"), X("xsi"));
    xmlNewNsProp(root, xsi, X("noNamespaceSchemaLocation"), X(dw::payment::schemaLocationURL().toUtf8().constData()));
    xmlNewProp(root, X("DWPversion"), X(DWPXmlGenerator::frameworkVersion().toUtf8().constData()));
    if (!transactionID.isNull())
        addText(root, "transactionID", transactionID);
    return doc;
}

QByteArray transactionRequest(const char* action, const QString& transactionID)
{
    DocPtr doc = requestFrame(action, transactionID.isNull() ? QStringLiteral("") : transactionID);
    return serialiseBytes(doc.get());
}

std::optional<qint64> appliedRate(const DWPTransaction& transaction)
{
    return transaction.userHasToPayVAT() ? transaction.vatRate() : std::nullopt;
}

QString currencyText(qint64 cents)
{
    return dw::currencyValue(QString::number(cents));
}

QString rateAsHundredths(std::optional<qint64> rate)
{
    return dw::currencyValue(QString::number(rate.value_or(0)));
}

// --- XSLT ---
//
// The store page's stylesheet comes from the network: it is data, and it is bounded. It reads no
// file and no address, neither while it is compiled (xsl:include and xsl:import are fetched then,
// before any security preference of a transformation applies) nor while it runs (document()): the
// library's loader is ours and loads nothing. A run is bounded in steps (instructions, XPath
// operations, template nesting) and in memory, so that a stylesheet whose work doubles with every
// level ends with an error instead of running for minutes.

constexpr unsigned long kMaxInstructions = 300'000;
constexpr unsigned long kMaxXPathOperations = 20'000'000;
constexpr int kMaxTemplateDepth = 250;
// Bytes the library may allocate during one compilation and run (counted as they are asked for,
// not what is live at once). A store page needs well under a megabyte.
constexpr size_t kMaxAllocatedBytes = size_t(64) << 20;

// The allocation budget of the transformation running on this thread. Past the budget the run is
// stopped at its next instruction; allocations go on up to twice the budget, so that the library
// winds down in its usual way, and are refused beyond that.
struct TransformBudget
{
    size_t allocated = 0;
    bool exceeded = false;
    xsltTransformContext* context = nullptr;
};
thread_local TransformBudget* t_budget = nullptr;

bool charge(size_t size)
{
    TransformBudget* budget = t_budget;
    if (!budget)
        return true;
    budget->allocated += size;
    if (budget->allocated <= kMaxAllocatedBytes)
        return true;
    budget->exceeded = true;
    if (budget->context)
        budget->context->state = XSLT_STATE_STOPPED;
    return budget->allocated <= 2 * kMaxAllocatedBytes;
}

void* countedMalloc(size_t size)
{
    return charge(size) ? std::malloc(size) : nullptr;
}

void* countedRealloc(void* memory, size_t size)
{
    return charge(size) ? std::realloc(memory, size) : nullptr;
}

char* countedStrdup(const char* text)
{
    return charge(std::strlen(text) + 1) ? strdup(text) : nullptr;
}

// The library's allocation functions count for a transformation on the thread that runs it and
// are plain malloc and free for everything else. They are set while the library loads, before any
// thread can use libxml2, and stay the process's.
[[maybe_unused]] const bool s_countedAllocation = [] {
    xmlMemSetup(std::free, countedMalloc, countedRealloc, countedStrdup);
    return true;
}();

// Messages of the library that belong to no transformation context (the compilation's) go to the
// collector of the thread that caused them.
thread_local QString* t_messages = nullptr;

void collectMessage(void*, const char* format, ...)
{
    if (!t_messages)
        return;
    char buffer[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    t_messages->append(QString::fromUtf8(buffer));
}

xmlDoc* loadNothing(const xmlChar* uri, xmlDict*, int, void*, xsltLoadType type)
{
    collectMessage(nullptr, "%s refused: %s\n", type == XSLT_LOAD_DOCUMENT ? "document()" : "xsl:include or xsl:import",
                   uri ? reinterpret_cast<const char*>(uri) : "");
    return nullptr;
}

void prepareXslt()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xsltInit();
        xsltSetLoaderFunc(&loadNothing);
        xsltSetGenericErrorFunc(nullptr, &collectMessage);
        // What a stylesheet would read while it is compiled is checked against the default
        // preferences; the loader refuses it anyway.
        xsltSecurityPrefs* prefs = xsltNewSecurityPrefs();
        for (xsltSecurityOption option :
             {XSLT_SECPREF_READ_FILE, XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY, XSLT_SECPREF_READ_NETWORK,
              XSLT_SECPREF_WRITE_NETWORK})
            xsltSetSecurityPrefs(prefs, option, xsltSecurityForbid);
        xsltSetDefaultSecurityPrefs(prefs);
    });
}

// While it lives, the library's allocations and messages on this thread count for one
// transformation.
class TransformScope
{
public:
    TransformScope(TransformBudget* budget, QString* messages)
    {
        t_budget = budget;
        t_messages = messages;
    }
    ~TransformScope()
    {
        t_budget = nullptr;
        t_messages = nullptr;
    }
    TransformScope(const TransformScope&) = delete;
    TransformScope& operator=(const TransformScope&) = delete;
};

void collectTransformError(void* context, const char* format, ...)
{
    char buffer[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    static_cast<QString*>(context)->append(QString::fromUtf8(buffer));
}

DWPError transformError(const QString& message)
{
    return DWPError::foreign(QStringLiteral("XSLTErrorDomain"), 0, message.trimmed());
}

QByteArray transform(const QByteArray& document, const QByteArray& xslt, DWPError* error)
{
    if (error)
        *error = {};
    prepareXslt();
    QString messages;
    TransformBudget budget;
    const TransformScope scope(&budget, &messages);

    DocPtr styleDoc = parse(xslt, error);
    if (!styleDoc)
        return {};
    xsltStylesheet* style = xsltParseStylesheetDoc(styleDoc.get());
    if (style)
        (void)styleDoc.release(); // the stylesheet owns it now
    if (!style || style->errors != 0 || budget.exceeded) {
        if (style)
            xsltFreeStylesheet(style);
        if (error)
            *error = transformError(QStringLiteral("The store page's XSLT is not a stylesheet.\n") + messages);
        return {};
    }
    DocPtr input = parse(document, nullptr);

    // The run's own preferences say the same as the default ones: no file, no address.
    xsltSecurityPrefs* prefs = xsltNewSecurityPrefs();
    for (xsltSecurityOption option : {XSLT_SECPREF_READ_FILE, XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
                                      XSLT_SECPREF_READ_NETWORK, XSLT_SECPREF_WRITE_NETWORK})
        xsltSetSecurityPrefs(prefs, option, xsltSecurityForbid);
    xsltTransformContext* context = xsltNewTransformContext(style, input.get());
    xsltSetCtxtSecurityPrefs(prefs, context);
    xsltSetTransformErrorFunc(context, &messages, &collectTransformError);
    context->maxTemplateDepth = kMaxTemplateDepth;
    context->opLimit = kMaxInstructions;
    context->xpathCtxt->opLimit = kMaxXPathOperations;
    budget.context = context;

    const auto arguments = DWPXmlGenerator::argumentsForPreFlightXSLT();
    std::vector<const char*> params;
    for (const auto& [name, value] : arguments) {
        params.push_back(name.constData());
        params.push_back(value.constData());
    }
    params.push_back(nullptr);

    DocPtr result(xsltApplyStylesheetUser(style, input.get(), params.data(), nullptr, nullptr, context));
    const bool failed = context->state == XSLT_STATE_ERROR || context->state == XSLT_STATE_STOPPED || budget.exceeded;
    budget.context = nullptr;
    xsltFreeTransformContext(context);
    xsltFreeSecurityPrefs(prefs);

    QByteArray output;
    if (failed) {
        if (budget.exceeded)
            messages += QStringLiteral("\nThe transformation used more than %1 MB.").arg(kMaxAllocatedBytes >> 20);
        if (error)
            *error =
                transformError(messages.trimmed().isEmpty() ? QStringLiteral("The transformation failed.") : messages);
    } else if (result) {
        xmlChar* buffer = nullptr;
        int size = 0;
        if (xsltSaveResultToString(&buffer, &size, result.get(), style) == 0 && buffer)
            output = QByteArray(reinterpret_cast<const char*>(buffer), size);
        xmlFree(buffer);
    }
    result.reset();
    xsltFreeStylesheet(style);
    return output;
}

// --- answers ---

QList<xmlNode*> childElements(xmlNode* parent, const char* name)
{
    QList<xmlNode*> found;
    for (xmlNode* child = parent ? parent->children : nullptr; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE && xmlStrcmp(child->name, X(name)) == 0)
            found.append(child);
    return found;
}

xmlNode* uniqueChild(xmlDoc* doc, const char* name)
{
    const QList<xmlNode*> found = childElements(xmlDocGetRootElement(doc), name);
    return found.size() == 1 ? found.first() : nullptr;
}

QString withoutWhiteSpace(QString text)
{
    static const QRegularExpression space(QStringLiteral("\\s"));
    return text.remove(space);
}

void fail(DWPError* error, const char* message, const QString& detail)
{
    if (error)
        *error = DWPError(DWPLocalized(message), detail);
}

constexpr const char* kTryLater = "Could not process your order. Please try again later.";
constexpr const char* kContactSupport = "Could not process your order. Please contact the support.";

QUrl frameURL(const QByteArray& answer, DWPError* error)
{
    if (error)
        *error = {};
    DocPtr doc = parse(answer, nullptr);
    xmlNode* url = doc ? uniqueChild(doc.get(), "url") : nullptr;
    if (!url) {
        fail(error, kTryLater, QStringLiteral("Requested IFrame URL; didn't get any from server."));
        return {};
    }
    // The parser has already turned entities such as &amp; into characters.
    const QString text = nodeText(url).trimmed();
    const QUrl result(dw::stringByUnescapingXMLEntities(text), QUrl::StrictMode);
    if (!result.isValid() || result.scheme().isEmpty()) {
        fail(error, kTryLater,
             QStringLiteral("Couldn't extract IFrame url from server response; got urlString: %1").arg(text));
        return {};
    }
    return result;
}

} // namespace

// --- generator ---

QString DWPXmlGenerator::frameworkVersion()
{
    return QStringLiteral(DWP_BUNDLE_VERSION);
}

QString DWPXmlGenerator::escapeXSLTArgumentString(const QString& text)
{
    QString escaped = text;
    return escaped.replace(QLatin1Char('\''), QChar(0x2019));
}

QList<std::pair<QByteArray, QByteArray>> DWPXmlGenerator::argumentsForPreFlightXSLT()
{
    static const std::pair<const char*, const char*> texts[] = {
        {"headline", QT_TRANSLATE_NOOP("DWPayment", "Shopping Cart")},
        {"header_item", QT_TRANSLATE_NOOP("DWPayment", "Item")},
        {"header_quantity", QT_TRANSLATE_NOOP("DWPayment", "Quantity")},
        {"header_price", QT_TRANSLATE_NOOP("DWPayment", "Price")},
        {"title", QT_TRANSLATE_NOOP("DWPayment", "Dunmerrow Store")},
        {"noCreditCard", QT_TRANSLATE_NOOP("DWPayment", "No Credit Card?")},
        {"help", QT_TRANSLATE_NOOP("DWPayment", "Need Help?")},
        {"totalName", QT_TRANSLATE_NOOP("DWPayment", "Total")},
        {"vatName", QT_TRANSLATE_NOOP("DWPayment", "VAT")},
    };
    QList<std::pair<QByteArray, QByteArray>> arguments;
    for (const auto& [name, english] : texts)
        arguments.append(
            {QByteArray(name),
             (QLatin1Char('\'') + escapeXSLTArgumentString(DWPLocalized(english)) + QLatin1Char('\'')).toUtf8()});
    return arguments;
}

QByteArray DWPXmlGenerator::createTransactionXML(const DWPTransaction& transaction)
{
    DocPtr doc = requestFrame("TransactionCreateRequest");
    xmlNode* root = xmlDocGetRootElement(doc.get());
    const QString currency = transaction.userCurrency();
    const std::optional<qint64> rate = appliedRate(transaction);

    xmlNode* cartNode = addElement(root, "ShoppingCart");
    const auto& cart = transaction.shoppingCart();
    if (cart) {
        for (const DWPSaleItemPtr& item : cart->saleItems()) {
            xmlNode* node = addElement(cartNode, "SaleItem");
            addText(node, "saleID", item->itemID());
            addText(node, "name", item->itemDesc());
            addText(node, "quantity", QString::number(item->quantity()));
            addText(node, "netPrice", item->netPrices().value(currency).toString());
            addText(node, "paid_vat",
                    QString::number(item->finalPriceForCurrency(currency, rate) -
                                    item->finalPriceForCurrency(currency, std::nullopt)));
            if (!item->itemPayload().isNull())
                addText(node, "payload", item->itemPayload());
        }
        if (!cart->payload().isNull())
            addText(cartNode, "payload", cart->payload());
    }

    xmlNode* user = addElement(root, "userData");
    addText(user, "name", transaction.userName());
    addText(user, "street", transaction.userStreet());
    addText(user, "city", transaction.userCity());
    addText(user, "zipCode", transaction.userZipCode());
    addText(user, "country", transaction.userCountry());
    addText(user, "language", transaction.userLanguage());
    addText(user, "mail", transaction.userMail());
    addText(user, "wantsNewsletter", transaction.userWantsNewsletter() ? QStringLiteral("1") : QStringLiteral("0"));
    if (transaction.userUsesVatId() && transaction.isVatValid())
        addText(user, "vatId", DWPVatIdTester::normalizeVatId(transaction.userVatId()));

    addText(root, "amount", QString::number(transaction.finalPrice()));
    addText(root, "currency", currency);
    return serialiseBytes(doc.get());
}

QByteArray DWPXmlGenerator::productInfoXML(const QStringList& productIds, bool includeVAT, bool includeXSLT)
{
    DocPtr doc = requestFrame("TransactionProductInfoRequest");
    xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!productIds.isEmpty()) {
        xmlNode* products = addElement(root, "products");
        for (const QString& id : productIds)
            addText(products, "id", id);
    }
    if (includeVAT)
        addElement(root, "vat");
    if (includeXSLT)
        addElement(root, "xslt");
    return serialiseBytes(doc.get());
}

QByteArray DWPXmlGenerator::abortTransactionXML(const QString& transactionID)
{
    return transactionRequest("TransactionAbortRequest", transactionID);
}

QByteArray DWPXmlGenerator::infoOnTransactionXML(const QString& transactionID)
{
    return transactionRequest("TransactionInfoRequest", transactionID);
}

QByteArray DWPXmlGenerator::webFrameURLXML(const QString& transactionID)
{
    return transactionRequest("TransactionWebFrameRequest", transactionID);
}

QByteArray DWPXmlGenerator::iFrameURLXML(const QString& transactionID)
{
    return transactionRequest("TransactionIFrameRequest", transactionID);
}

QByteArray DWPXmlGenerator::paymentStateXML(const QString& transactionID)
{
    return transactionRequest("TransactionPaymentStateRequest", transactionID);
}

QByteArray DWPXmlGenerator::bomDocument(const DWPTransaction& transaction)
{
    DocPtr doc = requestFrame("DWP_BOM");
    xmlNode* root = xmlDocGetRootElement(doc.get());
    const QString currency = transaction.userCurrency();
    const std::optional<qint64> rate = appliedRate(transaction);
    xmlNode* cartNode = addElement(root, "ShoppingCart");
    qint64 net = 0;
    if (const auto& cart = transaction.shoppingCart()) {
        for (const DWPSaleItemPtr& item : cart->saleItems()) {
            xmlNode* node = addElement(cartNode, "SaleItem");
            addText(node, "name", item->itemDesc());
            addText(node, "quantity", QString::number(item->quantity()));
            addText(node, "price", currencyText(item->finalPriceForCurrency(currency, rate)));
        }
        net = cart->totalForCurrency(currency, std::nullopt).value_or(0);
    }
    const qint64 vat = transaction.finalPrice() - net;
    xmlNode* vatNode = addElement(root, "vat");
    addText(vatNode, "percent", vat != 0 ? rateAsHundredths(rate) : QStringLiteral("0"));
    addText(vatNode, "amount", vat != 0 ? currencyText(vat) : dw::currencyValue(QStringLiteral("000")));
    addText(root, "total", currencyText(transaction.finalPrice()));
    addText(root, "currency", currency);
    return serialiseBytes(doc.get());
}

QByteArray DWPXmlGenerator::miniStoreDocument(const DWPTransaction& transaction)
{
    DocPtr doc = requestFrame("DWP_MiniStore");
    xmlNode* root = xmlDocGetRootElement(doc.get());
    const QString currency = transaction.userCurrency();
    const std::optional<qint64> rate = appliedRate(transaction);
    xmlNode* groups = addElement(root, "groups");
    if (const auto& cart = transaction.shoppingCart()) {
        for (const DWPSaleItemGroupPtr& group : cart->saleItemGroups()) {
            const DWPSelectionType type = group->selectionType();
            if (type != DWPRadioSelectionType && type != DWPCheckboxSelectionType) {
                qCWarning(lcPayment).noquote()
                    << QStringLiteral("ERROR: invalid selectionType (%1) while creating MiniStore XML").arg(type);
                continue;
            }
            xmlNode* node = addElement(groups, "group");
            addText(node, "name", group->name());
            addText(node, "description", group->description());
            addText(node, "imageURL", group->imageURL().toString());
            addText(node, "selectionType",
                    type == DWPRadioSelectionType ? QStringLiteral("radio") : QStringLiteral("checkbox"));
            xmlNode* items = addElement(node, "fullItems");
            for (const DWPSaleItemPtr& item : group->fullItems()) {
                xmlNode* itemNode = addElement(items, "fullItem");
                addText(itemNode, "name", item->itemDesc());
                addText(itemNode, "id", item->itemID());
                addText(itemNode, "info", item->itemInfo());
                addText(itemNode, "selected",
                        group->selectedSaleItemsUUIDs().contains(item->uniqueID()) ? QStringLiteral("true")
                                                                                   : QStringLiteral("false"));
                addText(itemNode, "uniqueID", item->uniqueID());
                addText(itemNode, "price", currencyText(item->finalPriceForCurrency(currency, rate)));
            }
        }
    }
    xmlNode* currencyNode = addElement(root, "currency");
    addText(currencyNode, "symbol", dw::currencyCodeToSymbol(currency));
    addText(currencyNode, "code", currency);
    addText(root, "vatRate",
            transaction.userHasToPayVAT() ? rateAsHundredths(transaction.vatRate())
                                          : dw::currencyValue(QStringLiteral("000")));
    return serialiseBytes(doc.get());
}

QByteArray DWPXmlGenerator::storePageFromDocument(const QByteArray& document, const QByteArray& xslt, DWPError* error)
{
    return transform(document, xslt, error);
}

QByteArray DWPXmlGenerator::bomXMLForTransaction(const DWPTransaction& transaction, DWPError* error)
{
    return transform(bomDocument(transaction), transaction.bomXslt(), error);
}

QByteArray DWPXmlGenerator::miniStoreXMLForTransaction(const DWPTransaction& transaction, DWPError* error)
{
    return transform(miniStoreDocument(transaction), transaction.bomXslt(), error);
}

// --- extractor ---

QString DWPXmlExtractor::transactionIdFromCreateResponse(const QByteArray& answer, DWPError* error)
{
    if (error)
        *error = {};
    DocPtr doc = parse(answer, nullptr);
    xmlNode* node = doc ? uniqueChild(doc.get(), "transactionID") : nullptr;
    if (!node) {
        fail(error, kTryLater, QStringLiteral("Couldn't find unique transactionID in TransactionCreateResponse"));
        return {};
    }
    return nodeText(node);
}

bool DWPXmlExtractor::productInfoFromProductInfoResponse(const QByteArray& answer, QVariantMap* outProductInfo,
                                                         std::optional<qint64>* outVAT, QByteArray* outXSLT,
                                                         DWPError* error)
{
    if (error)
        *error = {};
    DocPtr doc = parse(answer, nullptr);
    if (!doc) {
        fail(error, kTryLater, QStringLiteral("Expected product info, but didn't find any in the returned XML."));
        return false;
    }
    if (outProductInfo) {
        xmlNode* products = uniqueChild(doc.get(), "products");
        if (!products) {
            fail(error, kTryLater, QStringLiteral("Expected product info, but didn't find any in the returned XML."));
            return false;
        }
        const QList<xmlNode*> productNodes = childElements(products, "product");
        if (productNodes.isEmpty()) {
            fail(error, kTryLater, QStringLiteral("We requested product info, but got an empty response."));
            return false;
        }
        QVariantMap infos;
        for (xmlNode* product : productNodes) {
            QVariantMap info;
            for (xmlNode* child = product->children; child; child = child->next)
                if (child->type == XML_ELEMENT_NODE)
                    info.insert(fromX(child->name), nodeText(child));
            infos.insert(info.value(QStringLiteral("id")).toString(), info);
        }
        *outProductInfo = infos;
    }
    if (outVAT) {
        xmlNode* vat = uniqueChild(doc.get(), "vat");
        if (!vat) {
            fail(error, kTryLater, QStringLiteral("Expected VAT rate, but didn't find any in the returned XML."));
            return false;
        }
        *outVAT = nodeText(vat).trimmed().toLongLong();
    }
    if (outXSLT) {
        xmlNode* xslt = uniqueChild(doc.get(), "xslt");
        if (!xslt) {
            fail(error, kTryLater, QStringLiteral("Expected XSLT data, but didn't find any in the returned XML."));
            return false;
        }
        const QByteArray bytes = dw::dataByDecodingBase64(withoutWhiteSpace(nodeText(xslt)), false);
        if (bytes.isEmpty()) {
            fail(error, kTryLater, QStringLiteral("Error while trying to decode the XSLT; it's empty."));
            return false;
        }
        *outXSLT = bytes;
    }
    return true;
}

QUrl DWPXmlExtractor::iFrameURLFromIFrameResponse(const QByteArray& answer, DWPError* error)
{
    return frameURL(answer, error);
}

QUrl DWPXmlExtractor::webFrameURLFromIFrameResponse(const QByteArray& answer, DWPError* error)
{
    return frameURL(answer, error);
}

QString DWPXmlExtractor::paymentStateFromPaymentResponse(const QByteArray& answer, DWPError* error)
{
    if (error)
        *error = {};
    DocPtr doc = parse(answer, nullptr);
    xmlNode* node = doc ? uniqueChild(doc.get(), "payState") : nullptr;
    if (!node) {
        fail(error, kContactSupport, QStringLiteral("Couldn't find unique payState in PaymentStateResponse"));
        return {};
    }
    return nodeText(node);
}

QByteArray DWPXmlExtractor::payloadFromPaymentResponse(const QByteArray& answer, DWPError* error)
{
    if (error)
        *error = {};
    DocPtr doc = parse(answer, nullptr);
    xmlNode* node = doc ? uniqueChild(doc.get(), "responsePayload") : nullptr;
    if (!node)
        return {};
    const QByteArray bytes = dw::dataByDecodingBase64(withoutWhiteSpace(nodeText(node)), false);
    if (bytes.isEmpty())
        fail(error, kContactSupport, QStringLiteral("Error while trying to decode the responsePayload; it's empty."));
    return bytes;
}

// --- checker ---

bool DWPXmlChecker::isValidXml(const QByteArray& document, DWPError* outError, QString* outRootName)
{
    DocPtr doc = parse(document, outError);
    if (!doc)
        return false;
    if (outRootName)
        *outRootName = fromX(xmlDocGetRootElement(doc.get())->name);
    if (!validate(doc.get(), outError))
        return false;
    if (outError)
        *outError = {};
    return true;
}

bool DWPXmlChecker::responseIsSuccess(const QByteArray& answer)
{
    DocPtr doc = parse(answer, nullptr);
    xmlNode* ack = doc ? uniqueChild(doc.get(), "ack") : nullptr;
    return ack && nodeText(ack) == u"success";
}

QStringList DWPXmlChecker::errorsFromResponse(const QByteArray& answer)
{
    QStringList texts;
    DocPtr doc = parse(answer, nullptr);
    if (doc)
        for (xmlNode* node : childElements(xmlDocGetRootElement(doc.get()), "Errors"))
            texts.append(nodeText(node));
    return texts;
}
