#pragma once
// The application's documents: new, open, save, revert, close and quit with the question about
// unsaved changes, the recent documents. The one instance of the process, made on first use.
// Main thread.

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

class QMBDocument;
class QMEbayItem;

class QMBDocumentController : public QObject
{
    Q_OBJECT

public:
    static QMBDocumentController& sharedDocumentController();

    // The open documents, front-most first.
    QList<QMBDocument*> documents() const;
    QMBDocument* currentDocument() const;
    // The listings of the open documents, for the operation manager.
    QList<std::shared_ptr<QMEbayItem>> openListings() const;

    // A new untitled document from the preference defaults; its window is shown when asked.
    QMBDocument* openUntitledDocumentAndDisplay(bool display);
    // Opens the file (or brings its window forward); null with a reason when it cannot be read.
    QMBDocument* openDocumentWithContentsOfFile(const QString& path, bool display, QString* error = nullptr);

private:
    QMBDocumentController();
};
