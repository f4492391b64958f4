#include "DWKit/QMLogEntry.h"

#include "DWKit/NSString+DWExtensions.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/Clock.h"
#include "platform/core/DWFormat.h"

namespace {

QString decodedText(dw::KeyedUnarchiver& coder, const QString& key)
{
    const QVariant value = coder.decodeObjectForKey(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QString textValue(const QVariant& value)
{
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

} // namespace

QMLogEntry::QMLogEntry() : m_uniqueID(dw::UUID()) {}

QMLogEntry::~QMLogEntry() = default;

QMLogEntryPtr QMLogEntry::logEntryOfType(const QString& type)
{
    auto entry = std::make_shared<QMLogEntry>();
    entry->m_type = type;
    entry->m_timestamp = dw::now();
    entry->m_state = QLatin1String(kQMLogEntryStatePending);
    return entry;
}

QMLogEntryPtr QMLogEntry::entryWithAttribute(const char* type, const char* key, const QVariant& value)
{
    auto entry = logEntryOfType(QLatin1String(type));
    entry->setAttribute(value, QLatin1String(key));
    return entry;
}

QMLogEntryPtr QMLogEntry::addItemLogEntryWithTemplateTitle(const QString& title)
{
    return entryWithAttribute(kQMLogEntryTypeAddItem, kQMTemplateTitleAttribute, title);
}

QMLogEntryPtr QMLogEntry::verifyAddItemLogEntryWithTemplateTitle(const QString& title)
{
    return entryWithAttribute(kQMLogEntryTypeVerifyAddItem, kQMTemplateTitleAttribute, title);
}

QMLogEntryPtr QMLogEntry::imageUploadLogEntryWithImageTitle(const QString& title)
{
    auto entry = logEntryOfType(QLatin1String(kQMLogEntryTypeImageUpload));
    if (!title.isNull())
        entry->setAttribute(title, QLatin1String(kQMImageTitleAttribute));
    return entry;
}

QMLogEntryPtr QMLogEntry::imageRemoveLogEntryWithImageTitle(const QString& title, const QVariant& uploadMethod)
{
    auto entry = entryWithAttribute(kQMLogEntryTypeImageRemove, kQMImageTitleAttribute, title);
    entry->setAttribute(uploadMethod, QLatin1String(kQMImageUploadMethod));
    return entry;
}

QMLogEntryPtr QMLogEntry::applicationStartedLogEntry()
{
    auto entry = logEntryOfType(QLatin1String(kQMLogEntryTypeApplicationStarted));
    entry->setState(QLatin1String(kQMLogEntryStateSuccess));
    return entry;
}

QMLogEntryPtr QMLogEntry::applicationFinishedLogEntry()
{
    auto entry = logEntryOfType(QLatin1String(kQMLogEntryTypeApplicationFinished));
    entry->setState(QLatin1String(kQMLogEntryStateSuccess));
    return entry;
}

QMLogEntryPtr QMLogEntry::getSellerListLogEntryWithAccountName(const QString& accountName)
{
    return entryWithAttribute(kQMLogEntryTypeGetSellerList, kQMAccountNameAttribute, accountName);
}

QMLogEntryPtr QMLogEntry::getSellerTransactionsLogEntryWithAccountName(const QString& accountName)
{
    return entryWithAttribute(kQMLogEntryTypeGetSellerTransactions, kQMAccountNameAttribute, accountName);
}

QMLogEntryPtr QMLogEntry::getOrdersLogEntryWithAccountName(const QString& accountName)
{
    return entryWithAttribute(kQMLogEntryTypeGetOrders, kQMAccountNameAttribute, accountName);
}

QMLogEntryPtr QMLogEntry::getCategoryDataVersionLogEntryForSiteID(qint64 siteID)
{
    return entryWithAttribute(kQMLogEntryTypeGetCategoryDataVersion, kQMSiteIDAttribute, qlonglong(siteID));
}

QMLogEntryPtr QMLogEntry::getCategoryDataLogEntryForSiteID(qint64 siteID)
{
    return entryWithAttribute(kQMLogEntryTypeGetCategoryData, kQMSiteIDAttribute, qlonglong(siteID));
}

QMLogEntryPtr QMLogEntry::getAttributeDataVersionLogEntryForSiteID(qint64 siteID)
{
    return entryWithAttribute(kQMLogEntryTypeGetAttributeDataVersion, kQMSiteIDAttribute, qlonglong(siteID));
}

QMLogEntryPtr QMLogEntry::getAttributeMappingDataLogEntryForSite(qint64 siteID)
{
    return entryWithAttribute(kQMLogEntryTypeGetAttributeMappingData, kQMSiteIDAttribute, qlonglong(siteID));
}

QMLogEntryPtr QMLogEntry::getAttributeDataLogEntryForSite(qint64 siteID)
{
    return entryWithAttribute(kQMLogEntryTypeGetAttributeData, kQMSiteIDAttribute, qlonglong(siteID));
}

QMLogEntryPtr QMLogEntry::getQuillmartVersionLogEntry()
{
    return logEntryOfType(QLatin1String(kQMLogEntryTypeGetQuillmartVersion));
}

QMLogEntryPtr QMLogEntry::getMyMessagesLogEntryWithAccountName(const QString& accountName)
{
    return entryWithAttribute(kQMLogEntryTypeGetMyMessages, kQMAccountNameAttribute, accountName);
}

QMLogEntryPtr QMLogEntry::deleteMyMessagesLogEntryWithAccountName(const QString& accountName)
{
    return entryWithAttribute(kQMLogEntryTypeDeleteMyMessages, kQMAccountNameAttribute, accountName);
}

QMLogEntryPtr QMLogEntry::getItemLogEntryWithAccountName(const QString& accountName, const QString& itemID)
{
    auto entry = entryWithAttribute(kQMLogEntryTypeGetItem, kQMAccountNameAttribute, accountName);
    entry->setAttribute(itemID, QLatin1String(kQMItemIDAttribute));
    return entry;
}

QMLogEntryPtr QMLogEntry::reviseItemLogEntryWithTemplateTitle(const QString& title)
{
    return entryWithAttribute(kQMLogEntryTypeReviseItem, kQMTemplateTitleAttribute, title);
}

QMLogEntryPtr QMLogEntry::relistItemLogEntryWithTemplateTitle(const QString& title)
{
    return entryWithAttribute(kQMLogEntryTypeRelistItem, kQMTemplateTitleAttribute, title);
}

QMLogEntryPtr QMLogEntry::leaveFeedbackLogEntryWithAccountName(const QString& accountName)
{
    return entryWithAttribute(kQMLogEntryTypeLeaveFeedback, kQMAccountNameAttribute, accountName);
}

QMLogEntryPtr QMLogEntry::completeSaleLogEntryWithAccountName(const QString& accountName, const QString& itemID)
{
    auto entry = logEntryOfType(QLatin1String(kQMLogEntryTypeCompleteSale));
    if (!accountName.isNull())
        entry->setAttribute(accountName, QLatin1String(kQMAccountNameAttribute));
    if (!itemID.isNull())
        entry->setAttribute(itemID, QLatin1String(kQMItemIDAttribute));
    return entry;
}

QMLogEntryPtr QMLogEntry::addMemberMessageLogEntryWithMemberAccountName(const QString& accountName)
{
    return entryWithAttribute(kQMLogEntryTypeAddMemberMessage, kQMAccountNameAttribute, accountName);
}

QMLogEntryPtr QMLogEntry::getItemsAwaitingFeedbackLogEntryWithAccountName(const QString& accountName)
{
    return entryWithAttribute(kQMLogEntryTypeGetItemsAwaitingFeedback, kQMAccountNameAttribute, accountName);
}

QMLogEntryPtr QMLogEntry::endItemLogEntryWithTemplateTitle(const QString& title)
{
    return entryWithAttribute(kQMLogEntryTypeEndItem, kQMTemplateTitleAttribute, title);
}

QMLogEntryPtr QMLogEntry::getMyeBaySellingLogEntryWithAccountName(const QString& accountName)
{
    return entryWithAttribute(kQMLogEntryTypeGetMyeBaySelling, kQMAccountNameAttribute, accountName);
}

QMLogEntryPtr QMLogEntry::getItemRecommendationsLogEntryWithTemplateTitle(const QString& title)
{
    return entryWithAttribute(kQMGetItemRecommendations, kQMTemplateTitleAttribute, title);
}

QString QMLogEntry::type() const
{
    std::lock_guard lock(m_mutex);
    return m_type;
}

void QMLogEntry::setType(const QString& type)
{
    std::lock_guard lock(m_mutex);
    m_type = type;
}

QDateTime QMLogEntry::timestamp() const
{
    std::lock_guard lock(m_mutex);
    return m_timestamp;
}

void QMLogEntry::setTimestamp(const QDateTime& timestamp)
{
    std::lock_guard lock(m_mutex);
    m_timestamp = timestamp;
}

QString QMLogEntry::state() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

void QMLogEntry::setState(const QString& state)
{
    std::lock_guard lock(m_mutex);
    m_state = state;
}

QString QMLogEntry::errorMessage() const
{
    std::lock_guard lock(m_mutex);
    return m_errorMessage;
}

void QMLogEntry::setErrorMessage(const QString& message)
{
    std::lock_guard lock(m_mutex);
    m_errorMessage = message;
}

QString QMLogEntry::errorCode() const
{
    std::lock_guard lock(m_mutex);
    return m_errorCode;
}

void QMLogEntry::setErrorCode(const QString& code)
{
    std::lock_guard lock(m_mutex);
    m_errorCode = code;
}

QList<QMLogEntryPtr> QMLogEntry::subentries() const
{
    std::lock_guard lock(m_mutex);
    return m_subentries;
}

void QMLogEntry::setSubentries(const QList<QMLogEntryPtr>& subentries)
{
    std::lock_guard lock(m_mutex);
    m_subentries = subentries;
}

QVariantMap QMLogEntry::attributes() const
{
    std::lock_guard lock(m_mutex);
    return m_attributes;
}

void QMLogEntry::setAttributes(const QVariantMap& attributes)
{
    std::lock_guard lock(m_mutex);
    m_attributes = attributes;
}

QString QMLogEntry::uniqueID() const
{
    std::lock_guard lock(m_mutex);
    return m_uniqueID;
}

void QMLogEntry::setUniqueID(const QString& uniqueID)
{
    std::lock_guard lock(m_mutex);
    m_uniqueID = uniqueID;
}

dw::ArchivedObjectPtr QMLogEntry::errorEnvelope() const
{
    std::lock_guard lock(m_mutex);
    return m_errorEnvelope;
}

void QMLogEntry::setErrorEnvelope(const dw::ArchivedObjectPtr& envelope)
{
    std::lock_guard lock(m_mutex);
    m_errorEnvelope = envelope;
}

bool QMLogEntry::hasError() const
{
    const QString current = state();
    return current == QLatin1String(kQMLogEntryStateFailure) || current == QLatin1String(kQMLogEntryStateCancel);
}

QVariant QMLogEntry::attributeForKey(const QString& key) const
{
    std::lock_guard lock(m_mutex);
    return m_attributes.value(key);
}

void QMLogEntry::setAttribute(const QVariant& value, const QString& key)
{
    std::lock_guard lock(m_mutex);
    if (value.isValid())
        m_attributes.insert(key, value);
    else
        m_attributes.remove(key);
}

void QMLogEntry::addSubentry(const QMLogEntryPtr& entry)
{
    std::lock_guard lock(m_mutex);
    m_subentries.append(entry);
}

QString QMLogEntry::description() const
{
    return dw::format(QStringLiteral("<%@ %@> type: %@, timestamp: %@"), QStringLiteral("QMLogEntry"),
                      QStringLiteral("0x") + QString::number(quintptr(this), 16), type(), timestamp());
}

QVariant QMLogEntry::valueForKey(const QString& key) const
{
    std::lock_guard lock(m_mutex);
    if (key == QLatin1String("type"))
        return m_type.isNull() ? QVariant() : QVariant(m_type);
    if (key == QLatin1String("timestamp"))
        return m_timestamp.isValid() ? QVariant(m_timestamp) : QVariant();
    if (key == QLatin1String("state"))
        return m_state.isNull() ? QVariant() : QVariant(m_state);
    if (key == QLatin1String("errorMessage"))
        return m_errorMessage.isNull() ? QVariant() : QVariant(m_errorMessage);
    if (key == QLatin1String("errorCode"))
        return m_errorCode.isNull() ? QVariant() : QVariant(m_errorCode);
    if (key == QLatin1String("subentries")) {
        QVariantList list;
        for (const auto& entry : m_subentries)
            list.append(dw::objectValue(entry));
        return list;
    }
    if (key == QLatin1String("attributes"))
        return m_attributes;
    if (key == QLatin1String("uniqueID"))
        return m_uniqueID.isNull() ? QVariant() : QVariant(m_uniqueID);
    if (key == QLatin1String("errorEnvelope"))
        return dw::archiveValue(m_errorEnvelope);
    return QVariant();
}

bool QMLogEntry::setValueForKey(const QVariant& value, const QString& key)
{
    if (key == QLatin1String("type"))
        setType(textValue(value));
    else if (key == QLatin1String("timestamp"))
        setTimestamp(value.toDateTime());
    else if (key == QLatin1String("state"))
        setState(textValue(value));
    else if (key == QLatin1String("errorMessage"))
        setErrorMessage(textValue(value));
    else if (key == QLatin1String("errorCode"))
        setErrorCode(textValue(value));
    else if (key == QLatin1String("subentries")) {
        QList<QMLogEntryPtr> entries;
        for (const QVariant& element : value.toList())
            if (auto entry = std::dynamic_pointer_cast<QMLogEntry>(dw::objectFromValue(element)))
                entries.append(entry);
        setSubentries(entries);
    } else if (key == QLatin1String("attributes"))
        setAttributes(value.toMap());
    else if (key == QLatin1String("uniqueID"))
        setUniqueID(textValue(value));
    else if (key == QLatin1String("errorEnvelope"))
        setErrorEnvelope(value.value<dw::ArchivedObjectPtr>());
    else
        return false;
    return true;
}

void QMLogEntry::encodeWithCoder(dw::KeyedArchiver& coder) const
{
    // Copied under the lock and written without it: a worker may change the entry meanwhile, and
    // the subentries lock themselves while they are written.
    QString type, state, errorMessage, errorCode, uniqueID;
    QDateTime timestamp;
    QList<QMLogEntryPtr> subentries;
    QVariantMap attributes;
    dw::ArchivedObjectPtr envelope;
    {
        std::lock_guard lock(m_mutex);
        type = m_type;
        timestamp = m_timestamp;
        state = m_state;
        errorMessage = m_errorMessage;
        errorCode = m_errorCode;
        subentries = m_subentries;
        attributes = m_attributes;
        uniqueID = m_uniqueID;
        envelope = m_errorEnvelope;
    }
    coder.encodeObject(type, QStringLiteral("type"));
    coder.encodeObject(timestamp.isValid() ? QVariant(timestamp) : QVariant(), QStringLiteral("timestamp"));
    coder.encodeObject(state, QStringLiteral("state"));
    coder.encodeObject(errorMessage, QStringLiteral("errorMessage"));
    coder.encodeObject(errorCode, QStringLiteral("errorCode"));
    // Made on first use: an entry that never had subentries or attributes stores none.
    QVariantList subentryValues;
    for (const auto& entry : subentries)
        subentryValues.append(dw::archiveValue(entry));
    coder.encodeObject(subentries.isEmpty() ? QVariant() : QVariant(subentryValues), QStringLiteral("subentries"));
    coder.encodeObject(attributes.isEmpty() ? QVariant() : QVariant(attributes), QStringLiteral("attributes"));
    coder.encodeObject(uniqueID, QStringLiteral("uniqueID"));
    coder.encodeObject(envelope, QStringLiteral("errorEnvelope"));
}

QMLogEntryPtr QMLogEntry::decodeWithCoder(dw::KeyedUnarchiver& coder)
{
    auto entry = std::make_shared<QMLogEntry>();
    entry->m_type = decodedText(coder, QStringLiteral("type"));
    const QVariant timestamp = coder.decodeObjectForKey(QStringLiteral("timestamp"));
    if (timestamp.typeId() == QMetaType::QDateTime)
        entry->m_timestamp = timestamp.toDateTime();
    entry->m_state = decodedText(coder, QStringLiteral("state"));
    entry->m_errorMessage = decodedText(coder, QStringLiteral("errorMessage"));
    entry->m_errorCode = decodedText(coder, QStringLiteral("errorCode"));
    for (const QVariant& value : coder.decodeObjectForKey(QStringLiteral("subentries")).toList())
        if (auto subentry = dw::archivedObjectCast<QMLogEntry>(value))
            entry->m_subentries.append(std::move(subentry));
    entry->m_attributes = coder.decodeObjectForKey(QStringLiteral("attributes")).toMap();
    entry->m_uniqueID = decodedText(coder, QStringLiteral("uniqueID"));
    entry->m_errorEnvelope = coder.decodeObjectForKey(QStringLiteral("errorEnvelope")).value<dw::ArchivedObjectPtr>();
    return entry;
}

void QMLogEntry::registerArchiveClass()
{
    static std::once_flag once;
    std::call_once(once, [] {
        dw::KeyedUnarchiver::registerClass(
            QStringLiteral("QMLogEntry"),
            [](dw::KeyedUnarchiver& coder) -> dw::ArchivedObjectPtr { return decodeWithCoder(coder); });
    });
}
