#pragma once
// Remembers a window's size under a name, as the platform's frame autosave names do: the size is
// read back when the name is set and written to the user defaults ("NSWindow Frame <name>", the
// text "width height") whenever the window is hidden. Only the size: sheets and panels open over
// their parent window, wherever that is now. Main thread.
//
//     dw::setFrameAutosaveName(chooserWindow, QStringLiteral("QMCategoriesPanel"));

#include <QString>

class QWidget;

namespace dw {

void setFrameAutosaveName(QWidget* window, const QString& name);

} // namespace dw
