#include "shell/QMBDocumentController.h"

#include "DWKit/QMAlertPanels.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayImageTransformerHooks.h"
#include "model/QMEbayItem.h"
#include "platform/core/Localization.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBDocument.h"
#include "shell/QMBFileChooser.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace {
const QString kRecentDocumentsKey = QStringLiteral("QMRecentDocuments");
constexpr int kMaximumRecentDocuments = 10;

QString canonicalPath(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}
} // namespace

QMBDocumentController::QMBDocumentController()
{
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::focusWindowChanged, this, [this] {
            if (auto* document = qobject_cast<QMBDocument*>(QApplication::activeWindow()))
                m_lastActiveDocument = document;
        });
    }
}

QMBDocumentController& QMBDocumentController::sharedDocumentController()
{
    static auto* controller = new QMBDocumentController;
    return *controller;
}

QList<QMBDocument*> QMBDocumentController::documents() const
{
    QList<QMBDocument*> result;
    for (const auto& document : m_documents) {
        if (document)
            result.append(document);
    }
    // Front-most first: the active window leads, the others keep the order they were opened in.
    if (auto* active = qobject_cast<QMBDocument*>(QApplication::activeWindow()); active && result.contains(active)) {
        result.removeOne(active);
        result.prepend(active);
    }
    return result;
}

QMBDocument* QMBDocumentController::currentDocument() const
{
    return qobject_cast<QMBDocument*>(QApplication::activeWindow());
}

QMBDocument* QMBDocumentController::mainDocument() const
{
    if (QMBDocument* active = currentDocument())
        return active;
    const QList<QMBDocument*> open = documents();
    if (m_lastActiveDocument && open.contains(m_lastActiveDocument.data()))
        return m_lastActiveDocument;
    return open.isEmpty() ? nullptr : open.last();
}

QList<std::shared_ptr<QMEbayItem>> QMBDocumentController::openListings() const
{
    QList<std::shared_ptr<QMEbayItem>> listings;
    for (auto* document : documents())
        listings.append(document->item());
    return listings;
}

QMBDocument* QMBDocumentController::documentForFileName(const QString& path) const
{
    const QString wanted = canonicalPath(path);
    for (auto* document : documents()) {
        if (!document->fileName().isEmpty() && canonicalPath(document->fileName()) == wanted)
            return document;
    }
    return nullptr;
}

int QMBDocumentController::nextUntitledNumber()
{
    return ++m_untitledCount;
}

void QMBDocumentController::addDocument(QMBDocument* document)
{
    m_documents.append(document);
    // Queued: while `destroyed` is emitted the document is half torn down and its guard not yet cleared, so
    // looking at the list then would treat a bare QWidget as a document.
    connect(
        document, &QObject::destroyed, this,
        [this] {
            m_documents.removeAll(nullptr);
            removeUnreferencedPictureCopies();
        },
        Qt::QueuedConnection);
}

void QMBDocumentController::removeUnreferencedPictureCopies() const
{
    // The pictures of a closed document live on in its file; their copies taken out of it go
    // unless another open document shows the same bytes.
    QSet<QString> referenced;
    for (const QMBDocument* document : documents()) {
        for (const auto& picture : document->item()->images()) {
            if (!picture->isFileBased())
                continue;
            referenced.insert(picture->imageFilePath());
            referenced.insert(picture->thumbFilePath());
        }
    }
    QMEbayImageTransformerHooks::installed()->removeUnreferencedPictureCopies(referenced);
}

void QMBDocumentController::removeDocument(QMBDocument* document)
{
    m_documents.removeAll(document);
    document->hide();
    document->deleteLater();
}

void QMBDocumentController::showDocument(QMBDocument* document)
{
    document->windowControllerDidLoadNib();
    if (!document->isVisible())
        cascade(document);
    document->show();
    document->raise();
    document->activateWindow();
}

