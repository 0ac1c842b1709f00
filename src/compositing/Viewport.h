// One of the sixteen rectangles the screen is composed from. A viewport has an opacity, an
// optional coloured border, an optional animation of its rectangle and four layer slots drawn
// in order 0 to 3. The show drives it with events sent to "DEFVIEWPORT" (viewport 0) and
// "VIEWPORT1" to "VIEWPORT15".
//
// The rectangle is in back-buffer pixels and may lie partly or wholly off screen: the device
// viewport is its visible part, and the layers get the matching fraction of their pictures
// (the texture window), so a rectangle sliding off an edge shows its pictures cut, not squeezed.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "compositing/Layer.h"
#include "events/EventTarget.h"
#include "render/DXObject.h"

namespace vesk {

class Renderer;
class ViewportEffect;

inline constexpr int kLayerCount = 4;

enum ViewportEventCode : std::int32_t {
  VK_VIEWPORT_SET_RECT = 17,
  VK_VIEWPORT_SHOW = 18,
  VK_VIEWPORT_HIDE = 19,
  VK_VIEWPORT_CLEAR = 20,
  VK_VIEWPORT_SCENE_LAYER = 21,
  VK_VIEWPORT_IMAGE_LAYER = 22,
  VK_VIEWPORT_CAMERA = 23,
  VK_VIEWPORT_REMOVE_LAYER = 24,
  VK_VIEWPORT_RECT_ANIM = 25,
  VK_VIEWPORT_SHAKE = 26,
  VK_VIEWPORT_REMOVE_3DS_LAYER = 27,
  VK_VIEWPORT_NO_EFFECT = 28,
  VK_VIEWPORT_FADE = 29,
  VK_VIEWPORT_FLASH = 30,
  VK_VIEWPORT_CROSS_FADE = 31,
  VK_VIEWPORT_MOTION_BLUR = 32,
  VK_VIEWPORT_3DS_EFFECT = 33,
  VK_VIEWPORT_FOG = 34,
};

// A rectangle in back-buffer pixels.
struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PixelRect&) const = default;
};

// Truncation towards zero, saturated to the int range (NaN gives 0): pixel positions come from
// script values and interpolations that must never overflow a conversion.
int truncToInt(double value);

class Viewport : public DXObject, public EventTarget {
 public:
  using MemoryItem::operator new;
  using MemoryItem::operator delete;

  // The whole back buffer, hidden, without layers; drawn over every viewport made before it.
  Viewport(int index, Renderer& renderer);
  ~Viewport() override;

  // Draws the layers and the border into the visible part of the rectangle, after one step of
  // the rectangle effect, its alpha as the context's layer alpha. The caller restores the
  // full-screen viewport afterwards.
  void render(DrawContext& context);
  // Stable-sorts `viewports` by depth (equal depths keep their order) and renders the visible
  // ones in that order.
  static void renderInDepthOrder(DrawContext& context, std::vector<Viewport*>& viewports);

  // Sets rectangle and alpha and recomputes the device viewport and texture window.
  void setRect(int x, int y, int width, int height, float alpha);
  // Destroys all four layers and hides the viewport.
  void clearLayers();
  // Destroy the scene layers, respectively the image layers, that show the named object.
  // Before a scene goes, the layers looking through one of its cameras go too, and the 3DS
  // effects drawing its geometry are removed from their layers: nothing may keep a pointer
  // into it.
  void removeLayersShowingScene(std::string_view name);
  void removeLayersShowingPicture(std::string_view name);
  // Puts the picture "end" in slot 3, fading in over 2 seconds, and shows the viewport.
  void showEndPicture();

  std::int32_t processEvent(const Event& event) override;

  int index() const { return _index; }
  int depth() const { return _depth; }
  // The drawing order key; viewports take increasing depths as they are made.
  void setDepth(int depth) { _depth = depth; }
  bool visible() const { return _visible; }
  void setVisible(bool visible) { _visible = visible; }

  const PixelRect& rect() const { return _rect; }
  float alpha() const { return _alpha; }
  bool onScreen() const { return _onScreen; }
  const gfx::ViewportRect& deviceViewport() const { return _deviceViewport; }
  const TextureWindow& textureWindow() const { return _window; }

  bool border() const { return _border; }
  int borderWidth() const { return _borderWidth; }
  void setBorder(bool on, int width, float red, float green, float blue);

  Layer* layer(int slot) const;
  // Puts a layer in a slot (0 to 3), destroying the one there; null empties the slot.
  void setLayer(int slot, Owned<Layer> layer);
  ViewportEffect* rectEffect() const { return _rectEffect.get(); }
  // Replaces the rectangle effect; the replaced one goes without its finish step.
  void setRectEffect(Owned<ViewportEffect> effect);

 private:
  void updateWindow();
  void drawBorder(gfx::Device& d);
  std::uint32_t screenWidth() const;
  std::uint32_t screenHeight() const;

  // Event handlers; each reports its own failures.
  void onSetRect(const Event& event);
  void onSceneLayer(const Event& event);
  void onImageLayer(const Event& event);
  void onCamera(const Event& event);
  void onRemoveLayer(const Event& event, const char* rangeError);
  void onRectAnim(const Event& event);
  void onShake(const Event& event);
  void onNoEffect(const Event& event);
  void onFade(const Event& event);
  void onFlash(const Event& event);
  void onCrossFade(const Event& event);
  void onMotionBlur(const Event& event);
  void on3DS(const Event& event);
  void onFog(const Event& event);
  // The layer in the slot (0 to 3) an effect goes on; an empty slot is reported with an
  // assertion naming the effect, and gives null.
  Layer* effectLayer(int slot, const char* effectName);

  std::uint8_t _index;
  Renderer* _renderer;
  std::array<Owned<Layer>, kLayerCount> _layers;
  gfx::ViewportRect _deviceViewport;
  Owned<gfx::VertexBuffer> _borderBuffer;
  PixelRect _rect;
  bool _onScreen = false;
  TextureWindow _window;
  float _alpha = 1.0f;
  bool _border = false;
  int _borderWidth = 1;
  float _borderRed = 1.0f, _borderGreen = 1.0f, _borderBlue = 1.0f, _borderAlpha = 1.0f;
  int _depth;
  bool _visible = false;
  Owned<ViewportEffect> _rectEffect;

  static inline int _depthCounter = 0;
};

}  // namespace vesk
