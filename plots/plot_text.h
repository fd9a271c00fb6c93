#pragma once

#include <QFont>
#include <QString>
#include <string>

namespace tavrel::plots {

// The plots' one typeface, 12 pixels.
QFont PlotFont(bool bold = false);

// A text as the plot shows it: UTF-8 decoded (invalid bytes as U+FFFD), line breaks and tabs
// as spaces, and characters that have no glyph and that XML forbids (control characters,
// U+FFFE, U+FFFF) as U+FFFD.
QString DrawnText(const std::string& text);

} // namespace tavrel::plots
