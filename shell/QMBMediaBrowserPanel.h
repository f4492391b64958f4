#pragma once
// The media browser: a floating panel in which the seller browses the pictures of the Pictures
// folder and its subfolders and adds them to the front listing, by double-click or through the
// context menu.
//
// The folders are listed on the left, the pictures of the chosen folder as thumbnails on the
// right. Thumbnails are made on a worker thread and handed back to the panel; those of a folder
// the seller has already left are dropped. Main thread.
//
//     auto* browser = new QMBMediaBrowserPanel;
//     browser->setAddImagesHandler([](const QStringList& fileURLs) { document->addImages(fileURLs); });
//     browser->show();

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

class QListWidget;
class QListWidgetItem;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

class QMBMediaBrowserPanel : public QWidget
{
    Q_OBJECT

public:
    // Receives the absolute file addresses ("file:///...") of the pictures to add, in order.
    using AddImagesHandler = std::function<void(const QStringList& fileURLs)>;

    explicit QMBMediaBrowserPanel(QWidget* parent = nullptr);
    ~QMBMediaBrowserPanel() override;

    // The seller's Pictures folder (the desktop's own, else ~/Pictures).
    static QString picturesFolder();

    void setAddImagesHandler(AddImagesHandler handler) { m_addImages = std::move(handler); }
    // Shows this folder and its subfolders instead of the Pictures folder.
    void setRootFolder(const QString& path);
    QString rootFolder() const { return m_rootFolder; }
    // Lists the pictures of one folder (the root or one below it).
    void showFolder(const QString& path);
    QString currentFolder() const { return m_currentFolder; }

    // The picture files shown, in display order, and the selected ones in selection order.
    QStringList picturePaths() const;
    QStringList selectedPaths() const;
    void selectPaths(const QStringList& paths);
    // Thumbnails made so far for the folder shown.
    int thumbnailCount() const { return m_thumbnailCount; }

    // The context menu for the current selection: one add item, titled for one or several
    // pictures, and nothing with an empty selection.
    QMenu* contextMenuForSelection(QWidget* parent);
    // Hands the selected pictures (or the given paths) to the add handler; without a handler or
    // without pictures nothing happens.
    void addSelectedImageFromBrowser();
    void addAndBackupImagesWithPaths(const QStringList& paths);

    // Shown when hidden and brought to the front, hidden when shown.
    void toggle();

Q_SIGNALS:
    void thumbnailReady(const QString& path);

private:
    void fillFolders();
    void addSubfolders(QTreeWidgetItem* parent, const QString& path, int depth);
    void makeThumbnails(const QStringList& paths);
    void contextMenuRequested(const QPoint& position);

    AddImagesHandler m_addImages;
    QString m_rootFolder;
    QString m_currentFolder;
    QTreeWidget* m_folders = nullptr;
    QListWidget* m_pictures = nullptr;
    QStringList m_selectionOrder;
    int m_thumbnailCount = 0;
    // Counts folder changes, so that thumbnails of a folder already left are dropped.
    quint64 m_generation = 0;
};
