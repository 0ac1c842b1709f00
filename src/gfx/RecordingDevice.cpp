#include "gfx/RecordingDevice.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace vesk::gfx {

namespace {

// Bytes that lock as a whole or from an offset; the contents stay between locks.
class MemoryBytes {
 public:
  explicit MemoryBytes(std::uint32_t size) : _bytes(size) {}
  void* lock(std::uint32_t offset, std::uint32_t size) {
    if (_locked || offset > _bytes.size() || size > _bytes.size() - offset) return nullptr;
    _locked = true;
    return _bytes.data() + offset;
  }
  bool unlock() { return std::exchange(_locked, false); }
  std::uint32_t size() const { return static_cast<std::uint32_t>(_bytes.size()); }

 private:
  std::vector<std::uint8_t> _bytes;
  bool _locked = false;
};

class MemoryVertexBuffer : public VertexBuffer {
 public:
  explicit MemoryVertexBuffer(std::uint32_t size) : _bytes(size) {}
  void* lock(std::uint32_t offset, std::uint32_t size, std::uint32_t) override {
    return _bytes.lock(offset, size);
  }
  bool unlock() override { return _bytes.unlock(); }
  std::uint32_t size() const override { return _bytes.size(); }

 private:
  MemoryBytes _bytes;
};

class MemoryIndexBuffer : public IndexBuffer {
 public:
  MemoryIndexBuffer(std::uint32_t size, Format format) : _bytes(size), _format(format) {}
  void* lock(std::uint32_t offset, std::uint32_t size, std::uint32_t) override {
    return _bytes.lock(offset, size);
  }
  bool unlock() override { return _bytes.unlock(); }
  std::uint32_t size() const override { return _bytes.size(); }
  Format format() const override { return _format; }

 private:
  MemoryBytes _bytes;
  Format _format;
};

// 32-bit words, top row first, for every format (depth surfaces are never locked).
class MemorySurface : public Surface {
 public:
  MemorySurface(std::uint32_t width, std::uint32_t height, Format format)
      : _desc{format, width, height}, _words(std::size_t{width} * height) {}
  SurfaceDesc desc() const override { return _desc; }
  bool lockRect(LockedRect& locked, std::uint32_t) override {
    if (_locked) return false;
    _locked = true;
    locked.bits = _words.data();
    locked.pitch = static_cast<int>(_desc.width * 4);
    return true;
  }
  bool unlockRect() override { return std::exchange(_locked, false); }
  std::vector<std::uint32_t>& words() { return _words; }

 private:
  SurfaceDesc _desc;
  std::vector<std::uint32_t> _words;
  bool _locked = false;
};

class MemoryTexture : public Texture {
 public:
  MemoryTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, Format format) {
    for (std::uint32_t level = 0; levels == 0 || level < levels; ++level) {
      _levels.push_back(make<MemorySurface>(here(), width, height, format));
      if (width == 1 && height == 1) break;
      width = std::max(1u, width / 2);
      height = std::max(1u, height / 2);
    }
  }
  std::uint32_t levelCount() const override { return static_cast<std::uint32_t>(_levels.size()); }
  SurfaceDesc levelDesc(std::uint32_t level) const override {
    return level < _levels.size() ? _levels[level]->desc() : SurfaceDesc{};
  }
  Surface* surfaceLevel(std::uint32_t level) override {
    return level < _levels.size() ? _levels[level].get() : nullptr;
  }

 private:
  std::vector<Owned<MemorySurface>> _levels;
};

}  // namespace

RecordingDevice::RecordingDevice(std::uint32_t width, std::uint32_t height)
    : _backBuffer(make<MemorySurface>(here(), width, height, Format::X8R8G8B8)),
      _depthBuffer(make<MemorySurface>(here(), width, height, Format::D24S8)),
      _target(_backBuffer.get()),
      _depth(_depthBuffer.get()),
      _viewport{0, 0, width, height, 0, 1} {}

RecordingDevice::~RecordingDevice() = default;

