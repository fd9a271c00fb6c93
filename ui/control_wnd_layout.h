#pragma once

#include "platform/control_spec.h"

#include <span>

namespace tavrel::ui {

class ControlWnd;

// One control of the calculator window with the handlers connected to it.
struct ControlRow {
    platform::ControlSpec spec;
    bool (ControlWnd::*keyDown)(int key) = nullptr;
    void (ControlWnd::*action)() = nullptr;
    bool (ControlWnd::*mouseDown)(int x, int y) = nullptr;
};

// Most characters the user can type into an input field.
inline constexpr int kTypedLengthLimit = 6;

const platform::WindowSpec& ControlWndSpec();

// The controls in creation order, which is also stacking and focus order.
std::span<const ControlRow> ControlWndLayout();

} // namespace tavrel::ui
