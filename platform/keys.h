#pragma once

#include <optional>

class QKeyEvent;

namespace tavrel::platform {

// Key codes that handlers see: the code of the key's first character, with the classic codes
// for keys that type no character.
namespace key {
inline constexpr int Home = 1;
inline constexpr int Enter = 3; // keypad Enter
inline constexpr int End = 4;
inline constexpr int Backspace = 8;
inline constexpr int Tab = 9;
inline constexpr int PageUp = 11;
inline constexpr int PageDown = 12;
inline constexpr int Return = 13;
inline constexpr int Escape = 27;
inline constexpr int Left = 28;
inline constexpr int Right = 29;
inline constexpr int Up = 30;
inline constexpr int Down = 31;
inline constexpr int Delete = 127;
inline constexpr int Other = 0; // a key that types nothing and has no code of its own
} // namespace key

// True for a key pressed with Ctrl (Cmd on macOS): a command, never typing.
bool IsCommandKey(const QKeyEvent& event);

// The code a key handler sees for `event`; nothing for a modifier pressed alone and for
// commands, which never reach key handlers.
std::optional<int> KeyCode(const QKeyEvent& event);

} // namespace tavrel::platform
