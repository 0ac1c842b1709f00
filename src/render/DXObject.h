// Root of every class that holds or uses graphics resources: through it they reach the one
// device and the shared full-screen quad, both set up by the renderer. Also home of the
// drawing globals every layer drawing multiplies in.
#pragma once

#include "base/Diagnosis.h"
#include "base/Memory.h"
#include "gfx/Device.h"

namespace vesk {

// The vertex of every 2D quad, border and line: position, ARGB colour, one UV set (24 bytes).
struct ScreenVertex {
  float x, y, z;
  Argb colour;
  float u, v;
};
inline constexpr std::uint32_t kScreenVertexFvf = gfx::FVF_XYZ | gfx::FVF_DIFFUSE | gfx::FVF_TEX1;
static_assert(sizeof(ScreenVertex) == 24);

class DXObject : public TrackedBlock {
 public:
  virtual ~DXObject() = default;

  // The device; null until the renderer has created it.
  static gfx::Device* device() { return _device; }
  // The full-screen quad (4 ScreenVertex in triangle-strip order).
  static gfx::VertexBuffer* screenQuad() { return _screenQuad; }

  // Alpha of the viewport being drawn, alpha factor of the layer being drawn, and the cull
  // mode last given to the device (parts that change culling restore this one).
  static inline float layerAlpha = 1.0f;
  static inline float fadeFactor = 1.0f;
  static inline gfx::Cull currentCullMode = gfx::Cull::CounterClockwise;

  // Installed by the renderer (and by tests that draw without one).
  static void setDevice(gfx::Device* device, gfx::VertexBuffer* screenQuad) {
    _device = device;
    _screenQuad = screenQuad;
  }

 private:
  static inline gfx::Device* _device = nullptr;
  static inline gfx::VertexBuffer* _screenQuad = nullptr;
};

// Reports a failed device call: "DX Error - check if display is in 32 bits color mode" with the
// call's location. A lost device or a failing call ends the program through this fatal error.
void dxError(Site site);

}  // namespace vesk

// Tests a device call's result; a failure is the fatal DX error at this line. Evaluates to the
// result, so the caller may stop its step.
#define VK_DX(call) (::vesk::dxCheck((call), ::vesk::here()))

namespace vesk {
inline bool dxCheck(bool ok, Site site) {
  if (!ok) dxError(site);
  return ok;
}
}  // namespace vesk
