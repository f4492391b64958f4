#pragma once
// One entry of the activity log: what the program did against eBay or a picture server, when, and
// how it ended, with details by attribute key, entries recorded under it and the errors shown to
// the user.
//
// An operation makes its entry at its start ("pending"), hands it to the log from its thread
// (QMLogManager::addEntryFromThread) and sets the state, message, code or error envelope when it
// ends, while the main thread may be reading the same entry. Every field is therefore guarded by
// the entry's own lock, and getters return copies. Archived under its field names.
//
// The error envelope belongs to the listing model, a layer above the kit: the entry holds it as
// an archivable object and hands it back as such (std::dynamic_pointer_cast<QMErrorEnvelope>).
//
//     auto entry = QMLogEntry::addItemLogEntryWithTemplateTitle(item->title());
//     QMLogManager::sharedInstance()->addEntryFromThread(entry);
//     ...
//     entry->setState(QLatin1String(kQMLogEntryStateSuccess));
//     QMLogManager::sharedInstance()->postEntitiesChangedNotificationFromThread();

#include "platform/archive/ArchivedObject.h"
#include "platform/core/KeyValueCoding.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <mutex>

namespace dw {
class KeyedUnarchiver;
}

inline constexpr const char* kQMLogEntryStatePending = "pending";
inline constexpr const char* kQMLogEntryStateSuccess = "success";
inline constexpr const char* kQMLogEntryStateFailure = "failure";
inline constexpr const char* kQMLogEntryStateWarning = "warning";
inline constexpr const char* kQMLogEntryStateCancel = "cancel";

inline constexpr const char* kQMTemplateTitleAttribute = "templateTitle";
inline constexpr const char* kQMScheduledAttribute = "scheduled";
inline constexpr const char* kQMImageTitleAttribute = "imageTitle";
inline constexpr const char* kQMImageURLAttribute = "imageURL";
inline constexpr const char* kQMImageUploadMethod = "imageUploadMethod";
inline constexpr const char* kQMAccountNameAttribute = "accountName";
inline constexpr const char* kQMItemIDAttribute = "itemID";
inline constexpr const char* kQMSiteIDAttribute = "siteID";

inline constexpr const char* kQMLogEntryTypeAddItem = "addItem";
inline constexpr const char* kQMLogEntryTypeVerifyAddItem = "verifyAddItem";
inline constexpr const char* kQMLogEntryTypeImageUpload = "imageUpload";
inline constexpr const char* kQMLogEntryTypeImageRemove = "imageRemove";
inline constexpr const char* kQMLogEntryTypeApplicationStarted = "applicationStarted";
inline constexpr const char* kQMLogEntryTypeApplicationFinished = "applicationFinished";
inline constexpr const char* kQMLogEntryTypeGetSellerList = "getSellerList";
inline constexpr const char* kQMLogEntryTypeGetSellerTransactions = "getSellerTransactions";
inline constexpr const char* kQMLogEntryTypeGetOrders = "getOrders";
inline constexpr const char* kQMLogEntryTypeGetCategoryDataVersion = "getCategoryDataVersion";
inline constexpr const char* kQMLogEntryTypeGetCategoryData = "getCategoryData";
inline constexpr const char* kQMLogEntryTypeGetAttributeDataVersion = "getAttributeDataVersion";
inline constexpr const char* kQMLogEntryTypeGetAttributeMappingData = "getAttributeMappingData";
inline constexpr const char* kQMLogEntryTypeGetAttributeData = "getAttributeData";
inline constexpr const char* kQMLogEntryTypeGetQuillmartVersion = "getQuillmartVersion";
inline constexpr const char* kQMLogEntryTypeGetMyMessages = "getMyMessages";
inline constexpr const char* kQMLogEntryTypeDeleteMyMessages = "deleteMyMessages";
inline constexpr const char* kQMLogEntryTypeGetItem = "getItem";
inline constexpr const char* kQMLogEntryTypeReviseItem = "reviseItem";
inline constexpr const char* kQMLogEntryTypeRelistItem = "relistItem";
inline constexpr const char* kQMLogEntryTypeLeaveFeedback = "leaveFeedback";
inline constexpr const char* kQMLogEntryTypeCompleteSale = "completeSale";
// The one type that begins with a capital letter.
inline constexpr const char* kQMLogEntryTypeAddMemberMessage = "AddMemberMessage";
inline constexpr const char* kQMLogEntryTypeGetItemsAwaitingFeedback = "getItemsAwaitingFeedback";
inline constexpr const char* kQMLogEntryTypeEndItem = "endItem";
inline constexpr const char* kQMLogEntryTypeGetMyeBaySelling = "getMyeBaySelling";
inline constexpr const char* kQMGetItemRecommendations = "getItemRecommendations";

class QMLogEntry;
using QMLogEntryPtr = std::shared_ptr<QMLogEntry>;

class QMLogEntry : public dw::ArchivedObject, public dw::KeyValueCoding
{
public:
    // An empty entry with a new unique ID and nothing else.
    QMLogEntry();
    ~QMLogEntry() override;

