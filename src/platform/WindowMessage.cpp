#include "platform/WindowMessage.h"

#include <SDL.h>

namespace vesk {
namespace {

KeyCode offset(KeyCode first, int delta) {
  return static_cast<KeyCode>(static_cast<int>(first) + delta);
}

bool translate(const SDL_Event& event, WindowMessage& message) {
  message = WindowMessage{};
  switch (event.type) {
    case SDL_KEYDOWN: {
      KeyCode key = keyCodeFromSdl(event.key.keysym.sym);
      if (key == KeyCode::Unknown) return false;
      std::uint16_t mods = event.key.keysym.mod;
      message.type = WindowMessage::Type::KeyDown;
      message.key = key;
      message.repeat = event.key.repeat != 0;
      message.shift = (mods & KMOD_SHIFT) != 0;
      message.control = (mods & KMOD_CTRL) != 0;
      message.alt = (mods & KMOD_ALT) != 0;
      return true;
    }
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
          message.type = WindowMessage::Type::Paint;
          return true;
        case SDL_WINDOWEVENT_CLOSE:
          message.type = WindowMessage::Type::Close;
          return true;
        default:
          return false;
      }
    case SDL_QUIT:
      message.type = WindowMessage::Type::Quit;
      return true;
    default:
      return false;
  }
}

}  // namespace

bool pollWindowMessage(WindowMessage& message) {
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (translate(event, message)) return true;
  }
  return false;
}

KeyCode keyCodeFromSdl(std::int32_t sdlKeycode) {
  if (sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z) {
    return offset(KeyCode::A, sdlKeycode - SDLK_a);
  }
  if (sdlKeycode >= SDLK_0 && sdlKeycode <= SDLK_9) {
    return offset(KeyCode::Digit0, sdlKeycode - SDLK_0);
  }
  if (sdlKeycode >= SDLK_F1 && sdlKeycode <= SDLK_F12) {
    return offset(KeyCode::F1, sdlKeycode - SDLK_F1);
  }
  switch (sdlKeycode) {
    case SDLK_ESCAPE:
      return KeyCode::Escape;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return KeyCode::Return;
    case SDLK_SPACE:
      return KeyCode::Space;
    case SDLK_TAB:
      return KeyCode::Tab;
    case SDLK_BACKSPACE:
      return KeyCode::Backspace;
    case SDLK_DELETE:
      return KeyCode::Delete;
    case SDLK_UP:
      return KeyCode::Up;
    case SDLK_DOWN:
      return KeyCode::Down;
    case SDLK_LEFT:
      return KeyCode::Left;
    case SDLK_RIGHT:
      return KeyCode::Right;
    case SDLK_HOME:
      return KeyCode::Home;
    case SDLK_END:
      return KeyCode::End;
    case SDLK_PAGEUP:
      return KeyCode::PageUp;
    case SDLK_PAGEDOWN:
      return KeyCode::PageDown;
    default:
      return KeyCode::Unknown;
  }
}

}  // namespace vesk
