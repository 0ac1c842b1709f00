#include "gfx/GlStateCache.h"

namespace vesk::gfx {

namespace {

// The key of a capability in the shadow: per-unit capabilities carry their unit.
std::uint32_t capKey(GLenum cap, int unit, bool client) {
  return static_cast<std::uint32_t>(cap) | static_cast<std::uint32_t>(unit + 1) << 20 |
         (client ? 1u << 28 : 0u);
}

}  // namespace

GlStateCache::GlStateCache(GlApi& gl, bool enabled) : _gl(gl), _enabled(enabled) {
  _textures.fill(~0u);
  _coordReplace.fill(-1);
}

void GlStateCache::setCap(GLenum cap, bool on, int unit) {
  std::uint32_t key = capKey(cap, unit, false);
  auto it = _caps.find(key);
  if (it != _caps.end() && cached(it->second == on)) return;
  if (unit >= 0) activeUnit(unit);
  if (on) {
    _gl(glEnable, cap);
  } else {
    _gl(glDisable, cap);
  }
  _caps[key] = on;
}

void GlStateCache::setClientArray(GLenum array, bool on, int unit) {
  std::uint32_t key = capKey(array, unit, true);
  auto it = _caps.find(key);
  if (it != _caps.end() && cached(it->second == on)) return;
  if (unit >= 0) clientUnit(unit);
  if (on) {
    _gl(glEnableClientState, array);
  } else {
    _gl(glDisableClientState, array);
  }
  _caps[key] = on;
}

void GlStateCache::activeUnit(int unit) {
  send(_activeUnit, unit, glActiveTexture, GL_TEXTURE0 + unit);
}

void GlStateCache::clientUnit(int unit) {
  send(_clientUnit, unit, glClientActiveTexture, GL_TEXTURE0 + unit);
}

void GlStateCache::matrixMode(GLenum mode) {
  send(_matrixMode, mode, glMatrixMode, mode);
}

void GlStateCache::bindBuffer(GLenum target, GLuint name) {
  send(target == GL_ARRAY_BUFFER ? _arrayBuffer : _elementBuffer, name, glBindBuffer, target, name);
}

void GlStateCache::bindTexture(GLuint name) {
  if (_activeUnit < 0) activeUnit(0);
  send(_textures[_activeUnit], name, glBindTexture, GL_TEXTURE_2D, name);
}

void GlStateCache::bindDrawFramebuffer(GLuint name) {
  send(_drawFramebuffer, name, glBindFramebuffer, GL_DRAW_FRAMEBUFFER, name);
}

void GlStateCache::bindReadFramebuffer(GLuint name) {
  send(_readFramebuffer, name, glBindFramebuffer, GL_READ_FRAMEBUFFER, name);
}

void GlStateCache::forgetBuffer(GLuint name) {
  if (_arrayBuffer == name) _arrayBuffer = 0;
  if (_elementBuffer == name) _elementBuffer = 0;
  // The vertex arrays point into the buffer.
  if (arrays.buffer == name) arrays.valid = false;
}

void GlStateCache::forgetTexture(GLuint name) {
  for (GLuint& bound : _textures) {
    if (bound == name) bound = 0;
  }
}

bool GlStateCache::viewport(const ViewportRect& v) {
  const std::optional<ViewportRect>& old = _viewport;
  bool sameRect =
      old && v.x == old->x && v.y == old->y && v.width == old->width && v.height == old->height;
  if (!cached(sameRect)) {
    // Row 0 is the top under the upper-left origin, so the classic rectangle is used as it is.
    // OpenGL does not confine points and lines to the viewport; the scissor does.
    _gl(glViewport, static_cast<GLint>(v.x), static_cast<GLint>(v.y), static_cast<GLsizei>(v.width),
        static_cast<GLsizei>(v.height));
    _gl(glScissor, static_cast<GLint>(v.x), static_cast<GLint>(v.y), static_cast<GLsizei>(v.width),
        static_cast<GLsizei>(v.height));
  }
  bool sameDepth = old && v.minZ == old->minZ && v.maxZ == old->maxZ;
  if (!cached(sameDepth)) {
    _gl(glDepthRange, static_cast<double>(v.minZ), static_cast<double>(v.maxZ));
  }
  bool heightChanged = !old || v.height != old->height;
  _viewport = v;
  return heightChanged;
}

void GlStateCache::clearColor(Argb color) {
  if (cached(_clearColor == color)) return;
  GLfloat rgba[4];
  toFloats(color, rgba);
  _gl(glClearColor, rgba[0], rgba[1], rgba[2], rgba[3]);
  _clearColor = color;
}

void GlStateCache::clearDepth(float depth) {
  send(_clearDepth, depth, glClearDepth, static_cast<double>(depth));
}

void GlStateCache::clearStencil(std::uint32_t stencil) {
  send(_clearStencil, stencil, glClearStencil, static_cast<GLint>(stencil));
}

void GlStateCache::samplerFilters(int unit, GLuint sampler, GLint mag, GLint min) {
  std::array<GLint, 2>& shadow = _samplerFilters[unit];
  send(shadow[0], mag, glSamplerParameteri, sampler, GL_TEXTURE_MAG_FILTER, mag);
  send(shadow[1], min, glSamplerParameteri, sampler, GL_TEXTURE_MIN_FILTER, min);
}

void GlStateCache::combiners(const GlCombiner& rgb, const GlCombiner& alpha) {
  if (_activeUnit < 0) activeUnit(0);
  auto combiner = [&](GlCombiner& have, const GlCombiner& want, GLenum mode, GLenum source0,
                      GLenum source1, GLenum scale) {
    send(have.mode, want.mode, glTexEnvi, GL_TEXTURE_ENV, mode, want.mode);
    send(have.source0, want.source0, glTexEnvi, GL_TEXTURE_ENV, source0, want.source0);
    send(have.source1, want.source1, glTexEnvi, GL_TEXTURE_ENV, source1, want.source1);
    send(have.scale, want.scale, glTexEnvf, GL_TEXTURE_ENV, scale, want.scale);
  };
  auto& [haveRgb, haveAlpha] = _combiners[_activeUnit];
  combiner(haveRgb, rgb, GL_COMBINE_RGB, GL_SRC0_RGB, GL_SRC1_RGB, GL_RGB_SCALE);
  combiner(haveAlpha, alpha, GL_COMBINE_ALPHA, GL_SRC0_ALPHA, GL_SRC1_ALPHA, GL_ALPHA_SCALE);
}

void GlStateCache::textureMatrix(int unit, const Matrix& matrix) {
  if (cached(_textureMatrices[unit] == matrix)) return;
  activeUnit(unit);
  matrixMode(GL_TEXTURE);
  _gl(glLoadMatrixf, matrix.data());
  _textureMatrices[unit] = matrix;
}

void GlStateCache::coordReplace(int unit, bool on) {
  GLint replace = on ? GL_TRUE : GL_FALSE;
  if (cached(_coordReplace[unit] == replace)) return;
  activeUnit(unit);
  _gl(glTexEnvi, GL_POINT_SPRITE, GL_COORD_REPLACE, replace);
  _coordReplace[unit] = replace;
}

void GlStateCache::fogMode(GLint mode) {
  send(_fogMode, mode, glFogi, GL_FOG_MODE, mode);
}

void GlStateCache::fogDistance(GLint mode) {
  send(_fogDistance, mode, glFogi, GL_FOG_DISTANCE_MODE_NV, mode);
}

void GlStateCache::pointSize(GLfloat size) {
  send(_pointSize, size, glPointSize, size);
}

void GlStateCache::pointSizeMin(GLfloat size) {
  send(_pointSizeMin, size, glPointParameterf, GL_POINT_SIZE_MIN, size);
}

void GlStateCache::pointAttenuation(const std::array<GLfloat, 3>& attenuation) {
  send(_pointAttenuation, attenuation, glPointParameterfv, GL_POINT_DISTANCE_ATTENUATION,
       attenuation.data());
}

void GlStateCache::currentColorWhite() {
  send(_colorWhite, true, glColor4f, 1.0f, 1.0f, 1.0f, 1.0f);
}

void GlStateCache::currentNormalZero() {
  send(_normalZero, true, glNormal3f, 0.0f, 0.0f, 0.0f);
}

void GlStateCache::forgetCurrent(bool color, bool normal) {
  if (color) _colorWhite = false;
  if (normal) _normalZero = false;
}

}  // namespace vesk::gfx
