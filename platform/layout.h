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
struct LayoutFont {
    std::string_view family = "System";
    int points = 12;
    bool bold = false;
};

enum class ControlKind { TextField, Label, Button, Picture, EtchedRule };

using PictureGetter = PictureRef (*)();

// One control of a window's layout table. Fields that do not apply to a kind are ignored.
struct LayoutItem {
    ControlKind kind = ControlKind::Label;
    Bounds bounds = {};
    std::string_view text = {}; // caption or initial text
    LayoutFont font = {};
    Rgb textColor = kBlack;
    Align align = Align::Left;
    bool enabled = true;
    bool multiLine = false;        // Label: wraps inside its box
    std::string_view toolTip = {}; // shown when the pointer rests on the control
    bool takesFocus = false;       // TextField and Button: reachable by Tab and click
    int typedLengthLimit = 0;      // TextField: most characters the user can type; 0 for none
    bool defaultButton = false;
    PictureGetter picture = nullptr;      // Picture
    std::string_view accessibleName = {}; // for screen readers, where the text does not say it
    // EtchedRule
    Rgb fill = kWhite;
    Rgb topLeftBorder = kBlack;
    Rgb bottomRightBorder = kBlack;
};

enum class Frame {
    TitleBar, // title bar with close and minimize buttons
    None,     // no title bar and no window controls
};

struct WindowLayout {
    std::string_view title = {};
    int width = 0;
    int height = 0;
    Frame frame = Frame::TitleBar;
    Rgb background = kWhite;
    std::string_view accessibleName = {};
};

} // namespace tavrel::platform