Owned<VertexBuffer> RecordingDevice::createVertexBuffer(std::uint32_t bytes, std::uint32_t,
                                                        std::uint32_t, Pool) {
  record();
  return bytes == 0 ? nullptr : make<MemoryVertexBuffer>(here(), bytes);
}

Owned<IndexBuffer> RecordingDevice::createIndexBuffer(std::uint32_t bytes, std::uint32_t,
                                                      Format format, Pool) {
  record();
  if (format != Format::Index16 && format != Format::Index32) return nullptr;
  return bytes == 0 ? nullptr : make<MemoryIndexBuffer>(here(), bytes, format);
}

Owned<Texture> RecordingDevice::createTexture(std::uint32_t width, std::uint32_t height,
                                              std::uint32_t levels, std::uint32_t, Format format,
                                              Pool) {
  record();
  if (width == 0 || height == 0) return nullptr;
  return make<MemoryTexture>(here(), width, height, levels, format);
}

Owned<Surface> RecordingDevice::createDepthStencilSurface(std::uint32_t width, std::uint32_t height,
                                                          Format format) {
  return createImageSurface(width, height, format);
}

Owned<Surface> RecordingDevice::createImageSurface(std::uint32_t width, std::uint32_t height,
                                                   Format format) {
  record();
  if (width == 0 || height == 0) return nullptr;
  return make<MemorySurface>(here(), width, height, format);
}

bool RecordingDevice::setRenderTarget(Surface* color, Surface* depthStencil) {
  if (color) _target = color;
  _depth = depthStencil;
  const SurfaceDesc desc = _target->desc();
  _viewport = {0, 0, desc.width, desc.height, 0, 1};
  return record();
}

bool RecordingDevice::copyRects(Surface* source, Surface* destination) {
  auto* from = dynamic_cast<MemorySurface*>(source);
  auto* to = dynamic_cast<MemorySurface*>(destination);
  if (!from || !to || from->desc().width != to->desc().width ||
      from->desc().height != to->desc().height) {
    return record(false);
  }
  to->words() = from->words();
  return record();
}

bool RecordingDevice::setViewport(const ViewportRect& viewport) {
  _viewport = viewport;
  return record();
}

bool RecordingDevice::getViewport(ViewportRect& viewport) const {
  viewport = _viewport;
  return true;
}

bool RecordingDevice::setRenderState(RenderState state, std::uint32_t value) {
  const auto index = static_cast<std::size_t>(state);
  if (index >= _states.size()) return record(false);
  _states[index] = value;
  return record();
}

std::uint32_t RecordingDevice::renderState(RenderState state) const {
  const auto index = static_cast<std::size_t>(state);
  return index < _states.size() ? _states[index] : 0;
}

bool RecordingDevice::setTextureStageState(int stage, StageState state, std::uint32_t value) {
  const auto index = static_cast<std::size_t>(state);
  if (stage < 0 || stage >= kStageCount || index >= _stages[0].size()) return record(false);
  _stages[static_cast<std::size_t>(stage)][index] = value;
  return record();
}

std::uint32_t RecordingDevice::textureStageState(int stage, StageState state) const {
  const auto index = static_cast<std::size_t>(state);
  if (stage < 0 || stage >= kStageCount || index >= _stages[0].size()) return 0;
  return _stages[static_cast<std::size_t>(stage)][index];
}

bool RecordingDevice::setTexture(int stage, Texture*) {
  return record(stage >= 0 && stage < kStageCount);
}

bool RecordingDevice::setTransform(TransformType type, const Matrix& matrix) {
  const auto index = static_cast<std::size_t>(type);
  if (index >= _transforms.size()) return record(false);
  _transforms[index] = matrix;
  return record();
}

bool RecordingDevice::getTransform(TransformType type, Matrix& matrix) const {
  const auto index = static_cast<std::size_t>(type);
  if (index >= _transforms.size()) return false;
  matrix = _transforms[index];
  return true;
}

bool RecordingDevice::getGammaRamp(GammaRamp& ramp) {
  ramp = _gamma;
  return record();
}

bool RecordingDevice::setGammaRamp(const GammaRamp& ramp) {
  _gamma = ramp;
  return record();
}

}  // namespace vesk::gfx
