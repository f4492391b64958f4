#include "Operations/QMGenericAddImageOperation.h"

#include "DWKit/QMLog.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMImageUploadAdapterManager.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/core/TypeName.h"
#include "platform/core/UserDefaults.h"

#include <atomic>
#include <typeinfo>

namespace {

std::atomic<bool> s_keepsImageInformations{true};

} // namespace

#define DW_SNAPSHOT_FIELD(Type, getter, setter, member)                                                                \
    Type QMGenericAddImageOperation::getter() const                                                                    \
    {                                                                                                                  \
        std::lock_guard lock(m_fieldsMutex);                                                                           \
        return member;                                                                                                 \
    }                                                                                                                  \
    void QMGenericAddImageOperation::setter(const Type& value)                                                         \
    {                                                                                                                  \
        std::lock_guard lock(m_fieldsMutex);                                                                           \
        member = value;                                                                                                \
    }

DW_SNAPSHOT_FIELD(QVariantMap, itemInfo, setItemInfo, m_itemInfo)
DW_SNAPSHOT_FIELD(QVariantMap, imageInfo, setImageInfo, m_imageInfo)
DW_SNAPSHOT_FIELD(QString, uploadedImageURL, setUploadedImageURL, m_uploadedImageURL)
DW_SNAPSHOT_FIELD(QList<qint64>, variationImageIndexPath, setVariationImageIndexPath, m_variationImageIndexPath)

#undef DW_SNAPSHOT_FIELD

qint64 QMGenericAddImageOperation::imageIndex() const
{
    return imageInfo().value(QStringLiteral("index")).toLongLong();
}

QString QMGenericAddImageOperation::imageName() const
{
    return imageInfo().value(QStringLiteral("name")).toString();
}

QString QMGenericAddImageOperation::imageImageFilePath() const
{
    return imageInfo().value(QStringLiteral("imageFilePath")).toString();
}

QString QMGenericAddImageOperation::imageStandardizedImageFilePath() const
{
    return imageInfo().value(QStringLiteral("standardizedImageFilePath")).toString();
}

QString QMGenericAddImageOperation::itemUniqueID() const
{
    return itemInfo().value(QStringLiteral("uniqueID")).toString();
}

QString QMGenericAddImageOperation::itemTitle() const
{
    return itemInfo().value(QStringLiteral("title")).toString();
}

qint64 QMGenericAddImageOperation::itemSiteID() const
{
    return itemInfo().value(QStringLiteral("siteID")).toLongLong();
}

QString QMGenericAddImageOperation::itemItemID() const
{
    return itemInfo().value(QStringLiteral("itemID")).toString();
}

std::shared_ptr<QMWebDAVAdapter>
QMGenericAddImageOperation::setupAdapterForImageUploadingSystem(int imageUploadingSystem, const QString& errorSource)
{
    QString error;
    auto adapter =
        QMImageUploadAdapterManager::sharedInstance().popAdapterForImageUploadingSystem(imageUploadingSystem, &error);
    if (adapter)
        return adapter;
    if (error.isEmpty())
        error = dw::localized("No connection to the picture server could be made.");
    auto entry = QMLogEntry::imageUploadLogEntryWithImageTitle(imageName());
    entry->setState(QLatin1String(kQMLogEntryStateFailure));
    entry->setErrorMessage(error);
    addLogEntry(entry);
    setErrorEnvelope(QMErrorEnvelope::errorEnvelopeWithMessage(error, errorSource, name()));
    return nullptr;
}

QString QMGenericAddImageOperation::defaultUploadImageSizeAsString()
{
    const auto& preferences = QMPreferencesManager::sharedInstance();
    const QSize size = preferences.scaleImages() ? preferences.defaultUploadImageSize() : QSize(0, 0);
    return dw::format("{%ld, %ld}", qlonglong(size.width()), qlonglong(size.height()));
}

void QMGenericAddImageOperation::completeImageOperationWithError(const QString& error, const QString& errorSource,
                                                                 const QMLogEntryPtr& entry)
{
    // Whatever path ends the upload, it is reported once.
    if (m_completed.exchange(true))
        return;
    if (isCancelled()) {
        setUploadedImageURL(QString());
        if (entry)
            entry->setState(QLatin1String(kQMLogEntryStateCancel));
    } else if (!error.isNull()) {
        QMLog("%@ got first error/warning message from %@: %@", dw::typeName(typeid(*this)), errorSource, error);
        setUploadedImageURL(QString());
        const auto envelope = QMErrorEnvelope::errorEnvelopeWithMessage(error, errorSource, name());
        setErrorEnvelope(envelope);
        if (entry) {
            entry->setErrorEnvelope(envelope);
            entry->setState(QLatin1String(kQMLogEntryStateFailure));
        }
    } else if (entry) {
        entry->setAttribute(uploadedImageURL(), QLatin1String(kQMImageURLAttribute));
        entry->setState(QLatin1String(kQMLogEntryStateSuccess));
    }
    if (entry)
        QMLogManager::sharedInstance()->postEntitiesChangedNotificationFromThread();
    setProgress(1.0f);
}

bool QMGenericAddImageOperation::shouldUseImageInformations()
{
    return s_keepsImageInformations &&
           !dw::UserDefaults::standard().boolForKey(QStringLiteral("skipImageInformations"));
}

void QMGenericAddImageOperation::setKeepsImageInformations(bool keep)
{
    s_keepsImageInformations = keep;
}
