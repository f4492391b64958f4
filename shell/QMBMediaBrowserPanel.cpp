#include "shell/QMBMediaBrowserPanel.h"

#include "platform/core/BackgroundWork.h"
#include "platform/core/Localization.h"
#include "platform/core/MainThread.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QSplitter>
#include <QStandardPaths>
#include <QStyle>
#include <QThreadPool>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kThumbnailSize = 112;
// Folders below the Pictures folder are listed this deep; deeper ones are reached by choosing
// their parent's pictures only, which keeps a huge tree from freezing the panel.
constexpr int kMaxFolderDepth = 4;
constexpr int kPathRole = Qt::UserRole + 1;

QStringList pictureNameFilters()
{
    QStringList filters;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        filters << QStringLiteral("*.") + QString::fromLatin1(format);
    return filters;
}

// One picture read at thumbnail size on a worker thread, with as many pixels per point as the
// screen shows (sharp at 200 %); a file that cannot be read gives a null image and keeps its
// placeholder.
QImage readThumbnail(const QString& path, qreal pixelRatio)
{
    const int side = qMax(kThumbnailSize, qRound(kThumbnailSize * pixelRatio));
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > side || size.height() > side))
        reader.setScaledSize(size.scaled(side, side, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull())
        return image;
    if (image.width() > side || image.height() > side)
        image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // Every thumbnail is a square of one size, the picture centred in it: the grid then keeps its
    // layout when a thumbnail replaces the placeholder.
    QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage((side - image.width()) / 2, (side - image.height()) / 2, image);
    painter.end();
    square.setDevicePixelRatio(side / qreal(kThumbnailSize));
    return square;
}

QThreadPool& thumbnailPool()
{
    static QThreadPool* pool = dw::newBackgroundPool(2);
    return *pool;
}

} // namespace

QMBMediaBrowserPanel::QMBMediaBrowserPanel(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("mediaBrowser"));
    setWindowTitle(dw::localized("Media"));

    m_folders = new QTreeWidget;
    m_folders->setObjectName(QStringLiteral("mediaBrowserFolders"));
    m_folders->setHeaderHidden(true);
    m_folders->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(m_folders, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            showFolder(item->data(0, kPathRole).toString());
    });

    m_pictures = new QListWidget;
    m_pictures->setObjectName(QStringLiteral("mediaBrowserPictures"));
    m_pictures->setViewMode(QListView::IconMode);
    m_pictures->setIconSize(QSize(kThumbnailSize, kThumbnailSize));
    m_pictures->setGridSize(QSize(kThumbnailSize + 24, kThumbnailSize + 36));
    m_pictures->setResizeMode(QListView::Adjust);
    m_pictures->setMovement(QListView::Static);
    m_pictures->setWordWrap(true);
    m_pictures->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pictures->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pictures, &QListWidget::itemSelectionChanged, this, [this] {
        QStringList selected;
        for (const QListWidgetItem* item : m_pictures->selectedItems())
            selected << item->data(kPathRole).toString();
        m_selectionOrder.erase(std::remove_if(m_selectionOrder.begin(), m_selectionOrder.end(),
                                              [&](const QString& path) { return !selected.contains(path); }),
                               m_selectionOrder.end());
        for (const QString& path : selected) {
            if (!m_selectionOrder.contains(path))
                m_selectionOrder << path;
        }
    });
    connect(m_pictures, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        // The double-clicked picture belongs to the selection; add the selection as it stands.
        const QString path = item->data(kPathRole).toString();
        QStringList paths = selectedPaths();
        if (!paths.contains(path))
            paths = {path};
        addAndBackupImagesWithPaths(paths);
    });
    connect(m_pictures, &QWidget::customContextMenuRequested, this, &QMBMediaBrowserPanel::contextMenuRequested);

    auto* splitter = new QSplitter;
    splitter->addWidget(m_folders);
    splitter->addWidget(m_pictures);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 3);
    splitter->setSizes({180, 540});
    auto* hint = new QLabel(dw::localized("Double-click pictures to add them to the front listing."));
    hint->setObjectName(QStringLiteral("mediaBrowserHint"));
    hint->setForegroundRole(QPalette::PlaceholderText);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(splitter, 1);
    layout->addWidget(hint);
    resize(720, 460);

    setRootFolder(picturesFolder());
}

QMBMediaBrowserPanel::~QMBMediaBrowserPanel() = default;

QString QMBMediaBrowserPanel::picturesFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty())
        return pictures;
    return QDir::homePath() + QStringLiteral("/Pictures");
}

void QMBMediaBrowserPanel::setRootFolder(const QString& path)
{
    m_rootFolder = QDir(path).absolutePath();
    fillFolders();
}

void QMBMediaBrowserPanel::fillFolders()
{
    m_folders->clear();
    auto* root = new QTreeWidgetItem(m_folders, {QFileInfo(m_rootFolder).fileName()});
    root->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    root->setData(0, kPathRole, m_rootFolder);
    root->setToolTip(0, m_rootFolder);
    addSubfolders(root, m_rootFolder, 1);
    root->setExpanded(true);
    m_folders->setCurrentItem(root);
    showFolder(m_rootFolder);
}

