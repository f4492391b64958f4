#pragma once
// The application's preferences store: typed accessors over the user defaults for picture upload,
// fees, schedules, window and table state, product search, design templates, sharing, the eBay
// message and warning ignore lists, and the defaults a new listing starts with.
//
// A key that was never written reads its registered default (defaults.plist and
// localized_defaults.plist, registered at start), else NO, 0 or nil. Setters store without
// synchronizing unless their comment says otherwise; the user defaults write every change to
// disk at once anyway. Getters run on any thread; setters on the main thread, except
// imageCounterString(), which upload threads call, which is atomic within the process and whose
// number reaches the disk soon after it is handed out.
//
//     auto& prefs = QMPreferencesManager::sharedInstance();
//     QString name = prefs.imageCounterString() + ".jpg";
//     QSize size = prefs.defaultUploadImageSize();

#include "DWKit/QMFeesHighlightColorNotification.h"
#include "model/DWEbayPreferencesManager.h"

#include <QList>
#include <QSize>
#include <QSizeF>
#include <QStringList>
#include <memory>
#include <optional>

class QColor;

class QMItemShippingOptions;

// The eBay developer keys of the sandbox.
inline constexpr const char* kQMSandboxAppID = "Torvelan-2b7e-41c9-9d03-5fa8e1c6b274";
inline constexpr const char* kQMSandboxCertID = "6e2d9a41-7c30-4b8f-a5e6-13f0c9d87b52";
inline constexpr const char* kQMSandboxDevID = "K7RQ2M4XW9TB1NZ5HC8VJ3LP6DF0GY";

// Picture-upload systems (user default "ImageUploadingSystem").
enum QMImageUploadingSystemTag : int {
    kQMImageUploadingSystemEPS = 300,
    kQMImageUploadingSystemDotMac = 301,
    kQMImageUploadingSystemOwnFTPServer = 302,
    kQMImageUploadingSystemWebDAVServer = 303,
    kQMImageUploadingSystemDunmerrowImageServer = 304,
};

class QMPreferencesManager : public DWEbayPreferencesManager
{
public:
    explicit QMPreferencesManager(dw::UserDefaults* defaults = nullptr);
    ~QMPreferencesManager() override;

    static QMPreferencesManager& sharedInstance();

    QString ruName() const override;
    bool warningCodeIsOnIgnoreList(const QString& code) const override;

    // The user defaults read and written as they are: one getter (and setter) per row of
    // model/QMPreferenceKeys.tsv, generated from it.
#include "model/QMPreferenceKeysAccessors.inc"

public:
    // The accessors with more behaviour.

    // Picture upload
    bool useEPS() const;
    bool useDotMac() const;
    bool useOwnFTPServer() const;
    bool useWebDAVServer() const;
    bool useDunmerrowImageServer() const;
    bool useOwnServer() const;
    // The next picture number as text: 1, 2, ... 99999, then 0 again. Safe from any thread.
    QString imageCounterString();
    bool shouldDeleteUploadedImages() const;
    QString HTTPURLStringForUploadedFile(const QString& filePath) const;
    static QString HTTPURLStringForHTTPURLPrefix(const QString& prefix, const QString& filePath);

    // Listing, fees and schedule
    // A stored date in the past reads as now.
    QDateTime lastScheduleDate() const;
    void setLastScheduleDate(const QDateTime& date);
    // Stores and announces the default colour the first time it is asked for.
    QColor feesHighlightColor();
    void setFeesHighlightColor(const QColor& color);
    QString startedAuctionsFolderUniqueID() const;
    void setStartedAuctionsFolderUniqueID(const QString& uniqueID);
    // Null when neither the user's fees file nor the bundled one can be read.
    QVariantMap feesDictionary() const;
    // Written atomically; false (and a log line) when the file cannot be written.
    bool saveDownloadedFeesDictionary(const QVariantMap& fees);
    void showAllWarnings();

    // eBay data and messages
    QDateTime getSellerListLastRunDate() const;
    // A null date removes the key of the current mode only; synchronizes.
    void setGetSellerListLastRunDate(const QDateTime& date);
    bool eBayMessageIsOnIgnoreList(const QString& message) const;
    void addEbayMessageToIgnoreList(const QString& message);
    void forgetEbayMessageIgnoreList();

    // Window, table and view state
    // Stored as "{width, height}"; an empty or missing text reads as 160 by 160.
    QSizeF overviewImageSize() const;
    void setOverviewImageSize(const QSizeF& size);
    QList<qint64> lastSelectedRowIndexesInOutlineView() const;
    // An empty optional removes the key; synchronizes.
    void setLastSelectedRowIndexesInOutlineView(const std::optional<QList<qint64>>& indexes);

    // Product search, design templates, video and other
    QString twitterUpdateStatusMessagePrefix();
    bool shareSelectedGroupsOnly() const;

