#pragma once
// The store's XML vocabulary: the request documents of the gateway, the answers' fields, and the
// two local documents (DWP_BOM, DWP_MiniStore) that the gateway's XSLT turns into the store page.
//
// Every parse is local: no DTD is loaded, no external entity is read, nothing touches the
// network. Documents are validated against the bundled schema (resources/DWPayment/DWPayment.xsd)
// whatever address they name. The gateway's XSLT reads and writes no file and no address, not even
// through xsl:include, xsl:import or document(), and its run is bounded in steps and memory: a
// stylesheet that would run on ends with an error. Free text goes into the documents as escaped
// text. Stateless; any thread.
//
//     const QByteArray request = DWPXmlGenerator::createTransactionXML(transaction);
//     QString root;
//     DWPError error;
//     if (!DWPXmlChecker::isValidXml(answer, &error, &root)) ...
//     const QString id = DWPXmlExtractor::transactionIdFromCreateResponse(answer, &error);

#include "DWPayment/DWPError.h"

#include <QByteArray>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <optional>

class DWPTransaction;

class DWPAYMENT_EXPORT DWPXmlGenerator
{
public:
    DWPXmlGenerator() = delete;

    static QByteArray createTransactionXML(const DWPTransaction& transaction);
    static QByteArray productInfoXML(const QStringList& productIds, bool includeVAT, bool includeXSLT);
    static QByteArray abortTransactionXML(const QString& transactionID);
    static QByteArray infoOnTransactionXML(const QString& transactionID);
    static QByteArray webFrameURLXML(const QString& transactionID);
    static QByteArray iFrameURLXML(const QString& transactionID);
    static QByteArray paymentStateXML(const QString& transactionID);

    // The local documents before the transformation (for tests and the tools).
    static QByteArray bomDocument(const DWPTransaction& transaction);
    static QByteArray miniStoreDocument(const DWPTransaction& transaction);

    // The store page: the local document transformed by the transaction's XSLT. Null with `error`
    // when the transformation fails; null without an error when it gives nothing.
    static QByteArray bomXMLForTransaction(const DWPTransaction& transaction, DWPError* error);
    static QByteArray miniStoreXMLForTransaction(const DWPTransaction& transaction, DWPError* error);
    // The same for a local document made beforehand: the transaction belongs to the main thread,
    // this runs on any.
    static QByteArray storePageFromDocument(const QByteArray& document, const QByteArray& xslt, DWPError* error);

    // The XSLT's parameters: name -> XPath string literal of the localized text.
    static QList<std::pair<QByteArray, QByteArray>> argumentsForPreFlightXSLT();
    // "'" becomes "’" so the text fits in a single-quoted XPath literal.
    static QString escapeXSLTArgumentString(const QString& text);

    // The store library's own version, carried in every document.
    static QString frameworkVersion();
};

class DWPAYMENT_EXPORT DWPXmlExtractor
{
public:
    DWPXmlExtractor() = delete;

    static QString transactionIdFromCreateResponse(const QByteArray& answer, DWPError* error);
    // Reads only what is asked for, in the order infos, VAT, XSLT; stops at the first failure.
    static bool productInfoFromProductInfoResponse(const QByteArray& answer, QVariantMap* outProductInfo,
                                                   std::optional<qint64>* outVAT, QByteArray* outXSLT, DWPError* error);
    static QUrl iFrameURLFromIFrameResponse(const QByteArray& answer, DWPError* error);
    static QUrl webFrameURLFromIFrameResponse(const QByteArray& answer, DWPError* error);
    static QString paymentStateFromPaymentResponse(const QByteArray& answer, DWPError* error);
    // Null without an error when the answer carries no single responsePayload.
    static QByteArray payloadFromPaymentResponse(const QByteArray& answer, DWPError* error);
};

class DWPAYMENT_EXPORT DWPXmlChecker
{
public:
    DWPXmlChecker() = delete;

    // Parses and validates; hands out the root's name once the document parsed.
    static bool isValidXml(const QByteArray& document, DWPError* outError, QString* outRootName);
    // Exactly one "ack" child of the root, whose text is "success".
    static bool responseIsSuccess(const QByteArray& answer);
    // The full text of every "Errors" child, in order; empty when there is none.
    static QStringList errorsFromResponse(const QByteArray& answer);
};