void QMBMediaBrowserPanel::addSubfolders(QTreeWidgetItem* parent, const QString& path, int depth)
{
    if (depth > kMaxFolderDepth)
        return;
    // Links are not followed: a link back up the tree would list the tree for ever.
    const QFileInfoList folders =
        QDir(path).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& folder : folders) {
        auto* item = new QTreeWidgetItem(parent, {folder.fileName()});
        item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
        item->setData(0, kPathRole, folder.absoluteFilePath());
        addSubfolders(item, folder.absoluteFilePath(), depth + 1);
    }
}

void QMBMediaBrowserPanel::showFolder(const QString& path)
{
    if (path == m_currentFolder && m_pictures->count() > 0)
        return;
    ++m_generation;
    m_currentFolder = path;
    m_thumbnailCount = 0;
    m_selectionOrder.clear();
    m_pictures->clear();

    QStringList names = QDir(path).entryList(pictureNameFilters(), QDir::Files | QDir::Readable);
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), collator);
    QStringList paths;
    QPixmap placeholder(kThumbnailSize, kThumbnailSize);
    placeholder.fill(palette().color(QPalette::Midlight));
    for (const QString& name : names) {
        const QString file = QDir(path).absoluteFilePath(name);
        auto* item = new QListWidgetItem(QIcon(placeholder), name, m_pictures);
        item->setData(kPathRole, file);
        item->setToolTip(file);
        paths << file;
    }
    makeThumbnails(paths);
}

void QMBMediaBrowserPanel::makeThumbnails(const QStringList& paths)
{
    const quint64 generation = m_generation;
    const QPointer<QMBMediaBrowserPanel> panel(this);
    const QPointer<const QObject> context(this);
    const qreal pixelRatio = devicePixelRatioF();
    for (int row = 0; row < paths.size(); ++row) {
        thumbnailPool().start([panel, context, generation, row, pixelRatio, path = paths.at(row)] {
            QImage thumbnail = readThumbnail(path, pixelRatio);
            dw::postToMain(context, [panel, generation, row, path, thumbnail = std::move(thumbnail)] {
                // The list is the one the thumbnail was asked for as long as the folder is.
                if (!panel || panel->m_generation != generation)
                    return;
                QListWidgetItem* item = panel->m_pictures->item(row);
                if (item && !thumbnail.isNull() && item->data(kPathRole).toString() == path)
                    item->setIcon(QIcon(QPixmap::fromImage(thumbnail)));
                ++panel->m_thumbnailCount;
                Q_EMIT panel->thumbnailReady(path);
            });
        });
    }
}

QStringList QMBMediaBrowserPanel::picturePaths() const
{
    QStringList paths;
    for (int row = 0; row < m_pictures->count(); ++row)
        paths << m_pictures->item(row)->data(kPathRole).toString();
    return paths;
}

QStringList QMBMediaBrowserPanel::selectedPaths() const
{
    return m_selectionOrder;
}

void QMBMediaBrowserPanel::selectPaths(const QStringList& paths)
{
    m_pictures->clearSelection();
    for (const QString& path : paths) {
        for (int row = 0; row < m_pictures->count(); ++row) {
            QListWidgetItem* item = m_pictures->item(row);
            if (item->data(kPathRole).toString() == path)
                item->setSelected(true);
        }
    }
}

QMenu* QMBMediaBrowserPanel::contextMenuForSelection(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const auto count = selectedPaths().size();
    if (count == 0)
        return menu;
    const QString title = count == 1 ? dw::localized("Add Selected Image") : dw::localized("Add Selected Images");
    QAction* add = menu->addAction(title);
    add->setObjectName(QStringLiteral("addSelectedImageFromBrowser"));
    connect(add, &QAction::triggered, this, &QMBMediaBrowserPanel::addSelectedImageFromBrowser);
    return menu;
}

void QMBMediaBrowserPanel::contextMenuRequested(const QPoint& position)
{
    QMenu* menu = contextMenuForSelection(this);
    if (!menu->isEmpty())
        menu->exec(m_pictures->viewport()->mapToGlobal(position));
    menu->deleteLater();
}

void QMBMediaBrowserPanel::addSelectedImageFromBrowser()
{
    addAndBackupImagesWithPaths(selectedPaths());
}

void QMBMediaBrowserPanel::addAndBackupImagesWithPaths(const QStringList& paths)
{
    QStringList urls;
    for (const QString& path : paths) {
        if (!path.isEmpty())
            urls << QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    }
    if (urls.isEmpty() || !m_addImages)
        return;
    m_addImages(urls);
}

void QMBMediaBrowserPanel::toggle()
{
    if (isVisible()) {
        hide();
        return;
    }
    show();
    raise();
    activateWindow();
}