    // Item defaults: what a new listing starts with.
    QString defaultCountryIDAsString() const;
    // The plain text of the RTF footer; null when none is stored or it is not RTF.
    QString defaultFooterString() const;
    // Stores the text as RTF; an empty or null text removes the footer.
    void setDefaultFooterString(const QString& footer);
    qint64 lastCategoryTreeVersion() const;

    // Default shipping options of a site (site ID as decimal text); new, empty options when the
    // site has no readable file. Never null.
    std::shared_ptr<QMItemShippingOptions> defaultShippingOptionsForSiteID(const QString& siteID) const;
    // Replaces the site's file atomically; false (and a log line) when it could not be written.
    // Null options are a programming error ("cannot save (nil) shipping options").
    bool setDefaultShippingOptions(const std::shared_ptr<QMItemShippingOptions>& options, const QString& siteID);
    // Null for a site ID that would not make a plain file name.
    static QString shippingOptionsFilePathForSiteID(const QString& siteID);

    // Security: credentials and the program's enciphered resources (compiled in from
    // resources/enciphered), decrypted on demand. A resource that is missing or does not decrypt
    // to what it should hold gives an empty result and a console line, never an abort; a table or
    // text is kept for the life of the process only once it decrypted. Any thread.

    // The eBay developer keys of the current mode: the sandbox constants, or the production keys
    // of the resource "prodKey" (null when they cannot be read).
    QString appID() const;
    QString certID() const;
    QString devID() const;
    QVariantMap decryptedIDDictionary() const;
    QVariantMap decryptedImageserverDictionary() const;
    QVariantMap decryptedYouTubeDictionary() const;
    QVariantMap decryptedAffiliateDictionary() const override;
    QVariantMap decryptedTwitterDictionary() const;
    // The migration table of older return policies; nullopt (nothing to migrate) when the
    // resource is missing or holds no dictionary. Decrypted anew at each call.
    std::optional<QVariantMap> decryptedReturnPolicyMigration() const;
    // A text resource by name (no extension); null when it is missing or no UTF-8. An empty name
    // is a programming error ("no filename in decryptedStringFromFileAtPath").
    QString decryptedStringFromFileAtPath(const QString& name) const;

    QString dunmerrowFreeImageServerUsername() const;
    QString dunmerrowFreeImageServerPassword() const;
    QVariant valueForDunmerrowFreeImageServerKey(const QString& key) const;
    QVariant dunmerrowFreeImageServerInfoURLs() const;
    QVariant twitterConsumerKey() const;
    QVariant twitterConsumerSecret() const;

    QString googleMapsTemplate() const;
    QString dlTemplate() const;
    void cachePreviewTemplate() const;
    // The file named by "unencodedPreviewTemplatePath" (resp. "unencodedJavascriptTemplatePath")
    // when it exists, else the enciphered resource.
    QString previewTemplate() const;
    QString webEditingPreviewJavascript() const;

    // Passwords of the user's own picture servers and of template sharing, kept in the keychain.
    // Storing replaces the item in one step: a store that fails leaves the old password. The
    // setters return true on success, false (with the reason, never the password) on failure.
    QString webDAVURL() const;
    void setWebDAVURL(const QString& address);
    QString webDAVUserName() const;
    void setWebDAVUserName(const QString& userName);
    [[nodiscard]] bool setFTPPassword(const QString& password, const QString& server, const QString& userName,
                                      QString* error = nullptr);
    // Empty when there is none (the console tells why).
    QString FTPPasswordForServer(const QString& server, const QString& userName) const;
    // For "FTPServerAddress" and "FTPUserName"; empty without asking when either is empty.
    QString defaultFTPassword() const;
    // Stores the address and user name in the user defaults first.
    [[nodiscard]] bool setWebDAVPassword(const QString& password, const QString& address, const QString& userName,
                                         QString* error = nullptr);
    QString webDAVPasswordForURL(const QString& address, const QString& userName) const;
    QString defaultWebDAVPassword() const;
    QString HTTPURLStringForUploadedWebDAVFile(const QString& filePath) const;
    // A null password removes the item.
    [[nodiscard]] bool setSharingPassword(const QString& password, const QString& uniqueID);
    QString getSharingPasswordForUniqueID(const QString& uniqueID) const;
    [[nodiscard]] bool setLocalSharingPassword(const QString& password);
    QString getLocalSharingPassword() const;

    // Where the enciphered resources are read from (":/enciphered/" unless a test points
    // elsewhere); setting it forgets every cached table and text.
    static void setEncipheredResourceFolder(const QString& folder);

    // Image defaults: the picture size chosen for upload.
    static QSize defaultUploadImageSizeForImageSizeTag(qint64 tag);
    QSize defaultUploadImageSize() const;
    qint64 defaultImageWidth() const;
    qint64 defaultImageHeight() const;
    QSize defaultEPSNormalImageSize() const;
    QSize defaultEPSXXLImageSize() const;
    bool scaleImages() const;

private:
    bool boolFor(const char* key) const;
    qint64 integerFor(const char* key) const;
    QString stringFor(const char* key) const;
    QVariant objectFor(const char* key) const;
    void setObjectFor(const QVariant& value, const char* key);
};
