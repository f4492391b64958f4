#pragma once
// Whole-file rewrites that never leave a half-written file.
//
// writeFileAtomically() writes to a temporary file beside the target and renames it over the
// target (QSaveFile). When anything fails the old file is untouched and false is returned with
// the reason. Tests inject a failure with ScopedWriteFailure to prove that.

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
