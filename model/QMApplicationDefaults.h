#pragma once
// Registers the program's default settings: "defaults.plist", then "localized_defaults.plist" from
// the resources folder, with the bytes of "DefaultFooter.rtf" added under "footerData" when that
// file exists. Values written by the user always win over these. Call once at start, on the main
// thread, before the first preference is read.
//
//     QString error;
//     if (!registerApplicationDefaults(dw::UserDefaults::standard(), &error)) ...

#include <QString>

namespace dw {
class UserDefaults;
}

// False with the reason ("couldn't find defaults.plist") when a resource is missing or unreadable;
// whatever could be read is registered all the same.
[[nodiscard]] bool registerApplicationDefaults(dw::UserDefaults& defaults, QString* error = nullptr);

// What every program that reads listings registers at start, as the application does: the
// defaults above and the money transformer under its name, so that a tool shows a listing as the
// application does (a stored starting bid "12,5" reads "12.50"). Same failures as above.
[[nodiscard]] bool registerApplicationDefaultsAndTransformers(dw::UserDefaults& defaults, QString* error = nullptr);
