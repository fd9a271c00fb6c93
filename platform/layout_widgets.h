#pragma once

#include "platform/layout.h"

#include <QFont>
#include <span>

class QMainWindow;
class QWidget;

namespace tavrel::platform {

// Creates the control that `item` describes in `parent`, at its place, with its font, colours
// and accessible name, and shows it: a GuardedLineEdit, a QLabel, a QPushButton, a
// PictureView or an EtchedRule by its kind. Controls are stacked and take the focus in the
// order they are created.
QWidget* CreateControl(QWidget* parent, const LayoutItem& item);

// The font of a layout: one pixel per point, "System" resolved to the platform's font.
QFont ResolveFont(const LayoutFont& font);

// Gives `window` the frame, title and accessible name of `layout`, and a content area of
// exactly the layout's size, which it returns: the parent of the window's controls. The window
// is exactly its content (and a menu bar, where it gets one), and cannot be resized.
QWidget* SetUpFixedWindow(QMainWindow& window, const WindowLayout& layout);

// A window of fixed content made of `items` alone, as SetUpFixedWindow and CreateControl
// make them.
void BuildFixedWindow(QMainWindow& window, const WindowLayout& layout,
                      std::span<const LayoutItem> items);

// Shows `window` and brings it to the front; a visible window only comes to the front.
void ShowInFront(QWidget& window);

} // namespace tavrel::platform
