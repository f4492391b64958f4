#pragma once
// The updater's settings in the user defaults; no state of its own. Any thread reads, the main
// thread writes.

#include <QDateTime>
#include <QString>
#include <optional>

class DWUpdaterPreferencesManager
{
public:
    // nullopt: the user was never asked.
    static std::optional<bool> checkForUpdates();
    static void setCheckForUpdates(bool check);
    static QString updateURL();
    static bool shouldIncludeSystemInformationForUpdates();
    static bool updaterDownloadInBackground();
    static QString updaterSkippedReleaseVersion();
    static void setUpdaterSkippedReleaseVersion(const QString& version); // null removes it
    static QDateTime lastVersionCheckDate();                             // invalid: never
    static void setLastVersionCheckDate(const QDateTime& date);
    // Where crash reports are posted.
    static QString crashReportURL();
};