void QMBDocumentController::cascade(QMBDocument* document) const
{
    // A window about to show where another document's window stands moves down and to the right,
    // back to the screen's top left corner when it would leave the screen.
    constexpr int kCascadeOffset = 24;
    QList<QPoint> taken;
    for (const QMBDocument* other : documents()) {
        if (other != document && other->isVisible())
            taken.append(other->pos());
    }
    const QScreen* screen = document->screen() ? document->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    QPoint position = document->pos();
    if (!taken.contains(position))
        return;
    for (qsizetype tries = 0; taken.contains(position) && tries <= taken.size(); ++tries) {
        position += QPoint(kCascadeOffset, kCascadeOffset);
        if (available.isValid() && !available.contains(QRect(position, document->frameGeometry().size())))
            position = available.topLeft() + QPoint(kCascadeOffset * int(tries % 8), kCascadeOffset * int(tries % 8));
    }
    document->move(position);
}

QMBDocument* QMBDocumentController::openUntitledDocumentAndDisplay(bool display)
{
    auto* document = new QMBDocument;
    document->setUntitledNumber(nextUntitledNumber());
    addDocument(document);
    if (display)
        showDocument(document);
    else
        document->windowControllerDidLoadNib();
    // A new document that the seller has not touched yet holds nothing worth asking about.
    document->setItemWasChanged(false);
    return document;
}

QMBDocument* QMBDocumentController::openDocumentWithContentsOfFile(const QString& path, bool display, QString* error)
{
    return openFileOrContents(path, nullptr, display, error);
}

QMBDocument* QMBDocumentController::openDocumentWithContents(const QString& path, const QByteArray& contents,
                                                             bool display, QString* error)
{
    return openFileOrContents(path, &contents, display, error);
}

QMBDocument* QMBDocumentController::openFileOrContents(const QString& path, const QByteArray* contents, bool display,
                                                       QString* error)
{
    if (auto* open = documentForFileName(path)) {
        if (display)
            showDocument(open);
        return open;
    }
    auto* document = new QMBDocument;
    if (!(contents ? document->readFromData(*contents, error) : document->readFromFile(path, error))) {
        delete document;
        return nullptr;
    }
    document->setFileName(canonicalPath(path));
    addDocument(document);
    noteNewRecentDocumentFileName(document->fileName());
    if (display)
        showDocument(document);
    else
        document->windowControllerDidLoadNib();
    // Filling the window recomputes values that the listing caches; the document is still the
    // file as it was read.
    document->setItemWasChanged(document->changedWhileReading());
    return document;
}

void QMBDocumentController::showError(QMBDocument* document, const QString& title, const QString& message)
{
    dw::AlertRequest alert;
    alert.style = dw::AlertRequest::Style::Critical;
    alert.messageText = title;
    alert.informativeText = message;
    alert.parentWindow = document;
    dw::runAlertPanel(alert, dw::localized("OK"), QString(), QString());
}

void QMBDocumentController::newDocument()
{
    openUntitledDocumentAndDisplay(true);
}

void QMBDocumentController::openDocument(QWidget* window)
{
    const QStringList paths =
        QMBFileChooser::chooseFilesToOpen(window, dw::localized("Open"), documentNameFilter(), true);
    for (const QString& path : paths) {
        QString error;
        if (!openDocumentWithContentsOfFile(path, true, &error) && !error.isEmpty())
            showError(qobject_cast<QMBDocument*>(window),
                      dw::localized("The document “%1” could not be opened.").arg(QFileInfo(path).fileName()), error);
    }
}

bool QMBDocumentController::saveDocument(QMBDocument* document)
{
    if (document->fileName().isEmpty())
        return saveDocumentAs(document);
    QString error;
    if (!document->writeToFile(document->fileName(), &error)) {
        showError(
            document,
            dw::localized("The document “%1” could not be saved.").arg(QFileInfo(document->fileName()).fileName()),
            error);
        return false;
    }
    return true;
}

