#pragma once
// Whole-file rewrites that never leave a half-written file.
//
// writeFileAtomically() writes to a hidden temporary file beside the target (".NAME.XXXXXX.saving"),
// flushes it to disk and renames it over the target; the target keeps its permissions, and a
// symbolic link is written through. When anything fails the old file is untouched and false is
// returned with the reason. A temporary file that a killed save left behind is removed by the next
// save of the same file. Any thread. Tests inject a failure with ScopedWriteFailure.

#include <QByteArray>
#include <QString>

namespace dw {

[[nodiscard]] bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

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
