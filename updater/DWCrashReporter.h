#pragma once
// Crash reports: written by a signal handler when the program dies of a fatal signal, offered to
// the user at the next launch, and sent to the vendor when the user agrees.
//
// A report is "<Name>_<yyyy-MM-dd-HHmmss>_<host>.crash" (local time of the crash) in
// $XDG_STATE_HOME/QuillmartVodar/CrashReports/, with the process, a "Version:" line, the signal and
// the backtrace. The console lines of each run are kept in "console.log" beside that folder, so the
// next launch can send the last ones of the run that crashed. Every report text passes through
// redactSecrets(): no token, password or key leaves the machine.
//
//     DWCrashReporter::installSignalHandler();   // first thing in main()
//     DWCrashReporter::startConsoleRecording();
//     ...
//     DWCrashReporter::checkForCrash();          // after launching; main thread

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

class DWCrashReporter
{
public:
    struct Report
    {
        QString path;
        QString crashLog;    // redacted
        QString consoleLogs; // redacted
        QString subject;
    };
    using Presenter = std::function<void(const Report&)>;

    static QString stateFolder();    // $XDG_STATE_HOME/QuillmartVodar
    static QString crashLogFolder(); // ... /CrashReports
    // The newest report of this program (by name); the folder itself when there is none.
    static QString crashLogFilePath();
    static QString versionFromCrashLog(const QString& log);
    // The console lines of the previous run: all of them when fewer than 21, else the last 10.
    static QString lastConsoleLogs();
    static QString cutConsoleLines(const QStringList& lines);
    static QString redactSecrets(const QString& text);

    // The launch step: a report not seen before is offered once (through `presenter`, the report
    // window unless given); the first launch only remembers what is there. Main thread.
    static void checkForCrash(const Presenter& presenter = {});

    // Writes a report when the process receives SIGSEGV, SIGBUS, SIGILL, SIGFPE or SIGABRT, then
    // lets the signal end the process. The folder, names and version are taken now; the handler
    // itself allocates nothing and calls only async-signal-safe functions.
    static void installSignalHandler(const QString& name = QString(), const QString& version = QString());
    // Keeps this run's console lines (the previous run's go to "console-previous.log").
    static void startConsoleRecording();

    // Posts a report form ("subject", "content", "appName", "email") to `url` as multipart form
    // data; https only (http on loopback). Blocks; not on the main thread. False with a reason.
    // Raising `cancel` ends the exchange at once (it fails then).
    [[nodiscard]] static bool sendReport(const QString& url, const QString& subject, const QString& content,
                                         const QString& appName, const QString& email, QString* error,
                                         const std::atomic<bool>* cancel = nullptr);
};
