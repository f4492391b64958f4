#include "Operations/QMAddDunmerrowImageOperation.h"

#include "Operations/QMDunmerrowImageAdapter.h"
#include "Operations/QMEbayImageTransformer.h"
#include "Operations/QMHTTPAdapter.h"
#include "Operations/QMImageUploadAdapterManager.h"
#include "Operations/QMImageUploadInformationManager.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/Clock.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"

#include <QFileInfo>

QMAddDunmerrowImageOperation::QMAddDunmerrowImageOperation(const QMEbayConnectorFactory& connectorFactory,
                                                           bool gtcImage)
    : QMGenericAddImageOperation(connectorFactory), m_gtcImage(gtcImage)
{
    setIndeterminate(false);
}

QString QMAddDunmerrowImageOperation::name() const
{
    return dw::localized("Uploading image to Quillmart server");
}

QString QMAddDunmerrowImageOperation::operationDescription() const
{
    return name();
}

std::shared_ptr<QMDunmerrowImageAdapter> QMAddDunmerrowImageOperation::adapter() const
{
    std::lock_guard lock(m_adapterMutex);
    return m_adapter;
}

void QMAddDunmerrowImageOperation::internalMain()
{
    DW_ASSERT(!imageInfo().isEmpty(), "Need imageInfo");
    if (!setupAdapter()) {
        setProgress(1.0f);
        return;
    }
    auto entry = QMLogEntry::imageUploadLogEntryWithImageTitle(imageName());
    addLogEntry(entry);
    QString error;
    try {
        setUploadedImageURL(uploadImageWithError(&error));
    } catch (...) {
        releaseAdapter();
        throw;
    }
    completeImageOperationWithError(error, QLatin1String(kQMErrorSourceDunmerrowFreeImageServer), entry);
    releaseAdapter();
}

bool QMAddDunmerrowImageOperation::setupAdapter()
{
    auto pooled = setupAdapterForImageUploadingSystem(kQMImageUploadingSystemDunmerrowImageServer,
                                                      QLatin1String(kQMErrorSourceDunmerrowFreeImageServer));
    if (!pooled)
        return false;
    auto adapter = std::dynamic_pointer_cast<QMDunmerrowImageAdapter>(pooled);
    DW_ASSERT(adapter != nullptr, "wrong adapter class for adapter");
    adapter->setProgressHandler([this](qint64 sent, qint64 total) { adapterDidChangeProgress(sent, total); });
    adapter->setCancelFlag(cancelFlag());
    std::lock_guard lock(m_adapterMutex);
    m_adapter = adapter;
    return true;
}

void QMAddDunmerrowImageOperation::releaseAdapter()
{
    std::shared_ptr<QMDunmerrowImageAdapter> adapter;
    {
        std::lock_guard lock(m_adapterMutex);
        adapter = std::move(m_adapter);
    }
    if (!adapter)
        return;
    // The adapter outlives this operation in the pool: it must not call back into it.
    adapter->setProgressHandler({});
    adapter->setCancelFlag(nullptr);
    QMImageUploadAdapterManager::sharedInstance().pushAdapter(adapter, kQMImageUploadingSystemDunmerrowImageServer);
}

QString QMAddDunmerrowImageOperation::uploadImageWithError(QString* error)
{
    const auto adapter = this->adapter();
    DW_ASSERT(adapter != nullptr, "no adapter for the upload");
    const QString hostName = QMDunmerrowImageAdapter::serverConfiguration().hostName;
    QMImageUploadInformationPtr record;
    if (shouldUseImageInformations()) {
        record = QMImageUploadInformation::imageUploadInformationWithImageInfo(imageInfo());
        record->setImageSize(defaultUploadImageSizeAsString());
        record->setUploadMethod(QLatin1String(kQMUploadMethodFreeDunmerrowImageServer));
        record->setServerName(hostName);
        record->setRemoteDirectoryPath(m_gtcImage ? hostName + QStringLiteral("/paid") : hostName);
        if (isCancelled())
            return {};
        auto& cache = QMImageUploadInformationManager::sharedInstance();
        if (auto stored = cache.uploadedImageInformationForNewImageInformation(*record)) {
            if (isCancelled())
                return {};
            if (!stored->imageURL().isEmpty() && QMHTTPAdapter::sharedAdapter().urlExist(stored->imageURL())) {
                stored->setLastUpload(dw::now());
                cache.saveFileForImageUploadInformation(stored);
                return stored->imageURL();
            }
            cache.removeUploadInformation(stored);
        }
    }
    if (isCancelled())
        return {};
    const QString path = QMEbayImageTransformer::sharedInstance()->pathToFTPImageFromImageAtPath(
        imageStandardizedImageFilePath(), itemTitle());
    if (isCancelled())
        return {};
    QString address;
    if (!adapter->uploadFile(path, &address, m_gtcImage, error))
        return {};
    if (record) {
        record->setImageURL(address);
        record->setRemoteImageName(QFileInfo(path).fileName());
        QMImageUploadInformationManager::sharedInstance().addAndSaveImageUploadInformation(record);
    }
    return address;
}

void QMAddDunmerrowImageOperation::adapterDidChangeProgress(qint64 progress, qint64 total)
{
    if (total > 0)
        setProgress(float(double(progress) / double(total)));
}
