// What the window system tells the main loop, in terms of our own: keys pressed, the window
// to repaint, the close box, the end of the program. The loop polls; nothing here waits.
#pragma once

#include <cstdint>

namespace vesk {

// The keys the program reacts to (the show's keys and what a panel needs). Letters follow
// the keyboard layout, as the labels on the keys do.
// clang-format off
enum class KeyCode : std::uint8_t {
  Unknown,
  Escape, Return, Space, Tab, Backspace, Delete,
  Up, Down, Left, Right, Home, End, PageUp, PageDown,
  A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z,
  Digit0, Digit1, Digit2, Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9,
  F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
};
// clang-format on

struct WindowMessage {
  enum class Type : std::uint8_t {
    KeyDown,  // `key` went down (again, with `repeat`, while held)
    Paint,    // the window's contents were lost and must be presented again
    Close,    // the close box (or the window manager) asks the window to go
    Quit,     // the program is asked to end (last window closed, SIGINT/SIGTERM)
  };
  Type type = Type::Quit;
  KeyCode key = KeyCode::Unknown;
  bool repeat = false;
  // Modifiers held with the key (either side).
  bool shift = false;
  bool control = false;
  bool alt = false;
};

// Takes the next message the program cares about off the queue, without waiting. Other
// events (mouse motion, text, focus...) are consumed and skipped. False when none is waiting.
// Needs the video subsystem (openVideo) and must run on the thread that opened it.
bool pollWindowMessage(WindowMessage& message);

// Our key for an SDL key code; Unknown for keys the program ignores.
KeyCode keyCodeFromSdl(std::int32_t sdlKeycode);

}  // namespace vesk
