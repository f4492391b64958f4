#include "shell/QMBDocumentController.h"

QMBDocumentController::QMBDocumentController() = default;

QMBDocumentController& QMBDocumentController::sharedDocumentController()
{
    static auto* controller = new QMBDocumentController;
    return *controller;
}

QList<QMBDocument*> QMBDocumentController::documents() const
{
    return {};
}

QMBDocument* QMBDocumentController::currentDocument() const
{
    return nullptr;
}

QList<std::shared_ptr<QMEbayItem>> QMBDocumentController::openListings() const
{
    return {};
}

QMBDocument* QMBDocumentController::openUntitledDocumentAndDisplay(bool)
{
    return nullptr;
}

QMBDocument* QMBDocumentController::openDocumentWithContentsOfFile(const QString&, bool, QString*)
{
    return nullptr;
}
