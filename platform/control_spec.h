#pragma once

#include "platform/picture.h"

#include <string_view>

namespace tavrel::platform {

// Layout units: pixels of a window's content area from its top-left corner; colours as RGB of
// 0 to 255; font sizes in points, drawn one pixel per point as the layouts were designed.

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kDarkRed{128, 0, 0};

struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

enum class Align { Left = 0, Centre = 1, Right = 2 };

// "System" names the platform's standard user-interface font.
struct FontSpec {
    std::string_view family = "System";
    int points = 12;
    bool bold = false;
};

enum class ControlKind { EditField, StaticText, PushButton, Canvas, Separator, Rectangle };

using PictureGetter = PictureRef (*)();

// One control of a window's layout table. Fields that do not apply to a kind are ignored.
struct ControlSpec {
    std::string_view name = {};
    ControlKind kind = ControlKind::StaticText;
    Bounds bounds = {};
    std::string_view text = {}; // caption or initial text
    FontSpec font = {};
    Rgb textColor = kBlack;
    Align align = Align::Left;
    bool enabled = true;
    bool multiLine = false;        // StaticText: wraps inside its box
    std::string_view helpTag = {}; // shown when the pointer rests on the control
    bool takesFocus = false;       // EditField and PushButton: reachable by Tab and click
    int typedLengthLimit = 0;      // EditField: most characters the user can type; 0 for no limit
    bool defaultButton = false;
    PictureGetter backdrop = nullptr;     // Canvas
    std::string_view accessibleName = {}; // for screen readers, where the text does not say it
    // Rectangle
    Rgb fill = kWhite;
    Rgb topLeftBorder = kBlack;
    Rgb bottomRightBorder = kBlack;
};

enum class FrameKind {
    Document, // title bar and the window controls asked for
    PlainBox, // no title bar and no window controls
};

struct WindowSpec {
    std::string_view name = {}; // the window's class name, for look-ups and diagnostics
    std::string_view title = {};
    int width = 0;
    int height = 0;
    FrameKind frame = FrameKind::Document;
    bool closeButton = true;
    bool minimizeButton = true;
    Rgb background = kWhite;
    std::string_view accessibleName = {};
};

} // namespace tavrel::platform
