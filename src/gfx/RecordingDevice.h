// A graphics device that records calls without executing them: every call is counted, states,
// transforms and viewports are kept so that they read back as set, and buffers, textures and
// surfaces are plain memory that locks and unlocks like the real ones. Nothing is drawn.
//
// vesk-inspect loads scenes through it (a loader needs buffers, not pixels), and the scene
// benchmark measures the engine's own work per frame with it, apart from OpenGL's.
#pragma once

#include <array>
#include <cstdint>

#include "gfx/Device.h"

namespace vesk::gfx {

class RecordingDevice : public Device {
 public:
  explicit RecordingDevice(std::uint32_t width = 640, std::uint32_t height = 480);
  ~RecordingDevice() override;

  DeviceCaps caps() const override { return {}; }

  Owned<VertexBuffer> createVertexBuffer(std::uint32_t bytes, std::uint32_t usage,
                                         std::uint32_t fvf, Pool pool) override;
  using Device::createIndexBuffer;
  Owned<IndexBuffer> createIndexBuffer(std::uint32_t bytes, std::uint32_t usage, Format format,
                                       Pool pool) override;
  Owned<Texture> createTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                               std::uint32_t usage, Format format, Pool pool) override;
  Owned<Surface> createDepthStencilSurface(std::uint32_t width, std::uint32_t height,
                                           Format format) override;
  Owned<Surface> createImageSurface(std::uint32_t width, std::uint32_t height,
                                    Format format) override;

  Surface* backBuffer() override { return _backBuffer.get(); }
  Surface* renderTarget() override { return _target; }
  Surface* depthStencilSurface() override { return _depth; }
  bool setRenderTarget(Surface* color, Surface* depthStencil) override;
  bool copyRects(Surface* source, Surface* destination) override;

  bool beginScene() override { return record(); }
  bool endScene() override { return record(); }
  bool clear(std::uint32_t, Argb, float, std::uint32_t) override { return record(); }
  bool present() override { return record(); }
  bool setViewport(const ViewportRect& viewport) override;
  bool getViewport(ViewportRect& viewport) const override;

  bool setRenderState(RenderState state, std::uint32_t value) override;
  std::uint32_t renderState(RenderState state) const override;
  bool setTextureStageState(int stage, StageState state, std::uint32_t value) override;
  std::uint32_t textureStageState(int stage, StageState state) const override;
  bool setTexture(int stage, Texture* texture) override;
  bool setTransform(TransformType type, const Matrix& matrix) override;
  bool getTransform(TransformType type, Matrix& matrix) const override;
  bool setMaterial(const MaterialValues&) override { return record(); }
  bool setLight(int index, const LightValues&) override { return record(index >= 0); }
  bool lightEnable(int index, bool) override { return record(index >= 0); }
  bool setClipPlane(int index, const Plane&) override {
    return record(index >= 0 && index < kClipPlanes);
  }
  bool setVertexFormat(std::uint32_t) override { return record(); }

  bool setStreamSource(VertexBuffer*, std::uint32_t) override { return record(); }
  bool setIndices(IndexBuffer*, std::uint32_t) override { return record(); }
  bool drawPrimitive(Primitive, std::uint32_t, std::uint32_t) override { return record(); }
  bool drawIndexedPrimitive(Primitive, std::uint32_t, std::uint32_t, std::uint32_t,
                            std::uint32_t) override {
    return record();
  }
  bool drawPrimitiveUP(Primitive, std::uint32_t, const void*, std::uint32_t) override {
    return record();
  }

  bool getGammaRamp(GammaRamp& ramp) override;
  bool setGammaRamp(const GammaRamp& ramp) override;

  // Every call recorded so far, getters of kept values excluded.
  std::uint64_t apiCalls() const override { return _calls; }

 private:
  bool record(bool ok = true) {
    ++_calls;
    return ok;
  }

  std::uint64_t _calls = 0;
  Owned<Surface> _backBuffer;
  Owned<Surface> _depthBuffer;
  Surface* _target = nullptr;
  Surface* _depth = nullptr;
  ViewportRect _viewport;
  std::array<std::uint32_t, static_cast<std::size_t>(RenderState::Count)> _states{};
  std::array<std::array<std::uint32_t, static_cast<std::size_t>(StageState::Count)>, kStageCount>
      _stages{};
  std::array<Matrix, 5> _transforms{};
  GammaRamp _gamma;
};

}  // namespace vesk::gfx
