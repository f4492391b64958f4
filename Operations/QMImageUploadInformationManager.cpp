#include "Operations/QMImageUploadInformationManager.h"

#include "DWKit/NSFileManager+DWExtensions.h"
#include "DWKit/NSString+DWExtensions.h"
#include "Operations/QMImageUploadAdapterManager.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

// Beyond this many whole days since the first upload a record is not reused: eBay drops pictures
// that no listing uses after 60 days, and the picture server keeps them no longer either.
constexpr qint64 kReuseDays = 60;

std::mutex s_instanceMutex;
std::unique_ptr<QMImageUploadInformationManager> s_instance;

bool methodIs(const QMImageUploadInformation& record, const char* method)
{
    return record.uploadMethod() == QLatin1String(method);
}

} // namespace

QMImageUploadInformationManager::QMImageUploadInformationManager()
{
    QMImageUploadInformation::registerArchiveClass();
    loadImageUploadInformations();
    if (m_records.isEmpty())
        convertToFileBasedInformations();
}

QMImageUploadInformationManager& QMImageUploadInformationManager::sharedInstance()
{
    std::lock_guard lock(QMImageUploadAdapterManager::poolLock());
    if (!s_instance)
        s_instance = std::make_unique<QMImageUploadInformationManager>();
    return *s_instance;
}

void QMImageUploadInformationManager::resetSharedInstance()
{
    std::lock_guard lock(QMImageUploadAdapterManager::poolLock());
    s_instance.reset();
}

QString QMImageUploadInformationManager::recordsFolder()
{
    return dw::paths::fixedDataFolder() + QStringLiteral("/ImageInformations");
}

QString QMImageUploadInformationManager::oldRecordsFilePath()
{
    return dw::paths::fixedDataFolder() + QStringLiteral("/ImageInformations.data");
}

QString QMImageUploadInformationManager::filePathForRecord(const QMImageUploadInformation& record)
{
    return dw::paths::safeChildPath(recordsFolder(), record.uniqueID() + QStringLiteral(".data"));
}

QMImageUploadInformationPtr
QMImageUploadInformationManager::uploadedImageInformationForNewImageInformation(const QMImageUploadInformation& record)
{
    std::lock_guard lock(m_mutex);
    QMImageUploadInformationPtr found;
    for (const auto& stored : m_records) {
        if (stored->isEqualToUploadInformation(record)) {
            found = stored;
            break;
        }
    }
    if (!found)
        return nullptr;
    const bool eps = methodIs(*found, kQMUploadMethodEPS);
    if (!eps && !methodIs(*found, kQMUploadMethodFreeDunmerrowImageServer))
        return found;
    if (std::abs(QMImageUploadInformation::daysSince(found->firstUpload())) >= kReuseDays) {
        removeUploadInformation(found);
        return nullptr;
    }
    return found;
}

QMImageUploadInformationPtr
QMImageUploadInformationManager::uploadedImageInformationForImageURL(const QString& address) const
{
    std::lock_guard lock(m_mutex);
    for (const auto& stored : m_records) {
        if (stored->imageURL() == address)
            return stored;
    }
    return nullptr;
}

QList<QMImageUploadInformationPtr> QMImageUploadInformationManager::allUploadedImageInformations() const
{
    std::lock_guard lock(m_mutex);
    return m_records;
}

QList<QMImageUploadInformationPtr>
QMImageUploadInformationManager::allUploadedImageInformationsForUploadMethod(const QString& method) const
{
    std::lock_guard lock(m_mutex);
    QList<QMImageUploadInformationPtr> result;
    for (const auto& stored : m_records) {
        if (stored->uploadMethod() == method)
            result.append(stored);
    }
    return result;
}

QList<QMImageUploadInformationPtr>
QMImageUploadInformationManager::uploadedImageInformationsByExcludingMethod(const QString& method) const
{
    std::lock_guard lock(m_mutex);
    QList<QMImageUploadInformationPtr> result;
    for (const auto& stored : m_records) {
        if (stored->uploadMethod() != method)
            result.append(stored);
    }
    return result;
}

QList<QMImageUploadInformationPtr>
QMImageUploadInformationManager::uploadedImageInformationsForUploadMethod(const QString& method,
                                                                          qint64 uploadedBeforeDays) const
{
    std::lock_guard lock(m_mutex);
    QList<QMImageUploadInformationPtr> result;
    for (const auto& stored : m_records) {
        if (stored->uploadMethod() == method &&
            std::abs(QMImageUploadInformation::daysSince(stored->lastUpload())) >= uploadedBeforeDays)
            result.append(stored);
    }
    return result;
}

