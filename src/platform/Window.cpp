#include "platform/Window.h"

#include <SDL.h>

#include <array>

#include "base/Diagnosis.h"

namespace vesk {

namespace {
constexpr int kSamples = 4;
}

Window::~Window() {
  destroy();
}

void Window::destroy() {
  if (_cursorHidden) {
    SDL_ShowCursor(SDL_ENABLE);
    _cursorHidden = false;
  }
  if (_context) {
    SDL_GL_DeleteContext(_context);
    _context = nullptr;
  }
  if (_window) {
    // Leaving full screen gives the desktop its mode and gamma back.
    SDL_DestroyWindow(_window);
    _window = nullptr;
  }
  _fullscreen = false;
  _multisampled = false;
}

bool Window::create(std::string& error, bool multisample) {
  if (_window) {
    error = "the window already exists";
    return false;
  }
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);

  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, multisample ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, multisample ? kSamples : 0);
  _window = SDL_CreateWindow(kProductionName, 0, 0, kWidth, kHeight,
                             SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!_window && multisample) {
    // No visual with samples: the same window without them.
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
    return create(error, false);
  }
  if (!_window) {
    error = std::string("cannot create the window: ") + SDL_GetError();
    return false;
  }
  _context = SDL_GL_CreateContext(_window);
  if (!_context && multisample) {
    destroy();
    return create(error, false);
  }
  int samples = 0;
  if (_context && SDL_GL_GetAttribute(SDL_GL_MULTISAMPLESAMPLES, &samples) == 0)
    _multisampled = samples > 0;
  if (!_context) {
    error = std::string("cannot create the OpenGL context: ") + SDL_GetError();
    destroy();
    return false;
  }
  applySwapInterval();
  return true;
}

bool Window::enterFullscreen(const gfx::DisplayMode& mode, std::string& error) {
  if (!_window) {
    error = "there is no window";
    return false;
  }
  SDL_DisplayMode wanted{};
  wanted.w = static_cast<int>(mode.width);
  wanted.h = static_cast<int>(mode.height);
  wanted.refresh_rate = static_cast<int>(mode.refreshRate);
  SDL_DisplayMode closest{};
  if (!SDL_GetClosestDisplayMode(0, &wanted, &closest)) {
    error = std::string("no display mode near ") + std::to_string(mode.width) + " x " +
            std::to_string(mode.height) + ": " + SDL_GetError();
    return false;
  }
  if (SDL_SetWindowDisplayMode(_window, &closest) != 0 ||
      SDL_SetWindowFullscreen(_window, SDL_WINDOW_FULLSCREEN) != 0) {
    error = std::string("cannot enter full screen: ") + SDL_GetError();
    return false;
  }
  _fullscreen = true;
  SDL_ShowWindow(_window);
  SDL_ShowCursor(SDL_DISABLE);
  _cursorHidden = true;
  applySwapInterval();
  return true;
}

void Window::show() {
  if (_window) SDL_ShowWindow(_window);
}

void Window::applySwapInterval() {
  // Some servers (Xvfb) refuse to change it; presenting then simply goes at its own pace.
  SDL_GL_SetSwapInterval(_fullscreen ? 1 : 0);
}

void Window::swapBuffers() {
  if (_window) SDL_GL_SwapWindow(_window);
}

void Window::drawableSize(int& width, int& height) {
  width = 0;
  height = 0;
  if (_window) SDL_GL_GetDrawableSize(_window, &width, &height);
}

bool Window::getGammaRamp(gfx::GammaRamp& ramp) {
  if (!_window) return false;
  gfx::GammaRamp current;
  if (SDL_GetWindowGammaRamp(_window, current.red.data(), current.green.data(),
                             current.blue.data()) != 0) {
    return false;
  }
  // SDL hands out an identity ramp where gamma is not supported at all; giving the same ramp
  // back tells whether the display takes one.
  if (SDL_SetWindowGammaRamp(_window, current.red.data(), current.green.data(),
                             current.blue.data()) != 0) {
    return false;
  }
  ramp = current;
  return true;
}

bool Window::setGammaRamp(const gfx::GammaRamp& ramp) {
  if (!_window) return false;
  if (!_fullscreen) return true;
  return SDL_SetWindowGammaRamp(_window, ramp.red.data(), ramp.green.data(), ramp.blue.data()) == 0;
}

}  // namespace vesk

namespace vesk {

bool Window::setSwapInterval(int interval) {
  return _context && SDL_GL_SetSwapInterval(interval) == 0;
}

}  // namespace vesk
