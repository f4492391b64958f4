#pragma once
// The upload records cache: every record in memory and each in a keyed-archive file of its own,
// "<uniqueID>.data" in "ImageInformations" under the fixed data folder. A first start with only
// the older single file ("ImageInformations.data", an archived array) migrates its records and
// moves the file aside (".old" appended).
//
//     auto& cache = QMImageUploadInformationManager::sharedInstance();
//     if (auto stored = cache.uploadedImageInformationForNewImageInformation(record))
//         address = stored->imageURL();           // the caller checks that it still answers
//     else
//         ... upload, then cache.addAndSaveImageUploadInformation(record);
//
// Records from eBay's picture service and from the maker's picture server are reused for 59
// whole days after their first upload and dropped (file and memory) from 60 days on. Any thread:
// the list is guarded by one re-entrant lock and handed out as copies.
//
// The files are written and deleted on a thread of the manager's own, never under the list's
// lock: several uploads finishing at once must not wait for each other's disk writes. Requests
// for one file made before the writer gets to it are written once, as the last one says (a save
// followed by a removal removes). waitUntilRecordsAreSaved() waits for everything asked so far;
// the manager does so before it goes.

#include "Operations/QMImageUploadInformation.h"

#include <QList>
#include <QString>
#include <memory>
#include <mutex>

class QMImageUploadInformationManager
{
public:
    // Loads the record files (migrating the older single file when there are none).
    QMImageUploadInformationManager();
    ~QMImageUploadInformationManager();
    QMImageUploadInformationManager(const QMImageUploadInformationManager&) = delete;
    QMImageUploadInformationManager& operator=(const QMImageUploadInformationManager&) = delete;

    static QMImageUploadInformationManager& sharedInstance();
    // Drops the shared instance so that the next one loads the files again (tests).
    static void resetSharedInstance();

    // The first stored record equal to the new one, unless it is too old to reuse.
    QMImageUploadInformationPtr uploadedImageInformationForNewImageInformation(const QMImageUploadInformation& record);
    QMImageUploadInformationPtr uploadedImageInformationForImageURL(const QString& address) const;
    QList<QMImageUploadInformationPtr> allUploadedImageInformations() const;
    QList<QMImageUploadInformationPtr> allUploadedImageInformationsForUploadMethod(const QString& method) const;
    QList<QMImageUploadInformationPtr> uploadedImageInformationsByExcludingMethod(const QString& method) const;
    QList<QMImageUploadInformationPtr> uploadedImageInformationsForUploadMethod(const QString& method,
                                                                                qint64 uploadedBeforeDays) const;

    void addAndSaveImageUploadInformation(const QMImageUploadInformationPtr& record);
    void removeUploadInformation(const QMImageUploadInformationPtr& record);
    void removeUploadInformations(const QList<QMImageUploadInformationPtr>& records);
    // Has the record's file written; a failure leaves the record in memory only (console line). A
    // record without a unique ID is a caller error.
    void saveFileForImageUploadInformation(const QMImageUploadInformationPtr& record);
    void removeFileForImageUploadInformation(const QMImageUploadInformation& record);
    // Returns once every file write and removal asked for so far is done.
    void waitUntilRecordsAreSaved();

    static QString recordsFolder();
    static QString oldRecordsFilePath();

    void loadImageUploadInformations();
    void convertToFileBasedInformations();

private:
    QList<QMImageUploadInformationPtr> loadOldImageUploadInformations() const;
    static QString filePathForRecord(const QMImageUploadInformation& record);

    struct Writer;

    mutable std::recursive_mutex m_mutex;
    QList<QMImageUploadInformationPtr> m_records;
    std::unique_ptr<Writer> m_writer;
};
