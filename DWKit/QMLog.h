#pragma once
// The console log: diagnostics filtered by one process-wide level, and a per-method trace.
//
// Levels: 0 off, 1 QMLog, 2 QMLogError, 3 QMLogCoreData, 4 QMLogDebug, 5 XML requests. A message
// of level n is written when the level is not 0 and at least n. The level is read once, on the
// first log call, from the user default "logLevel" (or, for a process that is not the
// application, from the environment variable "logLevel"); a missing setting means 0, so logging
// is off by default, and a change of the setting takes effect at the next start. Formats are the
// platform's string formats (dw::format: %@ for any value) written in the source, so they are taken
// as UTF-8 C strings; text known only at run time goes in as an argument ("%@"). When a message is
// not written its arguments are not formatted. Any thread.
//
//     QMLog("%@ items", count);
//     QMLogError("cannot read %@: %@", path, error);
//     QMLogMethodLong("QMBDocument", "saveDocument:", "saved %@", path);  // when "[QMBDocument saveDocument:]"
//                                                                        // stands in "QMLogMethods"

#include "platform/core/DWFormat.h"

#include <QString>
#include <vector>

bool ShouldLog(int level);
// True when "[className selector]" stands in the user-default array "QMLogMethods".
bool ShouldLogMethod(const QString& className, const QString& selector);

// Sets the level directly, as if it had been read.
void QMSetLogLevel(int level);
// Whether the level comes from the user defaults (true, the default) or from the environment.
void setIsNSApplication(bool isApplication);
// Forgets the level read so far, so that the next log call reads it again (tests).
void QMResetCachedLogLevel();

namespace dw::detail {
void writeLog(const char* format, const std::vector<FormatArg>& args);
void writeMethodLog(const QString& className, const QString& selector, const char* format,
                    const std::vector<FormatArg>& args);
} // namespace dw::detail

template<class... Args>
void QMLogWithLevel(int level, const char* format, const Args&... args)
{
    if (ShouldLog(level))
        dw::detail::writeLog(format, std::vector<dw::FormatArg>{dw::FormatArg(args)...});
}

template<class... Args>
void QMLog(const char* format, const Args&... args)
{
    QMLogWithLevel(1, format, args...);
}

template<class... Args>
void QMLogError(const char* format, const Args&... args)
{
    QMLogWithLevel(2, format, args...);
}

template<class... Args>
void QMLogCoreData(const char* format, const Args&... args)
{
    QMLogWithLevel(3, format, args...);
}

template<class... Args>
void QMLogDebug(const char* format, const Args&... args)
{
    QMLogWithLevel(4, format, args...);
}

// Writes "[className selector] message" when ShouldLogMethod() holds, whatever the log level.
template<class... Args>
void QMLogMethodLong(const QString& className, const QString& selector, const char* format, const Args&... args)
{
    if (ShouldLogMethod(className, selector))
        dw::detail::writeMethodLog(className, selector, format, std::vector<dw::FormatArg>{dw::FormatArg(args)...});
}
