#pragma once

namespace tavrel::ui {

// The keys an input field takes: "-", ".", "/", the digits (codes 45 to 57), Backspace (8)
// and Tab (9). Every other key is refused. The filter judges single keys, not the text they
// make.
constexpr bool AcceptsKey(int code) {
    return (44 < code && code < 58) || code == 8 || code == 9;
}

} // namespace tavrel::ui
