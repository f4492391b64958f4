#include "Operations/QMAddEPSImageOperation.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBaySiteHostedPictureDetailsType.h"
#include "DWEBay2/types/EBayUploadSiteHostedPicturesRequestType.h"
#include "DWEBay2/types/EBayUploadSiteHostedPicturesResponseType.h"
#include "Operations/DWEbayConnector+ImageUpload.h"
#include "Operations/QMEbayImageTransformer.h"
#include "Operations/QMHTTPAdapter.h"
#include "Operations/QMImageUploadInformationManager.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

QString QMAddEPSImageOperation::name() const
{
    return dw::localized("Upload eBay Picture");
}

QString QMAddEPSImageOperation::operationDescription() const
{
    return dw::localized("Uploading picture to eBay");
}

void QMAddEPSImageOperation::internalMain()
{
    DW_ASSERT(!imageInfo().isEmpty(), "Need imageInfo");
    setUploadedImageURL(uploadImage());
    setProgress(1.0f);
}

bool QMAddEPSImageOperation::receivedDataIndicatesTimout(const std::optional<QByteArray>& data)
{
    if (!data || data->isEmpty())
        return true;
    return EBayUploadSiteHostedPicturesResponseType::requestWithXMLData(*data) == nullptr;
}

QString QMAddEPSImageOperation::uploadImage()
{
    const QVariantMap item = itemInfo();
    const qint64 photoDisplayType = item.value(QStringLiteral("photoDisplayType")).toLongLong();
    const qint64 watermarkType = item.value(QStringLiteral("photoWatermarkType")).toLongLong();
    const bool supersize = photoDisplayType == 2 || photoDisplayType == 3;
    auto entry = QMLogEntry::imageUploadLogEntryWithImageTitle(imageName());
    const auto finishCancelled = [&] {
        completeImageOperationWithError(QString(), QLatin1String(kQMErrorSourceEPS), entry);
        return QString();
    };

    QMImageUploadInformationPtr record;
    if (shouldUseImageInformations()) {
        record = QMImageUploadInformation::imageUploadInformationWithImageInfo(imageInfo());
        addLogEntry(entry);
        record->setImageSize(supersize ? QStringLiteral("SuperSize_1000") : QStringLiteral("Normal_1000"));
        record->setUploadMethod(QLatin1String(kQMUploadMethodEPS));
        record->setServerName(QLatin1String(kEPSServerName));
        record->setRemoteDirectoryPath(QStringLiteral("kQMEPSRemoteDirectoryPath"));
        if (isCancelled())
            return finishCancelled();
        auto& cache = QMImageUploadInformationManager::sharedInstance();
        if (auto stored = cache.uploadedImageInformationForNewImageInformation(*record)) {
            if (isCancelled())
                return finishCancelled();
            if (!stored->imageURL().isEmpty() && QMHTTPAdapter::sharedAdapter().urlExist(stored->imageURL())) {
                cache.saveFileForImageUploadInformation(stored);
                setUploadedImageURL(stored->imageURL());
                completeImageOperationWithError(QString(), QLatin1String(kQMErrorSourceEPS), entry);
                return stored->imageURL();
            }
            cache.removeUploadInformation(stored);
        }
    }

    auto request = EBayUploadSiteHostedPicturesRequestType::uploadSiteHostedPicturesRequestType();
    request->setPictureSystemVersion(2);
    request->setPictureSet(supersize ? QStringLiteral("Supersize") : QStringLiteral("Standard"));
    if (watermarkType == 1 || watermarkType == 3)
        request->addPictureWatermark(QStringLiteral("User"));
    if (watermarkType == 2 || watermarkType == 3)
        request->addPictureWatermark(QStringLiteral("Icon"));
    const QString path = QMEbayImageTransformer::sharedInstance()->pathToEPSImageFromImageAtPath(
        imageStandardizedImageFilePath(), itemTitle());
    if (isCancelled())
        return finishCancelled();
    if (path.isNull()) {
        completeWithNetworkError(std::nullopt, entry);
        return {};
    }

    std::optional<QByteArray> reply;
    for (int send = 0; send < kMaximumSends && !isCancelled(); ++send) {
        reply = dw::sendImageUploadRequest(*connector(), request, path, cancelFlag());
        if (!receivedDataIndicatesTimout(reply))
            break;
        dw::consoleWrite(dw::format("QMAddEPSImageOperation received timeout for image at path %@", path));
    }
    if (isCancelled())
        return finishCancelled();
    if (!reply || reply->isEmpty()) {
        completeWithNetworkError(reply, entry);
        return {};
    }
    const auto response = EBayUploadSiteHostedPicturesResponseType::requestWithXMLData(*reply);
    if (!response) {
        completeWithNetworkError(reply, entry);
        return {};
    }
    if (response->ack() == QLatin1String("Success") || response->ack() == QLatin1String("Warning")) {
        const auto details = response->siteHostedPictureDetails();
        const QString address = details ? details->fullURL() : QString();
        if (address.isEmpty()) {
            completeWithNetworkError(reply, entry);
            return {};
        }
        if (record) {
            record->setImageURL(address);
            QMImageUploadInformationManager::sharedInstance().addAndSaveImageUploadInformation(record);
        }
        setUploadedImageURL(address);
        completeImageOperationWithError(QString(), QLatin1String(kQMErrorSourceEPS), entry);
        return address;
    }
    completeOperationWithFailedResponse(response, entry);
    return {};
}

void QMAddEPSImageOperation::completeWithNetworkError(const std::optional<QByteArray>& data, const QMLogEntryPtr& entry)
{
    completeImageOperationWithError(
        dw::localized("A network error occurred while trying to connect to eBay’s image server."),
        QLatin1String(kQMErrorSourceEPS), entry);
    if (data && !data->isEmpty())
        dw::consoleWrite(QString::fromUtf8(*data));
}
