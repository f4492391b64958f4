#include "panels/QMError+Bindings.h"

#include "DWKit/QMLog.h"
#include "model/QMPreferencesManager.h"
#include "panels/QMError+Help.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "platform/widgets/ApplicationImage.h"

#include <algorithm>

namespace QMErrorBindings {

QImage image(const QMError& error)
{
    if (error.isWarning())
        return dw::applicationImage(QStringLiteral("AddItemWarning"));
    if (error.isError())
        return dw::applicationImage(QStringLiteral("AddItemError"));
    return QImage();
}

QString localizedLevel(const QMError& error)
{
    if (error.isWarning())
        return representsEBayMessage(error) ? dw::localized("Message") : dw::localized("Warning");
    if (error.isError())
        return dw::localized("Error");
    return QString();
}

bool isWarning(const QMError& error)
{
    return error.isWarning();
}

bool representsEBayMessage(const QMError& error)
{
    return error.code() == QLatin1String(kQMErrorCodeEbayMessage) && error.isWarning();
}

bool errorIsIgnored(const QMError& error)
{
    return QMPreferencesManager::sharedInstance().warningCodeIsOnIgnoreList(error.code());
}

bool helpAvailable(const QMError& error)
{
    // Asked while tables are drawn: a missing help table is logged there, not thrown into Qt.
    try {
        return !QMErrorHelp::helpAnchor(error).isNull();
    } catch (const dw::InternalInconsistency& failure) {
        QMLog("%@", failure.message());
        return false;
    }
}

QString serverNameForSource(const QString& source)
{
    if (source == QLatin1String(kQMErrorSourceEBay))
        return dw::localized("eBay server");
    if (source == QLatin1String(kQMErrorSourceEPS))
        return dw::localized("eBay image server");
    if (source == QLatin1String(kQMErrorSourceFTP))
        return dw::localized("FTP server");
    if (source == QLatin1String(kQMErrorSourceWebDAV))
        return dw::localized("WebDAV server");
    return QStringLiteral("");
}

QString receivedFromServerText(const QMErrorEnvelope& envelope)
{
    const QString opening = envelope.firstError() ? dw::localized("An error has been received from the")
                                                  : dw::localized("A warning has been received from the");
    return opening + QLatin1Char(' ') + serverNameForSource(envelope.source());
}

QMErrorList sortedForDisplay(const QMErrorList& errors)
{
    QMErrorList sorted;
    for (const auto& error : errors) {
        if (error)
            sorted.append(error);
    }
    // "error" sorts before "warning" as text; codes compare as text too, as the table always did.
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        if (a->level() != b->level())
            return a->level() < b->level();
        return a->code() < b->code();
    });
    return sorted;
}

std::shared_ptr<QMError> firstWarning(const QMErrorList& errors)
{
    for (const auto& error : errors) {
        if (error && error->isWarning())
            return error;
    }
    return nullptr;
}

void ignoreWarning(const std::shared_ptr<QMError>& warning, const QMErrorEnvelope& envelope)
{
    if (!warning)
        return;
    auto& preferences = QMPreferencesManager::sharedInstance();
    if (warning->code() == QLatin1String(kQMErrorCodeEbayMessage))
        preferences.addEbayMessageToIgnoreList(envelope.eBayMessage());
    else
        preferences.addWarningCodeToIgnoreList(warning->code());
}

} // namespace QMErrorBindings
