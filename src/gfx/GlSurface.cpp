#include "gfx/GlSurface.h"

#include <cstring>

#include "gfx/GlDevice.h"
#include "gfx/GlTexture.h"

namespace vesk::gfx {

GlSurface::GlSurface(GlDevice& device, Kind kind, Format format, std::uint32_t width,
                     std::uint32_t height, bool registered)
    : GlResource(device, registered), _kind(kind), _format(format), _width(width), _height(height) {
  switch (kind) {
    case Kind::BackBuffer:
      _renderbuffer = device.createRenderbuffer(GL_RGBA8, width, height);
      break;
    case Kind::DepthStencil:
      _renderbuffer = device.createRenderbuffer(
          format == Format::D24S8 ? GL_DEPTH24_STENCIL8 : GL_DEPTH_COMPONENT16, width, height);
      break;
    case Kind::Image: {
      std::size_t bytes = std::size_t{width} * height * 4;
      _pixels = allocateBytes(bytes, here());
      if (_pixels) std::memset(_pixels.get(), 0, bytes);
      break;
    }
    case Kind::TextureLevel:
      break;
  }
}

GlSurface::GlSurface(GlDevice& device, GlTexture& texture, std::uint32_t level, Format format,
                     std::uint32_t width, std::uint32_t height)
    : GlResource(device, false),
      _kind(Kind::TextureLevel),
      _format(format),
      _width(width),
      _height(height),
      _texture(&texture),
      _level(level) {}

GlSurface::~GlSurface() {
  if (_device) _device->releaseSurface(this);
}

void GlSurface::detach() {
  if (_device) _device->releaseSurface(this);
  _device = nullptr;
  _renderbuffer = 0;
}

bool GlSurface::valid() const {
  switch (_kind) {
    case Kind::BackBuffer:
    case Kind::DepthStencil:
      return _renderbuffer != 0;
    case Kind::Image:
      return _pixels != nullptr;
    case Kind::TextureLevel:
      return _texture != nullptr;
  }
  return false;
}

bool GlSurface::isDrawable() const {
  if (_kind == Kind::BackBuffer) return _renderbuffer != 0;
  return _kind == Kind::TextureLevel && _texture->isRenderTarget();
}

std::uint32_t* GlSurface::words() {
  if (_kind == Kind::Image) return reinterpret_cast<std::uint32_t*>(_pixels.get());
  return nullptr;
}

bool GlSurface::locked() const {
  if (_kind == Kind::TextureLevel) return _texture->levelLocked(_level);
  return _locked;
}

bool GlSurface::lockRect(LockedRect& locked, std::uint32_t flags) {
  if (_kind == Kind::TextureLevel) {
    return _device && _texture->lockLevel(_level, locked, flags);
  }
  if (_kind != Kind::Image || !_pixels || _locked) return false;
  _locked = true;
  locked.bits = _pixels.get();
  locked.pitch = static_cast<int>(_width * 4);
  return true;
}

bool GlSurface::unlockRect() {
  if (_kind == Kind::TextureLevel) return _device && _texture->unlockLevel(_level);
  if (_kind != Kind::Image || !_locked) return false;
  _locked = false;
  return true;
}

}  // namespace vesk::gfx
