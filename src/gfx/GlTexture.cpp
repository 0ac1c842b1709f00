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
    level.surface = make<GlSurface>(here(), device, *this, i, format, level.width, level.height);
  }
  if (!_renderTarget) _unsentLevels = levels;
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

bool GlTexture::levelLocked(std::uint32_t level) const {
  return level < _levels.size() && _levels[level].locked;
}

bool GlTexture::canAccess(std::uint32_t level) const {
  return _device && _name != 0 && !_renderTarget && level < _levels.size() &&
         !_levels[level].locked;
}

bool GlTexture::readLevel(std::uint32_t index, std::uint32_t* words) {
  if (!canAccess(index)) return false;
  if (!_levels[index].sent) {
    std::memset(words, 0, levelBytes(index));
    return true;
  }
  return _device->readTextureLevel(_name, index, words);
}

bool GlTexture::writeLevel(std::uint32_t index, const std::uint32_t* words) {
  if (!canAccess(index)) return false;
  Level& level = _levels[index];
  if (!_device->uploadTextureLevel(_name, index, level.width, level.height, words)) return false;
  if (!level.sent) {
    level.sent = true;
    --_unsentLevels;
  }
  return true;
}

bool GlTexture::sendUnwrittenLevels() {
  for (std::uint32_t index = 0; index < _levels.size() && _unsentLevels > 0; ++index) {
    if (_levels[index].sent || !canAccess(index)) continue;
    std::size_t capacity = 0;
    Bytes zeros = _device->takeLevelBuffer(levelBytes(index), capacity);
    if (!zeros) return false;
    std::memset(zeros.get(), 0, levelBytes(index));
    const bool sent = writeLevel(index, reinterpret_cast<const std::uint32_t*>(zeros.get()));
    _device->keepLevelBuffer(std::move(zeros), capacity);
    if (!sent) return false;
  }
  return true;
}

bool GlTexture::lockLevel(std::uint32_t index, LockedRect& locked, std::uint32_t flags) {
  if (!canAccess(index)) return false;
  Level& level = _levels[index];
  std::size_t capacity = 0;
  Bytes words = _device->takeLevelBuffer(levelBytes(index), capacity);
  if (!words) return false;
  // A discarding lock is written whole by its caller; any other may read the level first.
  if (!(flags & LOCK_DISCARD) && !readLevel(index, reinterpret_cast<std::uint32_t*>(words.get()))) {
    _device->keepLevelBuffer(std::move(words), capacity);
    return false;
  }
  level.locked = true;
  level.lockFlags = flags;
  level.lockedWords = std::move(words);
  level.lockedCapacity = capacity;
  locked.bits = level.lockedWords.get();
  locked.pitch = static_cast<int>(level.width * 4);
  return true;
}

bool GlTexture::unlockLevel(std::uint32_t index) {
  if (!_device || index >= _levels.size() || !_levels[index].locked) return false;
  Level& level = _levels[index];
  level.locked = false;
  bool written = true;
  if (!(level.lockFlags & LOCK_READ_ONLY)) {
    written = writeLevel(index, reinterpret_cast<const std::uint32_t*>(level.lockedWords.get()));
  }
  _device->keepLevelBuffer(std::move(level.lockedWords), level.lockedCapacity);
  return written;
}

}  // namespace vesk::gfx
