#include "DWEBay2/DWEbayReplaySettings.h"

#include "platform/core/UserDefaults.h"

#include <QDir>

DWEbayReplaySettings::~DWEbayReplaySettings() = default;

bool DWEbayReplaySettings::useSavedXMLResponses() const
{
    return dw::UserDefaults::standard().boolForKey(QStringLiteral("useSavedXMLResponses"));
}

QString DWEbayReplaySettings::folderPath() const
{
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/DWEbay_Debug"));
}

std::shared_ptr<const DWEbayReplaySettings> DWEbayReplaySettings::standard()
{
    static const auto settings = std::make_shared<const DWEbayReplaySettings>();
    return settings;
}
