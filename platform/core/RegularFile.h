#pragma once
// Reading a file that someone else may have put in our way: a document named on the command line,
// a design's template or settings. Only an ordinary file is read, and only up to a size: a pipe
// would block for good and a device such as /dev/zero never ends, so both are refused without
// waiting or reading, as are folders and sockets. Links are followed. Files compiled into the
// program (":/name", as QFile names them) are read as QFile reads them. Any thread.
//
//     QString error;
//     const std::optional<QByteArray> bytes = dw::readRegularFile(path, 64 << 20, &error);
//     if (!bytes) ... // `error` says why, in words for the user

#include <QByteArray>
#include <QString>
#include <optional>

namespace dw {

// The whole file, or nothing with the reason: it cannot be opened, is no ordinary file or holds
// more than maxBytes (also when it grows past that while it is read).
[[nodiscard]] std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes, QString* error = nullptr);

// The file opened for reading (O_CLOEXEC) once it has shown itself to be an ordinary file of at
// most maxBytes, with its size; -1 with the reason otherwise. The caller closes it.
[[nodiscard]] int openRegularFile(const QString& path, qint64 maxBytes, QString* error = nullptr,
                                  qint64* size = nullptr);

// Whether readRegularFile() would take the file, without reading it; nothing is opened that is no
// ordinary file.
[[nodiscard]] bool isReadableRegularFile(const QString& path, qint64 maxBytes, QString* error = nullptr);

} // namespace dw
