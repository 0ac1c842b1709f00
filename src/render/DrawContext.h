// What drawing needs: the device, the shared full-screen quad and the values every layer drawing
// multiplies in. The renderer owns one and hands it to the viewports it draws, which pass it on
// to their layers and effects; a fresh context holds the values a first frame starts with.
//
// Resources are made outside drawing too (pictures, textures, render targets): they reach the
// device through `DXObject::device()`, which answers from the one installed context. The
// renderer installs its own; a test that draws without a renderer installs one of its own.
#pragma once

#include "gfx/Device.h"
#include "gfx/RecordingDevice.h"

namespace vesk {

struct DrawContext {
  gfx::Device* device = nullptr;
  // 4 ScreenVertex in triangle-strip order.
  gfx::VertexBuffer* screenQuad = nullptr;
  // Alpha of the viewport being drawn, alpha factor of the layer being drawn, and the cull
  // mode last given to the device (parts that change culling restore this one).
  float layerAlpha = 1.0f;
  float fadeFactor = 1.0f;
  gfx::Cull currentCullMode = gfx::Cull::CounterClockwise;
};

// Makes `context` the installed one while it lives. One context is installed at a time: a later
// installation replaces it, and the end of an installation clears it only if it is still there.
class InstalledDrawContext {
 public:
  explicit InstalledDrawContext(DrawContext& context) : _context(&context) { _current = _context; }
  ~InstalledDrawContext() {
    if (_current == _context) _current = nullptr;
  }
  InstalledDrawContext(const InstalledDrawContext&) = delete;
  InstalledDrawContext& operator=(const InstalledDrawContext&) = delete;

 private:
  friend class DXObject;

  DrawContext* _context;
  static inline DrawContext* _current = nullptr;
};

// A context over a device that records calls without drawing, installed while it lives: what a
// tool or a benchmark needs to load scenes without a display.
class RecordingDrawContext {
 public:
  RecordingDrawContext() { _context.device = &_device; }

 private:
  gfx::RecordingDevice _device;
  DrawContext _context;
  InstalledDrawContext _installed{_context};
};

}  // namespace vesk
