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

    // The installed hooks, or the built-in ones; never null. The caller's copy keeps them alive
    // while it uses them, even when other hooks are installed meanwhile.
    static std::shared_ptr<QMEbayImageTransformerHooks> installed();
    // Installs hooks for the whole process; null goes back to the built-in ones. Any thread.
    static void install(std::shared_ptr<QMEbayImageTransformerHooks> hooks);
};
