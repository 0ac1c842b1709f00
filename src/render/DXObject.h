// Root of every class that holds or uses graphics resources: through it they reach the one
// device to make their resources. Drawing itself goes through the draw context it is given.
#pragma once

#include "base/Diagnosis.h"
#include "base/Memory.h"
#include "gfx/Device.h"
#include "render/DrawContext.h"

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

  // The device of the installed draw context; null while there is none or it has no device.
  static gfx::Device* device() {
    const DrawContext* context = InstalledDrawContext::_current;
    return context ? context->device : nullptr;
  }
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
