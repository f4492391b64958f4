#pragma once
// What the listing model asks of the picture transformer, which lives in the operations layer:
// the thumbnail of a picture read from an old archive, a temporary path for a picture taken out of
// a document, and the backup of such a picture into the picture folder.
//
// The operations layer installs its transformer at start; until then (and in tools and tests) the
// built-in hooks answer: they compute the thumbnail path without writing any thumbnail, hand out
// UUID-named paths in the program's own temporary picture folder, and back nothing up. So reading
// a document never writes beside the user's picture files. The hooks run on the thread that
// reads the document.
//
//     class QMEbayImageTransformer : public QMEbayImageTransformerHooks { ... };
//     QMEbayImageTransformerHooks::install(std::make_shared<QMEbayImageTransformer>());

#include <QByteArray>
#include <QSet>
#include <QString>
#include <memory>

class QMEbayImage;

class QMEbayImageTransformerHooks
{
public:
    virtual ~QMEbayImageTransformerHooks() = default;

    // The thumbnail path of a picture file: its path without extension + "_thumb.jpg". An
    // installed transformer also writes the reduced picture there before it returns.
    virtual QString generateAndBackupThumbnailFromFullSizeImageAtPath(const QString& imagePath);
    // A new path for a JPEG picture in the temporary picture folder; nothing is written there.
    // Null when the folder cannot be made.
    virtual QString uniqueTemporaryJPEGImageFileName();
    // Moves a picture just taken out of a document into the picture backup folder and points it
    // there; false when its file cannot be read. The built-in hook leaves the picture as it is.
    virtual bool backupImportedImage(QMEbayImage& picture);
    // Puts the bytes of a picture file taken out of a document into a file of their own and
    // answers its path; null with the reason when it cannot be written. Nothing is decoded. The
    // built-in hook writes a new file in the temporary picture folder every time; the installed
    // transformer keeps one copy of the same bytes in the picture backup folder, however often
    // documents holding them are opened.
    virtual QString storeImportedPictureData(const QByteArray& bytes, QString* error = nullptr);
    // Removes the copies that storeImportedPictureData() made and that none of `referencedPaths`
    // (the picture and thumbnail files of every open listing) is any more, with their thumbnails.
    // The built-in hook removes nothing.
    virtual void removeUnreferencedPictureCopies(const QSet<QString>& referencedPaths);

    // The installed hooks, or the built-in ones; never null. The caller's copy keeps them alive
    // while it uses them, even when other hooks are installed meanwhile.
    static std::shared_ptr<QMEbayImageTransformerHooks> installed();
    // Installs hooks for the whole process; null goes back to the built-in ones. Any thread.
    static void install(std::shared_ptr<QMEbayImageTransformerHooks> hooks);
};
