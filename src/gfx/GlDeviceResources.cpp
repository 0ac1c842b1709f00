// The device's resources: buffers, textures and surfaces are made here, and their OpenGL
// objects made, filled and freed, where the bindings are known.
#include "gfx/GlDevice.h"

#include <algorithm>

#include "base/Text.h"
#include "gfx/GlSurface.h"
#include "gfx/GlTexture.h"

namespace vesk::gfx {

void GlDevice::registerResource(GlResource* resource) {
  _resources.insert(resource);
}

void GlDevice::unregisterResource(GlResource* resource) {
  if (!_destroying) _resources.erase(resource);
}

GLuint GlDevice::createBufferObject(GLenum target, std::uint32_t bytes, const void* data,
                                    bool dynamic) {
  GLuint name = 0;
  _gl(glGenBuffers, 1, &name);
  _state.bindBuffer(target, name);
  _gl(glBufferData, target, static_cast<GLsizeiptr>(bytes), data,
      dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
  if (!checkGl("creating a buffer")) {
    releaseBuffer(nullptr, target, name);
    return 0;
  }
  return name;
}

bool GlDevice::uploadBuffer(GLenum target, GLuint name, std::uint32_t offset, std::uint32_t bytes,
                            const void* data) {
  _state.bindBuffer(target, name);
  _gl(glBufferSubData, target, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes), data);
  return checkGl("unlocking a buffer");
}

void GlDevice::releaseBuffer(const void* buffer, GLenum target, GLuint name) {
  if (!_destroying && buffer) {
    if (_stream == buffer) _stream = nullptr;
    if (_indices == buffer) _indices = nullptr;
  }
  if (!name) return;
  (void)target;
  _gl(glDeleteBuffers, 1, &name);
  _state.forgetBuffer(name);
}

GLuint GlDevice::createRenderbuffer(GLenum format, std::uint32_t width, std::uint32_t height) {
  GLuint name = 0;
  _gl(glGenRenderbuffers, 1, &name);
  _gl(glBindRenderbuffer, GL_RENDERBUFFER, name);
  _gl(glRenderbufferStorage, GL_RENDERBUFFER, format, static_cast<GLsizei>(width),
      static_cast<GLsizei>(height));
  if (!checkGl("creating a renderbuffer")) {
    _gl(glDeleteRenderbuffers, 1, &name);
    return 0;
  }
  return name;
}

GLuint GlDevice::createTextureObject(GlTexture& texture) {
  GLuint name = 0;
  _gl(glGenTextures, 1, &name);
  _state.bindTexture(name);
  _dirty |= DIRTY_STAGES;
  const bool opaque = texture.format() == Format::X8R8G8B8;
  // Render targets are drawn into by OpenGL in its own channel order. The others hold the
  // words' bytes as they are (blue in the red channel) and swap the channels back when sampled.
  GLint internal = GL_RGBA8;
  if (texture.isRenderTarget()) {
    if (opaque) internal = GL_RGB8;
  } else {
    const GLint swizzle[4] = {GL_BLUE, GL_GREEN, GL_RED, opaque ? GL_ONE : GL_ALPHA};
    _gl(glTexParameteriv, GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
  }
  _gl(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL,
      static_cast<GLint>(texture.levelCount()) - 1);
  // Storage only: the levels' words come when they are written (or first drawn with).
  for (std::uint32_t level = 0; level < texture.levelCount(); ++level) {
    SurfaceDesc desc = texture.levelDesc(level);
    _gl(glTexImage2D, GL_TEXTURE_2D, static_cast<GLint>(level), internal,
        static_cast<GLsizei>(desc.width), static_cast<GLsizei>(desc.height), 0, GL_RGBA,
        GL_UNSIGNED_BYTE, nullptr);
  }
  if (!checkGl("creating a texture")) {
    _gl(glDeleteTextures, 1, &name);
    _state.forgetTexture(name);
    return 0;
  }
  return name;
}

bool GlDevice::uploadTextureLevel(GLuint name, std::uint32_t level, std::uint32_t width,
                                  std::uint32_t height, const void* words) {
  _state.bindTexture(name);
  _dirty |= DIRTY_STAGES;
  _gl(glTexSubImage2D, GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(width),
      static_cast<GLsizei>(height), GL_RGBA, GL_UNSIGNED_BYTE, words);
  return checkGl("writing a texture level");
}

bool GlDevice::readTextureLevel(GLuint name, std::uint32_t level, void* words) {
  _state.bindTexture(name);
  _dirty |= DIRTY_STAGES;
  _gl(glGetTexImage, GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA, GL_UNSIGNED_BYTE, words);
  return checkGl("reading a texture level");
}

Bytes GlDevice::takeLevelBuffer(std::size_t bytes, std::size_t& capacity) {
  // The smallest spare that is large enough.
  auto best = _spareLevelBuffers.end();
  for (auto spare = _spareLevelBuffers.begin(); spare != _spareLevelBuffers.end(); ++spare) {
    if (spare->capacity >= bytes &&
        (best == _spareLevelBuffers.end() || spare->capacity < best->capacity))
      best = spare;
  }
  if (best != _spareLevelBuffers.end()) {
    Bytes buffer = std::move(best->bytes);
    capacity = best->capacity;
    _spareLevelBuffers.erase(best);
    return buffer;
  }
  capacity = bytes;
  return allocateBytes(bytes, here());
}

void GlDevice::keepLevelBuffer(Bytes buffer, std::size_t capacity) {
  // A few buffers up to the size of a large picture's level; the smallest goes first.
  constexpr std::size_t kSpareCount = 4, kLargestSpare = std::size_t{16} << 20;
  if (!buffer || capacity > kLargestSpare) return;
  _spareLevelBuffers.push_back({std::move(buffer), capacity});
  if (_spareLevelBuffers.size() > kSpareCount) {
    _spareLevelBuffers.erase(std::min_element(
        _spareLevelBuffers.begin(), _spareLevelBuffers.end(),
        [](const SpareBuffer& a, const SpareBuffer& b) { return a.capacity < b.capacity; }));
  }
}

void GlDevice::releaseTexture(GlTexture* texture) {
  if (!_destroying) {
    for (int stage = 0; stage < kStageCount; ++stage) {
      if (_textures[stage] == texture) {
        _textures[stage] = nullptr;
        _dirty |= DIRTY_STAGES;
      }
    }
    for (std::uint32_t level = 0; level < texture->levelCount(); ++level) {
      releaseSurface(static_cast<GlSurface*>(texture->surfaceLevel(level)));
    }
  }
  GLuint name = texture->name();
  if (!name) return;
  _gl(glDeleteTextures, 1, &name);
  _state.forgetTexture(name);
}

void GlDevice::releaseSurface(GlSurface* surface) {
  if (!_destroying) {
    if (_readSource == surface) _readSource = nullptr;
    if (_colorTarget == surface) {
      // The target goes away: draw into the back buffer again.
      GlSurface* depth = _depthTarget == surface ? nullptr : _depthTarget;
      if (depth && (depth->desc().width < _backBuffer->desc().width ||
                    depth->desc().height < _backBuffer->desc().height)) {
        depth = _depthStencil.get();
      }
      attachTargets(_backBuffer.get(), depth);
      _colorTarget = _backBuffer.get();
      _depthTarget = depth;
      _viewport = ViewportRect{0, 0, _backBuffer->desc().width, _backBuffer->desc().height, 0, 1};
      applyViewport();
    } else if (_depthTarget == surface) {
      attachTargets(_colorTarget, nullptr);
      _depthTarget = nullptr;
    }
  }
  GLuint renderbuffer = surface->renderbuffer();
  if (renderbuffer) _gl(glDeleteRenderbuffers, 1, &renderbuffer);
}

Owned<VertexBuffer> GlDevice::createVertexBuffer(std::uint32_t bytes, std::uint32_t usage,
                                                 std::uint32_t fvf, Pool pool) {
  (void)fvf;
  (void)pool;
  if (bytes == 0) {
    fail("a vertex buffer needs at least one byte");
    return nullptr;
  }
  auto buffer =
      make<GlVertexBuffer>(here(), *this, GL_ARRAY_BUFFER, bytes, (usage & USAGE_DYNAMIC) != 0);
  if (!buffer->valid()) {
    fail(str("a vertex buffer of ", bytes, " bytes could not be made"));
    return nullptr;
  }
  return buffer;
}

Owned<IndexBuffer> GlDevice::createIndexBuffer(std::uint32_t bytes, std::uint32_t usage,
                                               Format format, Pool pool) {
  (void)pool;
  if (format != Format::Index16 && !(format == Format::Index32 && _caps.maxVertexIndex > 0xFFFF)) {
    fail("an index buffer holds 16-bit or (where the caps allow) 32-bit indices");
    return nullptr;
  }
  if (bytes < (format == Format::Index32 ? 4u : 2u)) {
    fail("an index buffer needs at least one index");
    return nullptr;
  }
  auto buffer = make<GlIndexBuffer>(here(), *this, bytes, (usage & USAGE_DYNAMIC) != 0, format);
  if (!buffer->valid()) {
    fail(str("an index buffer of ", bytes, " bytes could not be made"));
    return nullptr;
  }
  return buffer;
}

Owned<Texture> GlDevice::createTexture(std::uint32_t width, std::uint32_t height,
                                       std::uint32_t levels, std::uint32_t usage, Format format,
                                       Pool pool) {
  if (!colorFormat(format)) {
    fail("textures are A8R8G8B8 or X8R8G8B8");
    return nullptr;
  }
  if (width == 0 || height == 0 || width > _caps.maxTextureSize || height > _caps.maxTextureSize) {
    fail(str("a texture of ", width, " x ", height, " is not possible"));
    return nullptr;
  }
  if ((usage & USAGE_RENDER_TARGET) && pool != Pool::Default) {
    fail("render-target textures belong to the default pool");
    return nullptr;
  }
  std::uint32_t chain = 1;
  while ((std::max(width, height) >> chain) > 0)
    ++chain;
  if (levels == 0) levels = chain;
  if (levels > chain) {
    fail(str("a texture of ", width, " x ", height, " has at most ", chain, " levels"));
    return nullptr;
  }
  auto texture = make<GlTexture>(here(), *this, width, height, levels, usage, format);
  if (!texture->valid()) {
    fail(str("a texture of ", width, " x ", height, " could not be made"));
    return nullptr;
  }
  return texture;
}

Owned<Surface> GlDevice::createDepthStencilSurface(std::uint32_t width, std::uint32_t height,
                                                   Format format) {
  if (format != Format::D24S8 && format != Format::D16) {
    fail("depth-stencil surfaces are D24S8 or D16");
    return nullptr;
  }
  if (width == 0 || height == 0 || width > _caps.maxTextureSize || height > _caps.maxTextureSize) {
    fail(str("a depth-stencil surface of ", width, " x ", height, " is not possible"));
    return nullptr;
  }
  auto surface =
      make<GlSurface>(here(), *this, GlSurface::Kind::DepthStencil, format, width, height, true);
  if (!surface->valid()) return nullptr;
  return surface;
}

Owned<Surface> GlDevice::createImageSurface(std::uint32_t width, std::uint32_t height,
                                            Format format) {
  if (!colorFormat(format)) {
    fail("image surfaces are A8R8G8B8 or X8R8G8B8");
    return nullptr;
  }
  if (width == 0 || height == 0 || width > 16384 || height > 16384) {
    fail(str("an image surface of ", width, " x ", height, " is not possible"));
    return nullptr;
  }
  auto surface =
      make<GlSurface>(here(), *this, GlSurface::Kind::Image, format, width, height, true);
  if (!surface->valid()) {
    fail("an image surface could not be made");
    return nullptr;
  }
  return surface;
}

}  // namespace vesk::gfx
