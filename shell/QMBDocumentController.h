#pragma once
// The application's documents: new, open, save, save as, revert, close and quit with the question
// about unsaved changes, the recent documents. The one instance of the process, made on first use.
// Main thread.
//
//     auto& documents = QMBDocumentController::sharedDocumentController();
//     documents.openUntitledDocumentAndDisplay(true);
//     QString error;
//     if (!documents.openDocumentWithContentsOfFile(path, true, &error)) ... // refused: `error` says why

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

class QMBDocument;
class QMEbayItem;
class QMenuBar;

class QMBDocumentController : public QObject
{
    Q_OBJECT

public:
    static QMBDocumentController& sharedDocumentController();

    // The open documents, front-most first.
    QList<QMBDocument*> documents() const;
    QMBDocument* currentDocument() const;
    // The front document also while a panel (the media browser, the preferences) is the active
    // window: the document whose window was active last, else the one opened last; null when no
    // document is open.
    QMBDocument* mainDocument() const;
    // The listings of the open documents, for the operation manager.
    QList<std::shared_ptr<QMEbayItem>> openListings() const;
    // The open document of that file (paths compared in canonical form), or null.
    QMBDocument* documentForFileName(const QString& path) const;

    // A new untitled document from the preference defaults, unchanged until the seller changes it;
    // its window is shown when asked, below and to the right of a document window where it would
    // stand on top of one.
    QMBDocument* openUntitledDocumentAndDisplay(bool display);
    // Opens the file (or brings its window forward); null when it was refused (`error` says why)
    // or the user cancelled one of the questions (`error` left null).
    QMBDocument* openDocumentWithContentsOfFile(const QString& path, bool display, QString* error = nullptr);
    // The same for a file already read (on a worker, QMBDocument::readFromFile's rules).
    QMBDocument* openDocumentWithContents(const QString& path, const QByteArray& contents, bool display,
                                          QString* error = nullptr);

    // Commands. Errors are shown to the user as alerts on the document's window.
    void newDocument();
    // Asks for files and opens each.
    void openDocument(QWidget* window);
    // True when the document is saved (after asking for a file when it has none).
    bool saveDocument(QMBDocument* document);
    bool saveDocumentAs(QMBDocument* document);
    // Reads the document's file again after asking; the document keeps its listing when the file
    // cannot be read.
    void revertDocumentToSaved(QMBDocument* document);
    // Closes the window after the question about unsaved changes; false when the user kept it.
    bool closeDocument(QMBDocument* document);
    // The question about unsaved changes (Save, Cancel, Don't Save); true when the document may
    // close. Called when its window is asked to close.
    bool shouldCloseDocument(QMBDocument* document);
    // Asks about every edited document in turn; true when the application may quit (every
    // document was saved or its changes dropped). Documents are closed as they are reviewed.
    bool reviewUnsavedDocumentsAndQuit();

    // Recent documents (the user default "QMRecentDocuments"), newest first, at most ten.
    QStringList recentDocumentFileNames() const;
    void noteNewRecentDocumentFileName(const QString& path);
    void clearRecentDocuments();

    // The file type of listing documents.
    static QString documentExtension();
    static QString documentNameFilter();

    // Numbers untitled documents ("Untitled", "Untitled 2", ...).
    int nextUntitledNumber();

Q_SIGNALS:
    void recentDocumentsChanged();

private:
    QMBDocumentController();
    // The file's contents when given, else the file read now.
    QMBDocument* openFileOrContents(const QString& path, const QByteArray* contents, bool display, QString* error);
    void addDocument(QMBDocument* document);
    void removeDocument(QMBDocument* document);
    void removeUnreferencedPictureCopies() const;
    void showDocument(QMBDocument* document);
    void cascade(QMBDocument* document) const;
    void showError(QMBDocument* document, const QString& title, const QString& message);

    QList<QPointer<QMBDocument>> m_documents;
    QPointer<QMBDocument> m_lastActiveDocument;
    int m_untitledCount = 0;
};
