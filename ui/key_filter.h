#pragma once

namespace tavrel::ui {

// The characters a key can put into an input field: "-", ".", "/" and the digits (codes 45
// to 57). Pasted text may consist of these alone.
constexpr bool IsFieldCharacter(int code) {
    return 44 < code && code < 58;
}

// The keys an input field takes: the field characters, Backspace (8) and Tab (9). Every
// other key is refused. The filter judges single keys, not the text they make.
constexpr bool AcceptsKey(int code) {
    return IsFieldCharacter(code) || code == 8 || code == 9;
}

} // namespace tavrel::ui