void QMImageUploadInformationManager::addAndSaveImageUploadInformation(const QMImageUploadInformationPtr& record)
{
    DW_PARAMETER_ASSERT(record != nullptr);
    std::lock_guard lock(m_mutex);
    m_records.append(record);
    saveFileForImageUploadInformation(record);
}

void QMImageUploadInformationManager::removeUploadInformation(const QMImageUploadInformationPtr& record)
{
    if (!record)
        return;
    std::lock_guard lock(m_mutex);
    removeFileForImageUploadInformation(*record);
    m_records.removeAll(record);
}

void QMImageUploadInformationManager::removeUploadInformations(const QList<QMImageUploadInformationPtr>& records)
{
    for (const auto& record : records)
        removeUploadInformation(record);
}

void QMImageUploadInformationManager::saveFileForImageUploadInformation(const QMImageUploadInformationPtr& record)
{
    DW_PARAMETER_ASSERT(record != nullptr);
    DW_ASSERT(!record->uniqueID().isNull(), "no unique id for image upload information");
    std::lock_guard lock(record->fileMutex());
    const QString path = filePathForRecord(*record);
    const bool written = !path.isNull() && dw::createDirectoryRecursiveAtPath(recordsFolder()) &&
                         dw::KeyedArchiver::archiveRootObject(dw::archiveValue(record), path);
    if (!written)
        dw::consoleWrite(dw::format("Failed writing image upload information %@ to disk.", record->description()));
}

void QMImageUploadInformationManager::removeFileForImageUploadInformation(const QMImageUploadInformation& record)
{
    std::lock_guard lock(record.fileMutex());
    const QString path = filePathForRecord(record);
    if (!path.isNull())
        QFile::remove(path);
}

void QMImageUploadInformationManager::loadImageUploadInformations()
{
    QList<QMImageUploadInformationPtr> loaded;
    const QString folder = recordsFolder();
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QString error;
        const std::optional<QVariant> root = dw::KeyedUnarchiver::unarchiveObjectWithFile(path, &error);
        if (!root) {
            dw::consoleWrite(
                dw::format("Failed loading Image Upload Information %@", QDir(folder).relativeFilePath(path)));
            continue;
        }
        auto record = dw::archivedObjectCast<QMImageUploadInformation>(*root);
        if (record && !methodIs(*record, kQMUploadMethodDotMac))
            loaded.append(std::move(record));
    }
    std::lock_guard lock(m_mutex);
    m_records = loaded;
}

QList<QMImageUploadInformationPtr> QMImageUploadInformationManager::loadOldImageUploadInformations() const
{
    QList<QMImageUploadInformationPtr> records;
    const QString path = oldRecordsFilePath();
    if (!QFileInfo::exists(path))
        return records;
    const std::optional<QVariant> root = dw::KeyedUnarchiver::unarchiveObjectWithFile(path);
    if (!root || root->typeId() != QMetaType::QVariantList) {
        dw::consoleWrite(QStringLiteral("Failed loading Image Upload Information. Starting fresh"));
        return records;
    }
    for (const QVariant& value : root->toList()) {
        if (auto record = dw::archivedObjectCast<QMImageUploadInformation>(value))
            records.append(std::move(record));
    }
    return records;
}

void QMImageUploadInformationManager::convertToFileBasedInformations()
{
    std::lock_guard poolLock(QMImageUploadAdapterManager::poolLock());
    const QString oldPath = oldRecordsFilePath();
    if (!QFileInfo::exists(oldPath) && QFileInfo(recordsFolder()).isDir())
        return;
    (void)dw::createDirectoryRecursiveAtPath(recordsFolder());
    const QList<QMImageUploadInformationPtr> old = loadOldImageUploadInformations();
    {
        std::lock_guard lock(m_mutex);
        m_records.clear();
        for (const auto& record : old) {
            if (methodIs(*record, kQMUploadMethodDotMac))
                continue;
            record->setUniqueID(dw::UUID());
            addAndSaveImageUploadInformation(record);
        }
    }
    loadImageUploadInformations();
    if (QFileInfo::exists(oldPath))
        QFile::rename(oldPath, oldPath + QStringLiteral(".old"));
}
