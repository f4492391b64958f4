#pragma once
// Uploads one picture of a listing to eBay's picture service ("UploadSiteHostedPictures").
//
// A picture uploaded before in the same size, whose stored address still answers a HEAD
// request, is not sent again. Otherwise the image transformer's upload copy is sent, up to five
// times while eBay's answer is empty or unreadable; then the upload fails with the network
// message. eBay's own errors are reported as eBay sent them.
//
//     auto operation = std::make_shared<QMAddEPSImageOperation>(connectorFactory);
//     operation->setItemInfo(itemSnapshot);
//     operation->setImageInfo(pictureSnapshot);
//     queue.addOperation(operation);
//
// Runs on a worker thread of the envelope's queue.

#include "Operations/QMGenericAddImageOperation.h"

#include <optional>

class QMAddEPSImageOperation : public QMGenericAddImageOperation
{
public:
    using QMGenericAddImageOperation::QMGenericAddImageOperation;

    QString name() const override;
    QString operationDescription() const override;

    // The picture's address on eBay's picture service, or null.
    QString uploadImage();
    // An empty reply, or one that is no UploadSiteHostedPictures response.
    static bool receivedDataIndicatesTimout(const std::optional<QByteArray>& data);

    // The host name that upload records of this service carry.
    static constexpr const char* kEPSServerName = "api.ebay.com";
    static constexpr int kMaximumSends = 5;

protected:
    void internalMain() override;

private:
    void completeWithNetworkError(const std::optional<QByteArray>& data, const QMLogEntryPtr& entry);
};
