#pragma once
// The console: the stand-in of the platform's NSLog.
//
// consoleWrite() prints one time-stamped line ("2026-12-10 12:00:00.123 QuillmartVodar[pid:tid] text")
// to standard error and flushes it. Any thread may call it; lines never interleave.
// Tests capture the lines with ScopedConsoleCapture instead of reading stderr.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace dw {

void consoleWrite(const QString& text);

// Replaces where console lines go (nullptr restores standard error). Returns the previous sink.
using ConsoleSink = std::function<void(const QString& line)>;
ConsoleSink setConsoleSink(ConsoleSink sink);

// Collects every console line written while it lives (the text only, without the time stamp).
class ScopedConsoleCapture
{
public:
    ScopedConsoleCapture();
    ~ScopedConsoleCapture();
    ScopedConsoleCapture(const ScopedConsoleCapture&) = delete;
    ScopedConsoleCapture& operator=(const ScopedConsoleCapture&) = delete;

    QStringList lines() const;
    bool contains(const QString& fragment) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
    ConsoleSink m_previous;
};

} // namespace dw
