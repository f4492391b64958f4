#include "updater/DWUpdaterPreferencesManager.h"

#include "platform/core/UserDefaults.h"

namespace {
const QString kShouldCheckForUpdates = QStringLiteral("shouldCheckForUpdates");
const QString kSkippedVersion = QStringLiteral("updaterSkippedReleaseVersion");
const QString kLastCheckDate = QStringLiteral("lastVersionCheckNSDate");
} // namespace

std::optional<bool> DWUpdaterPreferencesManager::checkForUpdates()
{
    const QVariant value = dw::UserDefaults::standard().objectForKey(kShouldCheckForUpdates);
    if (!value.isValid())
        return std::nullopt;
    return dw::UserDefaults::standard().boolForKey(kShouldCheckForUpdates);
}

void DWUpdaterPreferencesManager::setCheckForUpdates(bool check)
{
    dw::UserDefaults::standard().setBool(check, kShouldCheckForUpdates);
}

QString DWUpdaterPreferencesManager::updateURL()
{
    return dw::UserDefaults::standard().stringForKey(QStringLiteral("updateURL"));
}

bool DWUpdaterPreferencesManager::shouldIncludeSystemInformationForUpdates()
{
    return dw::UserDefaults::standard().boolForKey(QStringLiteral("shouldIncludeSystemInformationForUpdates"));
}

bool DWUpdaterPreferencesManager::updaterDownloadInBackground()
{
    return dw::UserDefaults::standard().boolForKey(QStringLiteral("updaterDownloadInBackground"));
}

QString DWUpdaterPreferencesManager::updaterSkippedReleaseVersion()
{
    return dw::UserDefaults::standard().stringForKey(kSkippedVersion);
}

void DWUpdaterPreferencesManager::setUpdaterSkippedReleaseVersion(const QString& version)
{
    dw::UserDefaults::standard().setObject(version.isNull() ? QVariant() : QVariant(version), kSkippedVersion);
}

QDateTime DWUpdaterPreferencesManager::lastVersionCheckDate()
{
    const QVariant value = dw::UserDefaults::standard().objectForKey(kLastCheckDate);
    return value.canConvert<QDateTime>() ? value.toDateTime() : QDateTime();
}

void DWUpdaterPreferencesManager::setLastVersionCheckDate(const QDateTime& date)
{
    dw::UserDefaults::standard().setObject(date, kLastCheckDate);
}

QString DWUpdaterPreferencesManager::crashReportURL()
{
    return dw::UserDefaults::standard().stringForKey(QStringLiteral("crashReportURL"));
}
