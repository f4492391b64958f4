#pragma once
// Saving a picture dropped on a document to a file that the listing can refer to.
//
// Main thread (the drop arrives there).
//
//     const QString path = QMDraggingUtils::pathToDraggedPasteboardImage(event->mimeData());
//     if (!path.isNull()) addPicture(path);

#include <QString>

class QMimeData;

class QMDraggingUtils
{
public:
    // Writes the drag's TIFF data ("image/tiff") atomically to the temporary folder as
    // "<new UUID>.tiff" and returns that path. nil when the drag holds no TIFF data (nothing is
    // written then) or the file cannot be written.
    static QString pathToDraggedPasteboardImage(const QMimeData* dragData);
};
