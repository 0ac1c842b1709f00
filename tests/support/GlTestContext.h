// An OpenGL context for the drawing tests, and the device over it.
//
// The context is a compatibility profile in a hidden SDL window: on the display named by
// DISPLAY (Xvfb in the test script), or through SDL's `offscreen` video driver (EGL) when asked
// for or when the environment sets VESK_GL_VIDEO=offscreen. The context plays the device's host:
// presenting swaps nothing unless asked to, gamma ramps are kept in memory.
//
// Destroy every device (and its resources) before its context.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Memory.h"
#include "gfx/Device.h"

struct SDL_Window;

namespace vesk::test {

enum class GlVideo {
  Default,    // Offscreen when VESK_GL_VIDEO=offscreen, else Display
  Display,    // SDL's usual driver (X11 on DISPLAY)
  Offscreen,  // SDL's offscreen driver
};

class GlTestContext : public gfx::DeviceHost {
 public:
  // A hidden window of the given size (the default framebuffer that `present` fills).
  explicit GlTestContext(GlVideo video = GlVideo::Default, int windowWidth = 64,
                         int windowHeight = 64);
  ~GlTestContext() override;
  GlTestContext(const GlTestContext&) = delete;
  GlTestContext& operator=(const GlTestContext&) = delete;

  // False when the context could not be made; `error` says why.
  bool ok() const { return _context != nullptr; }
  const std::string& error() const { return _error; }

  // The device over this context with a back buffer of width × height; null on failure.
  Owned<gfx::Device> createDevice(std::uint32_t width, std::uint32_t height);
  Owned<gfx::Device> createDevice(const gfx::DeviceParams& params);

  // Whether `swapBuffers` really swaps the window (off: the default framebuffer's back buffer
  // keeps what `present` put there, for `readWindow`).
  void setRealSwaps(bool on) { _realSwaps = on; }

  void swapBuffers() override;
  void drawableSize(int& width, int& height) override;
  bool getGammaRamp(gfx::GammaRamp& ramp) override;
  bool setGammaRamp(const gfx::GammaRamp& ramp) override;
  bool setSwapInterval(int interval) override;

  int swaps() const { return _swaps; }
  // The last swap interval asked for (-1: none), and whether the window system took it.
  int swapInterval() const { return _swapInterval; }
  bool swapIntervalTaken() const { return _swapIntervalTaken; }
  const gfx::GammaRamp& gammaRamp() const { return _gamma; }
  SDL_Window* window() const { return _window; }

  // The window's default framebuffer (its back buffer) as ARGB words, top row first.
  std::vector<std::uint32_t> readWindow(int& width, int& height);

 private:
  SDL_Window* _window = nullptr;
  void* _context = nullptr;
  std::string _error;
  bool _realSwaps = false;
  int _swaps = 0;
  int _swapInterval = -1;
  bool _swapIntervalTaken = false;
  gfx::GammaRamp _gamma;
};

// The pixels of a colour surface (the back buffer, a render target, a texture level or an
// image surface) as ARGB words, top row first, read through an image surface and copyRects.
// Empty on failure.
std::vector<std::uint32_t> readSurface(gfx::Device& device, gfx::Surface* surface);

// The back buffer's pixels.
std::vector<std::uint32_t> readBackBuffer(gfx::Device& device);

// Whether every channel of two ARGB words differs by at most `tolerance` (alpha too when
// `withAlpha`).
bool colorNear(std::uint32_t actual, std::uint32_t expected, int tolerance = 2,
               bool withAlpha = false);

// "0xAARRGGBB", for failure messages.
std::string colorText(std::uint32_t color);

}  // namespace vesk::test
