#pragma once
// The icons of installed applications as images, found through their desktop entries.
//
// Main thread (icons are GUI objects).
//
//     const QImage icon = dw::imageForApplicationName(QStringLiteral("Firefox"));

#include <QImage>
#include <QString>

namespace dw {

// The icon of the application whose desktop entry is "<bundleIdentifier>.desktop", at its
// largest size; null when no such application is installed.
QImage imageForApplicationBundleID(const QString& bundleIdentifier);
// The same for the application whose entry is named `applicationName` (its file name without
// ".desktop", or its Name, ignoring case).
QImage imageForApplicationName(const QString& applicationName);

} // namespace dw
