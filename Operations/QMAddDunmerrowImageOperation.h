#pragma once
// Uploads one picture of a listing to the maker's picture server, through an adapter borrowed
// from the pool for the run and given back afterwards (also after a failure).
//
// A picture uploaded before in the same size, whose stored address still answers a HEAD
// request, is not sent again (its record's last-upload date moves to now). Pictures of listings
// that run until cancelled go below "paid/".
//
//     auto operation = std::make_shared<QMAddDunmerrowImageOperation>(connectorFactory, false);
//     operation->setItemInfo(itemSnapshot);
//     operation->setImageInfo(pictureSnapshot);
//     queue.addOperation(operation);

#include "Operations/QMGenericAddImageOperation.h"

class QMDunmerrowImageAdapter;

class QMAddDunmerrowImageOperation : public QMGenericAddImageOperation
{
public:
    // Progress is determinate: it follows the bytes sent.
    explicit QMAddDunmerrowImageOperation(const QMEbayConnectorFactory& connectorFactory, bool gtcImage = false);

    QString name() const override;
    QString operationDescription() const override;

    bool gtcImage() const { return m_gtcImage; }
    std::shared_ptr<QMDunmerrowImageAdapter> adapter() const;

    bool setupAdapter();
    void releaseAdapter();
    // The public address, or null with the error text set (null too when cancelled).
    QString uploadImageWithError(QString* error);
    void adapterDidChangeProgress(qint64 progress, qint64 total);

protected:
    void internalMain() override;

private:
    bool m_gtcImage;
    mutable std::mutex m_adapterMutex;
    std::shared_ptr<QMDunmerrowImageAdapter> m_adapter;
};
