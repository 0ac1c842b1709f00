// The program's one window and its OpenGL context.
//
// The window is made early, hidden, as a 640 × 480 desktop window titled "Vesk" near the
// top-left corner, not resizable; the core shows it once start-up is done. When the viewer
// chose full screen, `enterFullscreen` switches the display to the chosen mode, shows the
// window over it and hides the mouse cursor.
//
// The OpenGL context is a compatibility-profile one (2.1 or later) without depth or stencil
// in the default framebuffer: the device draws into framebuffers of its own and only blits
// the finished picture to the window. The context is current on the thread that created the
// window. The device must be destroyed before the window.
#pragma once

#include <string>

#include "gfx/Device.h"

struct SDL_Window;

namespace vesk {

class Window : public gfx::DeviceHost {
 public:
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;

  Window() = default;
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Makes the hidden desktop window and its OpenGL context (needs openVideo). False with the
  // reason in `error`; nothing is left half-made. With `multisample` the context is asked for
  // 4 samples per pixel first, and made without them when the driver refuses.
  bool create(std::string& error, bool multisample = false);
  // Whether the context got samples (create with `multisample`).
  bool multisampled() const { return _multisampled; }
  // Switches to full screen in `mode` (the nearest the display offers), shows the window,
  // hides the cursor and presents with vertical sync.
  bool enterFullscreen(const gfx::DisplayMode& mode, std::string& error);
  void show();

  bool created() const { return _window != nullptr; }
  bool fullscreen() const { return _fullscreen; }
  // For the message boxes, which the window owns.
  SDL_Window* sdlWindow() const { return _window; }

  // gfx::DeviceHost
  void swapBuffers() override;
  void drawableSize(int& width, int& height) override;
  // False when the display's gamma cannot be set, so that the renderer leaves it alone.
  bool getGammaRamp(gfx::GammaRamp& ramp) override;
  // Gamma is a full-screen matter: in a desktop window the ramp is accepted and the desktop
  // left as it is. False when the display refuses it.
  bool setGammaRamp(const gfx::GammaRamp& ramp) override;
  // False when the driver refuses it (as under a virtual X server).
  bool setSwapInterval(int interval) override;

 private:
  void destroy();
  void applySwapInterval();

  SDL_Window* _window = nullptr;
  void* _context = nullptr;  // SDL_GLContext
  bool _fullscreen = false;
  bool _cursorHidden = false;
  bool _multisampled = false;
};

}  // namespace vesk
