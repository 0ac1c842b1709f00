// The renderer owns the one graphics device: it creates it for the chosen mode, sets the fixed
// states every other part assumes, keeps the shared resources (screen quad, identity, 2D
// projection, font) and the draw context it installs for as long as it lives, and offers the
// per-frame steps of the main loop, gamma, text, screenshots and the list of usable full-screen
// modes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "events/EventTarget.h"
#include "gfx/Display.h"
#include "render/DXObject.h"

namespace vesk {

class TextFont;

inline constexpr std::int32_t VK_RENDERER_EVENT = 35;

class Renderer : public DXObject, public EventTarget {
 public:
  using MemoryItem::operator new;
  using MemoryItem::operator delete;

  // Without a display (null) the renderer reports "DirectX error : unable to create a D3D8
  // object" and `valid` answers false.
  explicit Renderer(gfx::Display* display);
  ~Renderer() override;

  bool valid() const { return _display != nullptr; }
  const gfx::DeviceCaps& caps() const { return _caps; }

  // The usable full-screen modes: the 32-bit modes at 60 Hz, or all 32-bit modes if none is.
  void listModes(std::vector<gfx::DisplayMode>& modes);

  // Creates the device on the host's OpenGL context and the shared resources.
  // `stateCache` off makes every state call reach OpenGL (for measuring the cache).
  bool createDevice(gfx::DeviceHost& host, std::uint32_t width, std::uint32_t height,
                    bool fullscreen, bool fsaa, bool stateCache = true);

  void beginFrame();
  void clearTarget(Argb colour);
  void endFrame();
  void present();
  void restoreFullViewport();
  // -100 (black) to 100 (white); 0 is the display's own ramp. Nothing where unsupported.
  void setGamma(int percent);
  // One line of text with a one-pixel black shadow, at pixel (x, y) of the back buffer.
  void drawText(int x, int y, std::string_view text);
  // Writes the back buffer as a 24-bit bitmap named prefix + number + ".bmp".
  void saveScreenshot(const std::string& prefix, int number);
  // Answers a paint request of the desktop window: presents again.
  void paint();
  // The context's screen quad over the current viewport, texture window (umin, vmin)-(umax, vmax),
  // the colour's alpha scaled by the context's layerAlpha and fadeFactor. The caller sets texture
  // and blending.
  void drawScreenQuad(const DrawContext& context, Argb colour, float umin, float vmin, float umax,
                      float vmax);
  // The one dynamic buffer every shadow volume is drawn through (32000 XYZ vertices), made on
  // first use and released with the device. Null without a device or after the fatal error.
  gfx::VertexBuffer* shadowVertexBuffer();
  // Gives the display its own gamma back, clears to black and releases the device.
  void shutdown();

  std::int32_t processEvent(const Event& event) override;

  std::uint32_t width() const { return _width; }
  std::uint32_t height() const { return _height; }
  bool windowed() const { return _windowed; }
  // What the viewports are drawn with; its device and screen quad are null without a device.
  DrawContext& drawContext() { return _drawContext; }
  const gfx::GammaRamp& gammaRamp() const { return _gamma; }
  const gfx::GammaRamp& baseGammaRamp() const { return _baseGamma; }

  static const Matrix& identity() { return _identity; }
  static const Matrix& screenProjection() { return _screenProjection; }

 private:
  void setInitialStates();

  gfx::Display* _display = nullptr;
  bool _windowed = true;
  gfx::DeviceCaps _caps;
  gfx::ViewportRect _fullViewport;
  gfx::GammaRamp _gamma;
  gfx::GammaRamp _baseGamma;
  std::uint32_t _width = 0;
  std::uint32_t _height = 0;
  Owned<gfx::Device> _device;
  Owned<gfx::VertexBuffer> _screenQuad;
  Owned<gfx::VertexBuffer> _shadowVertices;
  Owned<TextFont> _font;
  DrawContext _drawContext;
  InstalledDrawContext _installed{_drawContext};

  static inline Matrix _identity;
  static inline Matrix _screenProjection;
};

}  // namespace vesk
