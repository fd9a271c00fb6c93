#pragma once

#include "engine/quantities.h"
#include "platform/layout.h"

#include <span>
#include <variant>

namespace tavrel::ui {

// What a control of the calculator window is for. Labels, the title and the rule are
// decoration; the rest become the window's members.
struct Decoration {};
enum class Button { Calculate, Clear };
struct InformationIcon {};
using Role = std::variant<Decoration, engine::Input, engine::Result, Button, InformationIcon>;

struct CalculatorRow {
    platform::LayoutItem item;
    Role role;
};

// Most characters the user can type into an input field.
inline constexpr int kTypedLengthLimit = 6;

const platform::WindowLayout& CalculatorWindowLayout();

// The controls in creation order, which is also stacking and focus order.
std::span<const CalculatorRow> CalculatorRows();

} // namespace tavrel::ui
