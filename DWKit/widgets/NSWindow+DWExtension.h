#pragma once
// Content swaps of windows with toolbars: the preferences window and the error panel replace
// their central widget and resize around it, keeping the window's top edge and its horizontal
// centre.
//
// The window's frame here is its geometry (Qt places the title bar outside it), so the height
// above the content is that of the menu bar and toolbars inside the window. Main thread.
//
//     dw::changeContentViewToView(window, generalPane, true, true);

#include <QMainWindow>

namespace dw {

// Window height minus content height for a window with a toolbar; 0 without a toolbar.
int toolbarHeight(const QMainWindow* window);

// Makes `view` the window's central widget and gives the window the view's size plus the toolbar
// height, moving it so that its top edge stays and its centre stays horizontally. The former
// central widget stays a hidden child of the window (callers swap panes back and forth). With
// `animate` the geometry change runs as an animation that ends on the same frame.
void changeContentViewToView(QMainWindow* window, QWidget* view, bool display, bool animate);

// Frame autosave: the window's frame kept in the user defaults under "NSWindow Frame <name>" as
// "x y width height": the position of its frame (title bar included, as QWidget::move() takes
// it) and the size of its contents (as resize() takes it), so that moving and resizing to a saved
// frame puts the window exactly where it was, whatever the desktop's decorations.
// savedWindowFrame() is invalid when none is stored, the text does not read or the frame lies on
// no screen any more.
QRect savedWindowFrame(const QString& name);
void saveWindowFrame(const QWidget* window, const QString& name);

} // namespace dw
