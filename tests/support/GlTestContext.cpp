#include "support/GlTestContext.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// SDL's video opens a D-Bus connection whose library keeps a read buffer until the process
// ends. The leak checker of sanitized builds overlooks that library, and only that one. (Weak,
// so that a program that also links the platform's identical list keeps that one.)
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}

namespace vesk::test {

namespace {

bool wantsOffscreen(GlVideo video) {
  if (video != GlVideo::Default) return video == GlVideo::Offscreen;
  const char* setting = std::getenv("VESK_GL_VIDEO");
  return setting && std::strcmp(setting, "offscreen") == 0;
}

}  // namespace

GlTestContext::GlTestContext(GlVideo video, int windowWidth, int windowHeight) {
  for (int i = 0; i < 256; ++i) {
    auto entry = static_cast<std::uint16_t>(i * 257);
    _gamma.red[i] = _gamma.green[i] = _gamma.blue[i] = entry;
  }
  bool offscreen = wantsOffscreen(video);
  if (offscreen) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  int started = SDL_InitSubSystem(SDL_INIT_VIDEO);
  if (offscreen) SDL_ResetHint(SDL_HINT_VIDEODRIVER);
  if (started != 0) {
    _error = std::string("SDL video: ") + SDL_GetError() +
             (offscreen ? "" : " (run under xvfb-run, or set VESK_GL_VIDEO=offscreen)");
    return;
  }
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  _window = SDL_CreateWindow("vesk test", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                             windowWidth, windowHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!_window) {
    _error = std::string("SDL window: ") + SDL_GetError();
    return;
  }
  _context = SDL_GL_CreateContext(_window);
  if (!_context) {
    _error = std::string("OpenGL context: ") + SDL_GetError();
    return;
  }
  SDL_GL_MakeCurrent(_window, _context);
}

GlTestContext::~GlTestContext() {
  if (_context) SDL_GL_DeleteContext(_context);
  if (_window) SDL_DestroyWindow(_window);
  if (_window || _context || !_error.empty()) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

Owned<gfx::Device> GlTestContext::createDevice(std::uint32_t width, std::uint32_t height) {
  gfx::DeviceParams params;
  params.width = width;
  params.height = height;
  return createDevice(params);
}

Owned<gfx::Device> GlTestContext::createDevice(const gfx::DeviceParams& params) {
  if (!ok()) return nullptr;
  SDL_GL_MakeCurrent(_window, _context);
  return gfx::createGlDevice(*this, params);
}

void GlTestContext::swapBuffers() {
  ++_swaps;
  if (_realSwaps) SDL_GL_SwapWindow(_window);
}

void GlTestContext::drawableSize(int& width, int& height) {
  SDL_GL_GetDrawableSize(_window, &width, &height);
}

bool GlTestContext::getGammaRamp(gfx::GammaRamp& ramp) {
  ramp = _gamma;
  return true;
}

bool GlTestContext::setGammaRamp(const gfx::GammaRamp& ramp) {
  _gamma = ramp;
  return true;
}

bool GlTestContext::setSwapInterval(int interval) {
  _swapInterval = interval;
  _swapIntervalTaken = SDL_GL_SetSwapInterval(interval) == 0;
  return _swapIntervalTaken;
}

std::vector<std::uint32_t> GlTestContext::readWindow(int& width, int& height) {
  drawableSize(width, height);
  std::vector<std::uint32_t> bottomUp(static_cast<std::size_t>(width) * height);
  // Read behind the device's back, then put its bindings back.
  GLint readFramebuffer = 0, packAlignment = 0;
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
  glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, bottomUp.data());
  glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
  if (glGetError() != GL_NO_ERROR) return {};
  // The window's row 0 is its bottom row.
  std::vector<std::uint32_t> topDown(bottomUp.size());
  for (int row = 0; row < height; ++row) {
    std::memcpy(&topDown[static_cast<std::size_t>(row) * width],
                &bottomUp[static_cast<std::size_t>(height - 1 - row) * width],
                static_cast<std::size_t>(width) * 4);
  }
  return topDown;
}

std::vector<std::uint32_t> readSurface(gfx::Device& device, gfx::Surface* surface) {
  if (!surface) return {};
  gfx::SurfaceDesc desc = surface->desc();
  Owned<gfx::Surface> image = device.createImageSurface(desc.width, desc.height, desc.format);
  if (!image || !device.copyRects(surface, image.get())) return {};
  gfx::LockedRect locked;
  if (!image->lockRect(locked, gfx::LOCK_READ_ONLY)) return {};
  std::vector<std::uint32_t> words(static_cast<std::size_t>(desc.width) * desc.height);
  for (std::uint32_t row = 0; row < desc.height; ++row) {
    std::memcpy(&words[static_cast<std::size_t>(row) * desc.width],
                static_cast<const std::uint8_t*>(locked.bits) +
                    static_cast<std::size_t>(row) * static_cast<std::size_t>(locked.pitch),
                static_cast<std::size_t>(desc.width) * 4);
  }
  image->unlockRect();
  return words;
}

std::vector<std::uint32_t> readBackBuffer(gfx::Device& device) {
  return readSurface(device, device.backBuffer());
}

bool colorNear(std::uint32_t actual, std::uint32_t expected, int tolerance, bool withAlpha) {
  for (int shift = 0; shift < (withAlpha ? 32 : 24); shift += 8) {
    int a = static_cast<int>((actual >> shift) & 0xFF);
    int b = static_cast<int>((expected >> shift) & 0xFF);
    if (std::abs(a - b) > tolerance) return false;
  }
  return true;
}

std::string colorText(std::uint32_t color) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", color);
  return text;
}

}  // namespace vesk::test
