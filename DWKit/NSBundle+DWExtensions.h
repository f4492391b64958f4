#pragma once
// The program's name and version texts and its per-user folders.
//
// Any thread. The folders are not created here.
//
//     const QString about = dw::versionInfo();                          // "2.1 (214)"
//     const QString stores = dw::applicationSupportFolder() + QStringLiteral("Categories");

#include "platform/core/Bundle.h"

#include <QString>

namespace dw {

// "CFBundleShortVersionString", localized first.
QString versionString(const Bundle& bundle = Bundle::mainBundle());
// "CFBundleVersion", never localized.
QString bundleVersion(const Bundle& bundle = Bundle::mainBundle());
// "<versionString> (<bundleVersion>)".
QString versionInfo(const Bundle& bundle = Bundle::mainBundle());
// "CFBundleName", localized first.
QString bundleName(const Bundle& bundle = Bundle::mainBundle());
// The localized "CFBundleDisplayName", else bundleName().
QString bundleDisplayName(const Bundle& bundle = Bundle::mainBundle());

// $XDG_DATA_HOME/<bundleName>/ and $XDG_CACHE_HOME/<bundleName>/ (for the main bundle the folders
// of dw::paths).
QString applicationSupportFolder(const Bundle& bundle = Bundle::mainBundle());
QString applicationCachesDirectory(const Bundle& bundle = Bundle::mainBundle());

} // namespace dw
