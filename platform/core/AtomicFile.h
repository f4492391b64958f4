#pragma once
// Whole-file rewrites that never leave a half-written file.
//
// writeFileAtomically() writes to a hidden temporary file beside the target (".NAME.XXXXXX.saving"),
// flushes it to disk and renames it over the target; the target keeps its permissions, and a
// symbolic link is written through. When anything fails the old file is untouched and false is
// returned with the reason. A temporary file that a killed save left behind is removed by the next
// save of the same file, or by removeLeftoverTemporaryFiles() (a document being opened). Any
// thread. Tests inject a failure with ScopedWriteFailure.

#include <QByteArray>
#include <QList>
#include <QString>

namespace dw {

[[nodiscard]] bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);
// The file is the pieces one after another, written as they are (a document's pictures are
// copied into the file and nowhere else).
[[nodiscard]] bool writeFileAtomically(const QString& path, const QList<QByteArray>& pieces, QString* error = nullptr);
// The same without the flush to disk, for copies that can be made again from elsewhere (a
// picture taken out of a document): after a crash the file may be empty, but never half-written
// under its name while the program runs.
[[nodiscard]] bool writeCopyAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Removes the temporary files that saves of the file at `path` were killed in (a save still
// running keeps its own).
void removeLeftoverTemporaryFiles(const QString& path);

// While it lives, every atomic write in this process fails (as a full disk would).
class ScopedWriteFailure
{
public:
    ScopedWriteFailure();
    ~ScopedWriteFailure();
    ScopedWriteFailure(const ScopedWriteFailure&) = delete;
    ScopedWriteFailure& operator=(const ScopedWriteFailure&) = delete;
};

} // namespace dw
