#include "Operations/QMImageUploadInformationManager.h"

#include "DWKit/NSFileManager+DWExtensions.h"
#include "DWKit/NSString+DWExtensions.h"
#include "Operations/QMImageUploadAdapterManager.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <condition_variable>
#include <map>
#include <thread>

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

// The manager's file writer: a queue of file paths, each with the record to write there or none
// (remove the file), worked off by a thread that runs while there is work.
struct QMImageUploadInformationManager::Writer
{
    std::mutex mutex;
    std::condition_variable idle;
    std::map<QString, QMImageUploadInformationPtr> pending;
    bool running = false;
    std::thread thread;

    ~Writer()
    {
        waitUntilIdle();
        if (thread.joinable())
            thread.join();
    }

    void enqueue(const QString& path, const QMImageUploadInformationPtr& record)
    {
        std::lock_guard lock(mutex);
        pending[path] = record;
        if (running)
            return;
        // The thread of the last batch has given up the lock for good and is ending.
        if (thread.joinable())
            thread.join();
        running = true;
        thread = std::thread([this] { run(); });
    }

    void waitUntilIdle()
    {
        std::unique_lock lock(mutex);
        idle.wait(lock, [this] { return !running; });
    }

    void run()
    {
        for (;;) {
            std::map<QString, QMImageUploadInformationPtr> batch;
            {
                std::lock_guard lock(mutex);
                if (pending.empty()) {
                    running = false;
                    idle.notify_all();
                    return;
                }
                batch.swap(pending);
            }
            for (const auto& [path, record] : batch) {
                if (record)
                    write(path, record);
                else
                    QFile::remove(path);
            }
        }
    }

    static void write(const QString& path, const QMImageUploadInformationPtr& record)
    {
        QByteArray bytes;
        {
            std::lock_guard lock(record->fileMutex());
            bytes = dw::KeyedArchiver::archivedDataWithRootObject(dw::archiveValue(record));
        }
        const bool written =
            dw::createDirectoryRecursiveAtPath(QFileInfo(path).path()) && dw::writeFileAtomically(path, bytes);
        if (!written)
            dw::consoleWrite(dw::format("Failed writing image upload information %@ to disk.", record->description()));
    }
};

QMImageUploadInformationManager::QMImageUploadInformationManager() : m_writer(std::make_unique<Writer>())
{
    QMImageUploadInformation::registerArchiveClass();
    loadImageUploadInformations();
    if (m_records.isEmpty())
        convertToFileBasedInformations();
}

QMImageUploadInformationManager::~QMImageUploadInformationManager() = default;

void QMImageUploadInformationManager::waitUntilRecordsAreSaved()
{
    m_writer->waitUntilIdle();
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
    const QString path = filePathForRecord(*record);
    if (path.isNull()) {
        dw::consoleWrite(dw::format("Failed writing image upload information %@ to disk.", record->description()));
        return;
    }
    m_writer->enqueue(path, record);
}

void QMImageUploadInformationManager::removeFileForImageUploadInformation(const QMImageUploadInformation& record)
{
    const QString path = filePathForRecord(record);
    if (!path.isNull())
        m_writer->enqueue(path, nullptr);
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
    waitUntilRecordsAreSaved();
    loadImageUploadInformations();
    if (QFileInfo::exists(oldPath))
        QFile::rename(oldPath, oldPath + QStringLiteral(".old"));
}