    // Type, now as time stamp, state "pending" and a new unique ID.
    static QMLogEntryPtr logEntryOfType(const QString& type);

    static QMLogEntryPtr addItemLogEntryWithTemplateTitle(const QString& title);
    static QMLogEntryPtr verifyAddItemLogEntryWithTemplateTitle(const QString& title);
    // The image title only when it is not null.
    static QMLogEntryPtr imageUploadLogEntryWithImageTitle(const QString& title);
    static QMLogEntryPtr imageRemoveLogEntryWithImageTitle(const QString& title, const QVariant& uploadMethod);
    // These two start in state "success".
    static QMLogEntryPtr applicationStartedLogEntry();
    static QMLogEntryPtr applicationFinishedLogEntry();
    static QMLogEntryPtr getSellerListLogEntryWithAccountName(const QString& accountName);
    static QMLogEntryPtr getSellerTransactionsLogEntryWithAccountName(const QString& accountName);
    static QMLogEntryPtr getOrdersLogEntryWithAccountName(const QString& accountName);
    static QMLogEntryPtr getCategoryDataVersionLogEntryForSiteID(qint64 siteID);
    static QMLogEntryPtr getCategoryDataLogEntryForSiteID(qint64 siteID);
    static QMLogEntryPtr getAttributeDataVersionLogEntryForSiteID(qint64 siteID);
    static QMLogEntryPtr getAttributeMappingDataLogEntryForSite(qint64 siteID);
    static QMLogEntryPtr getAttributeDataLogEntryForSite(qint64 siteID);
    static QMLogEntryPtr getQuillmartVersionLogEntry();
    static QMLogEntryPtr getMyMessagesLogEntryWithAccountName(const QString& accountName);
    static QMLogEntryPtr deleteMyMessagesLogEntryWithAccountName(const QString& accountName);
    static QMLogEntryPtr getItemLogEntryWithAccountName(const QString& accountName, const QString& itemID);
    static QMLogEntryPtr reviseItemLogEntryWithTemplateTitle(const QString& title);
    static QMLogEntryPtr relistItemLogEntryWithTemplateTitle(const QString& title);
    static QMLogEntryPtr leaveFeedbackLogEntryWithAccountName(const QString& accountName);
    // Account name and item ID each only when not null.
    static QMLogEntryPtr completeSaleLogEntryWithAccountName(const QString& accountName, const QString& itemID);
    static QMLogEntryPtr addMemberMessageLogEntryWithMemberAccountName(const QString& accountName);
    static QMLogEntryPtr getItemsAwaitingFeedbackLogEntryWithAccountName(const QString& accountName);
    static QMLogEntryPtr endItemLogEntryWithTemplateTitle(const QString& title);
    static QMLogEntryPtr getMyeBaySellingLogEntryWithAccountName(const QString& accountName);
    static QMLogEntryPtr getItemRecommendationsLogEntryWithTemplateTitle(const QString& title);

    QString type() const;
    void setType(const QString& type);
    QDateTime timestamp() const;
    void setTimestamp(const QDateTime& timestamp);
    QString state() const;
    void setState(const QString& state);
    QString errorMessage() const;
    void setErrorMessage(const QString& message);
    QString errorCode() const;
    void setErrorCode(const QString& code);
    QList<QMLogEntryPtr> subentries() const;
    void setSubentries(const QList<QMLogEntryPtr>& subentries);
    QVariantMap attributes() const;
    void setAttributes(const QVariantMap& attributes);
    QString uniqueID() const;
    void setUniqueID(const QString& uniqueID);
    dw::ArchivedObjectPtr errorEnvelope() const;
    void setErrorEnvelope(const dw::ArchivedObjectPtr& envelope);

    // "failure" or "cancel"; a warning is no error.
    bool hasError() const;
    QVariant attributeForKey(const QString& key) const;
    void setAttribute(const QVariant& value, const QString& key);
    void addSubentry(const QMLogEntryPtr& entry);

    // "<QMLogEntry 0x…> type: …, timestamp: …"
    QString description() const;

    // Every field by its name.
    QVariant valueForKey(const QString& key) const override;
    bool setValueForKey(const QVariant& value, const QString& key) override;

    QStringList archiveClassChain() const override
    {
        return {QStringLiteral("QMLogEntry"), QStringLiteral("NSObject")};
    }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override;
    static QMLogEntryPtr decodeWithCoder(dw::KeyedUnarchiver& coder);
    // Registers the class with the unarchiver; may be called any number of times.
    static void registerArchiveClass();

private:
    static QMLogEntryPtr entryWithAttribute(const char* type, const char* key, const QVariant& value);

    mutable std::mutex m_mutex;
    QString m_type;
    QDateTime m_timestamp;
    QString m_state;
    QString m_errorMessage;
    QString m_errorCode;
    QList<QMLogEntryPtr> m_subentries;
    QVariantMap m_attributes;
    QString m_uniqueID;
    dw::ArchivedObjectPtr m_errorEnvelope;
};
