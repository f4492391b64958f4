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

#include "Operations/QMImageUploadInformation.h"

#include <QList>
#include <QString>
#include <mutex>

class QMImageUploadInformationManager
{
public:
    // Loads the record files (migrating the older single file when there are none).
    QMImageUploadInformationManager();

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
    // Writes the record's file; a failure leaves the record in memory only (console line). A
    // record without a unique ID is a caller error.
    void saveFileForImageUploadInformation(const QMImageUploadInformationPtr& record);
    void removeFileForImageUploadInformation(const QMImageUploadInformation& record);

    static QString recordsFolder();
    static QString oldRecordsFilePath();

    void loadImageUploadInformations();
    void convertToFileBasedInformations();

private:
    QList<QMImageUploadInformationPtr> loadOldImageUploadInformations() const;
    static QString filePathForRecord(const QMImageUploadInformation& record);

    mutable std::recursive_mutex m_mutex;
    QList<QMImageUploadInformationPtr> m_records;
};