bool QMBDocumentController::saveDocumentAs(QMBDocument* document)
{
    const QString suggested =
        document->fileName().isEmpty()
            ? QDir::home().filePath(document->displayName() + QLatin1Char('.') + documentExtension())
            : document->fileName();
    QString path =
        QMBFileChooser::chooseFileToSave(document, dw::localized("Save As"), suggested, documentNameFilter());
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + documentExtension();
    QString error;
    if (!document->writeToFile(path, &error)) {
        showError(document, dw::localized("The document “%1” could not be saved.").arg(QFileInfo(path).fileName()),
                  error);
        return false;
    }
    document->setFileName(canonicalPath(path));
    noteNewRecentDocumentFileName(document->fileName());
    return true;
}

void QMBDocumentController::revertDocumentToSaved(QMBDocument* document)
{
    if (document->fileName().isEmpty())
        return;
    dw::AlertRequest alert;
    alert.messageText = dw::localized("Do you want to revert to the most recently saved version of the document “%1”?")
                            .arg(document->displayName());
    alert.informativeText = dw::localized("Your current changes will be lost.");
    alert.parentWindow = document;
    if (dw::runAlertPanel(alert, dw::localized("Revert"), dw::localized("Cancel"), QString()) != 1)
        return;
    QString error;
    if (!document->readFromFile(document->fileName(), &error)) {
        if (!error.isEmpty())
            showError(document, dw::localized("The document “%1” could not be reverted.").arg(document->displayName()),
                      error);
        return;
    }
    document->setItemWasChanged(document->changedWhileReading());
}

bool QMBDocumentController::shouldCloseDocument(QMBDocument* document)
{
    if (!document->isDocumentEdited())
        return true;
    dw::AlertRequest alert;
    alert.messageText =
        dw::localized("Do you want to save the changes you made in the document “%1”?").arg(document->displayName());
    alert.informativeText = dw::localized("Your changes will be lost if you don’t save them.");
    alert.parentWindow = document;
    dw::AlertResponse response;
    const int answer = dw::runAlertPanel(alert, dw::localized("Save"), dw::localized("Cancel"),
                                         dw::localized("Don’t Save"), &response);
    if (answer == 1)
        return saveDocument(document);
    return answer == -1;
}

bool QMBDocumentController::closeDocument(QMBDocument* document)
{
    if (!shouldCloseDocument(document))
        return false;
    removeDocument(document);
    return true;
}

bool QMBDocumentController::reviewUnsavedDocumentsAndQuit()
{
    for (auto* document : documents()) {
        if (!document->isDocumentEdited())
            continue;
        showDocument(document);
        if (!closeDocument(document))
            return false;
    }
    return true;
}

QStringList QMBDocumentController::recentDocumentFileNames() const
{
    QStringList paths;
    for (const QVariant& value : dw::UserDefaults::standard().objectForKey(kRecentDocumentsKey).toList()) {
        if (const QString path = value.toString(); !path.isEmpty() && !paths.contains(path))
            paths.append(path);
    }
    return paths;
}

void QMBDocumentController::noteNewRecentDocumentFileName(const QString& path)
{
    QStringList paths = recentDocumentFileNames();
    paths.removeAll(path);
    paths.prepend(path);
    while (paths.size() > kMaximumRecentDocuments)
        paths.removeLast();
    // A list of recent documents may lose its last change in a crash: opening a document does not
    // wait for the disk (which may be busy writing the document's pictures).
    dw::UserDefaults::standard().changeObjectWrittenSoon(kRecentDocumentsKey,
                                                         [&paths](const QVariant&) { return QVariant(paths); });
    Q_EMIT recentDocumentsChanged();
}

void QMBDocumentController::clearRecentDocuments()
{
    dw::UserDefaults::standard().removeObjectForKey(kRecentDocumentsKey);
    Q_EMIT recentDocumentsChanged();
}

QString QMBDocumentController::documentExtension()
{
    return QStringLiteral("qvlisting");
}

QString QMBDocumentController::documentNameFilter()
{
    return dw::localized("Quillmart Vodar listings (*.%1)").arg(documentExtension());
}
