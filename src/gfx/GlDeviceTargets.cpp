// The device's render targets and frame: attaching targets, viewports, clears, copies and
// read-back, and presenting the back buffer.
#include "gfx/GlDevice.h"

#include <cstring>

#include "base/Text.h"
#include "gfx/GlSurface.h"
#include "gfx/GlTexture.h"

namespace vesk::gfx {

Surface* GlDevice::backBuffer() {
  return _backBuffer.get();
}
Surface* GlDevice::renderTarget() {
  return _colorTarget;
}
Surface* GlDevice::depthStencilSurface() {
  return _depthTarget;
}

void GlDevice::attachColor(GLenum framebuffer, GlSurface* color) {
  if (color->kind() == GlSurface::Kind::BackBuffer) {
    _gl(glFramebufferRenderbuffer, framebuffer, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
        color->renderbuffer());
  } else {
    _gl(glFramebufferTexture2D, framebuffer, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
        color->texture()->name(), static_cast<GLint>(color->level()));
  }
}

bool GlDevice::attachTargets(GlSurface* color, GlSurface* depth) {
  _state.bindDrawFramebuffer(_drawFramebuffer);
  attachColor(GL_DRAW_FRAMEBUFFER, color);
  if (depth && depth->hasStencil()) {
    _gl(glFramebufferRenderbuffer, GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT,
        GL_RENDERBUFFER, depth->renderbuffer());
  } else {
    _gl(glFramebufferRenderbuffer, GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
        depth ? depth->renderbuffer() : 0);
    _gl(glFramebufferRenderbuffer, GL_DRAW_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
  }
  GLenum status = _gl(glCheckFramebufferStatus, GL_DRAW_FRAMEBUFFER);
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    checkGl("attaching a render target");
    return fail(str("the render target is incomplete (", hex(status), ")"));
  }
  return checkGl("attaching a render target");
}

bool GlDevice::setRenderTarget(Surface* color, Surface* depthStencil) {
  GlSurface* newColor = color ? dynamic_cast<GlSurface*>(color) : _colorTarget;
  GlSurface* newDepth = depthStencil ? dynamic_cast<GlSurface*>(depthStencil) : nullptr;
  if (!newColor || !newColor->isDrawable()) return fail("the render target cannot be drawn into");
  if (depthStencil &&
      (!newDepth || newDepth->kind() != GlSurface::Kind::DepthStencil || !newDepth->valid())) {
    return fail("the depth surface is not a depth-stencil surface");
  }
  SurfaceDesc size = newColor->desc();
  if (newDepth && (newDepth->desc().width < size.width || newDepth->desc().height < size.height)) {
    return fail("the depth surface is smaller than the render target");
  }
  if (!cached(newColor == _colorTarget && newDepth == _depthTarget)) {
    if (!attachTargets(newColor, newDepth)) {
      attachTargets(_colorTarget, _depthTarget);
      return false;
    }
    _colorTarget = newColor;
    _depthTarget = newDepth;
  }
  return setViewport(ViewportRect{0, 0, size.width, size.height, 0, 1});
}

void GlDevice::attachReadSource(GlSurface* source) {
  _state.bindReadFramebuffer(_readFramebuffer);
  if (cached(_readSource == source)) return;
  attachColor(GL_READ_FRAMEBUFFER, source);
  _readSource = source;
}

bool GlDevice::readColor(GlSurface* source, std::uint32_t* words) {
  attachReadSource(source);
  SurfaceDesc desc = source->desc();
  // Row 0 of the framebuffer is the top row, so the words come top row first.
  _gl(glReadPixels, 0, 0, static_cast<GLsizei>(desc.width), static_cast<GLsizei>(desc.height),
      GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, static_cast<void*>(words));
  if (!checkGl("reading pixels")) {
    _readSource = nullptr;
    return false;
  }
  return true;
}

bool GlDevice::copyRects(Surface* source, Surface* destination) {
  auto* from = dynamic_cast<GlSurface*>(source);
  auto* to = dynamic_cast<GlSurface*>(destination);
  if (!from || !to || from == to) return fail("copyRects needs two different surfaces");
  SurfaceDesc a = from->desc(), b = to->desc();
  if (!colorFormat(a.format) || !colorFormat(b.format)) {
    return fail("copyRects copies colour surfaces only");
  }
  if (a.width != b.width || a.height != b.height) {
    return fail("copyRects needs surfaces of the same size");
  }
  // A texture level is written from a lent buffer.
  GlTexture* toTexture = to->kind() == GlSurface::Kind::TextureLevel ? to->texture() : nullptr;
  if (toTexture && toTexture->isRenderTarget()) toTexture = nullptr;
  if ((!toTexture && !to->words()) || to->locked()) {
    return fail("copyRects cannot write into that surface");
  }
  if (from->locked()) return fail("copyRects cannot read a locked surface");
  std::size_t capacity = 0;
  Bytes lent;
  std::uint32_t* out = to->words();
  if (toTexture) {
    lent = takeLevelBuffer(std::size_t{b.width} * b.height * 4, capacity);
    out = reinterpret_cast<std::uint32_t*>(lent.get());
    if (!out) return fail("copyRects cannot write into that surface");
  }
  const bool copied = copyInto(from, out);
  if (copied && b.format == Format::X8R8G8B8) {
    // Without alpha the fourth byte is opaque.
    const std::size_t count = std::size_t{a.width} * a.height;
    for (std::size_t i = 0; i < count; ++i)
      out[i] |= 0xFF000000u;
  }
  bool written = copied;
  if (copied && toTexture) written = toTexture->writeLevel(to->level(), out);
  if (toTexture) keepLevelBuffer(std::move(lent), capacity);
  return written;
}

bool GlDevice::copyInto(GlSurface* from, std::uint32_t* out) {
  SurfaceDesc desc = from->desc();
  if (const std::uint32_t* in = from->words()) {
    std::memcpy(out, in, std::size_t{desc.width} * desc.height * 4);
    return true;
  }
  if (from->isDrawable()) return readColor(from, out);
  if (from->kind() == GlSurface::Kind::TextureLevel &&
      from->texture()->readLevel(from->level(), out)) {
    return true;
  }
  return fail("copyRects cannot read that surface");
}

bool GlDevice::beginScene() {
  if (_inScene) return fail("beginScene inside a scene");
  _inScene = true;
  return true;
}

bool GlDevice::endScene() {
  if (!_inScene) return fail("endScene outside a scene");
  _inScene = false;
  return true;
}

bool GlDevice::clear(std::uint32_t flags, Argb color, float z, std::uint32_t stencil) {
  if (flags == 0 || (flags & ~std::uint32_t{CLEAR_TARGET | CLEAR_ZBUFFER | CLEAR_STENCIL})) {
    return fail("clear without valid flags");
  }
  if ((flags & (CLEAR_ZBUFFER | CLEAR_STENCIL)) && !_depthTarget) {
    return fail("clear of depth or stencil without a depth surface");
  }
  if ((flags & CLEAR_STENCIL) && !_depthTarget->hasStencil()) {
    return fail("clear of the stencil of a depth surface without stencil");
  }
  if ((flags & CLEAR_ZBUFFER) && !(z >= 0 && z <= 1)) return fail("clear depth outside [0, 1]");
  _state.bindDrawFramebuffer(_drawFramebuffer);
  // The scissor equals the viewport, so only the viewport is cleared. The write masks are
  // forced on for the clear and then given back.
  GLbitfield bits = 0;
  bool colorMasked = false, depthMasked = false, stencilMasked = false;
  if (flags & CLEAR_TARGET) {
    _state.clearColor(color);
    colorMasked = !rs(RenderState::ColorWriteEnable);
    if (colorMasked) _gl(glColorMask, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    bits |= GL_COLOR_BUFFER_BIT;
  }
  if (flags & CLEAR_ZBUFFER) {
    _state.clearDepth(z);
    depthMasked = !rs(RenderState::ZWriteEnable);
    if (depthMasked) _gl(glDepthMask, GL_TRUE);
    bits |= GL_DEPTH_BUFFER_BIT;
  }
  if (flags & CLEAR_STENCIL) {
    _state.clearStencil(stencil);
    stencilMasked = (rs(RenderState::StencilWriteMask) & 0xFF) != 0xFF;
    if (stencilMasked) _gl(glStencilMask, 0xFFu);
    bits |= GL_STENCIL_BUFFER_BIT;
  }
  _gl(glClear, bits);
  if (colorMasked) _gl(glColorMask, GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  if (depthMasked) _gl(glDepthMask, GL_FALSE);
  if (stencilMasked) _gl(glStencilMask, rs(RenderState::StencilWriteMask));
  return checkGl("clear");
}

bool GlDevice::present() {
  int width = 0, height = 0;
  _host.drawableSize(width, height);
  if (width > 0 && height > 0) {
    SurfaceDesc size = _backBuffer->desc();
    attachReadSource(_backBuffer.get());
    _state.bindDrawFramebuffer(0);
    // The blit obeys the scissor test, which otherwise always equals the viewport.
    _state.setCap(GL_SCISSOR_TEST, false);
    // Row 0 of the back buffer is its top row; row 0 of the window is its bottom row.
    bool sameSize = static_cast<std::uint32_t>(width) == size.width &&
                    static_cast<std::uint32_t>(height) == size.height;
    _gl(glBlitFramebuffer, 0, 0, static_cast<GLint>(size.width), static_cast<GLint>(size.height), 0,
        height, width, 0, GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    _state.setCap(GL_SCISSOR_TEST, true);
    _state.bindDrawFramebuffer(_drawFramebuffer);
  }
  if (!checkGl("present")) return false;
  _gl.timed([this] { _host.swapBuffers(); });
  return true;
}

void GlDevice::applyViewport() {
  if (_state.viewport(_viewport)) _dirty |= DIRTY_POINTS;
}

bool GlDevice::setViewport(const ViewportRect& viewport) {
  SurfaceDesc size = _colorTarget->desc();
  if (std::uint64_t{viewport.x} + viewport.width > size.width ||
      std::uint64_t{viewport.y} + viewport.height > size.height) {
    return fail(str("the viewport (", viewport.x, ", ", viewport.y, ", ", viewport.width, " x ",
                    viewport.height, ") exceeds the render target"));
  }
  if (!(viewport.minZ >= 0 && viewport.minZ <= 1 && viewport.maxZ >= 0 && viewport.maxZ <= 1)) {
    return fail("the viewport depth range lies outside [0, 1]");
  }
  _viewport = viewport;
  applyViewport();
  return true;
}

bool GlDevice::getViewport(ViewportRect& viewport) const {
  viewport = _viewport;
  return true;
}

}  // namespace vesk::gfx
