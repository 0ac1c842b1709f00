#include "gfx/GlTexture.h"

#include <algorithm>
#include <cstring>

#include "gfx/GlDevice.h"

namespace vesk::gfx {

GlTexture::GlTexture(GlDevice& device, std::uint32_t width, std::uint32_t height,
                     std::uint32_t levels, std::uint32_t usage, Format format)
    : GlResource(device, true), _format(format), _renderTarget((usage & USAGE_RENDER_TARGET) != 0) {
  _levels.resize(levels);
  for (std::uint32_t i = 0; i < levels; ++i) {
    Level& level = _levels[i];
    level.width = std::max(1u, width >> i);
    level.height = std::max(1u, height >> i);
    if (!_renderTarget) {
      std::size_t bytes = std::size_t{level.width} * level.height * 4;
      level.words = allocateBytes(bytes, here());
      if (!level.words) return;
      std::memset(level.words.get(), 0, bytes);
    }
    level.surface = make<GlSurface>(here(), device, *this, i, format, level.width, level.height);
  }
  _name = device.createTextureObject(*this);
}

GlTexture::~GlTexture() {
  if (_device) _device->releaseTexture(this);
}

void GlTexture::detach() {
  if (_device) _device->releaseTexture(this);
  for (Level& level : _levels) {
    if (level.surface) level.surface->detach();
  }
  _device = nullptr;
  _name = 0;
}

SurfaceDesc GlTexture::levelDesc(std::uint32_t level) const {
  if (level >= _levels.size()) return {};
  return {_format, _levels[level].width, _levels[level].height};
}

Surface* GlTexture::surfaceLevel(std::uint32_t level) {
  if (level >= _levels.size()) return nullptr;
  return _levels[level].surface.get();
}

std::uint32_t* GlTexture::levelWords(std::uint32_t level) {
  if (level >= _levels.size()) return nullptr;
  return reinterpret_cast<std::uint32_t*>(_levels[level].words.get());
}

bool GlTexture::levelLocked(std::uint32_t level) const {
  return level < _levels.size() && _levels[level].locked;
}

bool GlTexture::lockLevel(std::uint32_t index, LockedRect& locked, std::uint32_t flags) {
  if (!_device || index >= _levels.size()) return false;
  Level& level = _levels[index];
  if (!level.words || level.locked) return false;
  level.locked = true;
  level.lockFlags = flags;
  locked.bits = level.words.get();
  locked.pitch = static_cast<int>(level.width * 4);
  return true;
}

bool GlTexture::unlockLevel(std::uint32_t index) {
  if (!_device || index >= _levels.size() || !_levels[index].locked) return false;
  Level& level = _levels[index];
  level.locked = false;
  if (level.lockFlags & LOCK_READ_ONLY) return true;
  return uploadLevel(index);
}

bool GlTexture::uploadLevel(std::uint32_t index) {
  if (!_device || index >= _levels.size() || !_levels[index].words) return false;
  const Level& level = _levels[index];
  return _device->uploadTextureLevel(_name, index, level.width, level.height, level.words.get());
}

}  // namespace vesk::gfx
