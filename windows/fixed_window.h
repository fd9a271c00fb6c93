#pragma once

#include <QtGlobal>

class QLabel;
class QMainWindow;
class QPixmap;
class QString;
class QWidget;

namespace tavrel::windows {

// The windows are drawn in pixels from their Designer files: a content widget of fixed size,
// and fonts whose point sizes there are pixel sizes (the layouts were made at one pixel per
// point, for Helvetica's, Courier's and Times's widths; the Liberation fonts have them).

enum class Frame {
    TitleBar, // title bar with close and minimize buttons
    None,     // no title bar and no window controls
};

// Gives `window` its frame and makes it exactly as large as its content (and a menu bar, where
// it gets one): it cannot be resized. Turns the point sizes of the fonts set on the content's
// widgets into pixel sizes. For a window whose Designer file has been set up.
void FixToContent(QMainWindow& window, Frame frame = Frame::TitleBar);

// The picture at `resource` (an SVG) at its own size, drawn for `devicePixelRatio` so that it
// stays sharp on any screen.
QPixmap Picture(const QString& resource, qreal devicePixelRatio);

// Shows that picture in `label`, drawn for the label's screen.
void ShowPicture(QLabel& label, const QString& resource);

// Shows `window` and brings it to the front; a visible window only comes to the front.
void ShowInFront(QWidget& window);

} // namespace tavrel::windows
