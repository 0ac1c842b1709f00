// What the scene benchmarks share: a device with the drawing states the renderer keeps,
// installed for every DXObject, and the resource cache: the OpenGL device in a hidden window,
// or the device that records calls without drawing. Also written bytes as the loaders read them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/BinaryInput.h"
#include "gfx/RecordingDevice.h"
#include "render/DXObject.h"
#include "support/GlTestContext.h"
#include "support/TestSupport.h"
#include "world/material/ResourceCache.h"
#include "world/scene/Scene.h"

namespace vesk::bench {

struct DeviceStage {
  test::RecordingPresenter quiet;
  std::unique_ptr<test::GlTestContext> context;
  Owned<gfx::Device> device;
  DrawContext drawContext;
  std::unique_ptr<InstalledDrawContext> installed;
  Owned<ResourceCache> cache = make<ResourceCache>(here());

  DeviceStage(bool openGl, std::uint32_t width, std::uint32_t height) {
    if (openGl) {
      context = std::make_unique<test::GlTestContext>();
      if (context->ok()) device = context->createDevice(width, height);
    } else {
      device = make<gfx::RecordingDevice>(here(), width, height);
    }
    if (!device) return;
    drawContext.device = device.get();
    installed = std::make_unique<InstalledDrawContext>(drawContext);
    using gfx::RenderState;
    device->setRenderState(RenderState::ZEnable, 1);
    device->setRenderState(RenderState::Lighting, 1);
    device->setRenderState(RenderState::AlphaBlendEnable, 1);
    device->setRenderState(RenderState::SrcBlend, static_cast<std::uint32_t>(gfx::Blend::SrcAlpha));
    device->setRenderState(RenderState::DestBlend,
                           static_cast<std::uint32_t>(gfx::Blend::InvSrcAlpha));
  }
  ~DeviceStage() {
    cache.reset();
    installed.reset();
    device.reset();
  }
  bool ok() const { return device != nullptr && quiet.errors().empty(); }
};

// A scene from the bytes a writer made; null when the loader refuses them.
inline Owned<Scene> loadWrittenScene(const std::vector<std::uint8_t>& bytes, const char* name) {
  Bytes data = allocateBytes(bytes.size());
  std::copy(bytes.begin(), bytes.end(), data.get());
  BinaryInput in(std::move(data), bytes.size(), name);
  auto scene = make<Scene>(here());
  if (!scene->load(in)) return nullptr;
  return scene;
}

}  // namespace vesk::bench
